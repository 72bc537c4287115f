// The NC menu on the real window, through the keys a person presses: the
// shortcuts to the focused editor, the real renumbering dialog answered by
// keys, the menu opened with Alt, and one Ctrl+Z undoing each function
// whole.
#include "formrig.h"
#include "modal.h"

#include "app/widgets/statuspanels.h"

#include <QCheckBox>
#include <QDialog>
#include <QPointer>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

const std::string kTwoPrograms =
    "O1000\r\n"
    "N5 G90 G54\r\n"
    "N6 IF [#1 GT 0] GOTO 8\r\n"
    "N7 G00X10.Y20.\r\n"
    "N8 M99 P6\r\n"
    "O2000\r\n"
    "N1 G00 X0\r\n"
    "N2 M30\r\n";

void showWindow(FormRig &rig)
{
    rig.form->show();
    rig.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->editor()->setFocus();
}

// Runs act on the modal dialog once it has the keyboard; a dialog a
// failed check left open is closed, so that the test ends.
void whenDialogActive(const std::function<void(QWidget *)> &act)
{
    whenModal([act](QWidget *dialog) {
        // What the window system does for a dialog that opens: it takes
        // the keyboard (the offscreen platform leaves that to us).
        dialog->activateWindow();
        QApplication::setActiveWindow(dialog);
        QVERIFY(QTest::qWaitForWindowActive(dialog));
        QTRY_COMPARE(QApplication::activeWindow(), dialog);
        QPointer<QWidget> guard(dialog);
        act(dialog);
        if (guard && guard->isVisible() && QTest::currentTestFailed())
            static_cast<QDialog *>(dialog)->reject();
    });
}

QString statusText(FormRig &rig)
{
    return rig.form->statusPanels()->panelText(0);
}

}  // namespace

class NcMenuTest : public QObject {
    Q_OBJECT

private slots:
    // Two actions of the window on one key: Qt runs neither.
    void noKeyIsTakenTwice()
    {
        FormRig rig;
        QHash<QString, QString> taken;
        for (QAction *a : rig.form->findChildren<QAction *>()) {
            for (const QKeySequence &k : a->shortcuts()) {
                const QString key = k.toString();
                QVERIFY2(!taken.contains(key), qPrintable(key + ": " + taken.value(key) + ", " + a->objectName()));
                taken.insert(key, a->objectName());
            }
        }
        QVERIFY(taken.contains(QStringLiteral("Ctrl+Shift+N")));
    }

    void theMenuHoldsTheFunctionsAndOpensWithAlt()
    {
        FormRig rig;
        showWindow(rig);
        rig.load(kTwoPrograms);
        rig.caretToLine(7);
        QMenu *menu = rig.form->findChild<QMenu *>(QStringLiteral("NcMenu"));
        QVERIFY(menu);
        QCOMPARE(menu->title(), QStringLiteral("NC(&N)"));
        QStringList names;
        for (QAction *a : menu->actions())
            if (!a->isSeparator())
                names << a->objectName();
        QCOMPARE(names, (QStringList{"NcRenumber", "NcRemoveNumbers", "NcSpaces", "NcNoSpaces", "NcSkipToggle",
                                     "NcSkipAdd", "NcSkipRemove", "NcTransform", "NcRates", "NcStatistics",
                                     "NcRestart"}));

        // Alt+N opens it, A puts the block skip on the caret's line.
        QTest::keyClick(rig.form->editor(), Qt::Key_N, Qt::AltModifier);
        QTRY_VERIFY(menu->isVisible());
        QTest::keyClick(menu, Qt::Key_A);
        QTRY_VERIFY(!menu->isVisible());
        QCOMPARE(rig.text(), kTwoPrograms.substr(0, kTwoPrograms.find("N2 M30")) + "/N2 M30\r\n");

        // A transfer locks the menu with the other editing commands.
        rig.form->enabledfalse();
        QVERIFY(!rig.form->commands().NcRenumber->isEnabled());
        QVERIFY(!rig.form->commands().NcSkipToggle->isEnabled());
        rig.form->enabledtrue();
        QVERIFY(rig.form->commands().NcRenumber->isEnabled());
    }

    void renumberingThroughTheDialogIsOneUndoStep()
    {
        FormRig rig;
        showWindow(rig);
        rig.load(kTwoPrograms);
        rig.caretToLine(2, 3);
        // The dialog as it comes: the caret's program, 10 by 10; the start
        // typed over, the step reached with Tab, Enter for OK.
        whenDialogActive([](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("番号の振り直し"));
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("Scope1"))->isChecked());
            QVERIFY(!dialog->findChild<QRadioButton *>(QStringLiteral("Scope0"))->isEnabled());
            QWidget *start = dialog->focusWidget();
            QCOMPARE(start->objectName(), QStringLiteral("Start"));
            QTest::keyClicks(start, "100");
            QTest::keyClick(start, Qt::Key_Tab);
            QWidget *step = dialog->focusWidget();
            QCOMPARE(step->objectName(), QStringLiteral("Step"));
            QTest::keyClick(step, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(step, "5");
            QTest::keyClick(step, Qt::Key_Return);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        const std::string renumbered =
            "O1000\r\n"
            "N100 G90 G54\r\n"
            "N105 IF [#1 GT 0] GOTO 115\r\n"
            "N110 G00X10.Y20.\r\n"
            "N115 M99 P105\r\n";
        QCOMPARE(rig.text(), renumbered + kTwoPrograms.substr(kTwoPrograms.find("O2000")));
        QCOMPARE(statusText(rig), QStringLiteral("N番号を振り直しました: 4 ブロック、参照 2 個"));
        // The caret stays on its line, at its column.
        QCOMPARE(rig.form->editor()->caretPos(), rig.lineStart(2) + 3);
        QCOMPARE(rig.form->settings().get(setting::RENUMBER), QStringLiteral("100,5,0,0"));
        QVERIFY(rig.dialogs.shown.isEmpty());

        showWindow(rig);  // the window system gives the window back its keys
        QTest::keyClick(rig.form->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rig.text(), kTwoPrograms);

        // Escape leaves the text alone; the next dialog starts from the
        // values last used.
        whenDialogActive([](QWidget *dialog) {
            QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("Start"))->value(), 100);
            QCOMPARE(dialog->findChild<QSpinBox *>(QStringLiteral("Step"))->value(), 5);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.text(), kTwoPrograms);
    }

    void theWholeDocumentWithWhatWasLeftInABox()
    {
        FormRig rig;
        showWindow(rig);
        rig.load("O1\r\nN1 GOTO 9\r\nN2 M30\r\nO2\r\nN1 M30\r\n");
        whenDialogActive([](QWidget *dialog) {
            // From the start number back to the last choice of scope, and
            // the space bar to choose it.
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Scope2"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Space);
            QVERIFY(dialog->findChild<QRadioButton *>(QStringLiteral("Scope2"))->isChecked());
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.text(), std::string("O1\r\nN10 GOTO 9\r\nN20 M30\r\nO2\r\nN10 M30\r\n"));
        QCOMPARE(rig.dialogs.texts(Kind::Message),
                 QStringList{QStringLiteral("N番号を振り直しました: 3 ブロック、参照 0 個\n\nそのままにした箇所:\n"
                                            "2行: 飛び先 N9 のブロックがありません (そのまま)")});
    }

    void aSelectionTakenWithShiftAndTheArrows()
    {
        FormRig rig;
        showWindow(rig);
        rig.load(kTwoPrograms);
        rig.caretToLine(3, 2);
        QTest::keyClick(rig.form->editor(), Qt::Key_Down, Qt::ShiftModifier);
        // Ctrl+Shift+K turns the block skip over on the two lines the selection touches.
        QTest::keyClick(rig.form->editor(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
        std::string skipped = kTwoPrograms;
        skipped.insert(skipped.find("N8 M99"), "/");
        skipped.insert(skipped.find("N7 G00"), "/");
        QCOMPARE(rig.text(), skipped);
        QCOMPARE(rig.selected(), std::string("/N7 G00X10.Y20.\r\n/N8 M99 P6\r\n"));
        // Blanks between the words of the selected lines alone.
        QTest::keyClick(rig.form->editor(), Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.selected(), std::string("/N7 G00 X10. Y20.\r\n/N8 M99 P6\r\n"));
        QTest::keyClick(rig.form->editor(), Qt::Key_Z, Qt::ControlModifier);
        QTest::keyClick(rig.form->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rig.text(), kTwoPrograms);
    }

    void aMoveAndATurnThroughTheDialog()
    {
        FormRig rig;
        showWindow(rig);
        const std::string text = "O1\r\nG90 G00 X10. Y0.\r\nG01 X20. F100\r\nO2\r\nG00 X1. Y1.\r\n";
        rig.load(text);
        rig.caretToLine(1);
        // A move: X typed, Tab to Y, Enter.
        whenDialogActive([](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("座標変換"));
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("DX"));
            QTest::keyClicks(dialog->focusWidget(), "5");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("DY"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->focusWidget(), "-2.5");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.text(), std::string("O1\r\nG90 G00 X15. Y-2.5\r\nG01 X25. F100\r\nO2\r\nG00 X1. Y1.\r\n"));
        showWindow(rig);
        QTest::keyClick(rig.form->editor(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(rig.text(), text);

        rig.caretToLine(1);
        // A quarter turn: back from the move's X to the kinds, up to the
        // turn, Space to take it, Tab to its angle.
        whenDialogActive([](QWidget *dialog) {
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Up);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Up);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Kind2"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Space);
            QVERIFY(!dialog->findChild<QWidget *>(QStringLiteral("DX"))->isEnabled());
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("Degrees"));
            QTest::keyClick(dialog->focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->focusWidget(), "90");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_T, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(QString::fromStdString(rig.text()), QStringLiteral("O1\r\nG90 G00 X0. Y10.\r\nG01 X0. Y20. F100\r\nO2\r\nG00 X1. Y1.\r\n"));
        QCOMPARE(statusText(rig), QStringLiteral("座標を変換しました: 2 ブロック"));
    }

    void feedsAndSpeedsByPercent()
    {
        FormRig rig;
        showWindow(rig);
        rig.load("O1\r\nG01 X1. F100 S1000 M03\r\nG01 X#1 F#2\r\n");
        rig.caretToLine(1);
        whenDialogActive([](QWidget *dialog) {
            QCOMPARE(dialog->focusWidget()->objectName(), QStringLiteral("FeedPercent"));
            QTest::keyClicks(dialog->focusWidget(), "150");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Tab);
            QTest::keyClick(dialog->focusWidget(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(dialog->focusWidget(), "80");
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.text(), std::string("O1\r\nG01 X1. F150 S800 M03\r\nG01 X#1 F#2\r\n"));
        QCOMPARE(rig.dialogs.texts(Kind::Message).size(), 1);
        QVERIFY(rig.dialogs.texts(Kind::Message)[0].endsWith(QStringLiteral("3行: 変数・式の値は変換できません (そのまま)")));
    }

    void theStatisticsOfTheCaretsProgram()
    {
        FormRig rig;
        showWindow(rig);
        rig.load(kTwoPrograms);
        rig.caretToLine(6);
        QString shown;
        whenDialogActive([&shown](QWidget *dialog) {
            QCOMPARE(dialog->windowTitle(), QStringLiteral("プログラム統計"));
            shown = dialog->findChild<QPlainTextEdit *>(QStringLiteral("Report"))->toPlainText();
            QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
        });
        QTest::keyClick(rig.form->editor(), Qt::Key_I, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(shown.startsWith(QStringLiteral("O2000\nブロック: 2 (行 3)\n")));
        QVERIFY(shown.contains(QStringLiteral("範囲 X: 0.000 ～ 0.000 mm")));
        QCOMPARE(rig.text(), kTwoPrograms);
    }

    void withoutASelectionTheCaretsProgram()
    {
        FormRig rig;
        showWindow(rig);
        rig.load(kTwoPrograms);
        rig.caretToLine(6);
        QTest::keyClick(rig.form->editor(), Qt::Key_W, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(rig.text(), kTwoPrograms.substr(0, kTwoPrograms.find("O2000")) + "O2000\r\nN1G00X0\r\nN2M30\r\n");
        QTest::keyClick(rig.form->editor(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(rig.text(), kTwoPrograms.substr(0, kTwoPrograms.find("O2000")) + "O2000\r\nG00X0\r\nM30\r\n");
        QCOMPARE(statusText(rig), QStringLiteral("N番号を削除しました: 2 ブロック"));
        // In O1000 the numbers GOTO and M99 P name stay, and are listed.
        rig.caretToLine(1);
        QTest::keyClick(rig.form->editor(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(rig.text().starts_with("O1000\r\nG90 G54\r\nN6 IF [#1 GT 0] GOTO 8\r\nG00X10.Y20.\r\nN8 M99 P6\r\n"));
        QCOMPARE(rig.dialogs.texts(Kind::Message).size(), 1);
        QVERIFY(rig.dialogs.texts(Kind::Message)[0].endsWith(
            QStringLiteral("3行: N6 は参照されているため残しました\n5行: N8 は参照されているため残しました")));
    }
};

QTEST_MAIN(NcMenuTest)
#include "ncmenu_test.moc"
