// Helpers for the tests of the Qt dialog layer: running a dialog with a
// script, a file chooser that answers from a list, encoded recordings.
#pragma once

#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Dialog.h"
#include "FileChooser.h"

// DoModal results that tell a test its script went wrong.
inline constexpr int kScriptLeftOpen = -100;  // the script did not end the dialog
inline constexpr int kWatchdogFired = -101;   // something hung, the watchdog ended it

// Runs dlg modally. Once its window shows and is active, fnScript acts on it;
// a dialog still open after the script is ended with kScriptLeftOpen, and
// after nWatchdogMs every modal window is ended with kWatchdogFired.
INT_PTR RunModal(CDialog& dlg, const std::function<void(QDialog&)>& fnScript,
                 int nWatchdogMs = 20000);

// The text of a label or button of a running dialog.
QString ControlText(const CWnd& dlg, int nID);

// Stands in for the file chooser while it lives: answers each request with
// the next queued answer (a path, or nothing for "cancelled"), and cancels
// when the queue is empty.
class CChooserStub {
public:
    CChooserStub();
    ~CChooserStub();
    CChooserStub(const CChooserStub&) = delete;
    CChooserStub& operator=(const CChooserStub&) = delete;

    void Answer(const std::optional<QString>& strAnswer) {
        m_answers.push_back(strAnswer.value_or(QString()));
    }
    const std::vector<CFileChooserRequest>& Requests() const { return m_requests; }

private:
    std::deque<QString> m_answers;  // a null string for "cancelled"
    std::vector<CFileChooserRequest> m_requests;
};

// Restores the current directory when it goes.
class CCurrentDirGuard {
public:
    CCurrentDirGuard();
    ~CCurrentDirGuard();
    CCurrentDirGuard(const CCurrentDirGuard&) = delete;
    CCurrentDirGuard& operator=(const CCurrentDirGuard&) = delete;

private:
    QString m_strDir;
};

// Writes a 44,100 Hz 16-bit mono recording of data, after a record header
// with strName when one is given; false when it could not be written.
bool WriteEncodedRecording(const QString& strPath, const std::vector<uint8_t>& data,
                           const std::optional<std::string>& strName = std::nullopt);

// The bytes of a file; empty when it cannot be read.
std::vector<uint8_t> ReadFileBytes(const QString& strPath);
