// Analog recordings: the half-period code rendered in continuous time as a
// square wave at any rate from 8,000 to 192,000 Hz, area-sampled, with the
// faults of real decks and tapes, in any common WAV sample format. For
// tests of decoders and for users who want recordings as they come off
// today's sound cards. Unlike CTapeEncoder's tick-exact files, these have
// no fixed header size.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "AnalogSettings.h"
#include "ByteSink.h"

struct CAnalogBlock {
    std::string m_strName;  // when not empty, a record header carrying it comes first
    std::vector<uint8_t> m_data;
};

// Where things are in the rendered recording, in seconds from its start.
struct CRenderTruth {
    struct SBlock {
        double m_dStart;      // the first edge of the leader
        double m_dEnd;        // the end of the tail (the signal falls silent)
        double m_dFirstByte;  // the start of the first byte (the tail's, without bytes)
        size_t m_nBytes;      // bytes on tape, record header included
    };
    std::vector<SBlock> m_blocks;
    std::vector<std::pair<double, double>> m_dropouts;  // start, end
    std::vector<double> m_byteStarts;  // the start mark of every byte, in tape order
};

enum class EAnalogResult { kWritten, kBadSettings, kTooLong, kWriteFailed };

// Renders, for every block, a leader of nLeader short half-periods, the
// record header if the block has a name, the data and the tail, with
// dGapSeconds (tape time) of silence before, between and after the blocks;
// noise and hum go on through the silence. Constant memory apart from the
// truth's list of byte starts.
EAnalogResult RenderAnalogToSink(CByteSink& sink, const CAnalogFormat& format,
                                 const CImpairments& impairments,
                                 std::span<const CAnalogBlock> blocks, int32_t nLeader,
                                 double dGapSeconds, CRenderTruth* pTruth = nullptr);

// The same into the file at strPath (UTF-8), which is removed again when
// the recording could not be written.
EAnalogResult WriteAnalogFile(const std::string& strPath, const CAnalogFormat& format,
                              const CImpairments& impairments, std::span<const CAnalogBlock> blocks,
                              int32_t nLeader, double dGapSeconds, CRenderTruth* pTruth = nullptr);

// True when the file was written.
bool WriteAnalogRecording(const std::string& strPath, const CAnalogFormat& format,
                          const CImpairments& impairments, std::span<const CAnalogBlock> blocks,
                          int32_t nLeader, double dGapSeconds, CRenderTruth* pTruth = nullptr);

// The bytes the blocks put on tape, in order: each one's record header
// (when it has a name) and its data; what a decoder should give back.
std::vector<uint8_t> TapeBytes(std::span<const CAnalogBlock> blocks);

// The file's bytes in memory; empty on failure.
std::vector<uint8_t> RenderAnalogRecording(const CAnalogFormat& format,
                                           const CImpairments& impairments,
                                           std::span<const CAnalogBlock> blocks, int32_t nLeader,
                                           double dGapSeconds, CRenderTruth* pTruth = nullptr);
