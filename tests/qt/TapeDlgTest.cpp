// The main dialog on Qt: layout, file choice, conversion runs, keys.
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QWindow>
#include <QtTest>

#include "DialogTemplate.h"
#include "DialogUnits.h"
#include "DialogWindow.h"
#include "QtTestSupport.h"
#include "RecordHeader.h"
#include "TapeDlg.h"

namespace {

const QString kInitialFileLine = QStringLiteral("Nebyl vybranej wav...");
const QString kInitialStatus =
    QStringLiteral("Aktualni zprava: v tunelu neco nestalo, vsecko eroni");
const QString kWavNotOpened = QStringLiteral("Nepodařilo se otevřít vybraný wav...");
const QString kDone = QStringLiteral("Hotovo :-)");

// The dialog with its path in view, and every status text as the status
// line showed it.
class CTestTapeDlg : public CTapeDlg {
public:
    const std::string& Path() const { return m_strPath; }
    const QStringList& StatusTexts() const { return m_statusTexts; }

protected:
    void SetStatusText(const std::string& strUtf8) override {
        CTapeDlg::SetStatusText(strUtf8);
        m_statusTexts << ControlText(*this, IDC_STATUS);
    }

private:
    QStringList m_statusTexts;
};

QPushButton* Button(const CWnd& dlg, int nID) {
    return qobject_cast<QPushButton*>(GetDialogControl(dlg, nID));
}

void Click(const CWnd& dlg, int nID) {
    QPushButton* pButton = Button(dlg, nID);
    QVERIFY(pButton != nullptr);
    QTest::mouseClick(pButton, Qt::LeftButton);
}

std::vector<uint8_t> SomeBytes(size_t nCount) {
    std::vector<uint8_t> bytes(nCount);
    uint32_t n = 12345;
    for (uint8_t& b : bytes) {
        n = n * 1103515245u + 12345u;
        b = static_cast<uint8_t>(n >> 16);
    }
    return bytes;
}

}  // namespace

class CTapeDlgTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void initialLayout();
    void focusAndTabOrder();
    void windowIcon();
    void browseShowsChosenPath();
    void cancelledBrowseChangesNothing();
    void browseThroughQtFileDialog();
    void analyseEncodedRecording();
    void analyseWithoutFileCancelled();
    void recordNameInWindows1250();
    void keysEndDialog_data();
    void keysEndDialog();
    void mnemonics();

private:
    std::unique_ptr<QTemporaryDir> m_pDir;
    std::unique_ptr<CCurrentDirGuard> m_pDirGuard;
    QString m_strRecordings;  // where the recordings are
    QString m_strElsewhere;   // the current directory at the start
};

void CTapeDlgTest::init() {
    m_pDirGuard = std::make_unique<CCurrentDirGuard>();
    m_pDir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_pDir->isValid());
    QVERIFY(QDir(m_pDir->path()).mkpath("nahravky"));
    QVERIFY(QDir(m_pDir->path()).mkpath("jinde"));
    m_strRecordings = QDir(m_pDir->filePath("nahravky")).canonicalPath();
    m_strElsewhere = QDir(m_pDir->filePath("jinde")).canonicalPath();
    QVERIFY(QDir::setCurrent(m_strElsewhere));
}

void CTapeDlgTest::cleanup() {
    m_pDirGuard.reset();
    m_pDir.reset();
}

void CTapeDlgTest::initialLayout() {
    CTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&dlg](QDialog& window) {
        QCOMPARE(window.windowTitle(), QStringLiteral("Tavro tape 1.0"));
        QCOMPARE(ControlText(dlg, IDC_FILE), kInitialFileLine);
        QCOMPARE(ControlText(dlg, IDC_STATUS), kInitialStatus);
        QCOMPARE(ControlText(dlg, IDOK), QStringLiteral("OK"));
        QCOMPARE(ControlText(dlg, IDCANCEL), QStringLiteral("Cancel"));
        QCOMPARE(ControlText(dlg, IDC_BROWSE), QStringLiteral("&Wyber wav"));
        QCOMPARE(ControlText(dlg, IDC_ANALYSE), QStringLiteral("&Analyzuj wav"));
        // Nothing but the six controls.
        QCOMPARE(window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size(), 6);

        // An 8-point sans-serif; dialog units in its measures.
        const QFont font = window.font();
        QCOMPARE(font.pointSize(), 8);
        QCOMPARE(font.styleHint(), QFont::SansSerif);
        const QFontMetrics metrics(font);
        const int nAverage =
            (metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz") /
                 26 +
             1) /
            2;
        const auto ToPixels = [](int nUnits, int nBase, int nDivisor) {
            return (nUnits * nBase + nDivisor / 2) / nDivisor;
        };
        QCOMPARE(window.size(),
                 QSize(ToPixels(273, nAverage, 4), ToPixels(127, metrics.height(), 8)));
        QCOMPARE(window.minimumSize(), window.maximumSize());

        const CDialogTemplate* pTemplate = FindDialogTemplate(IDD_TAVRO_TAPE_DIALOG);
        QVERIFY(pTemplate != nullptr);
        for (const CDialogItemTemplate& item : pTemplate->items) {
            QWidget* pControl = GetDialogControl(dlg, item.nID);
            QVERIFY(pControl != nullptr);
            QCOMPARE(pControl->font(), font);
            QCOMPARE(pControl->geometry(), QRect(ToPixels(item.rect.x, nAverage, 4),
                                                 ToPixels(item.rect.y, metrics.height(), 8),
                                                 ToPixels(item.rect.cx, nAverage, 4),
                                                 ToPixels(item.rect.cy, metrics.height(), 8)));
        }

        // A caption and a close button; no minimise or maximise button.
        const Qt::WindowFlags flags = window.windowFlags();
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(window.isModal());
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::focusAndTabOrder() {
    CTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&dlg](QDialog& window) {
        QVERIFY(Button(dlg, IDOK)->isDefault());
        for (const int nID : {IDCANCEL, IDC_BROWSE, IDC_ANALYSE}) {
            QVERIFY(!Button(dlg, nID)->isDefault());
        }
        // The first tab stop has the focus; Tab goes in template order.
        QCOMPARE(QApplication::focusWidget(), Button(dlg, IDOK));
        for (const int nID : {IDCANCEL, IDC_BROWSE, IDC_ANALYSE, IDOK}) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), Button(dlg, nID));
        }
        QCOMPARE(GetDialogControl(dlg, IDC_FILE)->focusPolicy(), Qt::NoFocus);
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::windowIcon() {
    CTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [](QDialog& window) {
        const QList<QSize> sizes = window.windowIcon().availableSizes();
        QVERIFY2(sizes.contains(QSize(32, 32)) && sizes.contains(QSize(16, 16)),
                 qPrintable(QDebug::toString(sizes)));
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::browseShowsChosenPath() {
    const QString strWav = m_strRecordings + "/kazeta.wav";
    CChooserStub chooser;
    chooser.Answer(strWav);
    CTestTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        Click(dlg, IDC_BROWSE);
        QCOMPARE(chooser.Requests().size(), size_t{1});
        const CFileChooserRequest& request = chooser.Requests().front();
        QCOMPARE(request.pParent, &window);
        QCOMPARE(request.nameFilters, QStringList{"Wavy (*.wav)"});
        QCOMPARE(request.eAcceptMode, QFileDialog::AcceptOpen);
        QCOMPARE(request.eFileMode, QFileDialog::AnyFile);  // no must-exist check
        // The fixed initial folder does not exist here: the current one.
        QCOMPARE(request.strDirectory, m_strElsewhere);
        QVERIFY(request.strFileName.isEmpty());

        QCOMPARE(ControlText(dlg, IDC_FILE), strWav);
        QCOMPARE(ControlText(dlg, IDC_STATUS), kInitialStatus);
        QCOMPARE(QString::fromStdString(dlg.Path()), strWav);
        QCOMPARE(QDir::currentPath(), m_strRecordings);
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::cancelledBrowseChangesNothing() {
    const QString strWav = m_strRecordings + "/kazeta.wav";
    CChooserStub chooser;
    chooser.Answer(strWav);
    chooser.Answer(std::nullopt);
    CTestTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        Click(dlg, IDC_BROWSE);
        QVERIFY(QDir::setCurrent(m_strElsewhere));
        Click(dlg, IDC_BROWSE);
        QCOMPARE(chooser.Requests().size(), size_t{2});
        QCOMPARE(ControlText(dlg, IDC_FILE), strWav);
        QCOMPARE(QString::fromStdString(dlg.Path()), strWav);
        QCOMPARE(QDir::currentPath(), m_strElsewhere);
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::browseThroughQtFileDialog() {
    // Qt's own file dialog, driven like a user: a typed name of a file that
    // does not exist is taken, and fails when the run opens it.
    CTestTapeDlg dlg;
    QString strStartDir;
    QStringList filters;
    QString strInitialName = QStringLiteral("<not seen>");
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* pFileDialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (pFileDialog == nullptr || !pFileDialog->isVisible()) {
                return;
            }
            poll.stop();
            strStartDir = pFileDialog->directory().canonicalPath();
            filters = pFileDialog->nameFilters();
            auto* pNameEdit = pFileDialog->findChild<QLineEdit*>("fileNameEdit");
            if (pNameEdit == nullptr) {
                pFileDialog->reject();
                return;
            }
            strInitialName = pNameEdit->text();
            QTest::keyClicks(pNameEdit, "chybi.wav");
            QTest::keyClick(pNameEdit, Qt::Key_Return);
        });
        poll.start(20);
        Click(dlg, IDC_BROWSE);  // returns when the file dialog has closed
        QCOMPARE(strStartDir, m_strElsewhere);
        QCOMPARE(filters, QStringList{"Wavy (*.wav)"});
        QCOMPARE(strInitialName, QString());
        const QString strChosen = m_strElsewhere + "/chybi.wav";
        QCOMPARE(ControlText(dlg, IDC_FILE), strChosen);
        QCOMPARE(QString::fromStdString(dlg.Path()), strChosen);

        Click(dlg, IDC_ANALYSE);
        QCOMPARE(ControlText(dlg, IDC_STATUS), kWavNotOpened);
        QCOMPARE(ControlText(dlg, IDC_FILE), strChosen);
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

void CTapeDlgTest::analyseEncodedRecording() {
    const QString strWav = m_strRecordings + "/kazeta.wav";
    const std::vector<uint8_t> data = SomeBytes(700);
    QVERIFY(WriteEncodedRecording(strWav, data, std::string("KAZETA")));
    std::vector<uint8_t> expected = MakeRecordHeader("KAZETA");
    expected.insert(expected.end(), data.begin(), data.end());

    CChooserStub chooser;
    chooser.Answer(strWav);
    CTestTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        Click(dlg, IDC_BROWSE);
        Click(dlg, IDC_ANALYSE);
        QCOMPARE(ControlText(dlg, IDC_FILE), strWav + " (44100 kHz / 16 bit)");
        QCOMPARE(ControlText(dlg, IDC_STATUS), kDone);
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
    QCOMPARE(chooser.Requests().size(), size_t{1});
    QVERIFY(QFileInfo::exists(m_strRecordings + "/test.dat"));
    QVERIFY(!QFileInfo::exists(m_strElsewhere + "/test.dat"));
    QCOMPARE(ReadFileBytes(m_strRecordings + "/test.dat"), expected);
}

void CTapeDlgTest::analyseWithoutFileCancelled() {
    CChooserStub chooser;
    chooser.Answer(std::nullopt);
    CTestTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        Click(dlg, IDC_ANALYSE);
        QCOMPARE(chooser.Requests().size(), size_t{1});  // the run asked for a file first
        QCOMPARE(ControlText(dlg, IDC_STATUS), kWavNotOpened);
        QCOMPARE(ControlText(dlg, IDC_FILE), kInitialFileLine);
        QVERIFY(dlg.Path().empty());
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
    QCOMPARE(QDir(m_strElsewhere).entryList(QDir::Files), QStringList());
}

void CTapeDlgTest::recordNameInWindows1250() {
    // 0xE8 is "č" in Windows-1250; 0x81 is undefined there and shows as the
    // replacement character, not as a control character.
    const QString strWav = m_strRecordings + "/jmeno.wav";
    QVERIFY(WriteEncodedRecording(strWav, SomeBytes(300), std::string("Kaz\xE8\x81ta")));
    CChooserStub chooser;
    chooser.Answer(strWav);
    CTestTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        Click(dlg, IDC_ANALYSE);  // asks for the file, then runs
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
    const QStringList expected = {
        QStringLiteral("Hledám záznam..."),
        QStringLiteral("Zpracovávám záznam..."),
        QStringLiteral("Nacteno: 0  ()"),
        QStringLiteral("Nacteno: 256  (Kaz\u010D\uFFFDta)"),
        kDone,
    };
    QCOMPARE(dlg.StatusTexts(), expected);
}

void CTapeDlgTest::keysEndDialog_data() {
    QTest::addColumn<QString>("strAction");
    QTest::addColumn<int>("nResult");
    QTest::newRow("Enter") << "enter" << IDOK;
    QTest::newRow("keypad Enter") << "keypad enter" << IDOK;
    QTest::newRow("Esc") << "esc" << IDCANCEL;
    QTest::newRow("window close") << "close" << IDCANCEL;
    QTest::newRow("OK button") << "ok" << IDOK;
    QTest::newRow("Cancel button") << "cancel" << IDCANCEL;
    QTest::newRow("Enter on Cancel") << "tab enter" << IDCANCEL;
}

void CTapeDlgTest::keysEndDialog() {
    QFETCH(QString, strAction);
    QFETCH(int, nResult);
    CTapeDlg dlg;
    const INT_PTR nDoModal = RunModal(dlg, [&](QDialog& window) {
        if (strAction == "enter") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        } else if (strAction == "keypad enter") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter, Qt::KeypadModifier);
        } else if (strAction == "esc") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        } else if (strAction == "close") {
            window.windowHandle()->close();
        } else if (strAction == "ok") {
            Click(dlg, IDOK);
        } else if (strAction == "cancel") {
            Click(dlg, IDCANCEL);
        } else if (strAction == "tab enter") {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QTRY_VERIFY(!window.isVisible());
    });
    QCOMPARE(nDoModal, INT_PTR{nResult});
}

void CTapeDlgTest::mnemonics() {
    CChooserStub chooser;
    chooser.Answer(std::nullopt);
    chooser.Answer(std::nullopt);
    CTapeDlg dlg;
    const INT_PTR nResult = RunModal(dlg, [&](QDialog& window) {
        QTest::keyClick(&window, Qt::Key_W, Qt::AltModifier);
        QTRY_COMPARE(chooser.Requests().size(), size_t{1});
        QCOMPARE(ControlText(dlg, IDC_STATUS), kInitialStatus);  // browsing only
        QTest::keyClick(&window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(ControlText(dlg, IDC_STATUS), kWavNotOpened);
        QCOMPARE(chooser.Requests().size(), size_t{2});
        QVERIFY(window.isVisible());
        window.done(IDOK);
    });
    QCOMPARE(nResult, INT_PTR{IDOK});
}

QTEST_MAIN(CTapeDlgTest)
#include "TapeDlgTest.moc"
