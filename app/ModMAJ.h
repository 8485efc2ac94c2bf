#pragma once

#include <QString>

#include <functional>

class QWidget;

// Start-up of rouvel and the few things every window needs to end or find the program's
// windows.
namespace ModMAJ {

// Checks the regional settings, sets the file paths, makes sure the database is usable and shows
// the splash window, not modal. False means the program must end with status 1: the settings
// were refused (no window shown, no file opened) or the database cannot be used.
// dbOption: the database file given with --db, empty when none was (see AppPaths).
bool Main(const QString &dbOption = QString());

// dbPath and helpPath: the two files in one folder, given as the platform reports it (without a
// trailing separator). Main() itself lets AppPaths choose, which may be another folder.
void setFilePaths(const QString &programFolder);

// Ends the run at once, whatever windows are loaded. Windows whose close box ends the program
// call this rather than relying on the last window being closed: rouvel keeps running while a
// window is loaded, even hidden.
void endProgram();

// Replaces what endProgram does; an empty function restores the default. Lets a test see the
// program end without leaving its own event loop.
void setProgramEndHandler(std::function<void()> handler);

// The loaded top-level window whose object name is windowName ("entreval", "frmMAJtrans", ...),
// or nullptr. Windows reach each other by name, as they are loaded once for the whole run.
QWidget *loadedWindow(const QString &windowName);

} // namespace ModMAJ
