// Driving the studio's Qt window as a user would, for its test and its
// screenshot: a chooser that answers in place of the dialogs, takes of one
// tape made by the encoder, and the window's buttons by their texts.
#pragma once

#include <QPushButton>
#include <QStringList>
#include <QTableWidget>
#include <deque>
#include <string>
#include <vector>

#include "AnalogRecording.h"
#include "StudioChooser.h"
#include "StudioTexts.h"
#include "StudioWindow.h"
#include "support/AnalogBlocks.h"

class CAnsweringChooser : public CStudioChooser {
public:
    QStringList Recordings(QWidget*, const QString&, const QString&) override {
        return Next(m_recordings);
    }
    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return Next(m_files).value(0);
    }
    QString Folder(QWidget*, const QString&, const QString&) override {
        return Next(m_folders).value(0);
    }
    void Show(const QString& strPath) override { m_shown << strPath; }

    std::deque<QStringList> m_recordings;
    std::deque<QStringList> m_files;
    std::deque<QStringList> m_folders;
    QStringList m_shown;

private:
    static QStringList Next(std::deque<QStringList>& answers) {
        if (answers.empty()) {
            return {};
        }
        QStringList answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

inline std::vector<CAnalogBlock> StudioTapeBlocks() {
    return RandomBlocks(21, {{"PROGRAM1", 900}, {"DATA-2", 500}, {"END", 200}});
}

// A take of the tape with its own dropouts (the seed places them).
inline bool WriteStudioTake(const QString& strPath, uint64_t nSeed) {
    CImpairments impairments;
    impairments.m_dHissDb = 30.0;
    impairments.m_nDropouts = 4;
    impairments.m_dDropoutMs = 12.0;
    impairments.m_dDropoutDepthDb = 60.0;
    impairments.m_nSeed = nSeed;
    return WriteAnalogRecording(strPath.toStdString(), CAnalogFormat{}, impairments,
                                StudioTapeBlocks(), 200, 0.3);
}

inline QPushButton* StudioButton(QWidget& window, EStudioText eText, EStudioLanguage eLanguage) {
    const QString strText = QString::fromUtf8(StudioText(eText, eLanguage));
    for (QPushButton* pButton : window.findChildren<QPushButton*>()) {
        if (pButton->text() == strText) {
            return pButton;
        }
    }
    return nullptr;
}

// The recordings' table: the one with the take column.
inline QTableWidget* RecordingsTable(QWidget& window) {
    for (QTableWidget* pTable : window.findChildren<QTableWidget*>()) {
        if (pTable->columnCount() == 3) {
            return pTable;
        }
    }
    return nullptr;
}

inline QString StateOf(QWidget& window, int nRow) {
    QTableWidget* pTable = RecordingsTable(window);
    if (pTable == nullptr || nRow >= pTable->rowCount() || pTable->item(nRow, 2) == nullptr) {
        return {};
    }
    return pTable->item(nRow, 2)->text();
}
