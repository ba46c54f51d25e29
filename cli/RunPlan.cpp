#include "RunPlan.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

#include "FileOpen.h"
#include "Messages.h"

namespace {

bool IsSeparator(char ch) {
#ifdef _WIN32
    return ch == '/' || ch == '\\' || ch == ':';
#else
    return ch == '/';
#endif
}

// The file name without its folder and its last extension.
std::string StemOf(const std::string& strPath) {
    const std::string strName = strPath.substr(FolderOf(strPath).size());
    const size_t nDot = strName.rfind('.');
    return nDot == std::string::npos || nDot == 0 ? strName : strName.substr(0, nDot);
}

std::string InFolder(const std::string& strFolder, const std::string& strName) {
    if (strFolder.empty() || IsSeparator(strFolder.back())) {
        return strFolder + strName;
    }
    return strFolder + "/" + strName;
}

}  // namespace

std::string FolderOf(const std::string& strPath) {
    for (size_t k = strPath.size(); k > 0; --k) {
        if (IsSeparator(strPath[k - 1])) {
            return strPath.substr(0, k);
        }
    }
    return {};
}

bool PlanRuns(const CCliRequest& request, std::vector<SRunPlan>& plans, std::string& strError) {
    plans.clear();
    if (request.paths.size() == 1) {
        plans.push_back(
            {request.paths.front(), request.strOutput, request.strReport, request.strSplit});
    }
    std::set<std::string> written;
    for (size_t k = 0; k < request.paths.size() && request.paths.size() > 1; ++k) {
        const std::string& strRecording = request.paths[k];
        SRunPlan plan;
        plan.m_strRecording = strRecording;
        const std::string strStem = StemOf(strRecording);
        plan.m_strOutput =
            InFolder(request.strOutput.empty() ? FolderOf(strRecording) : request.strOutput,
                     strStem + ".dat");
        if (!request.strReport.empty()) {
            plan.m_strReport = InFolder(request.strReport, strStem + ".html");
        }
        if (!request.strSplit.empty()) {
            plan.m_strSplit = InFolder(request.strSplit, strStem);
        }
        for (const std::string* pFile : {&plan.m_strOutput, &plan.m_strReport, &plan.m_strSplit}) {
            if (!pFile->empty() && !written.insert(*pFile).second) {
                strError = "two recordings would write " + *pFile;
                return false;
            }
        }
        plans.push_back(std::move(plan));
    }
    // Nothing that is read may be written over, and the report is no output.
    for (const SRunPlan& plan : plans) {
        for (const std::string& strRecording : request.paths) {
            if (plan.m_strOutput == strRecording || plan.m_strReport == strRecording) {
                strError = "a recording would be written over: " + strRecording;
                return false;
            }
        }
        const std::string strOutput =
            plan.m_strOutput.empty() ? Messages::kOutputName : plan.m_strOutput;
        if (plan.m_strReport == strOutput) {
            strError = "the report and the bytes would go to the same file: " + plan.m_strReport;
            return false;
        }
    }
    return true;
}

bool ProbeReportPath(const std::string& strPath, std::string& strReason) {
    errno = 0;
    std::FILE* pFile = OpenFileUtf8(strPath, "ab");
    if (pFile == nullptr) {
        strReason = errno != 0 ? std::strerror(errno) : "cannot be created";
        return false;
    }
    std::fclose(pFile);
    return true;
}
