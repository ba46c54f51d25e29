// tavro-tape-studio.exe: the studio's window on Windows; recordings named
// on the command line are added and decoded at once.

#include "StudioFrame.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int nShow) {
    int nArgs = 0;
    LPWSTR* ppArgs = ::CommandLineToArgvW(::GetCommandLineW(), &nArgs);
    std::vector<std::wstring> paths;
    for (int k = 1; ppArgs != nullptr && k < nArgs; ++k) {
        paths.emplace_back(ppArgs[k]);
    }
    ::LocalFree(ppArgs);

    CWinStudioDialogs dialogs;
    CStudioFrame frame(dialogs, SystemStudioLanguage());
    if (!frame.Create(nShow)) {
        return 1;
    }
    frame.AddRecordings(paths);
    return frame.RunMessageLoop();
}
