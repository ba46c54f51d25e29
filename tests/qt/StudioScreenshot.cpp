// Saves a picture of the studio's window for the documentation: two takes
// of a tape with dropouts, decoded, the first one chosen (its map, with the
// failed bytes, and its blocks).
//
//   QT_QPA_PLATFORM=offscreen tavro-studio-screenshot docs/screenshots/studio-qt.png
//
// Exit code 0 when both takes were decoded and the picture was saved.
#include <QApplication>
#include <QDir>
#include <QTextStream>
#include <QtTest>

#include "StudioDriver.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavro-studio-screenshot <picture.png>\n";
        return 2;
    }
    const QString strPicture = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    // A fixed folder, so that the picture shows the same paths every time.
    QDir folder(QDir::temp().filePath("tavro-tape-studio-ukazka"));
    if (!folder.mkpath(".") || !WriteStudioTake(folder.filePath("take1.wav"), 7) ||
        !WriteStudioTake(folder.filePath("take2.wav"), 8)) {
        return 1;
    }
    CAnsweringChooser chooser;
    CStudioWindow window(chooser, EStudioLanguage::kEnglish);
    window.resize(1100, 760);
    window.show();
    window.AddRecordings({folder.filePath("take1.wav"), folder.filePath("take2.wav")});
    const bool bDecoded = QTest::qWaitFor(
        [&] {
            return StateOf(window, 0).startsWith("decoded") &&
                   StateOf(window, 1).startsWith("decoded");
        },
        60000);
    RecordingsTable(window)->selectRow(0);
    QTest::qWait(200);
    const bool bSaved = bDecoded && window.grab().save(strPicture, "PNG");
    folder.removeRecursively();
    if (!bSaved) {
        QTextStream(stderr) << "tavro-studio-screenshot: "
                            << (bDecoded ? "not saved" : "not decoded") << "\n";
        return 1;
    }
    QTextStream(stdout) << strPicture << "\n";
    return 0;
}
