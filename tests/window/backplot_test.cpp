// The backplot on the real window: opened by its key, drawn from the
// program at the caret off the window's thread, a click on a move taking
// the caret to its block and the caret's block drawn highlighted, both by
// real mouse and keys.
#include "app/widgets/backplotdock.h"
#include "formrig.h"
#include "nc/widgets/backplotview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QListWidget>
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
};

QTEST_MAIN(BackplotTest)
#include "backplot_test.moc"
