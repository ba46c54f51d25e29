#include "JsonLines.h"

#include <cmath>
#include <exception>
#include <nlohmann/json.hpp>

#include "BlockName.h"
#include "Cp1250.h"

namespace {

// Keys in the order they are set.
using CJson = nlohmann::ordered_json;

// Seconds to the microsecond, which is finer than any decoder places a byte.
double Seconds(double d) {
    return std::round(d * 1e6) / 1e6;
}

// One event on a line of its own; pPath, when given, is added to it.
void Write(std::FILE* pOut, CJson& event, const std::string* pPath) {
    if (pPath != nullptr) {
        event["path"] = *pPath;
    }
    // Bytes that are not UTF-8 (a file name may hold any) become U+FFFD
    // instead of an exception.
    const std::string strLine = event.dump(-1, ' ', false, CJson::error_handler_t::replace);
    std::fwrite(strLine.data(), 1, strLine.size(), pOut);
    std::fputc('\n', pOut);
    std::fflush(pOut);
}

CJson BlockEvent(size_t nIndex, const STapeBlock& block) {
    CJson event;
    event["event"] = "block";
    event["index"] = nIndex;
    event["start"] = Seconds(block.m_dStart);
    event["end"] = Seconds(block.m_dEnd);
    event["name"] = Cp1250ToUtf8(RawRecordName(block));
    event["bytes"] = block.m_nBytes;
    event["failures"] = block.m_nFailures;
    return event;
}

CJson ErrorEvent(const STapeFailure& failure) {
    CJson event;
    event["event"] = "error";
    event["at"] = Seconds(failure.m_dAt);
    event["block"] = failure.m_nBlock;
    return event;
}

}  // namespace

void CJsonLines::OnBlockStart(uint32_t nIndex, double dStart) {
    try {
        CJson event;
        event["event"] = "block-start";
        event["index"] = nIndex;
        event["start"] = Seconds(dStart);
        Write(m_pOut, event, m_bTagPath ? &m_strPath : nullptr);
    } catch (const std::exception&) {
        // Only memory can run out here; the line is left out.
    }
}

void CJsonLines::OnBlockEnd(uint32_t nIndex, const STapeBlock& block) {
    try {
        CJson event = BlockEvent(nIndex, block);
        Write(m_pOut, event, m_bTagPath ? &m_strPath : nullptr);
    } catch (const std::exception&) {
        // As above.
    }
}

void CJsonLines::OnLostByte(const STapeFailure& failure) {
    try {
        CJson event = ErrorEvent(failure);
        Write(m_pOut, event, m_bTagPath ? &m_strPath : nullptr);
    } catch (const std::exception&) {
        // As above.
    }
}

void CJsonLines::OnProgress(double dPosition, double dPeakDbfs) {
    try {
        CJson event;
        event["event"] = "progress";
        event["position"] = std::round(dPosition * 1e3) / 1e3;
        event["peak"] = std::round(dPeakDbfs * 10.0) / 10.0;
        Write(m_pOut, event, m_bTagPath ? &m_strPath : nullptr);
    } catch (const std::exception&) {
        // As above.
    }
}

void CJsonLines::ShowFile(const std::string& strText) {
    (void)strText;  // the escaped line for people; the event has the fields
    try {
        const SRecordingFormat format = m_decoder.GetFormat();
        CJson event;
        event["event"] = "file";
        event["path"] = m_strPath;
        event["rate"] = format.m_nRate;
        event["bits"] = format.m_nBits;
        event["channels"] = format.m_nChannels;
        event["seconds"] = Seconds(format.m_dSeconds);
        Write(m_pOut, event, nullptr);
    } catch (const std::exception&) {
        // Only memory can run out here; the line is left out.
    }
}

void CJsonLines::FinishRun(const CTapeLog& log, int nExit, const std::string& strReason) {
    const std::string* pPath = m_bTagPath ? &m_strPath : nullptr;
    try {
        const std::vector<STapeBlock>& blocks = log.Blocks();
        const std::vector<STapeFailure>& failures = log.Failures();
        size_t nFailure = 0;
        for (size_t k = 0; k < blocks.size() && !m_bLive; ++k) {
            CJson event = BlockEvent(k, blocks[k]);
            Write(m_pOut, event, pPath);
            // The log keeps failures in order, each in its block or an earlier one.
            for (; nFailure < failures.size() && failures[nFailure].m_nBlock <= k; ++nFailure) {
                CJson error = ErrorEvent(failures[nFailure]);
                Write(m_pOut, error, pPath);
            }
        }
        CJson end;
        end["event"] = "end";
        end["status"] = m_strStatus;
        end["bytes"] = log.TotalBytes();
        end["exit"] = nExit;
        if (!strReason.empty()) {
            end["reason"] = strReason;
        }
        Write(m_pOut, end, pPath);
    } catch (const std::exception&) {
        // As above.
    }
}
