#include "StudioChooser.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QUrl>

QStringList CQtStudioChooser::Recordings(QWidget* pParent, const QString& strFolder,
                                         const QString& strFilter) {
    return QFileDialog::getOpenFileNames(pParent, {}, strFolder, strFilter);
}

QString CQtStudioChooser::SaveFile(QWidget* pParent, const QString& strFolder,
                                   const QString& strName, const QString& strFilter) {
    return QFileDialog::getSaveFileName(pParent, {}, QDir(strFolder).filePath(strName), strFilter);
}

QString CQtStudioChooser::Folder(QWidget* pParent, const QString& strFolder,
                                 const QString& strTitle) {
    return QFileDialog::getExistingDirectory(pParent, strTitle, strFolder);
}

void CQtStudioChooser::Show(const QString& strPath) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(strPath));
}
