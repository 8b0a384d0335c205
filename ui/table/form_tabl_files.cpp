// The table window's files: loading and saving the table file, saving a template.
#include "core/atomic_file.h"
#include "core/measurement_session.h"
#include "core/table_file.h"
#include "core/template_file.h"
#include "ui/common/file_prompts.h"
#include "ui/graph/form_graph.h"
#include "ui/prompts/prompts.h"
#include "ui/table/form_tabl.h"

#include <QListWidget>
#include <QToolButton>

namespace ui {
namespace {

// Writes the file atomically; a failure leaves any earlier file intact and is told.
bool Write(IPrompts& prompts, QWidget* parent, const QString& path, const std::string& bytes) {
    const core::FileWriteResult written = core::WriteFileAtomically(LocalPath(path), bytes);
    if (!written)
        ShowWriteFailure(prompts, parent, written);
    return written.ok;
}

// Row i stands for record i; rows past the log's end have no record and are left out.
std::vector<core::MeasurementRecord> RecordsOfRows(const core::RecordLog& log,
                                                   const std::vector<int>& rows) {
    std::vector<core::MeasurementRecord> records;
    for (const int row : rows)
        if (row < log.Count())
            records.push_back(log[row]);
    return records;
}

} // namespace

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
    const std::optional<QString> path =
        m_prompts.OpenFileName(this, TextFileDialog(QStringLiteral("Открыть таблицу")));
    if (!path)
        return;
    std::string bytes;
    if (!core::ReadWholeFile(LocalPath(*path), bytes)) {
        ShowOpenFailure(m_prompts, this, *path);
        return;
    }
    // The whole file is parsed before anything changes, so a refused file leaves the log,
    // its Count and the list as they were.
    const core::TableFileLoad load = core::ReadTableFile(bytes, View.Delim, View.IsUnit);
    if (!load) {
        ShowFileRefusal(m_prompts, this, *load.refusal);
        return;
    }
    core::ApplyTableLoad(load, m_session.Log());
    QStringList rows;
    rows.reserve(static_cast<qsizetype>(load.rows.size()));
    for (const std::string& row : load.rows)
        rows << QString::fromStdString(row);
    ShowRows(rows);
    if (m_graph && m_graph->isVisible())
        m_graph->RedrawGraph();
}

void TFormTabl::bbSaveTabClick() {
    if (TableFileName.isEmpty())
        bbSaveAsClick();
    else
        WriteRows(TableFileName);
}

void TFormTabl::bbSaveAsClick() {
    const std::optional<QString> path =
        m_prompts.SaveFileName(this, TextFileDialog(QStringLiteral("Сохранить таблицу")));
    if (!path || !ConfirmReplace(m_prompts, this, *path))
        return;
    TableFileName = *path;
    WriteRows(*path);
}

bool TFormTabl::WriteRows(const QString& path) {
    std::vector<std::string> rows;
    rows.reserve(static_cast<std::size_t>(ListBox1->count()));
    for (int i = 0; i < ListBox1->count(); ++i)
        rows.push_back(ListBox1->item(i)->text().toStdString());
    return Write(m_prompts, this, path, core::FormatTableFile(rows));
}

void TFormTabl::bbSaveTemplClick() {
    if (ListBox1->count() < 2)
        return;
    const std::vector<int> selected = SelectedRows();
    if (selected.empty()) {
        const std::string_view text = core::template_text::kNoSelection;
        m_prompts.Information(this, AppTitle(), QString::fromUtf8(text.data(), text.size()));
        return;
    }
    const std::vector<core::MeasurementRecord> records = RecordsOfRows(m_session.Log(), selected);
    if (records.size() < 2)
        return;
    const std::string bytes =
        core::FormatTemplateFile(core::FormatTemplateLines(records, View.Delim, View.IsUnit));
    const std::optional<QString> path =
        m_prompts.SaveFileName(this, TextFileDialog(QStringLiteral("Сохранить как шаблон")));
    if (path && ConfirmReplace(m_prompts, this, *path))
        Write(m_prompts, this, *path, bytes);
}

} // namespace ui
