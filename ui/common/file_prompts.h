// The messages around reading the table and template files, shared by the table and graph
// windows: refused files and files that could not be read. Saving goes through
// core/files/save_flow.h.
#pragma once

#include "core/common/prompts.h"

#include <QString>
#include <string>

namespace core {
struct FileRefusal;
} // namespace core

namespace ui {

/// A refused file: a notice in an information box, a conversion error in the application's
/// error box, both captioned with the application's title.
void ShowFileRefusal(core::IPrompts& prompts, const core::FileRefusal& refusal);

/// A file that could not be read: "Cannot open file <path>" in the application's error box.
void ShowOpenFailure(core::IPrompts& prompts, const std::string& path);

/// The path as the file system takes it.
std::string LocalPath(const QString& path);

} // namespace ui
