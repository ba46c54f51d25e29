// CByteProfile: the columns of one block as the takes aligned so far see
// it, each column holding one cell per take.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "SequenceAlign.h"
#include "TakeTokens.h"

enum class ECellKind : uint8_t {
    kMissing,  // the take says nothing here: not aligned yet, beside a gap, or past its end
    kUnknown,  // the take lost a byte here
    kByte,     // the take decoded a byte here
    kNoByte,   // the take goes on without a byte here, far from any gap
};

struct SCell {
    float m_fConfidence = 0.0f;
    uint8_t m_nValue = 0;
    ECellKind m_eKind = ECellKind::kMissing;
    bool m_bDoubtful = false;  // a byte of a run that the other takes mostly contradict
};

class CByteProfile {
public:
    explicit CByteProfile(size_t nTakes) : m_nTakes(nTakes) {}

    size_t Takes() const { return m_nTakes; }
    size_t Columns() const { return m_nTakes == 0 ? 0 : m_cells.size() / m_nTakes; }
    std::span<const SCell> Column(size_t nColumn) const {
        return std::span(m_cells).subspan(nColumn * m_nTakes, m_nTakes);
    }

    // Adds take nTake's tokens along an alignment against the columns so
    // far (the first take: every step kTokenOnly).
    void Add(size_t nTake, const STakeTokens& tokens, const SAlignment& alignment);
    // Marks the bytes of every run of a take (bytes between its gaps) as
    // doubtful when the other takes' bytes contradict more of it than they
    // confirm: a run framed from the wrong half-period after a dropout.
    void MarkDoubtfulRuns();

private:
    SCell TokenCell(const STakeTokens& tokens, size_t j) const;
    bool SaysNothing(size_t nColumn, size_t nTake) const;

    size_t m_nTakes;
    std::vector<SCell> m_cells;  // column after column, one cell per take
};
