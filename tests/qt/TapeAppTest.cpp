// Start-up: the application object runs one modal dialog, and the program
// ends whichever way that dialog is left.
#include <QApplication>
#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <QtTest>

#include "DialogWindow.h"
#include "QtTestSupport.h"
#include "TapeApp.h"
#include "resource.h"

extern CTapeApp theApp;

class CTapeAppTest : public QObject {
    Q_OBJECT

private slots:
    void applicationObject();
    void oneDialogThenEnd_data();
    void oneDialogThenEnd();
};

void CTapeAppTest::applicationObject() {
    QCOMPARE(AfxGetApp(), &theApp);
    QCOMPARE(theApp.m_pszAppName, nullptr);
    QCOMPARE(theApp.m_pMainWnd, nullptr);
}

void CTapeAppTest::oneDialogThenEnd_data() {
    QTest::addColumn<QString>("strWay");
    QTest::newRow("OK") << "ok";
    QTest::newRow("Cancel") << "cancel";
    QTest::newRow("close") << "close";
    QTest::newRow("Esc") << "esc";
}

void CTapeAppTest::oneDialogThenEnd() {
    QFETCH(QString, strWay);
    QString strCaption;
    bool bMainWindow = false;
    qsizetype nWindows = -1;
    QTimer::singleShot(0, [&] {
        auto* pWindow = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (pWindow == nullptr) {
            return;
        }
        strCaption = pWindow->windowTitle();
        bMainWindow =
            theApp.m_pMainWnd != nullptr && GetDialogWindow(*theApp.m_pMainWnd) == pWindow;
        nWindows = QApplication::topLevelWidgets().size();
        if (strWay == "ok" || strWay == "cancel") {
            const int nID = strWay == "ok" ? IDOK : IDCANCEL;
            QTest::mouseClick(qobject_cast<QPushButton*>(GetDialogControl(*theApp.m_pMainWnd, nID)),
                              Qt::LeftButton);
        } else if (strWay == "close") {
            pWindow->windowHandle()->close();
        } else {
            QTest::keyClick(pWindow, Qt::Key_Escape);
        }
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (auto* pModal = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            pModal->done(kWatchdogFired);
        }
    });
    watchdog.start(20000);
    QCOMPARE(theApp.InitInstance(), FALSE);  // no message loop: the program ends
    QVERIFY(watchdog.isActive());
    QCOMPARE(strCaption, QStringLiteral("Tavro tape 1.0"));
    QVERIFY(bMainWindow);
    QCOMPARE(nWindows, qsizetype{1});
    QCOMPARE(theApp.m_pMainWnd, nullptr);
    QCOMPARE(QApplication::topLevelWidgets().size(), qsizetype{0});
}

QTEST_MAIN(CTapeAppTest)
#include "TapeAppTest.moc"
