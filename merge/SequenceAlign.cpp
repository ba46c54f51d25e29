#include "SequenceAlign.h"

#include <algorithm>
#include <limits>

#include "TakeTokens.h"

namespace {

constexpr int32_t kMatch = 2;
constexpr int32_t kMismatch = -3;
constexpr int8_t kSoftHole = -1;
constexpr int8_t kHardHole = -4;
constexpr int32_t kNone = std::numeric_limits<int32_t>::min() / 4;

enum ETrace : uint8_t { kFromDiagonal, kFromColumn, kFromToken };

int32_t PairScore(int16_t nColumn, int16_t nToken) {
    if (nColumn == kUnknownToken || nToken == kUnknownToken) {
        return 0;
    }
    return nColumn == nToken ? kMatch : kMismatch;
}

// The DP over rows i = columns taken (0..n) and cells j = tokens taken,
// each row holding only the band [lo, lo + width).
class CBandedAligner {
public:
    CBandedAligner(std::span<const int16_t> columns, std::span<const int16_t> tokens,
                   int32_t nHalfWidth)
        : m_columns(columns),
          m_tokens(tokens),
          m_nWidth(2 * static_cast<size_t>(std::max(nHalfWidth, 1)) + 1),
          m_nHalf(static_cast<size_t>(std::max(nHalfWidth, 1))) {}

    SAlignment Run();

private:
    void FillRow(size_t i, std::span<const int32_t> previous, size_t nPreviousLo,
                 std::span<int32_t> current);
    size_t NextLo(size_t nLo, std::span<const int32_t> row) const;
    SAlignment Trace(size_t nEndToken) const;

    std::span<const int16_t> m_columns;
    std::span<const int16_t> m_tokens;
    size_t m_nWidth;
    size_t m_nHalf;
    std::vector<size_t> m_lo;       // per row: its first token count
    std::vector<uint8_t> m_traces;  // per row m_nWidth cells: ETrace
    // What a place without a partner costs: a column after j tokens
    // (m_columnOnly[j], unless the column is unknown), token j after i
    // columns (m_tokenOnly[j], unless there is a soft hole after i columns).
    std::vector<int8_t> m_columnOnly;
    std::vector<int8_t> m_tokenOnly;
    std::vector<bool> m_softColumnHole;
};

void CBandedAligner::FillRow(size_t i, std::span<const int32_t> previous, size_t nPreviousLo,
                             std::span<int32_t> current) {
    const size_t nLo = m_lo[i];
    const size_t nCells = std::min(m_nWidth, m_tokens.size() + 1 - nLo);
    const size_t nShift = nLo - nPreviousLo;  // 0 to 2
    const int16_t nColumn = i > 0 ? m_columns[i - 1] : kUnknownToken;
    const bool bColumnUnknown = nColumn == kUnknownToken;
    const bool bSoftHole = m_softColumnHole[i];
    uint8_t* pTrace = m_traces.data() + i * m_nWidth;
    for (size_t c = 0; c < nCells; ++c) {
        const size_t j = nLo + c;
        int32_t nBest = kNone;
        uint8_t nFrom = kFromDiagonal;
        if (i > 0) {
            const size_t p = c + nShift;  // cell j of the row before
            if (j > 0 && p >= 1 && p - 1 < m_nWidth && previous[p - 1] > kNone) {
                nBest = previous[p - 1] + PairScore(nColumn, m_tokens[j - 1]);
            }
            if (p < m_nWidth && previous[p] > kNone) {
                const int32_t n = previous[p] + (bColumnUnknown ? kSoftHole : m_columnOnly[j]);
                if (n > nBest) {
                    nBest = n;
                    nFrom = kFromColumn;
                }
            }
        } else if (j == 0) {
            nBest = 0;
        }
        if (c > 0 && current[c - 1] > kNone) {
            const int32_t n = current[c - 1] + (bSoftHole ? kSoftHole : m_tokenOnly[j - 1]);
            if (n > nBest) {
                nBest = n;
                nFrom = kFromToken;
            }
        }
        current[c] = nBest;
        pTrace[c] = nFrom;
    }
    for (size_t c = nCells; c < m_nWidth; ++c) {
        current[c] = kNone;
        pTrace[c] = kFromDiagonal;
    }
}

// The band of the next row is centred one token on from this row's best
// cell (the nearest to the centre among equals), moving by at most two
// tokens a row and never back, and never past the last token.
size_t CBandedAligner::NextLo(size_t nLo, std::span<const int32_t> row) const {
    size_t nBestCell = m_nHalf;
    int32_t nBest = kNone;
    size_t nBestDistance = m_nWidth;
    for (size_t c = 0; c < m_nWidth; ++c) {
        const size_t nDistance = c > m_nHalf ? c - m_nHalf : m_nHalf - c;
        if (row[c] > nBest || (row[c] == nBest && nDistance < nBestDistance)) {
            nBest = row[c];
            nBestCell = c;
            nBestDistance = nDistance;
        }
    }
    const size_t nWanted = nLo + nBestCell + 1 > m_nHalf ? nLo + nBestCell + 1 - m_nHalf : 0;
    const size_t nLast = m_tokens.size() + 1 > m_nWidth ? m_tokens.size() + 1 - m_nWidth : 0;
    return std::min(std::clamp(nWanted, nLo, nLo + 2), std::max(nLo, nLast));
}

SAlignment CBandedAligner::Run() {
    const size_t nN = m_columns.size();
    const size_t nM = m_tokens.size();
    m_columnOnly.resize(nM + 1);
    m_tokenOnly.resize(nM);
    for (size_t j = 0; j <= nM; ++j) {
        m_columnOnly[j] = IsSoftHole(m_tokens, j) ? kSoftHole : kHardHole;
        if (j < nM) {
            m_tokenOnly[j] = m_tokens[j] == kUnknownToken ? kSoftHole : kHardHole;
        }
    }
    m_softColumnHole.resize(nN + 1);
    for (size_t i = 0; i <= nN; ++i) {
        m_softColumnHole[i] = IsSoftHole(m_columns, i);
    }
    m_lo.assign(nN + 1, 0);
    m_traces.assign((nN + 1) * m_nWidth, kFromDiagonal);
    std::vector<int32_t> previous(m_nWidth, kNone);
    std::vector<int32_t> current(m_nWidth, kNone);
    FillRow(0, previous, 0, current);
    for (size_t i = 1; i <= nN; ++i) {
        std::swap(previous, current);
        m_lo[i] = NextLo(m_lo[i - 1], previous);
        FillRow(i, previous, m_lo[i - 1], current);
    }
    // The tokens past the band of the last row follow as new columns.
    size_t nEnd = m_lo[nN];
    int32_t nBest = kNone;
    for (size_t c = 0; c < m_nWidth && m_lo[nN] + c <= nM; ++c) {
        const size_t j = m_lo[nN] + c;
        if (current[c] > kNone) {
            const int32_t n = current[c] + kSoftHole * static_cast<int32_t>(nM - j);
            if (n > nBest) {
                nBest = n;
                nEnd = j;
            }
        }
    }
    return Trace(nEnd);
}

SAlignment CBandedAligner::Trace(size_t nEndToken) const {
    SAlignment alignment;
    alignment.m_steps.assign(m_tokens.size() - nEndToken, EAlignStep::kTokenOnly);
    size_t i = m_columns.size();
    size_t j = nEndToken;
    while (i > 0 || j > 0) {
        uint8_t nFrom = kFromToken;
        if (i > 0) {
            nFrom = j == 0 ? uint8_t{kFromColumn} : m_traces[i * m_nWidth + (j - m_lo[i])];
        }
        if (nFrom == kFromDiagonal) {
            const int16_t nColumn = m_columns[i - 1];
            const int16_t nToken = m_tokens[j - 1];
            if (nColumn != kUnknownToken && nToken != kUnknownToken) {
                ++(nColumn == nToken ? alignment.m_nAgree : alignment.m_nDisagree);
            }
            alignment.m_steps.push_back(EAlignStep::kBoth);
            --i;
            --j;
        } else if (nFrom == kFromColumn) {
            alignment.m_steps.push_back(EAlignStep::kColumnOnly);
            --i;
        } else {
            alignment.m_steps.push_back(EAlignStep::kTokenOnly);
            --j;
        }
    }
    std::reverse(alignment.m_steps.begin(), alignment.m_steps.end());
    return alignment;
}

}  // namespace

bool IsSoftHole(std::span<const int16_t> other, size_t nBefore) {
    return nBefore == 0 || nBefore >= other.size() || other[nBefore - 1] == kUnknownToken ||
           other[nBefore] == kUnknownToken;
}

SAlignment AlignSequences(std::span<const int16_t> columns, std::span<const int16_t> tokens,
                          int32_t nBandHalfWidth) {
    return CBandedAligner(columns, tokens, nBandHalfWidth).Run();
}
