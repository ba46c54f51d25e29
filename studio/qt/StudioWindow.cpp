#include "StudioWindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "KeptRecording.h"
#include "PictureWidget.h"
#include "StudioShow.h"

namespace {

QString Q(const std::string& str) {
    return QString::fromStdString(str);
}

// A path as the model takes it: the file system's bytes.
std::string ModelPath(const QString& strPath) {
#ifdef _WIN32
    return strPath.toStdString();
#else
    return QFile::encodeName(strPath).toStdString();
#endif
}

QString ViewPath(const std::string& strPath) {
#ifdef _WIN32
    return Q(strPath);
#else
    return QFile::decodeName(QByteArray::fromStdString(strPath));
#endif
}

QTableWidgetItem* Cell(const QString& str, bool bNumber = false) {
    auto* pItem = new QTableWidgetItem(str);
    pItem->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    if (bNumber) {
        pItem->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    return pItem;
}

}  // namespace

CStudioWindow::CStudioWindow(CStudioChooser& chooser, EStudioLanguage eLanguage, QWidget* pParent)
    : QMainWindow(pParent), m_chooser(chooser), m_eLanguage(eLanguage), m_studio(*this) {
    setWindowTitle(Text(EStudioText::kTitle));
    setCentralWidget(MakeControls());
    setAcceptDrops(true);
    QSettings settings;
    m_strFolder = settings.value("folder", QDir::homePath()).toString();
    if (!restoreGeometry(settings.value("geometry").toByteArray())) {
        resize(1000, 720);
    }
}

CStudioWindow::~CStudioWindow() = default;

QWidget* CStudioWindow::MakeControls() {
    auto* pCentral = new QWidget(this);
    auto* pLayout = new QVBoxLayout(pCentral);
    auto* pButtons = new QHBoxLayout;
    const auto Button = [&](EStudioText eText, void (CStudioWindow::*pSlot)()) {
        auto* pButton = new QPushButton(Text(eText), pCentral);
        connect(pButton, &QPushButton::clicked, this, pSlot);
        pButtons->addWidget(pButton);
        return pButton;
    };
    m_pAdd = Button(EStudioText::kAdd, &CStudioWindow::OnAdd);
    m_pDecode = Button(EStudioText::kDecode, &CStudioWindow::OnDecode);
    m_pCancel = new QPushButton(Text(EStudioText::kCancel), pCentral);
    connect(m_pCancel, &QPushButton::clicked, this, [this] { m_studio.Cancel(); });
    pButtons->addWidget(m_pCancel);
    m_pMerge = new QPushButton(Text(EStudioText::kMerge), pCentral);
    connect(m_pMerge, &QPushButton::clicked, this, [this] { m_studio.Merge(); });
    pButtons->addWidget(m_pMerge);
    auto* pDecoderLabel = new QLabel(Text(EStudioText::kDecoder), pCentral);
    m_pDecoder = new QComboBox(pCentral);
    m_pDecoder->addItems({Text(EStudioText::kRobust), Text(EStudioText::kClassic)});
    pDecoderLabel->setBuddy(m_pDecoder);
    connect(m_pDecoder, &QComboBox::currentIndexChanged, this, [this](int nIndex) {
        m_studio.SetDecoder(nIndex == 1 ? EStudioDecoder::kClassic : EStudioDecoder::kRobust);
    });
    pButtons->addWidget(pDecoderLabel);
    pButtons->addWidget(m_pDecoder);
    pButtons->addStretch();
    // Recording: the input, Record (again, while one runs: the next take,
    // merged when done), Stop, and the input's level.
    auto* pDeviceLabel = new QLabel(Text(EStudioText::kDevice), pCentral);
    m_pDevice = new QComboBox(pCentral);
    m_pDevice->setObjectName("input");
    m_pDevice->addItem(Text(EStudioText::kDefaultDevice), QString());
    pDeviceLabel->setBuddy(m_pDevice);
    pButtons->addWidget(pDeviceLabel);
    pButtons->addWidget(m_pDevice);
    m_pRecord = Button(EStudioText::kRecord, &CStudioWindow::OnRecord);
    m_pStop = new QPushButton(Text(EStudioText::kStop), pCentral);
    m_pStop->setEnabled(false);
    connect(m_pStop, &QPushButton::clicked, this, [this] {
        m_studio.StopRecording();
        m_pStop->setEnabled(false);
    });
    pButtons->addWidget(m_pStop);
    m_pLevel = new QProgressBar(pCentral);
    m_pLevel->setRange(-60, 0);
    m_pLevel->setValue(-60);
    m_pLevel->setFormat("%v dBFS");
    m_pLevel->setMaximumWidth(140);
    pButtons->addWidget(m_pLevel);
    QTimer::singleShot(0, this, &CStudioWindow::ListDevices);
    m_pSaveBytes = Button(EStudioText::kSaveBytes, &CStudioWindow::OnSaveBytes);
    m_pSaveBlocks = Button(EStudioText::kSaveBlocks, &CStudioWindow::OnSaveBlocks);
    m_pSaveReport = Button(EStudioText::kSaveReport, &CStudioWindow::OnSaveReport);
    pLayout->addLayout(pButtons);

    m_pRecordings = new QTableWidget(0, 3, pCentral);
    m_pRecordings->setHorizontalHeaderLabels({Text(EStudioText::kColumnRecording),
                                              Text(EStudioText::kColumnTake),
                                              Text(EStudioText::kColumnState)});
    m_pRecordings->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pRecordings->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pRecordings->horizontalHeader()->setStretchLastSection(true);
    m_pRecordings->verticalHeader()->hide();
    m_pRecordings->setColumnWidth(0, 320);
    connect(m_pRecordings, &QTableWidget::itemSelectionChanged, this,
            &CStudioWindow::ShowSelection);
    connect(m_pRecordings, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* pItem) {
        const auto nRow = static_cast<size_t>(pItem->row());
        if (pItem->column() == 1 && nRow < m_rows.size() && m_rows[nRow] != 0) {
            m_studio.SetTake(m_rows[nRow], pItem->checkState() == Qt::Checked);
        }
    });

    m_pProgress = new QProgressBar(pCentral);
    m_pProgress->setRange(0, 1000);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);

    m_pTabs = new QTabWidget(pCentral);
    m_pMap = new CPictureWidget;
    m_pBlocks = new QTableWidget(0, 5);
    m_pBlocks->setHorizontalHeaderLabels(
        {Text(EStudioText::kColumnStart), Text(EStudioText::kColumnName),
         Text(EStudioText::kColumnBytes), Text(EStudioText::kColumnFailed),
         Text(EStudioText::kColumnSpeed)});
    m_pBlocks->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pBlocks->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pBlocks->verticalHeader()->hide();
    m_pBlocks->horizontalHeader()->setStretchLastSection(true);
    connect(m_pBlocks, &QTableWidget::itemSelectionChanged, this, &CStudioWindow::ShowSignal);
    auto* pMapPage = new QSplitter(Qt::Vertical);
    m_pMap->setMinimumHeight(150);
    pMapPage->addWidget(m_pMap);
    pMapPage->addWidget(m_pBlocks);
    pMapPage->setStretchFactor(0, 2);
    pMapPage->setStretchFactor(1, 3);
    m_pTabs->addTab(pMapPage, Text(EStudioText::kTapeMap));
    m_pHistogram = new CPictureWidget;
    m_pTabs->addTab(m_pHistogram, Text(EStudioText::kHistogram));
    auto* pSignalPage = new QWidget;
    auto* pSignalLayout = new QVBoxLayout(pSignalPage);
    m_pSignalNote = new QLabel(pSignalPage);
    m_pSignal = new CPictureWidget(pSignalPage);
    pSignalLayout->addWidget(m_pSignalNote);
    pSignalLayout->addWidget(m_pSignal);
    pSignalLayout->addStretch();
    m_pTabs->addTab(pSignalPage, Text(EStudioText::kSignal));
    auto* pStripsArea = new QScrollArea;
    auto* pStripsPage = new QWidget;
    m_pStrips = new QVBoxLayout(pStripsPage);
    m_pStrips->addStretch();
    pStripsArea->setWidget(pStripsPage);
    pStripsArea->setWidgetResizable(true);
    m_pTabs->addTab(pStripsArea, Text(EStudioText::kMergeStrips));

    auto* pSplitter = new QSplitter(Qt::Vertical, pCentral);
    pSplitter->addWidget(m_pRecordings);
    pSplitter->addWidget(m_pTabs);
    pSplitter->setStretchFactor(1, 3);
    pLayout->addWidget(pSplitter);
    pLayout->addWidget(m_pProgress);
    m_pStatus = new QLabel(pCentral);
    statusBar()->addWidget(m_pStatus, 1);

    // Keyboard: Esc cancels, Enter on a recording decodes it; Tab follows
    // the order above.
    auto* pEscape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(pEscape, &QShortcut::activated, this, [this] { m_studio.Cancel(); });
    for (const int nKey : {int(Qt::Key_Return), int(Qt::Key_Enter)}) {
        auto* pEnter = new QShortcut(QKeySequence(nKey), m_pRecordings);
        pEnter->setContext(Qt::WidgetShortcut);
        connect(pEnter, &QShortcut::activated, this, &CStudioWindow::OnDecode);
    }
    return pCentral;
}

void CStudioWindow::AddRecordings(const QStringList& paths) {
    for (const QString& strPath : paths) {
        m_studio.Decode(m_studio.AddRecording(ModelPath(strPath)));
        m_strFolder = QFileInfo(strPath).absolutePath();
    }
}

void CStudioWindow::OnStudioEvent(const SStudioEvent& event) {
    // Queued events of one sender stay in order.
    QMetaObject::invokeMethod(
        this, [this, event] { Apply(event); }, Qt::QueuedConnection);
}

void CStudioWindow::SetStatus(const QString& str) {
    m_pStatus->setText(str);
}

void CStudioWindow::Apply(const SStudioEvent& event) {
    using EKind = SStudioEvent::EKind;
    switch (event.m_eKind) {
        case EKind::kAdded: {
            const int nRow = m_pRecordings->rowCount();
            m_pRecordings->insertRow(nRow);
            m_rows.push_back(event.m_nRecording);
            const std::optional<SRecordingRow> row = m_studio.Recording(event.m_nRecording);
            const QString strPath = row ? ViewPath(row->m_strPath) : QString();
            QTableWidgetItem* pName = Cell(QFileInfo(strPath).fileName());
            pName->setToolTip(strPath);
            m_pRecordings->setItem(nRow, 0, pName);
            auto* pTake = new QTableWidgetItem;
            pTake->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled | Qt::ItemIsSelectable);
            pTake->setCheckState(Qt::Checked);
            m_pRecordings->setItem(nRow, 1, pTake);
            m_pRecordings->setItem(nRow, 2, Cell({}));
            ShowRow(event.m_nRecording);
            if (m_pRecordings->currentRow() < 0) {
                m_pRecordings->selectRow(nRow);
            }
            break;
        }
        case EKind::kProgress:
            if (event.m_level.m_dSeconds > 0.0) {
                ShowLevel(event.m_level);
            }
            [[fallthrough]];
        case EKind::kBlockFound:
            m_pProgress->setValue(static_cast<int>(event.m_dProgress * 1000.0));
            ShowRow(event.m_nRecording);
            if (event.m_pLive && Source() && !Source()->m_bMerged &&
                Source()->m_nRecording == event.m_nRecording) {
                ShowLiveMap(*event.m_pLive);
            }
            break;
        case EKind::kDecodeStarted:
            m_pProgress->setValue(0);
            ShowRow(event.m_nRecording);
            break;
        case EKind::kDecodeFinished:
        case EKind::kDecodeFailed:
        case EKind::kDecodeCancelled:
            m_pProgress->setValue(event.m_eKind == EKind::kDecodeFinished ? 1000 : 0);
            ShowRow(event.m_nRecording);
            if (!m_studio.IsRecording()) {
                m_pStop->setEnabled(false);
                ShowLevel({});
            }
            if (Source() && !Source()->m_bMerged && Source()->m_nRecording == event.m_nRecording) {
                ShowSelection();
            }
            break;
        case EKind::kMergeStarted:
            SetStatus(Text(EStudioText::kMerging));
            break;
        case EKind::kMerged:
            SetStatus(Text(EStudioText::kMerged));
            ShowMergedRow();
            break;
        case EKind::kMergeFailed:
        case EKind::kSaveFailed:
            SetStatus(Q(ProblemText(event.m_eProblem, event.m_strDetail, m_eLanguage)));
            break;
        case EKind::kSaved:
            SetStatus(Text(EStudioText::kSaved) + ViewPath(event.m_strDetail));
            if (!m_strReport.isEmpty() && ModelPath(m_strReport) == event.m_strDetail) {
                m_chooser.Show(m_strReport);
                m_strReport.clear();
            }
            break;
        case EKind::kRemoved:
            break;
    }
}

void CStudioWindow::ShowRow(uint32_t nId) {
    const auto it = std::find(m_rows.begin(), m_rows.end(), nId);
    const std::optional<SRecordingRow> row = m_studio.Recording(nId);
    if (it == m_rows.end() || !row) {
        return;
    }
    const QString strState = Q(RecordingStateText(*row, m_eLanguage));
    QTableWidgetItem* pState = m_pRecordings->item(static_cast<int>(it - m_rows.begin()), 2);
    pState->setText(strState);
    pState->setForeground(row->m_eProblem == EStudioProblem::kNone ? palette().text().color()
                                                                   : QColor(0xd3, 0x3c, 0x2f));
}

void CStudioWindow::ShowMergedRow() {
    auto it = std::find(m_rows.begin(), m_rows.end(), 0u);
    if (it == m_rows.end()) {
        const int nRow = m_pRecordings->rowCount();
        m_pRecordings->insertRow(nRow);
        m_rows.push_back(0);
        m_pRecordings->setItem(nRow, 0, Cell(Text(EStudioText::kMergedSource)));
        m_pRecordings->setItem(nRow, 1, Cell({}));
        m_pRecordings->setItem(nRow, 2, Cell({}));
        it = m_rows.end() - 1;
    }
    const int nRow = static_cast<int>(it - m_rows.begin());
    if (const std::shared_ptr<const SMerged> pMerged = m_studio.Merged()) {
        m_pRecordings->item(nRow, 2)->setText(Q(MergedStateText(*pMerged, m_eLanguage)));
    }
    m_pRecordings->selectRow(nRow);
    ShowSelection();
}

std::optional<SStudioSource> CStudioWindow::Source() const {
    const int nRow = m_pRecordings->currentRow();
    if (nRow < 0 || static_cast<size_t>(nRow) >= m_rows.size()) {
        return std::nullopt;
    }
    const uint32_t nId = m_rows[static_cast<size_t>(nRow)];
    return SStudioSource{nId == 0, nId};
}

void CStudioWindow::ShowSelection() {
    const std::optional<SStudioSource> source = Source();
    if (!source) {
        return;
    }
    if (source->m_bMerged) {
        if (const std::shared_ptr<const SMerged> pMerged = m_studio.Merged()) {
            ShowMerged(*pMerged);
        }
        return;
    }
    if (const std::optional<SRecordingRow> row = m_studio.Recording(source->m_nRecording)) {
        ShowRecording(*row);
    }
}

void CStudioWindow::ShowLiveMap(const SLiveMap& live) {
    m_pMap->SetPicture(TapeMapPicture(live));
}

void CStudioWindow::ShowRecording(const SRecordingRow& row) {
    m_pBlocks->setRowCount(0);
    if (row.m_pDecoded == nullptr) {
        m_pMap->SetPicture(CCanvasRecording{});
        if (row.m_pLive) {
            ShowLiveMap(*row.m_pLive);
        }
        m_pHistogram->SetPicture(CCanvasRecording{});
        m_pSignal->SetPicture(CCanvasRecording{});
        return;
    }
    const SDecoded& decoded = *row.m_pDecoded;
    m_pMap->SetPicture(TapeMapPicture(decoded));
    m_pHistogram->SetPicture(HistogramPicture(decoded));
    ShowBlockRows(BlockRows(decoded));
    if (m_pBlocks->rowCount() > 0) {
        m_pBlocks->selectRow(0);
    }
    ShowSignal();
}

// The signal around the first failed byte of the chosen block.
void CStudioWindow::ShowSignal() {
    m_pSignal->SetPicture(CCanvasRecording{});
    m_pSignalNote->setText(Text(EStudioText::kNoFailure));
    const std::optional<SStudioSource> source = Source();
    const int nBlock = m_pBlocks->currentRow();
    if (!source || source->m_bMerged || nBlock < 0) {
        return;
    }
    const std::optional<SRecordingRow> row = m_studio.Recording(source->m_nRecording);
    if (!row || row->m_pDecoded == nullptr) {
        return;
    }
    std::string strWhen;
    CCanvasRecording picture =
        SignalPicture(*row->m_pDecoded, static_cast<size_t>(nBlock), strWhen);
    if (!strWhen.empty()) {
        m_pSignal->SetPicture(std::move(picture));
        m_pSignalNote->setText(Q(strWhen));
    }
}

// Start, name, bytes, failed bytes, speed; the numbers right-aligned.
void CStudioWindow::ShowBlockRows(const std::vector<SBlockRowText>& rows) {
    m_pBlocks->setRowCount(static_cast<int>(rows.size()));
    for (int k = 0; k < m_pBlocks->rowCount(); ++k) {
        const SBlockRowText& row = rows[static_cast<size_t>(k)];
        for (int c = 0; c < static_cast<int>(row.size()); ++c) {
            m_pBlocks->setItem(k, c, Cell(Q(row[static_cast<size_t>(c)]), c >= 2));
        }
    }
}

void CStudioWindow::ShowMerged(const SMerged& merged) {
    while (m_pStrips->count() > 1) {
        QLayoutItem* pItem = m_pStrips->takeAt(0);
        delete pItem->widget();
        delete pItem;
    }
    ShowBlockRows(BlockRows(merged));
    for (SStripPicture& strip : MergeStripPictures(merged)) {
        auto* pLabel = new QLabel(Q(strip.m_strName));
        auto* pStrip = new CPictureWidget;
        pStrip->SetPicture(std::move(strip.m_picture));
        m_pStrips->insertWidget(m_pStrips->count() - 1, pLabel);
        m_pStrips->insertWidget(m_pStrips->count() - 1, pStrip);
    }
    m_pMap->SetPicture(CCanvasRecording{});
    m_pHistogram->SetPicture(CCanvasRecording{});
    m_pTabs->setCurrentIndex(3);
}

void CStudioWindow::OnAdd() {
    const QStringList paths =
        m_chooser.Recordings(this, m_strFolder, Text(EStudioText::kRecordingFilter));
    AddRecordings(paths);
}

void CStudioWindow::OnDecode() {
    const std::optional<SStudioSource> source = Source();
    if (source && !source->m_bMerged) {
        m_studio.Decode(source->m_nRecording);
    } else {
        m_studio.DecodeAll();
    }
}

void CStudioWindow::OnSaveBytes() {
    if (const std::optional<SStudioSource> source = Source()) {
        const QString strPath = m_chooser.SaveFile(this, m_strFolder, "tape.dat", {});
        if (!strPath.isEmpty()) {
            m_strFolder = QFileInfo(strPath).absolutePath();
            m_studio.SaveBytes(*source, ModelPath(strPath));
        }
    }
}

void CStudioWindow::OnSaveBlocks() {
    if (const std::optional<SStudioSource> source = Source()) {
        const QString strFolder =
            m_chooser.Folder(this, m_strFolder, Text(EStudioText::kChooseFolder));
        if (!strFolder.isEmpty()) {
            m_strFolder = strFolder;
            m_studio.SaveBlocks(*source, ModelPath(strFolder));
        }
    }
}

void CStudioWindow::OnSaveReport() {
    if (const std::optional<SStudioSource> source = Source()) {
        const QString strPath =
            m_chooser.SaveFile(this, m_strFolder, "report.html", "HTML (*.html)");
        if (!strPath.isEmpty()) {
            m_strFolder = QFileInfo(strPath).absolutePath();
            m_strReport = strPath;
            m_studio.SaveReport(*source, ModelPath(strPath));
        }
    }
}

void CStudioWindow::ListDevices() {
    std::string strReason;
    for (const SInputDevice& device : StudioInputDevices(strReason)) {
        m_pDevice->addItem(Q(device.m_strName), QString::number(device.m_nIndex));
    }
    if (!strReason.empty()) {
        SetStatus(Q(strReason));
    }
}

void CStudioWindow::OnRecord() {
    SStudioRecording settings;
    settings.m_strDevice = m_pDevice->currentData().toString().toStdString();
    settings.m_strKeep =
        ModelPath(QDir(m_strFolder).filePath(Q(KeptRecordingName(std::time(nullptr)))));
    m_studio.RecordTake(settings);
    m_pStop->setEnabled(true);
}

void CStudioWindow::ShowLevel(const SStudioLevel& level) {
    m_pLevel->setValue(static_cast<int>(std::lround(std::clamp(level.m_dPeakDbfs, -60.0, 0.0))));
    m_pLevel->setFormat(level.m_bClipped ? QString("%v dBFS !") : QString("%v dBFS"));
}

void CStudioWindow::dragEnterEvent(QDragEnterEvent* pEvent) {
    if (pEvent->mimeData()->hasUrls()) {
        pEvent->acceptProposedAction();
    }
}

void CStudioWindow::dropEvent(QDropEvent* pEvent) {
    QStringList paths;
    for (const QUrl& url : pEvent->mimeData()->urls()) {
        if (url.isLocalFile()) {
            paths << url.toLocalFile();
        }
    }
    AddRecordings(paths);
    pEvent->acceptProposedAction();
}

void CStudioWindow::closeEvent(QCloseEvent* pEvent) {
    m_studio.StopRecording();
    m_studio.Cancel();
    QSettings settings;
    settings.setValue("folder", m_strFolder);
    settings.setValue("geometry", saveGeometry());
    QMainWindow::closeEvent(pEvent);
}
