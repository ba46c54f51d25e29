#include "DialogWindow.h"

#include <QLabel>
#include <QPushButton>

#include "DialogUnits.h"

namespace {

Qt::WindowFlags WindowFlagsForStyle(DWORD dwStyle) {
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint;
    if ((dwStyle & WS_CAPTION) == WS_CAPTION) {
        flags |= Qt::WindowTitleHint;
    }
    if (dwStyle & WS_SYSMENU) {
        flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
        if (dwStyle & WS_MINIMIZEBOX) {
            flags |= Qt::WindowMinimizeButtonHint;
        }
        if (dwStyle & WS_MAXIMIZEBOX) {
            flags |= Qt::WindowMaximizeButtonHint;
        }
    }
    return flags | Qt::MSWindowsFixedSizeDialogHint;
}

Qt::Alignment StaticAlignment(DWORD dwStyle) {
    switch (dwStyle & SS_TYPEMASK) {
        case SS_CENTER:
            return Qt::AlignHCenter | Qt::AlignTop;
        case SS_RIGHT:
            return Qt::AlignRight | Qt::AlignTop;
        default:
            return Qt::AlignLeft | Qt::AlignTop;
    }
}

}  // namespace

CDialogWindow::CDialogWindow(const CDialogTemplate& dialogTemplate, QWidget* pParent,
                             std::function<void(int)> fnCommand)
    : QDialog(pParent, WindowFlagsForStyle(dialogTemplate.dwStyle)),
      m_fnCommand(std::move(fnCommand)) {
    setObjectName(QString::fromUtf8(dialogTemplate.szIDName));
    setWindowTitle(QString::fromUtf8(dialogTemplate.szCaption));
    setFont(GetDialogFont(dialogTemplate));
    const CDialogBaseUnits units = GetDialogBaseUnits(font());
    // The template gives the client area; the frame is the window manager's.
    setFixedSize(MapDialogRect(dialogTemplate.rect, units).size());

    QWidget* pLastTabStop = nullptr;
    for (const CDialogItemTemplate& item : dialogTemplate.items) {
        QWidget* pControl = CreateControl(item);
        pControl->setObjectName(QString::fromUtf8(item.szIDName));
        pControl->setGeometry(MapDialogRect(item.rect, units));
        pControl->setEnabled((item.dwStyle & WS_DISABLED) == 0);
        m_controls.emplace_back(item.nID, pControl);
        // Template order is the tab order.
        if (pControl->focusPolicy() & Qt::TabFocus) {
            if (pLastTabStop != nullptr) {
                setTabOrder(pLastTabStop, pControl);
            }
            pLastTabStop = pControl;
        }
    }
}

CDialogWindow::~CDialogWindow() {
    for (CWnd* pControl : m_boundControls) {
        pControl->m_hWnd = nullptr;
    }
}

QWidget* CDialogWindow::CreateControl(const CDialogItemTemplate& item) {
    const QString strClass = QString::fromUtf8(item.szClass);
    const QString strText = QString::fromUtf8(item.szText);
    if (strClass.compare(QLatin1String("Button"), Qt::CaseInsensitive) == 0 &&
        (item.dwStyle & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
        auto* pButton = new QPushButton(strText, this);
        pButton->setDefault((item.dwStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
        pButton->setFocusPolicy((item.dwStyle & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus);
        const int nID = item.nID;
        connect(pButton, &QPushButton::clicked, this, [this, nID] { m_fnCommand(nID); });
        return pButton;
    }
    if (strClass.compare(QLatin1String("Static"), Qt::CaseInsensitive) == 0) {
        auto* pLabel = new QLabel(this);
        pLabel->setTextFormat(Qt::PlainText);
        pLabel->setAlignment(StaticAlignment(item.dwStyle));
        // Text that does not fit wraps at word boundaries and is cut at the
        // control's bottom edge.
        pLabel->setWordWrap(true);
        pLabel->setText(strText);
        return pLabel;
    }
    qWarning("Dialog control %d: class \"%s\" is not supported", item.nID, item.szClass);
    return new QWidget(this);
}

QWidget* CDialogWindow::FindControl(int nID) const {
    for (const auto& [nControlID, pControl] : m_controls) {
        if (nControlID == nID) {
            return pControl;
        }
    }
    return nullptr;
}

bool CDialogWindow::BindControl(int nID, CWnd& rControl) {
    QWidget* pControl = FindControl(nID);
    if (pControl == nullptr) {
        return false;
    }
    rControl.m_hWnd = pControl;
    m_boundControls.push_back(&rControl);
    return true;
}

void CDialogWindow::End(int nResult) {
    m_bEnded = true;
    done(nResult);
}

void CDialogWindow::accept() {
    m_fnCommand(IDOK);
}

void CDialogWindow::reject() {
    m_fnCommand(IDCANCEL);
}

void CDialogWindow::showEvent(QShowEvent* pEvent) {
    QDialog::showEvent(pEvent);
    // A new dialog takes the keyboard, also where no window manager
    // activates windows (a bare X server).
    activateWindow();
}

QDialog* GetDialogWindow(const CWnd& dialog) {
    return dynamic_cast<CDialogWindow*>(dialog.GetSafeHwnd());
}

QWidget* GetDialogControl(const CWnd& dialog, int nID) {
    const auto* pWindow = dynamic_cast<const CDialogWindow*>(dialog.GetSafeHwnd());
    return pWindow != nullptr ? pWindow->FindControl(nID) : nullptr;
}
