// The graph window's view handlers: time and value zoom, scale and overlay choice, saving the
// picture and choosing the colours.
#include "core/common/prompts.h"
#include "core/files/save_flow.h"
#include "core/graph/graph_controls.h"
#include "ui/common/picture_box.h"
#include "ui/graph/form_graph.h"
#include "ui/paint/graph_painter.h"
#include "ui/paint/paint_style.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QToolButton>

namespace ui {
namespace {

void SetEnabled(QAction* item, QToolButton* button, const std::optional<bool>& enabled) {
    if (!enabled)
        return;
    item->setEnabled(*enabled);
    button->setEnabled(*enabled);
}

} // namespace

void TFormGraph::ApplyTimeZoom(const core::ZoomStep& step) {
    SetEnabled(miSizeXExp, bbExp, step.expandEnabled);
    SetEnabled(miSizeXCont, bbCont, step.contractEnabled);
    if (step.redraw)
        RedrawGraph();
}

void TFormGraph::ApplyValueZoom(const core::ZoomStep& step) {
    SetEnabled(miSizeXExpY, bbExpY, step.expandEnabled);
    SetEnabled(miSizeXContY, bbContY, step.contractEnabled);
    if (step.redraw)
        RedrawGraph();
}

void TFormGraph::miSizeXExp_Click() {
    ApplyTimeZoom(core::ExpandTime(View));
}

void TFormGraph::miSizeXCont_Click() {
    ApplyTimeZoom(core::ContractTime(View));
}

void TFormGraph::bbExpYClick() {
    View.AutoY = false; // a row chosen by hand ends "Авто"
    ApplyValueZoom(core::ExpandValue(View));
}

void TFormGraph::bbContYClick() {
    View.AutoY = false;
    ApplyValueZoom(core::ContractValue(View));
}

void TFormGraph::sbAutoYClick(bool on) {
    View.AutoY = on;
    RedrawGraph();
}

void TFormGraph::ShowAutoScale() {
    sbAutoY->setChecked(View.AutoY);
    miAutoY->setChecked(View.AutoY);
    if (!View.AutoY)
        return;
    const std::int16_t* row = core::ScaleRowIndex(View);
    if (!row)
        return;
    const core::ScaleChoice choice = core::SelectScale(View, View.Unit);
    SetEnabled(miSizeXExpY, bbExpY, choice.expandEnabled);
    SetEnabled(miSizeXContY, bbContY, choice.contractEnabled);
}

void TFormGraph::miDB1Click(int tag) {
    if (tag >= 1 && tag <= 3)
        SelectScale(tag - 1);
}

void TFormGraph::SelectScale(int unit) {
    const std::array<QAction*, 3> items{miDB, miPER, miV};
    const std::array<QToolButton*, 3> buttons{sbDB, sbPER, sbV};
    items[static_cast<std::size_t>(unit)]->setChecked(true);
    buttons[static_cast<std::size_t>(unit)]->setChecked(true);
    const core::ScaleChoice choice = core::SelectScale(View, unit);
    SetEnabled(miSizeXExpY, bbExpY, choice.expandEnabled);
    SetEnabled(miSizeXContY, bbContY, choice.contractEnabled);
    RedrawGraph();
}

void TFormGraph::miTPn_Click(int tag) {
    const core::OverlayChoice choice = core::ChooseOverlay(tag);
    View.bVeiwTP = choice.bVeiwTP;
    if (QAction* item = OverlayAction(choice.checkedItem))
        item->setChecked(true);
    Mouse.ShiftTP = 0; // every new choice starts at the left edge
    RedrawGraph();
    for (int id = 1; id < kOverlayCount; ++id)
        OverlayButton(id)->setChecked(id == choice.downButton);
    emit OverlayChosen(View.bVeiwTP);
}

void TFormGraph::sbTP2Click(int tag) {
    View.bVeiwTP = static_cast<std::int8_t>(tag);
    const QToolButton* button = OverlayButton(tag);
    miTPn_Click(core::OverlayButtonClicked(tag, button && button->isChecked()).checkedItem);
}

void TFormGraph::mSaveClick() {
    const QImage copy = iImg.copy();
    core::SaveRequest request;
    request.dialog.title = "Сохранить график";
    request.dialog.defaultSuffix = "bmp";
    request.dialog.filter = kPictureFilter;
    // The filter decides the format: PNG under its own entry, BMP under the others.
    core::SaveFileByFilter(m_prompts, request, [&copy](int filter) {
        const QByteArray bytes = filter == kPngFilterEntry ? EncodePng(copy) : EncodeBmp(copy);
        return core::SaveContent{bytes.toStdString(), {}};
    });
}

void TFormGraph::miCopyClick() {
    QGuiApplication::clipboard()->setImage(iImg.copy());
}

void TFormGraph::ChooseColour(std::uint32_t& field) {
    const core::Rgb initial{static_cast<std::uint8_t>(m_dialogColour.red()),
                            static_cast<std::uint8_t>(m_dialogColour.green()),
                            static_cast<std::uint8_t>(m_dialogColour.blue())};
    const std::optional<core::Rgb> chosen = m_prompts.ChooseColour(initial);
    if (!chosen)
        return;
    m_dialogColour = QColor(chosen->red, chosen->green, chosen->blue);
    field = BgrFromColour(m_dialogColour);
    RedrawGraph();
}

} // namespace ui
