// CFileDialog on Qt.
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FileChooser.h"
#include "FileDialog.h"

namespace {

FileChooser& CurrentChooser() {
    static FileChooser fnChooser;
    return fnChooser;
}

QString FromWide(LPCWSTR lpsz) {
    return lpsz != nullptr ? QString::fromWCharArray(lpsz) : QString();
}

}  // namespace

void SetFileChooser(FileChooser fnChooser) {
    CurrentChooser() = std::move(fnChooser);
}

std::optional<QString> RunQtFileDialog(const CFileChooserRequest& request) {
    QFileDialog dialog(request.pParent);
    // Qt's own dialog on every desktop: the platform dialogs of some desktops
    // refuse a typed name of a file that does not exist.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(request.eAcceptMode);
    dialog.setFileMode(request.eFileMode);
    dialog.setDirectory(request.strDirectory);
    dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.strDefaultSuffix);
    if (!request.strFileName.isEmpty()) {
        dialog.selectFile(request.strFileName);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().constFirst();
}

QStringList NameFiltersFromFilterString(const QString& strFilter) {
    const QStringList parts = strFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size() && !parts[i].isEmpty(); i += 2) {
        const QString strDescription = parts[i];
        QString strPatterns = parts[i + 1];
        strPatterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        // Qt reads the patterns from the parentheses at the end of a filter.
        const QString strTail = QLatin1Char('(') + strPatterns + QLatin1Char(')');
        filters << (strDescription.endsWith(strTail) ? strDescription
                                                     : strDescription + QLatin1Char(' ') + strTail);
    }
    return filters;
}

CFileDialog::CFileDialog(BOOL bOpenFileDialog, const char* szDefExt, const char* szFileName,
                         DWORD dwFlags, const char* szFilter, CWnd* pParentWnd)
    : m_ofn{dwFlags | OFN_EXPLORER, nullptr},
      m_bOpenFileDialog(bOpenFileDialog),
      m_strDefExt(szDefExt != nullptr ? szDefExt : ""),
      m_strFileName(szFileName != nullptr ? szFileName : ""),
      m_strFilter(szFilter != nullptr ? szFilter : ""),
      m_pParentWnd(pParentWnd) {}

INT_PTR CFileDialog::DoModal() {
    CFileChooserRequest request;
    request.pParent = m_pParentWnd != nullptr ? m_pParentWnd->GetSafeHwnd() : nullptr;
    request.eAcceptMode = m_bOpenFileDialog ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave;
    // Without a must-exist flag among the OFN_ flags any typed name is
    // taken; opening it is the caller's business.
    request.eFileMode = QFileDialog::AnyFile;
    // The initial folder is handed on only where it exists (a folder given
    // with a drive letter never does here); otherwise the chooser starts in
    // the current directory. It is never taken for a file name.
    const QString strInitialDir = FromWide(m_ofn.lpstrInitialDir);
    request.strDirectory = !strInitialDir.isEmpty() && QFileInfo(strInitialDir).isDir()
                               ? strInitialDir
                               : QDir::currentPath();
    request.strFileName = QString::fromStdString(m_strFileName);
    request.nameFilters = NameFiltersFromFilterString(QString::fromStdString(m_strFilter));
    request.strDefaultSuffix = QString::fromStdString(m_strDefExt);

    const FileChooser& fnChooser = CurrentChooser();
    const std::optional<QString> strChosen =
        fnChooser ? fnChooser(request) : RunQtFileDialog(request);
    if (!strChosen || strChosen->isEmpty()) {
        return IDCANCEL;
    }
    const QFileInfo info(*strChosen);
    m_strPathName = QFile::encodeName(info.absoluteFilePath()).toStdString();
    // As the system's dialog does: the chosen file's folder becomes the
    // current directory, so relative names land next to that file.
    QDir::setCurrent(info.absolutePath());
    return IDOK;
}

std::string CFileDialog::GetPathName() const {
    return m_strPathName;
}
