// The table window's layout, live rows, follow mode, editing and distance label.
#include "ui/table/form_tabl.h"

#include "core/common/format.h"
#include "core/session/measurement_session.h"
#include "core/session/panel_text.h"
#include "ui/common/form_style.h"
#include "ui/common/screen_place.h"
#include "ui/main/session_signals.h"
#include "ui/paint/glyphs.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QShowEvent>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

namespace ui {
namespace {

// Where a row ends up once the selected rows (ascending) before it are removed; for a
// removed row, where the next row that stays ends up.
int PositionAfterErase(const std::vector<int>& selected, int row) {
    return row - static_cast<int>(std::lower_bound(selected.begin(), selected.end(), row) -
                                  selected.begin());
}

} // namespace

TFormTabl::TFormTabl(core::IPrompts& prompts, core::MeasurementSession& session, QWidget* parent)
    : QMainWindow(parent), m_prompts(prompts), m_session(session), m_model(session.Log()) {
    setObjectName(QStringLiteral("FormTabl"));
    setWindowTitle(QStringLiteral("Таблица"));
    setFont(FormFont());
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    const QSize size = InnerSize(549, 358);
    setMinimumSize(size.width(), InnerSize(549, 200).height());
    setMaximumWidth(size.width());
    resize(size);
    move(100, 100);
    BuildToolBar();
    BuildMenu();

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(BuildHeader());
    ListBox1 = new QListWidget(central);
    ListBox1->setObjectName(QStringLiteral("ListBox1"));
    QFont mono(QStringLiteral("Courier New"));
    mono.setPixelSize(19);
    mono.setBold(true);
    ListBox1->setFont(mono);
    ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListBox1->setUniformItemSizes(true);
    ListBox1->setStyleSheet(QStringLiteral("QListWidget::item { height: 22px; }"));
    layout->addWidget(ListBox1);
    setCentralWidget(central);
    ConnectHandlers();
    ShowPortState();
}

void TFormTabl::Follow(const SessionSignals& events) {
    connect(&events, &SessionSignals::RecordAdded, this, &TFormTabl::ShowRecordAdded);
    connect(&events, &SessionSignals::LogReset, this, &TFormTabl::ClearRows);
    connect(&events, &SessionSignals::ElapsedTimeChanged, this, &TFormTabl::ShowElapsedTime);
    connect(&events, &SessionSignals::StateChanged, this, &TFormTabl::ShowPortState);
    connect(&events, &SessionSignals::DistanceChanged, this, &TFormTabl::SetDistLabel);
}

// A hidden window adds no rows: it starts empty when shown, and "Все записи" brings back
// the whole log.
void TFormTabl::ShowRecordAdded(int index) {
    if (isVisible())
        AddRecordRow(index);
}

void TFormTabl::ShowElapsedTime(const QString& text) {
    if (isVisible()) {
        lTime->setText(text);
        lTime->adjustSize();
    }
}

void TFormTabl::ShowPortState() {
    SetLoadEnabled(!m_session.PortOpen());
}

void TFormTabl::ConnectHandlers() {
    connect(bbLoadTab, &QToolButton::clicked, this, &TFormTabl::bbLoadTabClick);
    connect(bbSaveTab, &QToolButton::clicked, this, &TFormTabl::bbSaveTabClick);
    connect(bbSaveAs, &QToolButton::clicked, this, &TFormTabl::bbSaveAsClick);
    connect(bbSaveTempl, &QToolButton::clicked, this, &TFormTabl::bbSaveTemplClick);
    connect(BitBtn2, &QToolButton::clicked, this, &TFormTabl::mEraseClick);
    connect(sbLastLine, &QToolButton::clicked, this, &TFormTabl::sbLastLineClick);
    connect(miLoadTab, &QAction::triggered, this, &TFormTabl::miLoadTabClick);
    connect(miSave, &QAction::triggered, this, &TFormTabl::miSaveClick);
    connect(miSaveAs, &QAction::triggered, this, &TFormTabl::miSaveAsClick);
    connect(miSaveTempl, &QAction::triggered, this, &TFormTabl::miSaveTemplClick);
    connect(miJournals, &QAction::triggered, this, &TFormTabl::miJournalsClick);
    connect(miClose, &QAction::triggered, this, &TFormTabl::miCloseClick);
    connect(mErase, &QAction::triggered, this, &TFormTabl::mEraseClick);
    connect(mSelAll, &QAction::triggered, this, &TFormTabl::mSelAllClick);
    // The check marks follow the handlers, not the click: the handlers decide.
    connect(mViewLastLine, &QAction::triggered, this, [this] { mViewLastLineClick(); });
    connect(mAllRec, &QAction::triggered, this, [this](bool checked) {
        mAllRec->setChecked(!checked);
        mAllRecClick();
    });
}

void TFormTabl::BuildToolBar() {
    ToolBar1 = addToolBar(QStringLiteral("ToolBar1"));
    ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
    ToolBar1->setMovable(false);
    ToolBar1->setFixedHeight(41);
    bbLoadTab = AddToolButton(ToolBar1, QStringLiteral("bbLoadTab"),
                              QStringLiteral("Загрузить таблицу"), GlyphIcon(Glyph::Open));
    bbSaveTab = AddToolButton(ToolBar1, QStringLiteral("bbSaveTab"),
                              QStringLiteral("Сохранить таблицу"), GlyphIcon(Glyph::Save));
    bbSaveAs = AddToolButton(ToolBar1, QStringLiteral("bbSaveAs"),
                             QStringLiteral("Сохранить таблицу как ..."), GlyphIcon(Glyph::SaveAs));
    ToolBar1->addSeparator();
    bbSaveTempl = AddToolButton(ToolBar1, QStringLiteral("bbSaveTempl"),
                                QStringLiteral("Сохранить как шаблон"), GlyphIcon(Glyph::Template));
    ToolBar1->addSeparator();
    BitBtn2 = AddToolButton(ToolBar1, QStringLiteral("BitBtn2"),
                            QStringLiteral("Удалить выделенное"), GlyphIcon(Glyph::Delete));
    ToolBar1->addSeparator();
    sbLastLine = AddToolButton(ToolBar1, QStringLiteral("sbLastLine"),
                               QStringLiteral("Показывать последнюю строку"),
                               GlyphIcon(Glyph::LastLine), true);

    const LabelPanel labels = AddLabelPanel(ToolBar1, 10, 164);
    labels.panel->setMinimumSize(260, 38);
    lTime = labels.lTime;
    lDist = labels.lDist;
}

void TFormTabl::BuildMenu() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("Файл"));
    auto add = [this](QMenu* menu, const char* name, const QString& text) {
        QAction* action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    miLoadTab = add(file, "miLoadTab", QStringLiteral("Открыть"));
    miSave = add(file, "miSave", QStringLiteral("Сохранить"));
    miSaveAs = add(file, "miSaveAs", QStringLiteral("Сохранить как"));
    miSaveTempl = add(file, "miSaveTempl", QStringLiteral("Сохранить как шаблон"));
    miJournals = add(file, "miJournals", QStringLiteral("Журналы…"));
    miClose = add(file, "miClose", QStringLiteral("Закрыть"));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Редактировать"));
    mErase = add(edit, "mErase", QStringLiteral("Вырезать"));
    mSelAll = add(edit, "mSelAll", QStringLiteral("Выделить всё"));
    QMenu* view = menuBar()->addMenu(QStringLiteral("Вид"));
    mViewLastLine = add(view, "mViewLastLine", QStringLiteral("Показывать последнюю строку"));
    mViewLastLine->setCheckable(true);
    mAllRec = add(view, "mAllRec", QStringLiteral("Все записи"));
    mAllRec->setCheckable(true);
}

QWidget* TFormTabl::BuildHeader() {
    auto* header = new QWidget(this);
    header->setObjectName(QStringLiteral("Panel2"));
    header->setFixedHeight(25);
    const QFont font = PixelFont(13, false);
    const std::pair<int, const char*> columns[] = {
        {22, "Время"}, {128, "T, с"}, {216, "Uo, В"}, {328, "Ui, В"}, {432, "m, дБ/м"}};
    for (const auto& [x, text] : columns)
        MakeLabel(header, QString(), QString::fromUtf8(text), font, x, 5);
    return header;
}

void TFormTabl::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        KeepOnScreen(this);
        FormShow();
    }
}

void TFormTabl::FormShow() {
    ClearRows();
    SetViewLastLine(false);
    SetDistLabel();
}

void TFormTabl::AddRecordRow(int index) {
    ViewChanged();
    m_model.Append(index);
    ListBox1->addItem(QString::fromStdString(m_model.Text(m_model.Size() - 1)));
    if (View.ViewLastLine)
        MakeLastRowCurrent();
    SetDistLabel();
}

void TFormTabl::ClearRows() {
    ListBox1->clear();
    m_model.Clear();
}

void TFormTabl::ViewChanged() {
    if (m_model.SetView(View))
        ShowModelRows();
}

void TFormTabl::SetViewLastLine(bool on) {
    View.ViewLastLine = on;
    mViewLastLine->setChecked(on);
    sbLastLine->setChecked(on);
}

void TFormTabl::mViewLastLineClick() {
    SetViewLastLine(!View.ViewLastLine);
    if (View.ViewLastLine)
        MakeLastRowCurrent();
}

void TFormTabl::mEraseClick() {
    const std::vector<int> selected = SelectedRows();
    if (selected.empty())
        return;
    const int current = ListBox1->currentRow();
    const QModelIndex top = ListBox1->indexAt(QPoint(0, 0));
    // One rebuild instead of a removal per row: removing rows one at a time moves the rest
    // of the list each time, which is quadratic in the number of rows.
    m_model.Erase(selected);
    ShowModelRows();
    if (current >= 0 && !std::binary_search(selected.begin(), selected.end(), current))
        ListBox1->setCurrentRow(PositionAfterErase(selected, current),
                                QItemSelectionModel::NoUpdate);
    if (top.isValid() && PositionAfterErase(selected, top.row()) < ListBox1->count())
        ListBox1->scrollToItem(ListBox1->item(PositionAfterErase(selected, top.row())),
                               QAbstractItemView::PositionAtTop);
}

void TFormTabl::mSelAllClick() {
    ListBox1->selectAll();
}

void TFormTabl::mAllRecClick() {
    if (mAllRec->isChecked()) {
        mAllRec->setChecked(false);
        return;
    }
    mAllRec->setChecked(true);
    // The rows AddRecordRow would add one by one, shown in one step.
    m_model.SetView(View);
    m_model.ShowWholeLog();
    ShowModelRows();
    if (m_model.Size() == 0)
        return;
    if (View.ViewLastLine)
        MakeLastRowCurrent();
    SetDistLabel();
}

void TFormTabl::miCloseClick() {
    hide();
}

void TFormTabl::ShowModelRows() {
    QStringList rows;
    rows.reserve(m_model.Size());
    for (const std::string& text : m_model.Texts())
        rows << QString::fromStdString(text);
    ListBox1->setUpdatesEnabled(false);
    ListBox1->clear();
    ListBox1->addItems(rows);
    ListBox1->setUpdatesEnabled(true);
}

std::vector<int> TFormTabl::SelectedRows() const {
    // From the selection's ranges: asking each row whether it is selected walks every range
    // for every row.
    std::vector<char> marked(static_cast<std::size_t>(ListBox1->count()), 0);
    for (const QItemSelectionRange& range : ListBox1->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (row >= 0 && row < ListBox1->count())
                marked[static_cast<std::size_t>(row)] = 1;
    std::vector<int> rows;
    for (std::size_t i = 0; i < marked.size(); ++i)
        if (marked[i])
            rows.push_back(static_cast<int>(i));
    return rows;
}

void TFormTabl::SetLoadEnabled(bool enabled) {
    bbLoadTab->setEnabled(enabled);
    miLoadTab->setEnabled(enabled);
}

bool TFormTabl::LoadEnabled() const {
    return bbLoadTab->isEnabled();
}

void TFormTabl::SetDistLabel() {
    ShowText(lDist, core::DistanceText(m_session.Params().fDist));
}

void TFormTabl::MakeLastRowCurrent() {
    const int last = ListBox1->count() - 1;
    if (last < 0)
        return;
    // The current row moves; the selection stays as the user made it.
    ListBox1->setCurrentRow(last, QItemSelectionModel::NoUpdate);
    ListBox1->scrollToItem(ListBox1->item(last));
}

} // namespace ui
