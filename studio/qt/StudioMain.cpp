// tavro-tape-studio: the studio's window on Qt; recordings named on the
// command line are added and decoded at once.
#include <QApplication>
#include <QLocale>

#include "StudioWindow.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName("tavro-tape");
    QApplication::setApplicationName("tavro-tape-studio");
    QApplication::setWindowIcon(QIcon::fromTheme("tavro-tape-studio"));
    CQtStudioChooser chooser;
    CStudioWindow window(chooser, LanguageOfLocale(QLocale::system().name().toStdString()));
    window.show();
    window.AddRecordings(QApplication::arguments().mid(1));
    return QApplication::exec();
}
