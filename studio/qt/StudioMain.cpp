// tavro-tape-studio: the studio's window on Qt; recordings named on the
// command line are added and decoded at once; --version says the version.
#include <QApplication>
#include <QLocale>
#include <cstdio>
#include <cstring>

#include "StudioWindow.h"
#include "Version.h"

int main(int argc, char* argv[]) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("tavro-tape-studio %s\n", TAVRO_VERSION_STRING);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName("tavro-tape");
    QApplication::setApplicationName("tavro-tape-studio");
    QApplication::setWindowIcon(QIcon::fromTheme("tavro-tape"));
    CQtStudioChooser chooser;
    CStudioWindow window(chooser, LanguageOfLocale(QLocale::system().name().toStdString()));
    window.show();
    window.AddRecordings(QApplication::arguments().mid(1));
    return QApplication::exec();
}
