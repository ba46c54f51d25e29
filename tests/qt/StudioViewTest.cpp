// The studio's Qt window on the offscreen platform, driven like a user: two
// takes added through the file dialog, decoded, merged from the keyboard,
// the bytes, the blocks and the report saved; a file dropped on the window
// that cannot be read; the Czech texts; a take recorded from the capture
// tests' ALSA device; Esc, Enter, the mnemonics and the Tab order.
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QLabel>
#include <QMimeData>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <fstream>
#include <iterator>
#include <memory>
#include <ranges>

#include "PictureWidget.h"
#include "StudioDriver.h"
#include "support/AlsaTapeDevice.h"

namespace {

std::vector<uint8_t> FileBytes(const QString& strPath) {
    std::ifstream in(strPath.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

class CStudioViewTest : public QObject {
    Q_OBJECT
private slots:
    void TwoTakesAreDecodedMergedAndSaved();
    void AFileThatCannotBeReadIsALineInItsRow();
    void CzechTextsFollowTheLanguage();
    void RecordThenStopKeepsADecodedTake();
    void EscCancelsAndEnterDecodes();
    void EveryControlHasAMnemonicAndTabFollowsTheRow();
};

void CStudioViewTest::TwoTakesAreDecodedMergedAndSaved() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString strOne = dir.filePath("take1.wav");
    const QString strTwo = dir.filePath("take2.wav");
    QVERIFY(WriteStudioTake(strOne, 1));
    QVERIFY(WriteStudioTake(strTwo, 2));
    const auto eEnglish = EStudioLanguage::kEnglish;
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, eEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    chooser.m_recordings.push_back({strOne, strTwo});
    QTest::mouseClick(StudioButton(window, EStudioText::kAdd, eEnglish), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(RecordingsTable(window)->rowCount(), 2, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 0).startsWith("decoded: 3 "), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 1).startsWith("decoded: 3 "), 60000);
    // The first take is chosen: its map and histogram are drawn.
    const QList<CPictureWidget*> pictures = window.findChildren<CPictureWidget*>();
    QVERIFY(std::any_of(pictures.begin(), pictures.end(),
                        [](CPictureWidget* p) { return p->Picture().Shapes().size() > 20; }));

    // Alt+M merges; the merged row is added and chosen.
    window.activateWindow();
    QTest::keyClick(&window, Qt::Key_M, Qt::AltModifier);
    QTRY_COMPARE_WITH_TIMEOUT(RecordingsTable(window)->rowCount(), 3, 60000);
    QTRY_VERIFY(StateOf(window, 2).startsWith("merged: 3 "));
    QCOMPARE(RecordingsTable(window)->currentRow(), 2);

    const std::vector<CAnalogBlock> blocks = StudioTapeBlocks();
    chooser.m_files.push_back({dir.filePath("tape.dat")});
    QTest::mouseClick(StudioButton(window, EStudioText::kSaveBytes, eEnglish), Qt::LeftButton);
    QVERIFY(FileBytes(dir.filePath("tape.dat")) == TapeBytes(blocks));

    chooser.m_folders.push_back({dir.filePath("blocks")});
    QTest::mouseClick(StudioButton(window, EStudioText::kSaveBlocks, eEnglish), Qt::LeftButton);
    const char* const kFiles[] = {"01-PROGRAM1.bin", "02-DATA-2.bin", "03-END.bin"};
    for (size_t b = 0; b < blocks.size(); ++b) {
        QVERIFY2(FileBytes(dir.filePath(QString("blocks/") + kFiles[b])) ==
                     TapeBytes(std::span(&blocks[b], 1)),
                 kFiles[b]);
    }

    chooser.m_files.push_back({dir.filePath("merge.html")});
    QTest::mouseClick(StudioButton(window, EStudioText::kSaveReport, eEnglish), Qt::LeftButton);
    QTRY_COMPARE(chooser.m_shown, QStringList{dir.filePath("merge.html")});
    QVERIFY(FileBytes(dir.filePath("merge.html")).size() > 1000);
    window.close();
}

void CStudioViewTest::AFileThatCannotBeReadIsALineInItsRow() {
    QTemporaryDir dir;
    const QString strGood = dir.filePath("good.wav");
    QVERIFY(WriteStudioTake(strGood, 3));
    const QString strBad = dir.filePath("notes.wav");
    std::ofstream(strBad.toStdString()) << "not a recording";
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, EStudioLanguage::kEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Both dropped on the window at once.
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(strGood), QUrl::fromLocalFile(strBad),
                  QUrl::fromLocalFile(dir.filePath("missing.wav"))});
    QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &drop);
    QTRY_COMPARE_WITH_TIMEOUT(RecordingsTable(window)->rowCount(), 3, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 0).startsWith("decoded: 3 "), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(
        StateOf(window, 1).contains("cannot be read: not a recording the decoder reads"), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 2).contains("cannot be read: No such file"), 60000);
    // The good one stays decoded.
    QVERIFY(StateOf(window, 0).startsWith("decoded: 3 "));
}

void CStudioViewTest::CzechTextsFollowTheLanguage() {
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, EStudioLanguage::kCzech);
    QVERIFY(StudioButton(window, EStudioText::kAdd, EStudioLanguage::kCzech) != nullptr);
    QVERIFY(StudioButton(window, EStudioText::kMerge, EStudioLanguage::kCzech) != nullptr);
    QCOMPARE(StudioButton(window, EStudioText::kAdd, EStudioLanguage::kEnglish), nullptr);
    QCOMPARE(RecordingsTable(window)->horizontalHeaderItem(0)->text(), QString("Nahrávka"));
}

// The input chosen by its name, Record, the tape played by the capture
// tests' device (faster than real time), Stop: the take is decoded in its
// row and kept in the last folder.
void CStudioViewTest::RecordThenStopKeepsADecodedTake() {
    QTemporaryDir dir;
    CTempDir alsa;
    const std::vector<CAnalogBlock> blocks = RandomBlocks(7, {{"FIRST", 400}, {"SECOND", 250}});
    // Two channels, as the view takes them from a device that has them:
    // each sample of the tape twice.
    std::vector<uint8_t> stereo;
    for (const std::vector<uint8_t> mono = TapePcm(blocks, 2.0);
         size_t k : std::views::iota(size_t{0}, mono.size() / 2)) {
        stereo.insert(stereo.end(), {mono[2 * k], mono[2 * k + 1], mono[2 * k], mono[2 * k + 1]});
    }
    WriteBytes(alsa.File("tape.raw"), stereo);
    const double dTapeSeconds = static_cast<double>(stereo.size()) / 4.0 / kTapeDeviceRate;
    qputenv("ALSA_CONFIG_PATH",
            QByteArray::fromStdString(WriteAlsaConfig(alsa, alsa.File("tape.raw"))));
    // Gone with the folder: the next windows find the machine's own.
    const std::unique_ptr<CTempDir, void (*)(CTempDir*)> pUnset(
        &alsa, [](CTempDir*) { qunsetenv("ALSA_CONFIG_PATH"); });
    QSettings().setValue("folder", dir.path());

    const auto eEnglish = EStudioLanguage::kEnglish;
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, eEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* pDevice = window.findChild<QComboBox*>("input");
    QVERIFY(pDevice != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(pDevice->findText("tapein", Qt::MatchContains) > 0, 20000);
    pDevice->setCurrentIndex(pDevice->findText("tapein", Qt::MatchContains));
    QPushButton* pRecord = StudioButton(window, EStudioText::kRecord, eEnglish);
    QPushButton* pStop = StudioButton(window, EStudioText::kStop, eEnglish);
    QVERIFY(pRecord != nullptr && pStop != nullptr);
    QVERIFY(pRecord->isEnabled());
    QVERIFY(!pStop->isEnabled());

    QTest::mouseClick(pRecord, Qt::LeftButton);
    QVERIFY(pStop->isEnabled());
    QTRY_COMPARE_WITH_TIMEOUT(RecordingsTable(window)->rowCount(), 1, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 0).startsWith("recording "), 20000);
    const auto Taken = [&] {
        const std::vector<SRecordingRow> rows = window.Studio().Recordings();
        return !rows.empty() &&
               (!rows[0].m_bRecording || rows[0].m_level.m_dSeconds > dTapeSeconds);
    };
    QTRY_VERIFY_WITH_TIMEOUT(Taken(), 60000);
    QTest::mouseClick(pStop, Qt::LeftButton);
    QVERIFY(!pStop->isEnabled());
    QTRY_VERIFY2_WITH_TIMEOUT(StateOf(window, 0).startsWith("decoded: 2 "),
                              qPrintable(StateOf(window, 0)), 60000);
    QVERIFY2(!StateOf(window, 0).contains("failed:"), qPrintable(StateOf(window, 0)));
    QVERIFY(!pStop->isEnabled());

    // The blocks of the chosen take, and the kept file in the folder.
    const QTableWidget* pBlocks = nullptr;
    for (const QTableWidget* pTable : window.findChildren<QTableWidget*>()) {
        pBlocks = pTable->columnCount() == 5 ? pTable : pBlocks;
    }
    QVERIFY(pBlocks != nullptr);
    QTRY_COMPARE(pBlocks->rowCount(), 2);
    QCOMPARE(pBlocks->item(0, 1)->text(), QString("FIRST"));
    QCOMPARE(pBlocks->item(1, 1)->text(), QString("SECOND"));
    const std::optional<SRecordingRow> row =
        window.Studio().Recording(window.Studio().Recordings()[0].m_nId);
    QVERIFY(row && row->m_pDecoded);
    QCOMPARE(QFileInfo(QString::fromStdString(row->m_strPath)).absolutePath(), dir.path());
    std::vector<uint8_t> bytes;
    for (const SNamedBlock& block : row->m_pDecoded->m_blocks) {
        bytes.insert(bytes.end(), block.m_bytes.begin(), block.m_bytes.end());
    }
    QVERIFY(bytes == TapeBytes(blocks));
    const uint32_t nKept = window.Studio().AddRecording(row->m_strPath);
    window.Studio().Decode(nKept);
    QTRY_VERIFY_WITH_TIMEOUT(StateOf(window, 1).startsWith("decoded: 2 "), 60000);
    window.close();
}

// Esc cancels the decode that runs and leaves the window open; Enter on a
// recording decodes it.
void CStudioViewTest::EscCancelsAndEnterDecodes() {
    QTemporaryDir dir;
    // Long enough to be decoding still when Esc comes.
    const QString strTake = dir.filePath("long.wav");
    QVERIFY(WriteAnalogRecording(strTake.toStdString(), CAnalogFormat{}, CImpairments{},
                                 RandomBlocks(5, {{"LONG", 30000}}), 200, 0.3));
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, EStudioLanguage::kEnglish);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    chooser.m_recordings.push_back({strTake});
    // Esc at once: the decode has begun or waits for the worker. (Alt+A
    // would click the button a moment later.)
    QTest::mouseClick(StudioButton(window, EStudioText::kAdd, EStudioLanguage::kEnglish),
                      Qt::LeftButton);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTRY_VERIFY2_WITH_TIMEOUT(StateOf(window, 0).startsWith("cancelled"),
                              qPrintable(StateOf(window, 0)), 20000);
    QVERIFY(window.isVisible());
    QTest::keyClick(&window, Qt::Key_Escape);
    QVERIFY(window.isVisible());

    QTableWidget* pRecordings = RecordingsTable(window);
    pRecordings->setFocus();
    QTest::keyClick(pRecordings, Qt::Key_Return);
    QTRY_VERIFY2_WITH_TIMEOUT(StateOf(window, 0).startsWith("decoded: 1 "),
                              qPrintable(StateOf(window, 0)), 60000);
    QCOMPARE(pRecordings->rowCount(), 1);
}

// Every button but Cancel (Esc) has an underlined letter, each its own;
// the labels lead to their choices; Tab goes along the rows of controls.
void CStudioViewTest::EveryControlHasAMnemonicAndTabFollowsTheRow() {
    for (const auto eLanguage : {EStudioLanguage::kEnglish, EStudioLanguage::kCzech}) {
        CAnsweringChooser chooser;
        CStudioWindow window(chooser, eLanguage);
        QSet<QChar> letters;
        for (const QPushButton* pButton : window.findChildren<QPushButton*>()) {
            const QString strText = pButton->text();
            if (strText == StudioText(EStudioText::kCancel, eLanguage)) {
                continue;
            }
            const qsizetype nAmp = strText.indexOf('&');
            QVERIFY2(nAmp >= 0 && nAmp + 1 < strText.size(), qPrintable(strText));
            const QChar letter = strText[nAmp + 1].toLower();
            QVERIFY2(!letters.contains(letter), qPrintable(strText));
            letters.insert(letter);
        }
        for (const QLabel* pLabel : window.findChildren<QLabel*>()) {
            if (pLabel->text().contains('&')) {
                QVERIFY2(qobject_cast<QComboBox*>(pLabel->buddy()) != nullptr,
                         qPrintable(pLabel->text()));
                QVERIFY(
                    !letters.contains(pLabel->text()[pLabel->text().indexOf('&') + 1].toLower()));
            }
        }
        const EStudioText kButtons[] = {EStudioText::kAdd,        EStudioText::kDecode,
                                        EStudioText::kCancel,     EStudioText::kMerge,
                                        EStudioText::kRecord,     EStudioText::kSaveBytes,
                                        EStudioText::kSaveBlocks, EStudioText::kSaveReport};
        QStringList expected;
        for (const EStudioText eText : kButtons) {
            expected << StudioText(eText, eLanguage);
        }
        QStringList seen;
        QWidget* pWidget = StudioButton(window, EStudioText::kAdd, eLanguage);
        for (int k = 0; k < 40 && pWidget != nullptr; ++k) {
            if (auto* pButton = qobject_cast<QPushButton*>(pWidget);
                pButton != nullptr && pButton->isEnabled() && !seen.contains(pButton->text())) {
                seen << pButton->text();
            }
            pWidget = pWidget->nextInFocusChain();
        }
        QCOMPARE(seen, expected);
    }
}

QTEST_MAIN(CStudioViewTest)
#include "StudioViewTest.moc"
