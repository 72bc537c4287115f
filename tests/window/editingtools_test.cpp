// The editing tools on the real window: the current program and printing,
// replace, the jump, saving each program, and the small edits.
#include "formrig.h"

#include <Qsci/qsciprinter.h>
#include <QAction>
#include <QFileInfo>
#include <QTest>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

class EditingToolsTest : public QObject {
    Q_OBJECT

private slots:
    void theCurrentProgramIsSelected()
    {
        FormRig rig;
        rig.load("O0001\r\nG0\r\n\r\nO0002 (B)\r\nG1\r\n%\r\n");
        rig.form->ComboBox2->setBoxText(QStringLiteral("O0001"));
        rig.form->ActionList1.FileNukidasi1->trigger();
        QCOMPARE(rig.form->RichEdit1->selectionStartPos(), std::size_t{0});
        QCOMPARE(rig.selected(), std::string("O0001\r\nG0\r\n\r\n"));
        QCOMPARE(rig.form->ComboBox2->boxText(), QStringLiteral("O0001"));

        rig.form->ComboBox2->setBoxText(QStringLiteral("O0002 (B)"));
        rig.form->FileNukidasi1Execute();
        QCOMPARE(rig.selected(), std::string("O0002 (B)\r\nG1\r\n"));  // stops before the closing %
        QCOMPARE(rig.form->ComboBox2->boxText(), QStringLiteral("O0002 (B)"));
    }

    void printingTheProgramAndTheDocument()
    {
        FormRig rig;
        rig.load("O1\r\nG0 X1.\r\nM30\r\nO2\r\nG1\r\n");
        rig.form->ComboBox2->setBoxText(QStringLiteral("O1"));
        QsciPrinter &printer = rig.form->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString program = rig.dir.filePath(QStringLiteral("program.pdf"));
        printer.setOutputFileName(program);
        rig.form->ActionList1.FileOPrint->trigger();
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(QFileInfo(program).size() > 0);

        const QString whole = rig.dir.filePath(QStringLiteral("whole.pdf"));
        printer.setOutputFileName(whole);
        rig.form->ActionList1.FilePrint1->trigger();
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(QFileInfo(whole).size() > 0);
        QVERIFY(!rig.form->RichEdit1->modifiedFlag());
    }

    void aPrintThatCannotStartSaysSo()
    {
        FormRig rig;
        rig.load("O1\r\nG0\r\n");
        QsciPrinter &printer = rig.form->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(rig.dir.filePath(QStringLiteral("no/such/folder/out.pdf")));
        rig.form->FileOPrintExecute();
        QCOMPARE(rig.dialogs.texts(Kind::Message).size(), 1);
        QVERIFY(rig.dialogs.texts(Kind::Message).front().startsWith(QStringLiteral("印刷を開始できません")));
        QCOMPARE(QApplication::overrideCursor(), nullptr);
        rig.form->FilePrint1Execute();
        QCOMPARE(rig.dialogs.texts(Kind::Message).size(), 2);
        QCOMPARE(rig.text(), std::string("O1\r\nG0\r\n"));
    }

    void thePrinterSetUpKeepsItsChoice()
    {
        FormRig rig;
        rig.dialogs.printerChanges = [](QPrinter &p) { p.setPageOrientation(QPageLayout::Landscape); };
        rig.form->ActionList1.PrintSet1->trigger();
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown.front().kind, Kind::PrinterSetup);
        QCOMPARE(rig.form->printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void theCurrentProgramCommandsAreLockedDuringATransfer()
    {
        FormRig rig;
        const Commands &c = rig.form->ActionList1;
        for (QAction *a : {c.FileNukidasi1, c.FileOPrint, c.FilePrint1, c.PrintSet1})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
        rig.form->enabledfalse();
        for (QAction *a : {c.FileNukidasi1, c.FileOPrint, c.FilePrint1, c.PrintSet1})
            QVERIFY2(!a->isEnabled(), qPrintable(a->objectName()));
        rig.form->enabledtrue();
        for (QAction *a : {c.FileNukidasi1, c.FileOPrint, c.FilePrint1, c.PrintSet1})
            QVERIFY2(a->isEnabled(), qPrintable(a->objectName()));
    }

    void theJumpIsOfferedForPAndGoto()
    {
        FormRig rig;
        rig.load("O1\r\nM98 P100\r\nG0 X1.\r\nGOTO 20\r\nN20 G1\r\nO0100\r\nM99\r\n");
        QVERIFY2(!rig.form->JUMP->isEnabled(), "disabled until the menu first opens");
        rig.caretToLine(1);
        rig.form->PopupMenu1Popup();
        QVERIFY(rig.form->JUMP->isEnabled());
        rig.caretToLine(2);
        rig.form->PopupMenu1Popup();
        QVERIFY(!rig.form->JUMP->isEnabled());
        rig.caretToLine(3);
        rig.form->PopupMenu1Popup();
        QVERIFY(rig.form->JUMP->isEnabled());
    }

    void jumpingToTheCalledProgram()
    {
        FormRig rig;
        const std::string doc = "O1\r\nM98 P100\r\nM30\r\nO1000 (X)\r\nM99\r\nO0100\r\nM99\r\n";
        rig.load(doc);
        rig.caretToLine(1);
        rig.form->JUMPClick();
        QCOMPARE(rig.form->RichEdit1->caretPos(), doc.find("O0100"));
        QCOMPARE(rig.form->ComboBox2->boxText(), QStringLiteral("O0100"));
        QVERIFY(rig.dialogs.shown.isEmpty());
        // A P that names no program, or no number: nothing happens.
        rig.load("O1\r\n(PART A)\r\nG04 P500\r\n");
        rig.caretToLine(1);
        rig.form->JUMPClick();
        rig.caretToLine(2);
        rig.form->JUMPClick();
        QCOMPARE(rig.form->RichEdit1->caretPos(), rig.lineStart(2));
        QVERIFY(rig.dialogs.shown.isEmpty());
    }

    void jumpingToAGotoBlock()
    {
        FormRig rig;
        const std::string doc = "O1\r\nN0030 G01 X10.\r\nIF [#1 EQ 0] GOTO 30\r\nGOTO 40\r\nGOTO #5\r\nO2\r\nN40\r\n";
        rig.load(doc);
        rig.caretToLine(2, 3);
        rig.form->JUMPClick();
        QCOMPARE(rig.selected(), std::string("N0030 "));

        rig.caretToLine(3);
        rig.form->JUMPClick();
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("N40は見つかりませんでした")});
        QCOMPARE(rig.form->RichEdit1->caretPos(), rig.lineStart(3));

        rig.caretToLine(4);
        rig.form->JUMPClick();
        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{QStringLiteral("'' は整数ではありません")});
        QCOMPARE(rig.form->RichEdit1->caretPos(), rig.lineStart(4));
    }

    void f4JumpsOnlyFromTheEditor()
    {
        FormRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        rig.load("O1\r\nGOTO 7\r\nN7\r\n");
        rig.caretToLine(1);
        rig.form->RichEdit1->setFocus();
        QTest::keyClick(rig.form->RichEdit1, Qt::Key_F4);
        QCOMPARE(rig.form->RichEdit1->caretPos(), rig.lineStart(1));  // not offered yet
        rig.form->PopupMenu1Popup();
        QTest::keyClick(rig.form->RichEdit1, Qt::Key_F4);
        QCOMPARE(rig.selected(), std::string("N7"));
    }
};

QTEST_MAIN(EditingToolsTest)
#include "editingtools_test.moc"
