// The studio's Qt window on the offscreen platform, driven like a user: two
// takes added through the file dialog, decoded, merged from the keyboard,
// the bytes, the blocks and the report saved; a file dropped on the window
// that cannot be read; the Czech texts.
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>
#include <QtTest>
#include <fstream>
#include <iterator>

#include "PictureWidget.h"
#include "StudioDriver.h"

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

QTEST_MAIN(CStudioViewTest)
#include "StudioViewTest.moc"
