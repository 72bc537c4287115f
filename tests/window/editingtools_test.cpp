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
};

QTEST_MAIN(EditingToolsTest)
#include "editingtools_test.moc"
