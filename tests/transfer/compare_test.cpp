// Compare (照合) through the window: against a file, against what the
// virtual machine punches back, cancel, and the window's own keys.
#include "transfertesting.h"

#include "tools/widgets/comparewindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>

using namespace marbolt;
using namespace marbolt::testing;
using namespace std::chrono_literals;
using Kind = ScriptedDialogs::Kind;

namespace {

const std::string kProgram = "O1000 (PLATE)\r\nN10 G0 X0. Y0.\r\nN20 G1 X50. F200.\r\nN30 G1 Y40.\r\n"
                             "N40 G1 X0.\r\nN50 G1 Y0.\r\nM30\r\n%";
// As the machine punches it back: renumbered, one word changed, one block gone.
const std::string kPunched = "O1000 (PLATE)\nG0 X0 . Y0.\nG1 X50. F150.\nG1 Y40.\nG1 Y0.\nM30\n";

// Runs the compare command; act runs inside the window once it shows.
void withCompareWindow(Rig &rig, const std::function<void(CompareWindow &)> &act)
{
    bool ran = false;
    QTimer::singleShot(0, rig.form.get(), [&] {
        auto *window = qobject_cast<CompareWindow *>(QApplication::activeModalWidget());
        if (!window)
            return;
        // A window the action did not close fails the test, it does not hang it.
        QTimer::singleShot(20000, window, &QDialog::reject);
        ran = true;
        act(*window);
        if (window->isVisible())
            window->reject();
    });
    rig.form->commands().FileCompare1->trigger();
    QVERIFY(ran);
}

}  // namespace

class CompareTest : public QObject {
    Q_OBJECT

private slots:
    void againstWhatTheMachinePunchesBack()
    {
        Rig rig;
        rig.setDocument(kProgram);
        rig.form->indexBox()->setBoxText(QStringLiteral("O1000 (PLATE)"));
        rig.form->editor()->clearModifiedFlag();
        int differences = -1;
        QString what;
        withCompareWindow(rig, [&](CompareWindow &window) {
            what = window.what->text();
            vm::PunchMode mode;
            rig.machine->punch(vm::punchTape(kPunched, PunchCode::Iso), mode);
            QTest::mouseClick(window.fromReception, Qt::LeftButton);
            finish(rig);
            differences = window.differenceCount();
            QCOMPARE(window.status->text(), QStringLiteral("相違 2 箇所 (1 番目)"));
        });
        QCOMPARE(what, QStringLiteral("プログラム O1000 (PLATE) を照合します"));
        QCOMPARE(differences, 2);
        QCOMPARE(std::string(rig.form->editor()->textView()), kProgram);
        QVERIFY(!rig.form->editor()->modifiedFlag());
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("受信を完了しました。")});
        QVERIFY(rig.form->commands().send1->isEnabled());
    }

    void cancelDuringTheReceptionLeavesEverythingAsItWas()
    {
        Rig rig;
        rig.setDocument(kProgram);
        rig.form->editor()->clearModifiedFlag();
        int differences = -1;
        withCompareWindow(rig, [&](CompareWindow &window) {
            // The machine punches slowly; F8 in the window cancels.
            vm::PunchMode mode;
            mode.bytesPerSecond = 20;
            rig.machine->punch(vm::punchTape(kPunched, PunchCode::Iso), mode);
            QTimer::singleShot(400, &window, [&] { QTest::keyClick(&window, Qt::Key_F8); });
            QTest::mouseClick(window.fromReception, Qt::LeftButton);
            finish(rig);
            differences = window.differenceCount();
            QVERIFY(window.fromReception->isEnabled());
        });
        QCOMPARE(differences, 0);  // nothing compared
        QCOMPARE(std::string(rig.form->editor()->textView()), kProgram);
        QVERIFY(!rig.form->editor()->modifiedFlag());
        rig.machine->waitForCount(2, 1000ms);  // the machine reads on a thread of its own
        QVERIFY(rig.machine->received().size() >= 2);
        QCOMPARE(rig.machine->received().back(), kDC3);
    }

    void againstAFileWithTheKeysOfTheWindow()
    {
        Rig rig;
        rig.setDocument(kProgram);
        rig.form->indexBox()->setBoxText(QString());  // the whole document
        const QString other = rig.dir.filePath(QStringLiteral("other.nc"));
        {
            QFile f(other);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("O1000 (PLATE)\r\nG0 X0. Y0.\r\nG1 X50. F150.\r\nG1 Y40.\r\nG1 Y0.\r\nM30\r\n%\r\n");
        }
        rig.dialogs.files = {FileChoice{other, 1}};
        std::vector<int> seen;
        withCompareWindow(rig, [&](CompareWindow &window) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::mouseClick(window.fromFile, Qt::LeftButton);
            QCOMPARE(window.differenceCount(), 2);
            seen.push_back(window.currentDifference());
            QTest::keyClick(&window, Qt::Key_F3);
            seen.push_back(window.currentDifference());
            QTest::keyClick(&window, Qt::Key_F3);  // no wrap at the end
            seen.push_back(window.currentDifference());
            QTest::keyClick(&window, Qt::Key_F3, Qt::ShiftModifier);
            seen.push_back(window.currentDifference());
            // Numbers compared as text change nothing here: both sides
            // write them alike. The box is a real click.
            QTest::mouseClick(window.byValue, Qt::LeftButton);
            QCOMPARE(window.differenceCount(), 2);
            // Double-click on the dropped block of the document's side.
            const QTextBlock block = window.left->document()->findBlockByNumber(4);
            const QRect at = window.left->cursorRect(QTextCursor(block));
            QTest::mouseDClick(window.left->viewport(), Qt::LeftButton, {}, at.center());
        });
        QCOMPARE(seen, (std::vector<int>{0, 1, 1, 0}));
        QCOMPARE(rig.form->editor()->caretPos(), rig.form->editor()->lineStart(4));
    }

    // A changed word next to a dropped block: the two are told apart, the
    // changed word is marked on both sides and named under them; F3 goes
    // to the dropped block, named as only in the document.
    void aChangedWordBesideADroppedBlockIsTheWordAndTheBlock()
    {
        Rig rig;
        rig.setDocument("O2000\r\nN10 G0 X0. Y0.\r\nN20 G1 Y5. F100.\r\nN30 G1 X5.\r\nN40 M30\r\n%");
        rig.form->indexBox()->setBoxText(QString());
        const QString other = rig.dir.filePath(QStringLiteral("other.nc"));
        {
            QFile f(other);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("O2000\r\nN10 G0 X0. Y0.\r\nN20 G1 Y6. F100.\r\nN40 M30\r\n%\r\n");
        }
        rig.dialogs.files = {FileChoice{other, 1}};
        QStringList changes;
        QStringList markedLeft, markedRight;
        withCompareWindow(rig, [&](CompareWindow &window) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::mouseClick(window.fromFile, Qt::LeftButton);
            QCOMPARE(window.differenceCount(), 2);
            changes << window.change->text();
            QTest::keyClick(&window, Qt::Key_F3);
            changes << window.change->text();
            // The marks of changed words: those selections that cover part
            // of a line, not the whole of it.
            for (const auto &mark : window.left->extraSelections())
                if (mark.cursor.hasSelection())
                    markedLeft << mark.cursor.selectedText();
            for (const auto &mark : window.right->extraSelections())
                if (mark.cursor.hasSelection())
                    markedRight << mark.cursor.selectedText();
        });
        QCOMPARE(changes, (QStringList{QStringLiteral("Y5. \u2192 Y6."), QStringLiteral("ドキュメントのみ")}));
        QCOMPARE(markedLeft, QStringList{QStringLiteral("Y5.")});
        QCOMPARE(markedRight, QStringList{QStringLiteral("Y6.")});
    }

    void theSameProgramSaysSo()
    {
        Rig rig;
        rig.setDocument(kProgram);
        const QString same = rig.dir.filePath(QStringLiteral("same.nc"));
        {
            QFile f(same);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("%\nO1000\nG00 X0. Y0.\nG01 X50.0 F200.\nG1 Y40.\nG1 X0.\nG1 Y0.\nM30\n%\n");
        }
        rig.dialogs.files = {FileChoice{same, 1}};
        withCompareWindow(rig, [&](CompareWindow &window) { QTest::mouseClick(window.fromFile, Qt::LeftButton); });
        QVERIFY(rig.dialogs.texts(Kind::Information).contains(QStringLiteral("相違はありません。")));
    }

    // PageDown in the document's side scrolls the other side with it, the
    // dropped block keeping matched blocks level.
    void theSidesScrollTogether()
    {
        Rig rig;
        std::string doc = "O1\r\n", other = "O1\r\n";
        for (int i = 1; i <= 300; ++i) {
            const std::string block = "G1 X" + std::to_string(i) + ".\r\n";
            doc += block;
            if (i != 5)
                other += block;  // the fifth block is gone
        }
        rig.setDocument(doc + "M30\r\n%");
        rig.form->indexBox()->setBoxText(QString());
        const QString path = rig.dir.filePath(QStringLiteral("other.nc"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(QByteArray::fromStdString(other + "M30\r\n%\r\n"));
        }
        rig.dialogs.files = {FileChoice{path, 1}};
        int leftTop = -1, rightTop = -1;
        withCompareWindow(rig, [&](CompareWindow &window) {
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window));
            QTest::mouseClick(window.fromFile, Qt::LeftButton);
            QCOMPARE(window.differenceCount(), 1);
            window.left->setFocus();
            for (int i = 0; i < 4; ++i)
                QTest::keyClick(window.left, Qt::Key_PageDown);
            leftTop = window.left->verticalScrollBar()->value();
            rightTop = window.right->verticalScrollBar()->value();
        });
        QVERIFY(leftTop > 10);
        QCOMPARE(rightTop, leftTop - 1);
    }

    // Faulty bytes of a tape for compare are told; the document has no
    // lines of that tape to mark.
    void aFaultyTapeForCompareIsToldAndMarksNothing()
    {
        Rig rig;
        rig.setDocument(kProgram);
        std::vector<std::uint8_t> tape = vm::punchTape(kPunched, PunchCode::Iso);
        const auto f = std::find(tape.begin(), tape.end(), sendiso('F'));
        QVERIFY(f != tape.end());
        *f ^= 0x80;
        withCompareWindow(rig, [&](CompareWindow &window) {
            rig.machine->punch(tape, vm::PunchMode{});
            QTest::mouseClick(window.fromReception, Qt::LeftButton);
            finish(rig);
        });
        QCOMPARE(rig.dialogs.texts(Kind::Information).last(),
                 QStringLiteral("パリティエラーが 1 文字ありました。\r\r3 行目: G1 X50. F150."));
        QCOMPARE(rig.form->editor()->marginWidth(1), 0);
    }
};

QTEST_MAIN(CompareTest)
#include "compare_test.moc"
