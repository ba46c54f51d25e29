#include "ByteVote.h"

#include <array>

namespace {

struct SValueVotes {
    uint8_t m_nValue;
    float m_fVotes;
    float m_fConfidence;  // the highest among them
    size_t m_nTake;       // the first take holding the value
};

}  // namespace

SByteChoice ChooseByte(std::span<const SCell> cells, std::span<const float> weights) {
    SByteChoice choice;
    // The distinct values among the bytes, as many at most as there are
    // takes; only the first nValues entries are ever read.
    std::array<SValueVotes, kMaxMergeTakes> votes;
    size_t nValues = 0;
    // Counts of cells, and the same weighed by their takes.
    uint32_t nBytes = 0;
    uint32_t nDoubtful = 0;
    float fBytes = 0.0f;
    float fDoubtful = 0.0f;
    float fDenials = 0.0f;
    float fUnknown = 0.0f;
    bool bDenied = false;
    for (size_t t = 0; t < cells.size(); ++t) {
        const SCell& cell = cells[t];
        const float fWeight = t < weights.size() ? weights[t] : 1.0f;
        if (cell.m_eKind == ECellKind::kByte) {
            ++(cell.m_bDoubtful ? nDoubtful : nBytes);
            (cell.m_bDoubtful ? fDoubtful : fBytes) += fWeight;
        } else if (cell.m_eKind == ECellKind::kNoByte) {
            fDenials += fWeight;
            bDenied = true;
        } else if (cell.m_eKind == ECellKind::kUnknown) {
            fUnknown += fWeight;
        }
    }
    // Doubtful bytes count only where no other byte is, and two or more of
    // them; one alone counts as lost.
    const bool bUseDoubtful = nBytes == 0 && nDoubtful >= 2;
    if (bUseDoubtful) {
        nBytes = nDoubtful;
        fBytes = fDoubtful;
    } else {
        fUnknown += fDoubtful;
    }
    if (nBytes == 0) {
        // Lost by more takes than go on without a byte here: a byte no take has.
        choice.m_bMissing = fUnknown > fDenials;
        choice.m_bDisagree = nDoubtful > 0 && bDenied;
        return choice;
    }
    for (size_t t = 0; t < cells.size() && t < kMaxMergeTakes; ++t) {
        const SCell& cell = cells[t];
        if (cell.m_eKind != ECellKind::kByte || cell.m_bDoubtful != bUseDoubtful) {
            continue;
        }
        size_t k = 0;
        while (k < nValues && votes[k].m_nValue != cell.m_nValue) {
            ++k;
        }
        if (k == nValues) {
            votes[nValues++] = {cell.m_nValue, 0.0f, 0.0f, t};
        }
        votes[k].m_fVotes += t < weights.size() ? weights[t] : 1.0f;
        if (cell.m_fConfidence > votes[k].m_fConfidence) {
            votes[k].m_fConfidence = cell.m_fConfidence;
        }
    }
    size_t nBest = 0;
    for (size_t k = 1; k < nValues; ++k) {
        const SValueVotes& entry = votes[k];
        const SValueVotes& best = votes[nBest];
        if (entry.m_fVotes > best.m_fVotes ||
            (entry.m_fVotes == best.m_fVotes && entry.m_fConfidence > best.m_fConfidence)) {
            nBest = k;
        }
    }
    choice.m_nValue = votes[nBest].m_nValue;
    choice.m_nTake = static_cast<uint8_t>(votes[nBest].m_nTake);
    choice.m_bKeep = fBytes > fDenials;
    choice.m_bDisagree = nValues > 1 || bDenied || nDoubtful > 0;
    return choice;
}
