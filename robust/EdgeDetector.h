// CEdgeDetector: the tape signal's edges, where its slope peaks. A high-pass
// steeper than the chain's makes a long half-period sag back through the
// midpoint and overshoot, so that midpoint crossings come where there is no
// edge; the edges themselves stay steep, and the slope between them small.
//
// Per sample: the slope (the difference of two samples) and its level (a
// peak that falls over a few long half-periods). A run of samples whose
// slope keeps its sign is a candidate edge where its slope peaks beyond a
// share of that level and its step (the change over the run) is a share of
// the recent edges' steps. Edges alternate in sign: of candidates of one
// sign in a row, the one with the largest step is the edge. The quick
// bounce after a clipped or high-passed edge's overshoot has the sign of
// the next edge and steps less than it. An edge is thus known once a
// candidate of the other sign comes, and is timed where its run passes
// half-way between the levels before and after it: the local midpoint,
// which follows a sagging or clipped level where the slope's peak, at a
// chain of 11 kHz, can be a sample off. As with the crossings,
// a signal without edges for a while makes a fade, which ends the half-period.
#pragma once

#include <array>
#include <cstdint>

#include "CrossingDetector.h"

class CEdgeDetector {
public:
    // dReleaseMs: the slope level's fall; dFloor its least; nQuiet: samples
    // without an edge after the last strong slope that make a fade.
    void Reset(double dReleaseMs, double dFloor, double dRate, int64_t nQuiet);

    // nCount samples pIn, the first of them sample nFirst, with the
    // thresholds dShare times the slope's level and dStepShare times the
    // steps' level: writes the events to
    // pEvents (room for nCount + 1) and returns how many.
    int32_t ProcessBlock(const double* pIn, double dShare, double dStepShare, int64_t nFirst,
                         int32_t nCount, SCrossingEvent* pEvents);

    // The end of the data: the held edge and a fade, where there are any,
    // to pEvents (room for 2); returns how many.
    int32_t Finish(SCrossingEvent* pEvents);

private:
    // The run of one sign has ended: a candidate if it passes; returns
    // whether that makes the held edge an event.
    bool EndRun(double dStepShare, SCrossingEvent& event);
    // The run's time in samples.
    double EdgeTime() const;
    // The held edge as an event, unless it is the first since a fade.
    bool Release(SCrossingEvent& event);

    double m_dDecay = 0.0;      // share of a level kept per sample
    double m_dFloor = 0.0;      // the slope's level never below this
    double m_dLevel = 0.0;      // the slope's level: its peak, falling
    double m_dStepLevel = 0.0;  // the candidates' steps' level, falling alike
    int64_t m_nQuiet = 0;
    double m_dPrevIn = 0.0;  // the previous sample
    // The run being measured.
    bool m_bInEdge = false;          // in a run of strong slope of one sign
    int m_nEdgeSign = 0;             // its sign
    double m_dStep = 0.0;            // the change over it so far
    double m_dPeak = 0.0;            // its slope's peak (magnitude) ...
    double m_dThreshold = 0.0;       // ... the slope's threshold there ...
    int64_t m_nPeakAt = 0;           // ... and its sample
    std::array<double, 16> m_run{};  // the sample before the run and the run's samples ...
    int32_t m_nRun = 0;              // ... how many (more than fit: too long to keep)
    int64_t m_nRunFirst = 0;         // ... and the index of the first
    // The edges.
    int m_nSide = 0;           // sign of the last edge given, 0 before the first or after a fade
    int m_nHeldSign = 0;       // the edge held until one of the other sign comes; 0: none
    double m_dHeldAt = 0.0;    // samples: its time
    double m_dHeldStep = 0.0;  // its strength: step times peak slope
    int64_t m_nStrong = 0;     // the last sample beyond the threshold
};
