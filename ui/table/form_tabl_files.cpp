// The table window's files: loading and saving the table file, saving a template.
#include "core/files/save_flow.h"
#include "core/files/table_file.h"
#include "core/files/template_file.h"
#include "core/fire/fire_marks.h"
#include "core/journal/journal_store.h"
#include "core/session/measurement_session.h"
#include "ui/common/file_prompts.h"
#include "ui/common/utf8.h"
#include "ui/table/form_journals.h"
#include "ui/table/form_tabl.h"

#include <QFile>
#include <QListWidget>
#include <QToolButton>

namespace ui {

void TFormTabl::miLoadTabClick() {
    bbLoadTab->click();
}
void TFormTabl::miSaveClick() {
    bbSaveTab->click();
}
void TFormTabl::miSaveAsClick() {
    bbSaveAs->click();
}
void TFormTabl::miSaveTemplClick() {
    bbSaveTempl->click();
}

void TFormTabl::bbLoadTabClick() {
    const std::optional<std::string> path =
        m_prompts.OpenFileName(core::TextFileDialog("Открыть таблицу"));
    if (path)
        LoadTableFile(QText(*path));
}

bool TFormTabl::LoadTableFile(const QString& path, bool journal) {
    std::string bytes;
    if (!core::ReadWholeFile(LocalPath(path), bytes, core::read_limit::kTable)) {
        ShowOpenFailure(m_prompts, Utf8(path));
        return false;
    }
    // The whole file is parsed before anything changes, so a refused file leaves the log,
    // its Count and the list as they were.
    // A journal gives every line that reads (the count left out is shown in the journal
    // list and the recovery question); a table file reads whole or not at all.
    const core::TableFileLoad load = journal
                                         ? core::ReadJournalTable(bytes, View.Delim, View.IsUnit)
                                         : core::ReadTableFile(bytes, View.Delim, View.IsUnit);
    if (!load) {
        ShowFileRefusal(m_prompts, *load.refusal);
        return false;
    }
    core::ApplyTableLoad(load, m_session.Log());
    LoadMarks(path);
    // The lines were rebuilt in the current view.
    m_model.SetView(View);
    m_model.ShowLoaded(load.rows);
    ShowModelRows();
    emit LogLoaded();
    return true;
}

void TFormTabl::LoadMarks(const QString& tablePath) {
    const core::MarksBeside beside = core::LoadMarksBeside(LocalPath(tablePath));
    m_session.LogLoaded(beside.status == core::MarksBeside::Status::Loaded ? &*beside.load.marks
                                                                           : nullptr);
    // The log is loaded whatever became of its marks: they are told about, not refused with it.
    if (beside.status == core::MarksBeside::Status::Unreadable)
        ShowOpenFailure(m_prompts, Utf8(QFile::decodeName(beside.path.c_str())));
    else if (beside.status == core::MarksBeside::Status::Damaged)
        m_prompts.Information(core::kAppTitle, beside.load.error);
}

void TFormTabl::bbSaveTabClick() {
    const core::RecordLog& log = m_session.Log();
    // The file holds the log it was chosen for; a log emptied or replaced since (a restart, a
    // log the meter began by itself, a loaded file) must not be written over it unasked.
    if (m_tableFileLog != log.Generation())
        TableFileName.clear();
    if (TableFileName.isEmpty()) {
        bbSaveAsClick();
        return;
    }
    // Rows missing (erased, or the window was hidden while records came): the file would lose
    // records that the log still has.
    if (m_model.LeavesOutRecords() &&
        m_prompts.Question({},
                           std::string(core::rows_text::kPartialSave) + '\n' + Utf8(TableFileName),
                           core::PromptButtons::OkCancel) != core::PromptAnswer::Ok)
        return;
    WriteRows(TableFileName);
}

void TFormTabl::bbSaveAsClick() {
    const std::optional<std::string> path = core::AskSavePath(
        m_prompts, core::TextFileDialog("Сохранить таблицу"), core::PromptButtons::OkCancel);
    if (!path)
        return;
    TableFileName = QText(*path);
    m_tableFileLog = m_session.Log().Generation();
    WriteRows(TableFileName);
}

bool TFormTabl::WriteRows(const QString& path) {
    // The file holds the log's rows as they are shown: rows of a log emptied or replaced
    // since leave the list rather than go into the file as rows of this one.
    ViewChanged();
    if (m_model.DropRowsOfOtherLogs())
        ShowModelRows();
    // The fire test's marks go beside the table file.
    if (!core::WriteSavedFile(m_prompts, LocalPath(path), m_model.FileBytes(),
                              &m_session.Test().Marks()))
        return false;
    m_session.TableSaved(LocalPath(path), m_model.Rows());
    return true;
}

void TFormTabl::miJournalsClick() {
    TFormJournals dialog(m_prompts, *this, m_session, this);
    dialog.exec();
}

void TFormTabl::bbSaveTemplClick() {
    if (m_model.Size() < 2)
        return;
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        m_prompts.Information(core::kAppTitle, core::template_text::kNoSelection);
        return;
    }
    // Each row names its record: after erasing, hiding and showing, or a log the meter began
    // by itself, row positions no longer match record indices.
    const std::optional<std::vector<core::MeasurementRecord>> records = m_model.RecordsAt(selected);
    if (!records) {
        m_prompts.Information(core::kAppTitle, core::rows_text::kRecordsGone);
        return;
    }
    if (records->size() < 2)
        return;
    const std::string bytes =
        core::FormatTemplateFile(core::FormatTemplateLines(*records, View.Delim, View.IsUnit));
    core::SaveFile(m_prompts, {core::TextFileDialog("Сохранить как шаблон")}, [&bytes] {
        return core::SaveContent{bytes, {}};
    });
}

} // namespace ui
