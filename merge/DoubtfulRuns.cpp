// CByteProfile::MarkDoubtfulRuns: after a dropout a decoder may resume on a
// half-period inside a byte and frame a few wrong bytes cleanly before it
// breaks again. Such a run contradicts the other takes wherever they hold
// the same places, while a good run agrees with them; a run's bytes are
// weighed together, since the wrong bytes are many in a row.
//
// A take set aside in this block (its bytes as a whole disagree with the
// others') keeps only runs that the others plainly confirm: its other runs
// say nothing, so that a badly framed take adds no byte of its own.
#include <algorithm>

#include "ByteProfile.h"
#include "ByteVote.h"

namespace {

// A run of a take set aside counts when this many of its bytes meet their
// equal and at most one in kConfirmRatio of those differs.
constexpr uint32_t kConfirmAgree = 4;
constexpr uint32_t kConfirmRatio = 16;

bool Confirmed(const SRunTally& run) {
    return run.m_nAgree >= kConfirmAgree && run.m_nDisagree * kConfirmRatio <= run.m_nAgree;
}

}  // namespace

template <typename FRunEnd>
void CByteProfile::TallyRuns(size_t nTake, std::span<const float> weights,
                             std::span<const uint8_t> ignored, FRunEnd onRunEnd) const {
    const size_t nColumns = Columns();
    std::vector<SCell> others(m_nTakes);
    SRunTally run;
    bool bInRun = false;
    for (size_t c = 0; c <= nColumns; ++c) {
        const ECellKind eKind =
            c < nColumns ? m_cells[c * m_nTakes + nTake].m_eKind : ECellKind::kMissing;
        const bool bRunGoesOn = eKind == ECellKind::kByte || eKind == ECellKind::kNoByte;
        if (!bRunGoesOn) {
            if (bInRun) {
                onRunEnd(run.m_nFirst, c, run);
            }
            bInRun = false;
            continue;
        }
        if (!bInRun) {
            run = {c, 0, 0};
            bInRun = true;
        }
        if (eKind != ECellKind::kByte) {
            continue;
        }
        const std::span<const SCell> column = Column(c);
        std::copy(column.begin(), column.end(), others.begin());
        for (size_t t = 0; t < m_nTakes; ++t) {
            if (t == nTake || (t < ignored.size() && ignored[t] != 0)) {
                others[t].m_eKind = ECellKind::kMissing;
            }
        }
        const SByteChoice choice = ChooseByte(others, weights);
        if (choice.m_nValue != kUnknownToken) {
            ++(choice.m_nValue == column[nTake].m_nValue ? run.m_nAgree : run.m_nDisagree);
        }
    }
}

std::vector<uint8_t> CByteProfile::RestrictedTakes(std::span<const float> weights) const {
    const float fMost = weights.empty() ? 1.0f : *std::max_element(weights.begin(), weights.end());
    std::vector<uint8_t> restricted(m_nTakes, 0);
    bool bConfirming = false;  // a take without the mark holds bytes here
    for (size_t t = 0; t < m_nTakes; ++t) {
        restricted[t] = m_setAside[t] != 0 || (t < weights.size() && weights[t] < fMost) ? 1 : 0;
        bConfirming = bConfirming || (restricted[t] == 0 && HoldsBytes(t));
    }
    if (!bConfirming) {
        restricted.assign(m_nTakes, 0);
    }
    return restricted;
}

void CByteProfile::DropLoneBytes(std::span<const uint8_t> restricted) {
    for (size_t c = 0; c < Columns(); ++c) {
        uint32_t nFree = 0;
        uint32_t nRestricted = 0;
        for (size_t t = 0; t < m_nTakes; ++t) {
            if (m_cells[c * m_nTakes + t].m_eKind == ECellKind::kByte) {
                ++(restricted[t] != 0 ? nRestricted : nFree);
            }
        }
        if (nFree > 0 || nRestricted >= 2) {
            continue;
        }
        for (size_t t = 0; t < m_nTakes; ++t) {
            if (restricted[t] != 0 && m_cells[c * m_nTakes + t].m_eKind == ECellKind::kByte) {
                m_cells[c * m_nTakes + t].m_eKind = ECellKind::kMissing;
            }
        }
    }
}

void CByteProfile::MarkDoubtfulRuns(std::span<const float> weights) {
    const std::vector<uint8_t> restricted = RestrictedTakes(weights);
    for (size_t t = 0; t < m_nTakes; ++t) {
        if (restricted[t] == 0) {
            continue;
        }
        TallyRuns(t, weights, restricted, [&](size_t nFirst, size_t nEnd, const SRunTally& run) {
            if (!Confirmed(run)) {
                for (size_t k = nFirst; k < nEnd; ++k) {
                    m_cells[k * m_nTakes + t].m_eKind = ECellKind::kMissing;
                }
            }
        });
        // Nor do they say where bytes were lost.
        for (size_t c = 0; c < Columns(); ++c) {
            SCell& cell = m_cells[c * m_nTakes + t];
            if (cell.m_eKind == ECellKind::kUnknown) {
                cell.m_eKind = ECellKind::kMissing;
            }
        }
    }
    DropLoneBytes(restricted);
    for (size_t t = 0; t < m_nTakes; ++t) {
        TallyRuns(t, weights, restricted, [&](size_t nFirst, size_t nEnd, const SRunTally& run) {
            if (run.m_nDisagree > run.m_nAgree) {
                for (size_t k = nFirst; k < nEnd; ++k) {
                    m_cells[k * m_nTakes + t].m_bDoubtful =
                        m_cells[k * m_nTakes + t].m_eKind == ECellKind::kByte;
                }
            }
        });
    }
}
