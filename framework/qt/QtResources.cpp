// Resource lookup on Qt: the program's icons are .ico files among its Qt
// resources, named after their resource numbers.
#include <QApplication>
#include <QFile>
#include <QStyle>
#include <map>
#include <memory>

#include "QtIcon.h"
#include "Wnd.h"

struct HINSTANCE__ {
    int nUnused;
};

struct HICON__ {
    QIcon icon;
};

namespace {

// The one module: the program with its Qt resources.
HINSTANCE__ g_module{0};

// Loaded icons, shared like the system's icons from a module, until the
// application object goes.
std::map<UINT_PTR, std::unique_ptr<HICON__>>& LoadedIcons() {
    static std::map<UINT_PTR, std::unique_ptr<HICON__>> icons;
    return icons;
}

void ReleaseIcons() {
    LoadedIcons().clear();
}

bool IsIntResource(LPCWSTR lpszName) {
    return reinterpret_cast<UINT_PTR>(lpszName) <= 0xFFFF;
}

}  // namespace

HINSTANCE AfxFindResourceHandle(LPCWSTR, LPCWSTR) {
    return &g_module;
}

HICON LoadIconW(HINSTANCE hInstance, LPCWSTR lpIconName) {
    if (hInstance != &g_module || !IsIntResource(lpIconName) ||
        QApplication::instance() == nullptr) {
        return nullptr;
    }
    const auto nID = reinterpret_cast<UINT_PTR>(lpIconName);
    auto& icons = LoadedIcons();
    if (const auto it = icons.find(nID); it != icons.end()) {
        return it->second.get();
    }
    const QString strPath = QLatin1String(kIconResourceFolder) + QString::number(nID) + ".ico";
    if (!QFile::exists(strPath)) {
        return nullptr;
    }
    if (icons.empty()) {
        qAddPostRoutine(ReleaseIcons);
    }
    // QIcon takes every image of an .ico file.
    auto pIcon = std::make_unique<HICON__>(HICON__{QIcon(strPath)});
    HICON hIcon = pIcon.get();
    icons.emplace(nID, std::move(pIcon));
    return hIcon;
}

QIcon IconFromHandle(HICON hIcon) {
    return hIcon != nullptr ? hIcon->icon : QIcon();
}

int GetSystemMetrics(int nIndex) {
    if (nIndex != SM_CXICON && nIndex != SM_CYICON) {
        return 0;
    }
    if (qobject_cast<QApplication*>(QApplication::instance()) != nullptr) {
        return QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    }
    return 32;
}
