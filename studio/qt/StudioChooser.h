// What the studio's Qt window asks of the user beyond its own controls:
// files and folders, and showing a saved report. The window takes it as a
// seam, so that a test can answer in place of the dialogs.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

class CStudioChooser {
public:
    virtual ~CStudioChooser() = default;
    virtual QStringList Recordings(QWidget* pParent, const QString& strFolder,
                                   const QString& strFilter) = 0;
    // strName: the file name offered.
    virtual QString SaveFile(QWidget* pParent, const QString& strFolder, const QString& strName,
                             const QString& strFilter) = 0;
    virtual QString Folder(QWidget* pParent, const QString& strFolder, const QString& strTitle) = 0;
    virtual void Show(const QString& strPath) = 0;
};

// The Qt file dialogs and the desktop's browser.
class CQtStudioChooser : public CStudioChooser {
public:
    QStringList Recordings(QWidget* pParent, const QString& strFolder,
                           const QString& strFilter) override;
    QString SaveFile(QWidget* pParent, const QString& strFolder, const QString& strName,
                     const QString& strFilter) override;
    QString Folder(QWidget* pParent, const QString& strFolder, const QString& strTitle) override;
    void Show(const QString& strPath) override;
};
