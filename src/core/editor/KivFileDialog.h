#pragma once

#include <QString>
#include <functional>

// File dialogs go through a replaceable hook, like message boxes: the desktop program installs
// one that shows the real dialog, tests install one that picks files without a screen.

// What the dialog asks for. Filter has the form "Tamsor File|*.zop|All Files|*.*": pairs of a
// name and its patterns, separated by "|". A save dialog never asks about replacing an existing
// file itself; the caller asks when it needs to.
struct TKivFileDialogRequest {
    enum Kind { Open, Save };
    Kind Mode = Open;
    QString Filter;
    QString DefaultExt; // with or without the leading "."; added to a name without extension
    QString Folder;     // folder shown first
    QString FileName;   // name proposed in a save dialog
};

// Returns the chosen path, or an empty text when the user cancelled.
using TKivFileDialogHook = std::function<QString(const TKivFileDialogRequest& request)>;

// Installs hook and returns the previous one. Without a hook (and after installing an empty
// one) every dialog counts as cancelled.
TKivFileDialogHook SetFileDialogHook(TKivFileDialogHook hook);

// Runs the installed dialog; a chosen name without an extension gets DefaultExt.
QString PromptFileName(const TKivFileDialogRequest& request);

// "Tamsor File|*.zop|All Files|*.*" as the filter list of a Qt file dialog:
// "Tamsor File (*.zop);;All Files (*)". A trailing name without patterns is dropped.
QString QtFileDialogFilter(const QString& filter);

// path with DefaultExt added when its file name has no extension.
QString WithDefaultExtension(const QString& path, const QString& defaultExt);

// The filter of a dialog for one kind of file: the name (a language text), its pattern, then
// "All Files" (also a language text) and "*.*".
QString FileDialogFilter(const QString& name, const QString& pattern);
