#pragma once

// Every file dialog goes through RunFileDialog, so tests can answer it through the hook.

#include <QString>
#include <functional>
#include <optional>

class QWidget;

struct FileDialogRequest
{
    enum Kind { Open, Save };
    Kind kind = Open;
    QString title;         // empty: the dialog's own
    QString directory;     // initial folder; empty: the dialog's default
    QString fileName;      // initial file name
    QString filter;        // Qt filter text, e.g. "Boltoファイル(*.blsh)"
    QString defaultSuffix; // appended to a name typed without one; empty: none
    bool executablesOnly = false;
    bool mustExist = true; // Open only: false accepts the name of a file that is not there
};

// The chosen full path, or nothing when the user cancels.
std::optional<QString> RunFileDialog(QWidget *parent, const FileDialogRequest &request);

using FileDialogHook = std::function<std::optional<QString>(const FileDialogRequest &)>;
void SetFileDialogHook(FileDialogHook hook);
