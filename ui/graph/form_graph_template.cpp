// The graph window's "Загрузить шаблон": a template file into the template store.
#include "core/files/atomic_file.h"
#include "core/files/save_flow.h"
#include "core/files/template_file.h"
#include "ui/common/file_prompts.h"
#include "ui/graph/form_graph.h"

#include <QToolButton>

namespace ui {

void TFormGraph::miLoadTemplClick() {
    const std::optional<std::string> path =
        m_prompts.OpenFileName(core::TextFileDialog("Загрузить шаблон"));
    if (!path)
        return;
    Template.TemplFile = *path;
    std::string bytes;
    if (!core::ReadWholeFile(*path, bytes, core::read_limit::kTable)) {
        ShowOpenFailure(m_prompts, *path);
        return;
    }
    // Parsed whole before the store changes: a refused file leaves the points and NTempl.
    const core::TemplateFileLoad load = core::ReadTemplateFile(bytes);
    if (!load) {
        // The file name is forgotten after a refusal, but kept after a conversion error.
        if (load.refusal->kind == core::FileRefusal::Kind::Notice)
            Template.TemplFile.clear();
        ShowFileRefusal(m_prompts, *load.refusal);
        return;
    }
    core::ApplyTemplateLoad(load, Template);
    // Shown at the next redraw; the load itself does not redraw.
    OverlayButton(10)->setEnabled(true);
}

} // namespace ui
