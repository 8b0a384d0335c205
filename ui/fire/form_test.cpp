// The window "Испытание": its controls, shortcuts and the showing of the test.
#include "ui/fire/form_test.h"

#include "core/fire/fire_envelopes.h"
#include "core/session/measurement_session.h"
#include "ui/common/form_style.h"
#include "ui/common/screen_place.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace ui {
namespace {

constexpr int kNameColumn = 0;
constexpr int kAlarmColumn = 1;
constexpr int kThresholdColumn = 2;
constexpr int kButtonColumn = 3;

QString Text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

QPushButton* MakeButton(QWidget* parent, const char* name, std::string_view text) {
    auto* button = new QPushButton(Text(text), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    return button;
}

QLabel* MakeTextLabel(QWidget* parent, const char* name, bool bold) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(PixelFont(bold ? 14 : 13, bold));
    label->setWordWrap(true);
    return label;
}

// A read-only cell, or the editable name.
QTableWidgetItem* Cell(const std::string& text, bool editable) {
    auto* item = new QTableWidgetItem(QString::fromStdString(text));
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (editable)
        flags |= Qt::ItemIsEditable;
    item->setFlags(flags);
    return item;
}

} // namespace

TFormTest::TFormTest(core::MeasurementSession& session, QWidget* parent)
    : QWidget(parent, Qt::Window), Beep([] { QApplication::beep(); }), m_session(session) {
    setObjectName(QStringLiteral("FormTest"));
    setWindowTitle(Text(core::test_text::kCaption));
    setFont(FormFont());
    resize(InnerSize(520, 420));
    move(660, 150);
    BuildControls();
    BuildShortcuts();
    // A view that differs from every real one, so that the first ShowTest applies it all.
    m_shown.fireId = -1;
    ShowTest();
}

void TFormTest::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* fireRow = new QHBoxLayout;
    fireRow->addWidget(new QLabel(Text(core::test_text::kFire), this));
    cbFire = new QComboBox(this);
    cbFire->setObjectName(QStringLiteral("cbFire"));
    for (const core::TestFireEnvelope& fire : core::TestFires())
        cbFire->addItem(Text(fire.name), fire.id);
    fireRow->addWidget(cbFire);
    bbStart = MakeButton(this, "bbStart", core::test_text::kStart);
    bbStart->setToolTip(QStringLiteral("F2"));
    fireRow->addWidget(bbStart);
    lStart = MakeTextLabel(this, "lStart", true);
    fireRow->addWidget(lStart, 1);
    layout->addLayout(fireRow);

    tvDetectors = new QTableWidget(0, 4, this);
    tvDetectors->setObjectName(QStringLiteral("tvDetectors"));
    tvDetectors->setHorizontalHeaderLabels({Text(core::test_text::kNameColumn),
                                            Text(core::test_text::kAlarmColumn),
                                            Text(core::test_text::kThresholdColumn), QString()});
    tvDetectors->setSelectionBehavior(QAbstractItemView::SelectRows);
    tvDetectors->setSelectionMode(QAbstractItemView::SingleSelection);
    // F2 is "Пуск пожара" everywhere: names are edited by a double click or "Переименовать".
    tvDetectors->setEditTriggers(QAbstractItemView::DoubleClicked);
    tvDetectors->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    tvDetectors->verticalHeader()->setVisible(true);
    layout->addWidget(tvDetectors, 1);

    auto* buttons = new QHBoxLayout;
    bbAdd = MakeButton(this, "bbAdd", core::test_text::kAdd);
    bbRename = MakeButton(this, "bbRename", core::test_text::kRename);
    bbRemove = MakeButton(this, "bbRemove", core::test_text::kRemove);
    bbUndo = MakeButton(this, "bbUndo", core::test_text::kUndo);
    for (QPushButton* b : {bbAdd, bbRename, bbRemove, bbUndo})
        buttons->addWidget(b);
    layout->addLayout(buttons);
    lRatio = MakeTextLabel(this, "lRatio", false);
    lVerdict = MakeTextLabel(this, "lVerdict", true);
    lEnd = MakeTextLabel(this, "lEnd", true);
    QPalette red = lEnd->palette();
    red.setColor(QPalette::WindowText, QColor(0xC0, 0, 0));
    lEnd->setPalette(red);
    for (QLabel* l : {lRatio, lVerdict, lEnd})
        layout->addWidget(l);

    connect(cbFire, &QComboBox::activated, this, &TFormTest::cbFireChange);
    connect(bbStart, &QPushButton::clicked, this, &TFormTest::bbStartClick);
    connect(bbAdd, &QPushButton::clicked, this, &TFormTest::bbAddClick);
    connect(bbRename, &QPushButton::clicked, this, &TFormTest::bbRenameClick);
    connect(bbRemove, &QPushButton::clicked, this, &TFormTest::bbRemoveClick);
    connect(bbUndo, &QPushButton::clicked, this, &TFormTest::bbUndoClick);
    connect(tvDetectors, &QTableWidget::itemChanged, this, &TFormTest::tvDetectorsItemChanged);
}

void TFormTest::BuildShortcuts() {
    aStart = new QAction(Text(core::test_text::kStart), this);
    aStart->setObjectName(QStringLiteral("aStart"));
    aStart->setShortcut(QKeySequence(Qt::Key_F2));
    aStart->setShortcutContext(Qt::ApplicationShortcut);
    connect(aStart, &QAction::triggered, this, &TFormTest::bbStartClick);
    for (int i = 0; i < kAlarmShortcuts; ++i) {
        QAction* a = new QAction(Text(core::test_text::kAlarm), this);
        a->setObjectName(QStringLiteral("aAlarm%1").arg(i + 1));
        a->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        a->setShortcutContext(Qt::ApplicationShortcut);
        connect(a, &QAction::triggered, this, [this, i] { bbAlarmClick(i); });
        aAlarm[static_cast<std::size_t>(i)] = a;
    }
    addActions(ShortcutActions());
}

QList<QAction*> TFormTest::ShortcutActions() const {
    QList<QAction*> actions{aStart};
    for (QAction* a : aAlarm)
        actions << a;
    return actions;
}

void TFormTest::ShowTest() {
    const bool synced = SyncFire();
    const core::TestView view = core::ViewOfTest(m_session.Test());
    if (!(view == m_shown))
        ApplyView(view);
    ApplyMarkable();
    if (m_session.Test().TakeEndNotice() && Beep)
        Beep();
    if (synced)
        emit TestChanged();
}

void TFormTest::ApplyView(const core::TestView& view) {
    m_applying = true;
    const int index = cbFire->findData(view.fireId);
    cbFire->setCurrentIndex(index);
    lStart->setText(QString::fromStdString(view.start));
    ApplyRows(view);
    lRatio->setText(QString::fromStdString(view.ratio));
    lVerdict->setText(QString::fromStdString(view.verdict));
    lEnd->setText(QString::fromStdString(view.end));
    bbUndo->setEnabled(view.canUndo);
    m_shown = view;
    m_applying = false;
}

void TFormTest::ApplyRows(const core::TestView& view) {
    const int rows = static_cast<int>(view.rows.size());
    if (tvDetectors->rowCount() != rows) {
        tvDetectors->setRowCount(rows);
        for (int r = 0; r < rows; ++r) {
            QPushButton* alarm = MakeButton(tvDetectors, "", core::test_text::kAlarm);
            alarm->setObjectName(QStringLiteral("bbAlarm%1").arg(r + 1));
            if (r < kAlarmShortcuts)
                alarm->setToolTip(QStringLiteral("Ctrl+%1").arg(r + 1));
            connect(alarm, &QPushButton::clicked, this, [this, r] { bbAlarmClick(r); });
            tvDetectors->setCellWidget(r, kButtonColumn, alarm);
        }
    }
    for (int r = 0; r < rows; ++r) {
        const core::DetectorRow& row = view.rows[static_cast<std::size_t>(r)];
        const auto set = [&](int column, const std::string& text, bool editable) {
            QTableWidgetItem* item = tvDetectors->item(r, column);
            if (!item)
                tvDetectors->setItem(r, column, Cell(text, editable));
            else if (item->text() != QString::fromStdString(text))
                item->setText(QString::fromStdString(text));
        };
        set(kNameColumn, row.name, true);
        set(kAlarmColumn, row.alarm, false);
        set(kThresholdColumn, row.threshold, false);
    }
}

void TFormTest::ApplyMarkable() {
    const bool markable = m_session.CanMark();
    bbStart->setEnabled(markable);
    aStart->setEnabled(markable);
    const int rows = tvDetectors->rowCount();
    for (int r = 0; r < rows; ++r)
        if (QWidget* alarm = tvDetectors->cellWidget(r, kButtonColumn))
            alarm->setEnabled(markable);
    for (int i = 0; i < kAlarmShortcuts; ++i)
        aAlarm[static_cast<std::size_t>(i)]->setEnabled(markable && i < rows);
    const bool current = tvDetectors->currentRow() >= 0;
    bbRename->setEnabled(current);
    bbRemove->setEnabled(current);
}

void TFormTest::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        KeepOnScreen(this);
    ShowTest();
}

} // namespace ui
