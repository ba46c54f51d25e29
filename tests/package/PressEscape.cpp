// Loaded into the installed dialog program with LD_PRELOAD by
// tools/package.sh --test: once the program's dialog is shown, it prints the
// dialog's title and presses Esc in it, as a user would. The program must
// then end by itself.
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest/QTest>
#include <cstdio>

namespace {

void PressEscapeOnceShown() {
    auto* pTimer = new QTimer(QCoreApplication::instance());
    pTimer->setInterval(50);
    QObject::connect(pTimer, &QTimer::timeout, pTimer, [pTimer] {
        auto* pDialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (pDialog == nullptr || !pDialog->isVisible()) {
            return;
        }
        pTimer->stop();
        std::printf("dialog: %s\n", pDialog->windowTitle().toUtf8().constData());
        std::fflush(stdout);
        QTest::keyClick(pDialog, Qt::Key_Escape);
    });
    pTimer->start();
}

}  // namespace

// Runs when the program constructs its application object.
Q_COREAPP_STARTUP_FUNCTION(PressEscapeOnceShown)
