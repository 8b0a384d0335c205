// The version shown in the main window's caption and the about box.
#pragma once

#include <QString>

namespace ui {

/// The program file's version. On Windows it is read from the executable's version resource:
/// the first language and code page pair of "\VarFileInfo\Translation" names the string table
/// ("\StringFileInfo\" + 8 upper-case hexadecimal digits + "\FileVersion"); an empty text when
/// the resource, its translation table or the value is missing. Elsewhere it is the build's
/// four-part version, which the Windows build writes into that resource.
QString ProgramVersion();

/// The main window's caption for `version`: "ВЕЛС5  v" + version, or "ВЕЛС5" without one.
QString MainCaption(const QString& version);

} // namespace ui
