// Where "Справка" finds the user manual, and the line that tells a user how to get access to
// a serial device.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <string>

class QObject;

namespace ui {

/// The manual's file name.
inline constexpr char kManualName[] = "VELS5_PO.pdf";

/// The folders searched for the manual, in order: the current folder, the program's own
/// folder (the installation folder on Windows), and elsewhere the documentation folder of an
/// installed program (<prefix>/share/doc/vels5 beside <prefix>/bin).
QStringList ManualFolders(const QString& currentDir, const QString& programDir);

/// The manual's path in the first folder that holds it, or an empty text.
QString FindManual(const QStringList& folders);

/// The message shown when the manual is in none of `folders` (one folder per line).
QString ManualMissingText(const QStringList& folders);

/// The desktop's opener of a document by its type. Empty on Windows: there the shell's open
/// action (ShellExecuteW without a verb) opens it.
#ifdef _WIN32
inline constexpr char kDesktopOpener[] = "";
#else
inline constexpr char kDesktopOpener[] = "xdg-open";
#endif

/// The message shown when no program could show the manual at `path`.
QString NoViewerText(const QString& path);

/// Hands the document at `path` to the desktop's viewer: runs `opener` with the path as its
/// one argument, without waiting for it, as a child of `owner` (named "documentOpener"), and
/// calls `failed` on the GUI thread when it cannot be started or ends with a status other
/// than 0 ("xdg-open" ends with 3 when no program for the document's type is installed and
/// with 4 when the program failed). "xdg-open" itself returns once the viewer is started.
/// An empty `opener` hands the document to the shell's open action on Windows (`failed` is
/// called when the shell finds no program for it) and fails at once elsewhere.
void OpenDocument(QObject* owner, const QString& opener, const QString& path,
                  std::function<void()> failed);

/// The Russian line added to the "Error" box when the user may not open `devicePath`: which
/// group may open it and that a new login is needed after joining it.
QString AccessHint(const std::string& devicePath, const QString& userName);

} // namespace ui
