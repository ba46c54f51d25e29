#include "QtTestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>
#include <QtTest>

#include "DialogWindow.h"
#include "Recording.h"

INT_PTR RunModal(CDialog& dlg, const std::function<void(QDialog&)>& fnScript, int nWatchdogMs) {
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        qWarning("RunModal: the watchdog ends every modal window");
        while (auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            pModal->done(kWatchdogFired);
        }
    });
    watchdog.start(nWatchdogMs);
    QTimer::singleShot(0, [&dlg, &fnScript] {
        QDialog* pWindow = GetDialogWindow(dlg);
        if (pWindow == nullptr) {
            return;  // DoModal failed; its result tells the test
        }
        // Key input and mnemonics need the active window.
        pWindow->activateWindow();
        if (QTest::qWaitForWindowActive(pWindow)) {
            fnScript(*pWindow);
        }
        if (GetDialogWindow(dlg) == pWindow && pWindow->isVisible()) {
            pWindow->done(kScriptLeftOpen);
        }
    });
    return dlg.DoModal();
}

QString ControlText(const CWnd& dlg, int nID) {
    QWidget* pControl = GetDialogControl(dlg, nID);
    if (auto* pLabel = qobject_cast<QLabel*>(pControl)) {
        return pLabel->text();
    }
    if (auto* pButton = qobject_cast<QAbstractButton*>(pControl)) {
        return pButton->text();
    }
    return QStringLiteral("<no control %1>").arg(nID);
}

CChooserStub::CChooserStub() {
    SetFileChooser([this](const CFileChooserRequest& request) -> std::optional<QString> {
        m_requests.push_back(request);
        if (m_answers.empty()) {
            return std::nullopt;
        }
        const QString strAnswer = m_answers.front();
        m_answers.pop_front();
        if (strAnswer.isNull()) {
            return std::nullopt;
        }
        return strAnswer;
    });
}

CChooserStub::~CChooserStub() {
    SetFileChooser({});
}

CCurrentDirGuard::CCurrentDirGuard() : m_strDir(QDir::currentPath()) {}

CCurrentDirGuard::~CCurrentDirGuard() {
    QDir::setCurrent(m_strDir);
}

bool WriteEncodedRecording(const QString& strPath, const std::vector<uint8_t>& data,
                           const std::optional<std::string>& strName) {
    CWavFormat format;
    format.m_nBits = 16;
    CEncodeOptions options;
    options.m_bRecordHeader = strName.has_value();
    options.m_strName = strName.value_or(std::string());
    return WriteRecordingFile(QFile::encodeName(strPath).toStdString(), format, data, options);
}

std::vector<uint8_t> ReadFileBytes(const QString& strPath) {
    QFile file(strPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray bytes = file.readAll();
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}
