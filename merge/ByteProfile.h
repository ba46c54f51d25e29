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

// How a take's run of bytes (between its gaps) compares with the others'.
struct SRunTally {
    size_t m_nFirst = 0;  // column of the run's first byte
    uint32_t m_nAgree = 0;
    uint32_t m_nDisagree = 0;
};

class CByteProfile {
public:
    explicit CByteProfile(size_t nTakes) : m_nTakes(nTakes), m_setAside(nTakes, 0) {}

    size_t Takes() const { return m_nTakes; }
    size_t Columns() const { return m_nTakes == 0 ? 0 : m_cells.size() / m_nTakes; }
    std::span<const SCell> Column(size_t nColumn) const {
        return std::span(m_cells).subspan(nColumn * m_nTakes, m_nTakes);
    }

    // Adds take nTake's tokens along an alignment against the columns so
    // far (the first take: every step kTokenOnly). A take set aside
    // disagrees with the block as a whole: only the runs of it that the
    // others confirm will count.
    void Add(size_t nTake, const STakeTokens& tokens, const SAlignment& alignment,
             bool bSetAside = false);
    bool IsSetAside(size_t nTake) const { return m_setAside[nTake] != 0; }
    // Whether take nTake has a byte in some column.
    bool HoldsBytes(size_t nTake) const;
    // Marks the bytes of every run of a take (bytes between its gaps) as
    // doubtful when the other takes' bytes contradict more of it than they
    // confirm: a run framed from the wrong half-period after a dropout.
    // The runs of a take set aside, or weighing less than others, that the
    // others do not plainly confirm are cleared first. weights: per take, as ChooseByte takes them.
    void MarkDoubtfulRuns(std::span<const float> weights = {});

private:
    SCell TokenCell(const STakeTokens& tokens, size_t j) const;
    bool SaysNothing(size_t nColumn, size_t nTake) const;
    // Whether the take that started the profile says nothing on either
    // side of a new column before old column nBefore, or the column lies
    // past its end. It holds the best decoding of the block, and a block
    // starts where the decoder found its leader: where it starts cleanly,
    // a byte of another take before its start is one it denies. Its end
    // proves less: a decoder may stop a block early in a dropout.
    bool FirstTakeSaysNothing(size_t nBefore, size_t nTake) const;
    // Calls onRunEnd(first column, end column, tally) for every run of
    // take nTake, its bytes compared with the choice of the other takes
    // (without those marked in ignored).
    template <typename FRunEnd>
    void TallyRuns(size_t nTake, std::span<const float> weights, std::span<const uint8_t> ignored,
                   FRunEnd onRunEnd) const;
    // Per take: 1 when its bytes count only where others confirm them (set
    // aside, or weighing less than others); none when no other take could.
    std::vector<uint8_t> RestrictedTakes(std::span<const float> weights) const;
    // Clears the bytes of restricted takes at places where no other take
    // holds a byte.
    void DropLoneBytes(std::span<const uint8_t> restricted);

    size_t m_nTakes;
    std::vector<SCell> m_cells;       // column after column, one cell per take
    std::vector<uint8_t> m_setAside;  // per take: 1 when set aside
    size_t m_nFirstTake = 0;          // the take that started the profile
};
