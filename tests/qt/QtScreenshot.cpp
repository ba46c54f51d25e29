// Saves a picture of the main dialog after a successful run on an encoded
// recording, for the documentation:
//
//   QT_QPA_PLATFORM=offscreen tavro-qt-screenshot docs/screenshots/qt-dialog.png
//
// The recording goes to a fixed folder under the temporary directory, so the
// picture shows the same path every time. Exit code 0 when the run ended with
// "Hotovo :-)" and the picture was saved.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPushButton>
#include <QTextStream>
#include <QtTest>

#include "DialogWindow.h"
#include "QtTestSupport.h"
#include "TapeDlg.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: tavro-qt-screenshot <picture.png>\n";
        return 2;
    }
    const QString strPicture = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    const CCurrentDirGuard dirGuard;
    QDir folder(QDir::temp().filePath("tavro-tape-ukazka"));
    if (!folder.mkpath(".")) {
        return 1;
    }
    const QString strWav = folder.filePath("kazeta.wav");
    std::vector<uint8_t> data(1500);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 7);
    }
    if (!WriteEncodedRecording(strWav, data, std::string("UKAZKA"))) {
        return 1;
    }

    CChooserStub chooser;
    chooser.Answer(strWav);
    CTapeDlg dlg;
    bool bSaved = false;
    QString strStatus;
    RunModal(dlg, [&](QDialog& window) {
        QTest::mouseClick(qobject_cast<QPushButton*>(GetDialogControl(dlg, IDC_ANALYSE)),
                          Qt::LeftButton);
        strStatus = ControlText(dlg, IDC_STATUS);
        bSaved = window.grab().save(strPicture, "PNG");
        window.done(IDOK);
    });
    folder.removeRecursively();
    if (strStatus != QStringLiteral("Hotovo :-)") || !bSaved) {
        QTextStream(stderr) << "tavro-qt-screenshot: status \"" << strStatus << "\", "
                            << (bSaved ? "saved" : "not saved") << "\n";
        return 1;
    }
    QTextStream(stdout) << strPicture << "\n";
    return 0;
}
