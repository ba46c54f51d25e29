// The process entry of a program on the Qt layer: the application object's
// InitInstance runs inside a QApplication. Kept in a file of its own so that
// programs with an entry of their own (tests) link the layer without it.
#include <QApplication>

#include "WinApp.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    CWinApp* pApp = AfxGetApp();
    if (pApp == nullptr) {
        return 1;
    }
    if (pApp->m_pszAppName != nullptr) {
        QApplication::setApplicationName(QString::fromUtf8(pApp->m_pszAppName));
    }
    // Lets the desktop match the windows to the program's desktop entry.
    QGuiApplication::setDesktopFileName(QApplication::applicationName());
    // A program that has done its work in InitInstance returns FALSE and
    // ends without a message loop.
    return pApp->InitInstance() ? QApplication::exec() : 0;
}
