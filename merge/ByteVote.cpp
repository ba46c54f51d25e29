#include "ByteVote.h"

#include <array>

namespace {

struct SValueVotes {
    uint8_t m_nValue;
    uint32_t m_nVotes;
    float m_fConfidence;  // the highest among them
    size_t m_nTake;       // the first take holding the value
};

}  // namespace

SByteChoice ChooseByte(std::span<const SCell> cells) {
    SByteChoice choice;
    // The distinct values among the bytes, as many at most as there are
    // takes; only the first nValues entries are ever read.
    std::array<SValueVotes, kMaxMergeTakes> votes;
    size_t nValues = 0;
    uint32_t nBytes = 0;
    uint32_t nDoubtful = 0;
    uint32_t nDenials = 0;
    uint32_t nUnknown = 0;
    for (const SCell& cell : cells) {
        if (cell.m_eKind == ECellKind::kByte) {
            ++(cell.m_bDoubtful ? nDoubtful : nBytes);
        } else if (cell.m_eKind == ECellKind::kNoByte) {
            ++nDenials;
        } else if (cell.m_eKind == ECellKind::kUnknown) {
            ++nUnknown;
        }
    }
    // Doubtful bytes count only where no other byte is, and two or more of
    // them; one alone counts as lost.
    const bool bUseDoubtful = nBytes == 0 && nDoubtful >= 2;
    if (bUseDoubtful) {
        nBytes = nDoubtful;
    } else {
        nUnknown += nDoubtful;
    }
    if (nBytes == 0) {
        // Lost by more takes than go on without a byte here: a byte no take has.
        choice.m_bMissing = nUnknown > nDenials;
        choice.m_bDisagree = nDoubtful > 0 && nDenials > 0;
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
            votes[nValues++] = {cell.m_nValue, 0, 0.0f, t};
        }
        ++votes[k].m_nVotes;
        if (cell.m_fConfidence > votes[k].m_fConfidence) {
            votes[k].m_fConfidence = cell.m_fConfidence;
        }
    }
    size_t nBest = 0;
    for (size_t k = 1; k < nValues; ++k) {
        const SValueVotes& entry = votes[k];
        const SValueVotes& best = votes[nBest];
        if (entry.m_nVotes > best.m_nVotes ||
            (entry.m_nVotes == best.m_nVotes && entry.m_fConfidence > best.m_fConfidence)) {
            nBest = k;
        }
    }
    choice.m_nValue = votes[nBest].m_nValue;
    choice.m_nTake = static_cast<uint8_t>(votes[nBest].m_nTake);
    choice.m_bKeep = nBytes > nDenials;
    choice.m_bDisagree = nValues > 1 || nDenials > 0 || nDoubtful > 0;
    return choice;
}
