#include "ByteProfile.h"

SCell CByteProfile::TokenCell(const STakeTokens& tokens, size_t j) const {
    SCell cell;
    if (tokens.m_values[j] == kUnknownToken) {
        cell.m_eKind = ECellKind::kUnknown;
    } else {
        cell.m_eKind = ECellKind::kByte;
        cell.m_nValue = static_cast<uint8_t>(tokens.m_values[j]);
        cell.m_fConfidence = tokens.m_confidence[j];
    }
    return cell;
}

bool CByteProfile::HoldsBytes(size_t nTake) const {
    for (size_t c = 0; c < Columns(); ++c) {
        if (m_cells[c * m_nTakes + nTake].m_eKind == ECellKind::kByte) {
            return true;
        }
    }
    return false;
}

bool CByteProfile::SaysNothing(size_t nColumn, size_t nTake) const {
    const ECellKind eKind = m_cells[nColumn * m_nTakes + nTake].m_eKind;
    return eKind == ECellKind::kMissing || eKind == ECellKind::kUnknown;
}

bool CByteProfile::FirstTakeSaysNothing(size_t nBefore, size_t nTake) const {
    const size_t nColumns = Columns();
    return nBefore >= nColumns || (nBefore > 0 && SaysNothing(nBefore - 1, nTake)) ||
           SaysNothing(nBefore, nTake);
}

void CByteProfile::Add(size_t nTake, const STakeTokens& tokens, const SAlignment& alignment,
                       bool bSetAside) {
    const size_t nOld = Columns();
    m_setAside[nTake] = bSetAside ? 1 : 0;
    if (nOld == 0) {
        m_nFirstTake = nTake;
    }
    std::vector<SCell> cells;
    cells.reserve(m_cells.size() + alignment.m_steps.size() * m_nTakes);
    size_t i = 0;  // old columns taken
    size_t j = 0;  // tokens taken
    for (const EAlignStep eStep : alignment.m_steps) {
        const size_t nFirst = cells.size();
        if (eStep == EAlignStep::kTokenOnly) {
            // A new column: the takes before say nothing where they say
            // nothing on either side of it (or it lies past an end of theirs).
            cells.resize(nFirst + m_nTakes);
            for (size_t t = 0; t < m_nTakes; ++t) {
                const bool bSoft =
                    t == m_nFirstTake
                        ? FirstTakeSaysNothing(i, t)
                        : i == 0 || i >= nOld || SaysNothing(i - 1, t) || SaysNothing(i, t);
                cells[nFirst + t].m_eKind = bSoft ? ECellKind::kMissing : ECellKind::kNoByte;
            }
            cells[nFirst + nTake] = TokenCell(tokens, j++);
            continue;
        }
        cells.insert(cells.end(), m_cells.begin() + static_cast<std::ptrdiff_t>(i * m_nTakes),
                     m_cells.begin() + static_cast<std::ptrdiff_t>((i + 1) * m_nTakes));
        if (eStep == EAlignStep::kBoth) {
            cells[nFirst + nTake] = TokenCell(tokens, j++);
        } else {
            cells[nFirst + nTake].m_eKind =
                IsSoftHole(tokens.m_values, j) ? ECellKind::kMissing : ECellKind::kNoByte;
        }
        ++i;
    }
    m_cells = std::move(cells);
}
