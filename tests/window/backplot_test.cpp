// The backplot on the real window: opened by its key, drawn from the
// program at the caret off the window's thread, a click on a move taking
// the caret to its block and the caret's block drawn highlighted, both by
// real mouse and keys.
#include "app/widgets/backplotdock.h"
#include "app/widgets/commsettingsform.h"
#include "formrig.h"
#include "modal.h"
#include "nc/widgets/backplotview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QComboBox>
#include <QPushButton>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QTest>

using namespace marbolt;

namespace {

// Two programs; the caret's is drawn. O2000's moves: a rapid to the
// start, then a rectangle, one side a block.
const std::string kDocument =
    "%\r\nO1000\r\nG90G00X500.Y500.\r\nM30\r\n"
    "O2000(RECT)\r\nT1M06(END MILL)\r\nG90G00X0Y0Z0\r\nG01X100.F100\r\nY50.\r\nX0\r\nY0\r\nM30\r\n%\r\n";

bool showActive(TSDIAppForm &f)
{
    f.resize(1000, 700);
    f.show();
    f.activateWindow();
    return QTest::qWaitForWindowActive(&f);
}

}  // namespace

class BackplotTest : public QObject {
    Q_OBJECT

private slots:
    void theKeyOpensItAndTheCaretsProgramIsDrawn()
    {
        FormRig rig;
        rig.load(kDocument);
        QVERIFY(showActive(*rig.form));
        rig.caretToLine(8);  // "Y50." of O2000
        rig.form->editor()->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        BackplotDock *dock = rig.form->backplot();
        QTRY_VERIFY(dock->isVisible());
        BackplotView *view = dock->view();
        QTRY_VERIFY(view->path() != nullptr);
        // O2000 alone: five moves, none of O1000's.
        QCOMPARE(view->path()->path.moves.size(), std::size_t(5));
        QCOMPARE(view->currentLine(), std::optional<std::uint32_t>(8));
        QVERIFY(dock->summaryText().contains(QStringLiteral("X 0.000 〜 100.000")));
        QCOMPARE(dock->list()->item(0)->text(), QStringLiteral("6 行目: T1 END MILL"));

        // The key again closes it.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_B, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_VERIFY(!dock->isVisible());
    }

    void aClickOnAMoveTakesTheCaretToItsBlockAndTheCaretsBlockIsHighlighted()
    {
        FormRig rig;
        rig.load(kDocument);
        QVERIFY(showActive(*rig.form));
        rig.caretToLine(6);
        rig.form->findChild<QAction *>(QStringLiteral("BackplotItem"))->trigger();
        BackplotView *view = rig.form->backplot()->view();
        QTRY_VERIFY(view->path() != nullptr);
        QTRY_VERIFY(view->width() > 200);
        // The middle of the side X100 -> X100 Y50, the block on line 8.
        const QPointF onIt = view->screenPoint({100, 25, 0});
        QTest::mouseClick(view, Qt::LeftButton, {}, onIt.toPoint());
        QCOMPARE(rig.form->editor()->lineAt(rig.form->editor()->caretPos()), std::size_t(8));
        QCOMPARE(view->currentLine(), std::optional<std::uint32_t>(8));
        // Away from every move: the caret stays.
        QTest::mouseClick(view, Qt::LeftButton, {}, QPoint(3, 3));
        QCOMPARE(rig.form->editor()->lineAt(rig.form->editor()->caretPos()), std::size_t(8));

        // The caret moved by keys in the editor, which kept the focus: its
        // block is highlighted once the editor has shown the caret there.
        QVERIFY(rig.form->editor()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QTRY_COMPARE(view->currentLine(), std::optional<std::uint32_t>(9));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
        QTRY_COMPARE(view->currentLine(), std::optional<std::uint32_t>(7));
    }

    void typingReadsThePathAgainAndTheCaretInAnotherProgramDrawsThatOne()
    {
        FormRig rig;
        rig.load(kDocument);
        QVERIFY(showActive(*rig.form));
        rig.caretToLine(8);
        rig.form->findChild<QAction *>(QStringLiteral("BackplotItem"))->trigger();
        BackplotView *view = rig.form->backplot()->view();
        QTRY_VERIFY(view->path() != nullptr);
        // "Y50." becomes "Y80.": the path follows after the pause.
        rig.caretTo(rig.lineStart(8) + 1);
        QTest::keyClick(rig.form->editor(), Qt::Key_Delete);
        QTest::keyClick(rig.form->editor(), Qt::Key_8);
        QTRY_COMPARE(view->path()->max.y, 80.0);
        // Into O1000: its one move.
        rig.caretToLine(2);
        QTRY_COMPARE(view->path()->path.moves.size(), std::size_t(1));
        QCOMPARE(view->path()->max.x, 500.0);
    }

    void aMachineMadeALatheInTheSettingsReadsXAsADiameter()
    {
        FormRig rig;
        rig.load("O3000\r\nG50S2000\r\nG97S1000M03\r\nG00X100.Z5.\r\nG01Z-20.F0.2\r\nX120.\r\nM30\r\n");
        QVERIFY(showActive(*rig.form));
        rig.caretToLine(3);
        rig.form->findChild<QAction *>(QStringLiteral("BackplotItem"))->trigger();
        BackplotView *view = rig.form->backplot()->view();
        QTRY_VERIFY(view->path() != nullptr);
        // A machining centre's X: a hundred.
        QCOMPARE(view->path()->max.x, 120.0);
        QVERIFY(rig.form->backplot()->summaryText().contains(QStringLiteral("マシニングセンタ 早送り 10000 mm/min")));

        // The settings by keys: the kind box one down to 旋盤, the rapid
        // rate typed, OK clicked.
        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            QVERIFY(f);
            QCOMPARE(f->MachineKindBox->currentText(), QStringLiteral("マシニングセンタ"));
            f->MachineKindBox->setFocus();
            QTest::keyClick(f->MachineKindBox, Qt::Key_Down);
            QCOMPARE(f->MachineKindBox->currentText(), QStringLiteral("旋盤"));
            f->RapidBox->setFocus();
            f->RapidBox->findChild<QLineEdit *>()->selectAll();
            QTest::keyClicks(f->RapidBox->findChild<QLineEdit *>(), QStringLiteral("20000"));
            QCOMPARE(f->RapidBox->value(), 20000);
            QTest::mouseClick(f->Button1, Qt::LeftButton);
        });
        rig.form->set1Execute();
        QCOMPARE(rig.form->settings().get(QStringLiteral("MACHINE1.NCKIND")), QStringLiteral("LATHE"));
        QCOMPARE(rig.form->settings().get(QStringLiteral("MACHINE1.RAPID")), QStringLiteral("20000"));
        // Read again as a lathe: the path in radius, the extent told as the
        // diameters written; the feed per revolution at S1000.
        QTRY_COMPARE(view->path()->max.x, 60.0);
        QCOMPARE(view->path()->path.moves[1].to.x, 50.0);  // X100. cut along Z
        const QString summary = rig.form->backplot()->summaryText();
        QVERIFY2(summary.contains(QStringLiteral("X(直径) 0.000 〜 120.000")), qPrintable(summary));
        QVERIFY2(summary.contains(QStringLiteral("旋盤 早送り 20000 mm/min")), qPrintable(summary));
        // Kept for the machine: the settings dialog shows it again.
        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            QCOMPARE(f->MachineKindBox->currentText(), QStringLiteral("旋盤"));
            QCOMPARE(f->RapidBox->value(), 20000);
            QTest::mouseClick(f->Button2, Qt::LeftButton);
        });
        rig.form->set1Execute();
    }
};

QTEST_MAIN(BackplotTest)
#include "backplot_test.moc"
