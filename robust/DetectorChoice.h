// CDetectorChoice: two detectors frame the same signal side by side (the
// midpoint crossings, and the edges); this takes the bytes of one of them
// stretch by stretch, the one that framed its stretch more cleanly.
//
// Each framer's bytes, lost bytes and block ends wait here until neither
// framer can report anything before the stretch's end any more (each tells
// how far it has settled, CByteFramer::Settled: a resync holds it back). A
// stretch runs from the oldest waiting event for about a quarter of a
// second, and ends half-way between two bytes of the crossings (or the
// edges), so that no byte falls on the seam. The crossings keep a stretch
// where they lost no byte and framed all the edges' bytes, unless the edges
// lost none either and framed other values: a half-period misread in both
// halves of a bit can still frame, so the one whose bytes' least margin is
// the larger wins there. Otherwise the edges win only where they framed
// more bytes than the crossings, and more bytes less lost ones: a framer
// that gave up frames nothing and calls nothing lost, and must not drop the
// crossings' bytes and block ends for that.
// What the other framed in the stretch is dropped. A recording that the
// crossings decode cleanly thus decodes as it did with them alone.
//
// Memory: the events of a few seconds, reserved once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ByteFramer.h"

enum class EChoiceEvent : uint8_t { kByte, kFailure, kBlockEnd };

struct SChoiceEvent {
    EChoiceEvent m_eKind = EChoiceEvent::kByte;
    SFramedByte m_byte;  // the byte; in m_dStart the time of a lost byte or a block end
};

class CDetectorChoice {
public:
    enum class EDetector : uint8_t { kCrossings, kEdges };

    CDetectorChoice();
    CDetectorChoice(const CDetectorChoice&) = delete;
    CDetectorChoice& operator=(const CDetectorChoice&) = delete;

    void Reset();
    // Where a detector's framer reports.
    CFramerEvents& Events(EDetector eDetector);
    // Neither framer reports an event before dSettled (s) any more: decides
    // the stretches that end there or before, and appends the chosen events
    // to out, in order.
    void Advance(double dSettled, std::vector<SChoiceEvent>& out);
    // The signal has ended: decides the rest.
    void Finish(std::vector<SChoiceEvent>& out);
    // Stretches decided for the edges so far.
    int64_t EdgeStretches() const { return m_nEdgeStretches; }

private:
    class CPending : public CFramerEvents {
    public:
        void OnByte(const SFramedByte& byte) override;
        void OnFailure(double dAt) override;
        void OnBlockEnd() override;
        std::vector<SChoiceEvent> m_events;
        double m_dFloor = 0.0;  // s: events before this time count at it
        double m_dLast = 0.0;   // s: the last byte's start
    };
    struct SScore {
        int32_t m_nBytes = 0;
        int32_t m_nLost = 0;
        float m_fLeastConfidence = 0.0f;  // of its bytes (their half-periods' least margin)
    };

    void Decide(double dLimit, std::vector<SChoiceEvent>& out);
    double SeamAfter(double dFrom) const;
    static SScore ScoreBefore(const CPending& pending, double dSeam);
    // Whether both framed the same bytes before the seam.
    bool SameBytesBefore(double dSeam) const;
    static void Take(CPending& pending, double dSeam, std::vector<SChoiceEvent>* pOut);

    CPending m_crossings;
    CPending m_edges;
    int64_t m_nEdgeStretches = 0;
};
