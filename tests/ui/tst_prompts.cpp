// The Qt prompts' dialog set-up (the dialogs themselves are never run in tests).
#include "test_main.h"
#include "ui/prompts/qt_prompts.h"

#include <QFileDialog>

class TstPrompts : public QObject {
    Q_OBJECT

private slots:
    void filtersBecomeQtNameFilters() {
        QCOMPARE(ui::QtNameFilters(QStringLiteral("TXT (*.txt)|*.txt|all (*.*)|*.*")),
                 (QStringList{QStringLiteral("TXT (*.txt)"), QStringLiteral("all (*.*)")}));
        QCOMPARE(ui::QtNameFilters(QStringLiteral("Pictures|*.bmp;*.png")),
                 QStringList{QStringLiteral("Pictures (*.bmp *.png)")});
        QVERIFY(ui::QtNameFilters(QString()).isEmpty());
    }

    void saveDialogIsSetUpAsAsked() {
        QFileDialog dialog;
        core::FileDialogOptions o;
        o.title = "Сохранить таблицу";
        o.defaultSuffix = "txt";
        o.filter = "TXT (*.txt)|*.txt|all (*.*)|*.*";
        o.filterIndex = 2;
        ui::QtPrompts::ConfigureFileDialog(dialog, o, true);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Сохранить таблицу"));
        QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
        QVERIFY(dialog.testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptSave);
        QCOMPARE(dialog.defaultSuffix(), QStringLiteral("txt"));
        QCOMPARE(dialog.nameFilters().size(), 2);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("all (*.*)"));
    }

    void openDialogWantsAnExistingFile() {
        QFileDialog dialog;
        core::FileDialogOptions o;
        o.title = "Открыть таблицу";
        o.filter = "TXT (*.txt)|*.txt|all (*.*)|*.*";
        ui::QtPrompts::ConfigureFileDialog(dialog, o, false);
        QCOMPARE(dialog.acceptMode(), QFileDialog::AcceptOpen);
        QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
        QCOMPARE(dialog.selectedNameFilter(), QStringLiteral("TXT (*.txt)"));
    }
};

VELS5_GUI_TEST_MAIN(TstPrompts)
#include "tst_prompts.moc"
