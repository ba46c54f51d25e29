// The window of a running dialog: a QDialog laid out from a dialog template.
#pragma once

#include <QDialog>
#include <functional>
#include <utility>
#include <vector>

#include "DialogTemplate.h"
#include "Wnd.h"

class CDialogWindow : public QDialog {
public:
    // fnCommand receives the button clicks and the window's own commands
    // (IDOK for accept, IDCANCEL for Esc and the close command).
    CDialogWindow(const CDialogTemplate& dialogTemplate, QWidget* pParent,
                  std::function<void(int)> fnCommand);
    ~CDialogWindow() override;

    // Control nID, or null.
    QWidget* FindControl(int nID) const;
    // Ties rControl to this window's control nID until the window goes.
    bool BindControl(int nID, CWnd& rControl);

    // Ends the dialog with nResult, also before it is shown.
    void End(int nResult);
    bool IsEnded() const { return m_bEnded; }

protected:
    void accept() override;
    void reject() override;
    void showEvent(QShowEvent* pEvent) override;

private:
    QWidget* CreateControl(const CDialogItemTemplate& item);

    std::function<void(int)> m_fnCommand;
    std::vector<std::pair<int, QWidget*>> m_controls;  // in template order
    std::vector<CWnd*> m_boundControls;
    bool m_bEnded = false;
};

// For tests and tools: the window of a dialog while DoModal runs, and its
// control nID; null otherwise.
QDialog* GetDialogWindow(const CWnd& dialog);
QWidget* GetDialogControl(const CWnd& dialog, int nID);
