// The studio's window on Qt 6 Widgets: a thin view of CStudio. It lays out
// the controls, forwards what the user does to the model and redraws on the
// model's events, which it moves to its own thread in the order they come.
#pragma once

#include <QMainWindow>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <vector>

#include "Studio.h"
#include "StudioChooser.h"
#include "StudioShow.h"
#include "StudioTexts.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTabWidget;
class QVBoxLayout;
class CPictureWidget;

class CStudioWindow : public QMainWindow, public CStudioObserver {
    Q_OBJECT
public:
    CStudioWindow(CStudioChooser& chooser, EStudioLanguage eLanguage, QWidget* pParent = nullptr);
    ~CStudioWindow() override;

    // Adds recordings (from the command line, a drop, the file dialog) and
    // decodes them.
    void AddRecordings(const QStringList& paths);
    CStudio& Studio() { return m_studio; }

    // Called on the model's threads.
    void OnStudioEvent(const SStudioEvent& event) override;

protected:
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    const char* Text(EStudioText eText) const { return StudioText(eText, m_eLanguage); }
    QWidget* MakeControls();
    void Apply(const SStudioEvent& event);
    void ShowRow(uint32_t nId);
    void ShowMergedRow();
    void ShowSelection();
    void ShowRecording(const SRecordingRow& row);
    void ShowMerged(const SMerged& merged);
    void ShowLiveMap(const SLiveMap& live);
    void ShowBlockRows(const std::vector<SBlockRowText>& rows);
    void ShowSignal();
    std::optional<SStudioSource> Source() const;
    void OnAdd();
    void OnDecode();
    void OnSaveBytes();
    void OnSaveBlocks();
    void OnSaveReport();
    void OnRecord();
    void ListDevices();
    void ShowLevel(const SStudioLevel& level);
    void SetStatus(const QString& str);

    CStudioChooser& m_chooser;
    EStudioLanguage m_eLanguage;
    QString m_strFolder;           // the last folder used
    QString m_strReport;           // a report being saved, shown once written
    std::vector<uint32_t> m_rows;  // the recording of each row; 0: the merge
    QPushButton* m_pAdd = nullptr;
    QPushButton* m_pDecode = nullptr;
    QPushButton* m_pCancel = nullptr;
    QPushButton* m_pMerge = nullptr;
    QPushButton* m_pSaveBytes = nullptr;
    QPushButton* m_pSaveBlocks = nullptr;
    QPushButton* m_pSaveReport = nullptr;
    QComboBox* m_pDecoder = nullptr;
    QPushButton* m_pRecord = nullptr;
    QPushButton* m_pStop = nullptr;
    QComboBox* m_pDevice = nullptr;  // the input; its data: the device's number, "" the default
    QProgressBar* m_pLevel = nullptr;
    QTableWidget* m_pRecordings = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QTabWidget* m_pTabs = nullptr;
    CPictureWidget* m_pMap = nullptr;
    QTableWidget* m_pBlocks = nullptr;
    CPictureWidget* m_pHistogram = nullptr;
    CPictureWidget* m_pSignal = nullptr;
    QLabel* m_pSignalNote = nullptr;
    QVBoxLayout* m_pStrips = nullptr;
    QLabel* m_pStatus = nullptr;
    CStudio m_studio;  // last: gone, with its worker, before the widgets
};
