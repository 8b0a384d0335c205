// The questions and messages around the table and template files, shared by the table and
// graph windows: the dialogs' options, the replace question, refusals and failed writes.
#pragma once

#include "core/common/prompts.h"

#include <QString>
#include <string>
#include <string_view>

namespace core {
struct FileRefusal;
struct FileWriteResult;
} // namespace core

namespace ui {

/// The open or save dialog of a text file: `title`, default extension "txt", the filter
/// "TXT (*.txt)|*.txt|all (*.*)|*.*" with its first entry selected, no preset name.
core::FileDialogOptions TextFileDialog(std::string_view title);

/// True when the save may go on: `path` does not exist, or the answer to
/// "Файл существует, заменить?" (OK and Cancel, empty caption) was OK.
bool ConfirmReplace(core::IPrompts& prompts, const std::string& path);

/// A refused file: a notice in an information box, a conversion error in the application's
/// error box, both captioned with the application's title.
void ShowFileRefusal(core::IPrompts& prompts, const core::FileRefusal& refusal);

/// A file that could not be read: "Cannot open file <path>" in the application's error box.
void ShowOpenFailure(core::IPrompts& prompts, const std::string& path);

/// A failed write (the earlier file is intact): "Cannot create file <path>" and, on the line
/// below, the reason in the application's error box.
void ShowWriteFailure(core::IPrompts& prompts, const core::FileWriteResult& result);

/// The path as the file system takes it.
std::string LocalPath(const QString& path);

} // namespace ui
