#include "AnalogRecording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "AnalogSignal.h"
#include "FileOpen.h"
#include "Impairments.h"
#include "RecordHeader.h"
#include "TapeReader.h"
#include "TapeTimeline.h"
#include "TimeWarp.h"
#include "WavWriter.h"

namespace {

constexpr size_t kChunkFrames = 4096;

// Where the blocks lie in playback time, from a pass over the code without
// rendering it: it meets the same edges, so the times are those of the
// rendered edges.
struct SLayout {
    CRenderTruth truth;
    std::vector<CTimeSpan> dataSpans;  // first byte to the tail, per block
    double dEnd = 0;
};

SLayout LayOut(std::span<const STimelineBlock> blocks, int32_t nLeader, double dGapTicks,
               const CImpairments& impairments, bool bByteStarts) {
    SLayout layout;
    CTapeTimeline timeline(blocks, nLeader, dGapTicks);
    CTimeWarp warp(impairments.m_dSpeed, impairments.m_dWowPercent, impairments.m_dWowHz,
                   WowPhase(impairments));
    STapeEdge edge;
    bool bFirstByte = false;
    while (timeline.Next(edge)) {
        if (edge.m_nMarks == 0) {
            continue;
        }
        const double dTime = warp.PlaybackTime(edge.m_dTicks / CTapeReader::kTickRate);
        auto& truthBlocks = layout.truth.m_blocks;
        if ((edge.m_nMarks & kMarkBlockStart) != 0) {
            truthBlocks.push_back(CRenderTruth::SBlock{dTime, dTime, dTime, 0});
            bFirstByte = true;
        }
        if ((edge.m_nMarks & kMarkByteStart) != 0) {
            if (bFirstByte) {
                truthBlocks.back().m_dFirstByte = dTime;
                bFirstByte = false;
            }
            ++truthBlocks.back().m_nBytes;
            if (bByteStarts) {
                layout.truth.m_byteStarts.push_back(dTime);
            }
        }
        if ((edge.m_nMarks & kMarkDataEnd) != 0) {
            if (bFirstByte) {
                truthBlocks.back().m_dFirstByte = dTime;
                bFirstByte = false;
            }
            layout.dataSpans.emplace_back(truthBlocks.back().m_dFirstByte, dTime);
        }
        if ((edge.m_nMarks & kMarkBlockEnd) != 0) {
            truthBlocks.back().m_dEnd = dTime;
        }
        if ((edge.m_nMarks & kMarkTapeEnd) != 0) {
            layout.dEnd = dTime;
        }
    }
    return layout;
}

bool RenderFrames(CWavWriter& writer, const CAnalogFormat& format, const CImpairments& impairments,
                  std::span<const STimelineBlock> blocks, int32_t nLeader, double dGapTicks,
                  std::vector<CTimeSpan> dropouts, uint64_t nFrames) {
    CTapeTimeline timeline(blocks, nLeader, dGapTicks);
    CTimeWarp warp(impairments.m_dSpeed, impairments.m_dWowPercent, impairments.m_dWowHz,
                   WowPhase(impairments));
    CAnalogSignal signal(timeline, warp, format.m_nRate);
    CImpairmentChain chain(impairments, format.m_nRate, std::move(dropouts));
    std::vector<double> samples(kChunkFrames);
    std::vector<double> other(format.m_nChannels == 2 ? kChunkFrames : 0);
    for (uint64_t nDone = 0; nDone < nFrames;) {
        const auto nCount = static_cast<size_t>(std::min<uint64_t>(kChunkFrames, nFrames - nDone));
        const std::span<double> chunk(samples.data(), nCount);
        signal.Render(chunk);
        chain.Process(chunk, static_cast<int64_t>(nDone));
        std::span<double> otherChunk;
        if (!other.empty()) {
            otherChunk = std::span<double>(other.data(), nCount);
            switch (format.m_eOther) {
                case EOtherChannel::kCopy:
                    std::copy(chunk.begin(), chunk.end(), otherChunk.begin());
                    break;
                case EOtherChannel::kSilence:
                    std::fill(otherChunk.begin(), otherChunk.end(), 0.0);
                    break;
                case EOtherChannel::kNoise:
                    chain.FillNoise(otherChunk);
                    break;
            }
        }
        if (!writer.Write(chunk, otherChunk)) {
            return false;
        }
        nDone += nCount;
    }
    return writer.Finish();
}

}  // namespace

EAnalogResult RenderAnalogToSink(CByteSink& sink, const CAnalogFormat& format,
                                 const CImpairments& impairments,
                                 std::span<const CAnalogBlock> blocks, int32_t nLeader,
                                 double dGapSeconds, CRenderTruth* pTruth) {
    if (!AnalogSettingsError(format, impairments, nLeader, dGapSeconds).empty()) {
        return EAnalogResult::kBadSettings;
    }
    std::vector<std::vector<uint8_t>> headers;
    headers.reserve(blocks.size());
    std::vector<STimelineBlock> tapeBlocks;
    tapeBlocks.reserve(blocks.size());
    for (const CAnalogBlock& block : blocks) {
        headers.push_back(block.m_strName.empty() ? std::vector<uint8_t>{}
                                                  : MakeRecordHeader(block.m_strName));
        tapeBlocks.push_back(STimelineBlock{headers.back(), block.m_data});
    }
    const double dGapTicks = dGapSeconds * CTapeReader::kTickRate;
    SLayout layout = LayOut(tapeBlocks, nLeader, dGapTicks, impairments, pTruth != nullptr);
    const auto nFrames = static_cast<uint64_t>(std::ceil(layout.dEnd * format.m_nRate));
    if (MakeAnalogWavHeader(format, nFrames).empty()) {
        return EAnalogResult::kTooLong;
    }
    std::vector<CTimeSpan> dropouts = PlaceDropouts(impairments, layout.dataSpans);
    if (pTruth != nullptr) {
        *pTruth = std::move(layout.truth);
        pTruth->m_dropouts = dropouts;
    }
    CWavWriter writer(format, sink);
    if (!writer.Begin(nFrames) || !RenderFrames(writer, format, impairments, tapeBlocks, nLeader,
                                                dGapTicks, std::move(dropouts), nFrames)) {
        return EAnalogResult::kWriteFailed;
    }
    return EAnalogResult::kWritten;
}

EAnalogResult WriteAnalogFile(const std::string& strPath, const CAnalogFormat& format,
                              const CImpairments& impairments, std::span<const CAnalogBlock> blocks,
                              int32_t nLeader, double dGapSeconds, CRenderTruth* pTruth) {
    if (!AnalogSettingsError(format, impairments, nLeader, dGapSeconds).empty()) {
        return EAnalogResult::kBadSettings;
    }
    std::FILE* pFile = OpenFileUtf8(strPath, "wb");
    if (pFile == nullptr) {
        return EAnalogResult::kWriteFailed;
    }
    CFileSink sink(pFile);
    EAnalogResult eResult =
        RenderAnalogToSink(sink, format, impairments, blocks, nLeader, dGapSeconds, pTruth);
    if (std::fclose(pFile) != 0 && eResult == EAnalogResult::kWritten) {
        eResult = EAnalogResult::kWriteFailed;
    }
    if (eResult != EAnalogResult::kWritten) {
        std::error_code error;
        std::filesystem::remove(std::u8string(strPath.begin(), strPath.end()), error);
    }
    return eResult;
}

bool WriteAnalogRecording(const std::string& strPath, const CAnalogFormat& format,
                          const CImpairments& impairments, std::span<const CAnalogBlock> blocks,
                          int32_t nLeader, double dGapSeconds, CRenderTruth* pTruth) {
    return WriteAnalogFile(strPath, format, impairments, blocks, nLeader, dGapSeconds, pTruth) ==
           EAnalogResult::kWritten;
}

std::vector<uint8_t> RenderAnalogRecording(const CAnalogFormat& format,
                                           const CImpairments& impairments,
                                           std::span<const CAnalogBlock> blocks, int32_t nLeader,
                                           double dGapSeconds, CRenderTruth* pTruth) {
    CVectorSink sink;
    if (RenderAnalogToSink(sink, format, impairments, blocks, nLeader, dGapSeconds, pTruth) !=
        EAnalogResult::kWritten) {
        return {};
    }
    return sink.TakeBytes();
}

std::vector<uint8_t> TapeBytes(std::span<const CAnalogBlock> blocks) {
    std::vector<uint8_t> bytes;
    for (const CAnalogBlock& block : blocks) {
        if (!block.m_strName.empty()) {
            const std::vector<uint8_t> header = MakeRecordHeader(block.m_strName);
            bytes.insert(bytes.end(), header.begin(), header.end());
        }
        bytes.insert(bytes.end(), block.m_data.begin(), block.m_data.end());
    }
    return bytes;
}
