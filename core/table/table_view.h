// The table window's stored view options: follow mode, field delimiter and unit suffixes.
#pragma once

#include <string>

namespace core {

/// The options of the table window that the settings file keeps between runs. The member
/// initialisers are the values a new window starts from; the window holds one of these.
struct TableView {
    bool ViewLastLine = false; ///< follow mode: each new row becomes the current row
    std::string Delim = ";";   ///< field delimiter of rows and files, UTF-8
    bool IsUnit = false;       ///< rows carry unit suffixes
};

} // namespace core
