// The file chooser behind CFileDialog on Qt. By default it is Qt's own
// widget-based QFileDialog; tests put a function of their own in its place.
#pragma once

#include <QFileDialog>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

// What CFileDialog asks of the chooser.
struct CFileChooserRequest {
    QWidget* pParent = nullptr;
    QFileDialog::AcceptMode eAcceptMode = QFileDialog::AcceptOpen;
    QFileDialog::FileMode eFileMode = QFileDialog::AnyFile;
    QString strDirectory;  // an existing folder to start in
    QString strFileName;   // initial file name, may be empty
    QStringList nameFilters;
    QString strDefaultSuffix;
};

// The chosen file, or nothing when the user cancelled.
using FileChooser = std::function<std::optional<QString>(const CFileChooserRequest&)>;

// Puts fnChooser in place of the dialog; an empty function brings the dialog
// back.
void SetFileChooser(FileChooser fnChooser);

// Qt's widget-based file dialog, set up from the request and run modally.
std::optional<QString> RunQtFileDialog(const CFileChooserRequest& request);

// The name filters for a filter string of pairs "description|patterns|",
// ended by one more '|': "Wavy (*.wav)|*.wav||" gives "Wavy (*.wav)".
QStringList NameFiltersFromFilterString(const QString& strFilter);
