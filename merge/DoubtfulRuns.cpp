// CByteProfile::MarkDoubtfulRuns: after a dropout a decoder may resume on a
// half-period inside a byte and frame a few wrong bytes cleanly before it
// breaks again. Such a run contradicts the other takes wherever they hold
// the same places, while a good run agrees with them; a run's bytes are
// weighed together, since the wrong bytes are many in a row.
#include "ByteProfile.h"
#include "ByteVote.h"

namespace {

struct SRunTally {
    size_t m_nFirst = 0;  // column of the run's first byte
    uint32_t m_nAgree = 0;
    uint32_t m_nDisagree = 0;
};

}  // namespace

void CByteProfile::MarkDoubtfulRuns() {
    const size_t nColumns = Columns();
    std::vector<SCell> others(m_nTakes);
    for (size_t t = 0; t < m_nTakes; ++t) {
        SRunTally run;
        bool bInRun = false;
        for (size_t c = 0; c <= nColumns; ++c) {
            const ECellKind eKind =
                c < nColumns ? m_cells[c * m_nTakes + t].m_eKind : ECellKind::kMissing;
            const bool bRunGoesOn = eKind == ECellKind::kByte || eKind == ECellKind::kNoByte;
            if (!bRunGoesOn) {
                if (bInRun && run.m_nDisagree > run.m_nAgree) {
                    for (size_t k = run.m_nFirst; k < c; ++k) {
                        m_cells[k * m_nTakes + t].m_bDoubtful =
                            m_cells[k * m_nTakes + t].m_eKind == ECellKind::kByte;
                    }
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
            others[t].m_eKind = ECellKind::kMissing;
            const SByteChoice choice = ChooseByte(others);
            if (choice.m_nValue != kUnknownToken) {
                ++(choice.m_nValue == column[t].m_nValue ? run.m_nAgree : run.m_nDisagree);
            }
        }
    }
}
