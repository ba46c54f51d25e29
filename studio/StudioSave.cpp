// The studio's saves: the bytes in one file or a file per block, and the
// report of a recording or of the merge.
#include <cstdio>
#include <string>
#include <vector>

#include "FileOpen.h"
#include "HtmlReport.h"
#include "MergeReport.h"
#include "Studio.h"

namespace {

// A record name as the report shows it: control characters as \xNN.
std::string VisibleName(const std::string& strName, size_t nIndex) {
    if (strName.empty()) {
        return "block " + std::to_string(nIndex + 1);
    }
    std::string str;
    for (const char ch : strName) {
        const auto nByte = static_cast<unsigned char>(ch);
        if (nByte < 0x20 || nByte == 0x7F) {
            char szEscape[8];
            std::snprintf(szEscape, sizeof szEscape, "\\x%02X", nByte);
            str += szEscape;
        } else {
            str += ch;
        }
    }
    return str;
}

std::vector<std::string> VisibleNames(const std::vector<SNamedBlock>& blocks) {
    std::vector<std::string> names;
    for (size_t k = 0; k < blocks.size(); ++k) {
        names.push_back(VisibleName(blocks[k].m_strName, k));
    }
    return names;
}

bool WriteBytes(const std::string& strPath, const std::vector<SNamedBlock>& blocks) {
    std::FILE* pFile = OpenFileUtf8(strPath, "wb");
    if (pFile == nullptr) {
        return false;
    }
    bool bWritten = true;
    for (const SNamedBlock& block : blocks) {
        bWritten = bWritten && std::fwrite(block.m_bytes.data(), 1, block.m_bytes.size(), pFile) ==
                                   block.m_bytes.size();
    }
    return std::fclose(pFile) == 0 && bWritten;
}

}  // namespace

std::vector<SNamedBlock> CStudio::BlocksOf(const SStudioSource& source, bool& bFound) const {
    std::lock_guard lock(m_mutex);
    bFound = false;
    if (source.m_bMerged) {
        bFound = m_pMerged != nullptr;
        return bFound ? m_pMerged->m_named : std::vector<SNamedBlock>{};
    }
    for (const SRecordingRow& row : m_recordings) {
        if (row.m_nId == source.m_nRecording && row.m_pDecoded != nullptr) {
            bFound = true;
            return row.m_pDecoded->m_blocks;
        }
    }
    return {};
}

bool CStudio::Saved(bool bWritten, const std::string& strWhere, const std::string& strDetail) {
    SStudioEvent event;
    event.m_eKind = bWritten ? SStudioEvent::EKind::kSaved : SStudioEvent::EKind::kSaveFailed;
    event.m_eProblem = bWritten ? EStudioProblem::kNone : EStudioProblem::kCannotWrite;
    event.m_strDetail = bWritten ? strWhere : strDetail;
    m_events.Post(std::move(event));
    return bWritten;
}

bool CStudio::NothingToSave() {
    SStudioEvent event;
    event.m_eKind = SStudioEvent::EKind::kSaveFailed;
    event.m_eProblem = EStudioProblem::kNothingToSave;
    m_events.Post(std::move(event));
    return false;
}

bool CStudio::SaveBytes(const SStudioSource& source, const std::string& strPath) {
    bool bFound = false;
    const std::vector<SNamedBlock> blocks = BlocksOf(source, bFound);
    return bFound ? Saved(WriteBytes(strPath, blocks), strPath, strPath) : NothingToSave();
}

bool CStudio::SaveBlocks(const SStudioSource& source, const std::string& strFolder) {
    bool bFound = false;
    const std::vector<SNamedBlock> blocks = BlocksOf(source, bFound);
    std::string strError;
    return bFound ? Saved(WriteBlockFiles(strFolder, blocks, strError), strFolder, strError)
                  : NothingToSave();
}

bool CStudio::SaveReport(const SStudioSource& source, const std::string& strPath) {
    std::string strPage;
    if (source.m_bMerged) {
        const std::shared_ptr<const SMerged> pMerged = Merged();
        if (pMerged != nullptr) {
            SMergeReportFacts facts;
            for (size_t t = 0; t < pMerged->m_paths.size(); ++t) {
                facts.m_takes.push_back({pMerged->m_paths[t], pMerged->m_formats[t]});
            }
            facts.m_strResult = "merged";
            facts.m_names = VisibleNames(pMerged->m_named);
            strPage = MakeMergeReport(pMerged->m_blocks, facts);
        }
    } else if (const std::optional<SRecordingRow> row = Recording(source.m_nRecording);
               row && row->m_pDecoded != nullptr) {
        const SDecoded& decoded = *row->m_pDecoded;
        SReportFacts facts;
        facts.m_strPath = row->m_strPath;
        facts.m_format = decoded.m_format;
        facts.m_strDecoder = decoded.m_eDecoder == EStudioDecoder::kRobust
                                 ? "robust"
                                 : "classic (44,100-tick clock)";
        facts.m_strResult = decoded.m_strStatus;
        facts.m_names = VisibleNames(decoded.m_blocks);
        strPage = MakeHtmlReport(decoded.m_log, facts);
    }
    if (strPage.empty()) {
        m_events.Post({SStudioEvent::EKind::kSaveFailed,
                       0,
                       0.0,
                       EStudioProblem::kNothingToSave,
                       {},
                       nullptr,
                       {}});
        return false;
    }
    return Saved(WriteTextFile(strPath, strPage), strPath, strPath);
}
