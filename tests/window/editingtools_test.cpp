// The editing tools on the real window: the current program and printing,
// replace, the jump, saving each program, and the small edits.
#include "app/widgets/statuspanels.h"
#include "windowprobe.h"
#include "formrig.h"

#include "tools/widgets/replacedialog.h"

#include <Qsci/qsciprinter.h>
#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTimer>
#include <QTest>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

// Loads text, puts the caret at 0 and opens the replace dialog with its
// two fields filled in.
TfrmReplace *openReplace(FormRig &rig, const std::string &text, const char *find, const char *with)
{
    rig.load(text);
    rig.caretTo(0);
    rig.form->EditReplaceExecute();
    TfrmReplace *d = WindowProbe::frmReplace(*rig.form);
    d->Edit1->setText(QString::fromUtf8(find));
    d->Edit2->setText(QString::fromUtf8(with));
    return d;
}

}  // namespace

// The texts a label shows when it is painted.
class PaintWatch : public QObject {
public:
    PaintWatch(QLabel *label, QStringList &painted) : label_(label), painted_(painted)
    {
        label_->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == label_ && event->type() == QEvent::Paint)
            painted_ << label_->text();
        return false;
    }

private:
    QLabel *label_;
    QStringList &painted_;
};

class EditingToolsTest : public QObject {
    Q_OBJECT

private slots:
    void theCurrentProgramIsSelected()
    {
        FormRig rig;
        rig.load("O0001\r\nG0\r\n\r\nO0002 (B)\r\nG1\r\n%\r\n");
        rig.form->indexBox()->setBoxText(QStringLiteral("O0001"));
        rig.form->commands().FileNukidasi1->trigger();
        QCOMPARE(rig.form->editor()->selectionStartPos(), std::size_t{0});
        QCOMPARE(rig.selected(), std::string("O0001\r\nG0\r\n\r\n"));
        QCOMPARE(rig.form->indexBox()->boxText(), QStringLiteral("O0001"));

        rig.form->indexBox()->setBoxText(QStringLiteral("O0002 (B)"));
        rig.form->FileNukidasi1Execute();
        QCOMPARE(rig.selected(), std::string("O0002 (B)\r\nG1\r\n"));  // stops before the closing %
        QCOMPARE(rig.form->indexBox()->boxText(), QStringLiteral("O0002 (B)"));
    }

    void printingTheProgramAndTheDocument()
    {
        FormRig rig;
        rig.load("O1\r\nG0 X1.\r\nM30\r\nO2\r\nG1\r\n");
        rig.form->indexBox()->setBoxText(QStringLiteral("O1"));
        QsciPrinter &printer = rig.form->printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString program = rig.dir.filePath(QStringLiteral("program.pdf"));
        printer.setOutputFileName(program);
        rig.form->commands().FileOPrint->trigger();
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(QFileInfo(program).size() > 0);

        const QString whole = rig.dir.filePath(QStringLiteral("whole.pdf"));
        printer.setOutputFileName(whole);
        rig.form->commands().FilePrint1->trigger();
        QVERIFY(rig.dialogs.shown.isEmpty());
        QVERIFY(QFileInfo(whole).size() > 0);
        QVERIFY(!rig.form->editor()->modifiedFlag());
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
        rig.form->commands().PrintSet1->trigger();
        QCOMPARE(rig.dialogs.shown.size(), 1);
        QCOMPARE(rig.dialogs.shown.front().kind, Kind::PrinterSetup);
        QCOMPARE(rig.form->printer().pageLayout().orientation(), QPageLayout::Landscape);
    }

    void theCurrentProgramCommandsAreLockedDuringATransfer()
    {
        FormRig rig;
        const Commands &c = rig.form->commands();
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
        QVERIFY2(!WindowProbe::JUMP(*rig.form)->isEnabled(), "disabled until the menu first opens");
        rig.caretToLine(1);
        rig.form->PopupMenu1Popup();
        QVERIFY(WindowProbe::JUMP(*rig.form)->isEnabled());
        rig.caretToLine(2);
        rig.form->PopupMenu1Popup();
        QVERIFY(!WindowProbe::JUMP(*rig.form)->isEnabled());
        rig.caretToLine(3);
        rig.form->PopupMenu1Popup();
        QVERIFY(WindowProbe::JUMP(*rig.form)->isEnabled());
    }

    void jumpingToTheCalledProgram()
    {
        FormRig rig;
        const std::string doc = "O1\r\nM98 P100\r\nM30\r\nO1000 (X)\r\nM99\r\nO0100\r\nM99\r\n";
        rig.load(doc);
        rig.caretToLine(1);
        rig.form->JUMPClick();
        QCOMPARE(rig.form->editor()->caretPos(), doc.find("O0100"));
        QCOMPARE(rig.form->indexBox()->boxText(), QStringLiteral("O0100"));
        QVERIFY(rig.dialogs.shown.isEmpty());
        // A P that names no program, or no number: nothing happens.
        rig.load("O1\r\n(PART A)\r\nG04 P500\r\n");
        rig.caretToLine(1);
        rig.form->JUMPClick();
        rig.caretToLine(2);
        rig.form->JUMPClick();
        QCOMPARE(rig.form->editor()->caretPos(), rig.lineStart(2));
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
        QCOMPARE(rig.form->editor()->caretPos(), rig.lineStart(3));

        rig.caretToLine(4);
        rig.form->JUMPClick();
        QCOMPARE(rig.dialogs.texts(Kind::Error), QStringList{QStringLiteral("'' は整数ではありません")});
        QCOMPARE(rig.form->editor()->caretPos(), rig.lineStart(4));
    }

    void f4JumpsOnlyFromTheEditor()
    {
        FormRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        rig.load("O1\r\nGOTO 7\r\nN7\r\n");
        rig.caretToLine(1);
        rig.form->editor()->setFocus();
        QTest::keyClick(rig.form->editor(), Qt::Key_F4);
        QCOMPARE(rig.form->editor()->caretPos(), rig.lineStart(1));  // not offered yet
        rig.form->PopupMenu1Popup();
        QTest::keyClick(rig.form->editor(), Qt::Key_F4);
        QCOMPARE(rig.selected(), std::string("N7"));

        // The call's own P, not the P of the comment before it.
        rig.load("O1\r\n(PART A) M98 P2\r\nM30\r\nO2\r\nM99\r\n");
        rig.caretToLine(1);
        rig.form->PopupMenu1Popup();
        QTest::keyClick(rig.form->editor(), Qt::Key_F4);
        QCOMPARE(rig.form->editor()->lineAt(rig.form->editor()->caretPos()), std::size_t(3));
    }

    void theReplaceDialog()
    {
        FormRig rig;
        rig.load("g01 X10 (G01 MOVE)\r\n");
        rig.form->editor()->selectRange(0, 3);
        rig.form->commands().EditReplace->trigger();
        TfrmReplace *d = WindowProbe::frmReplace(*rig.form);
        QVERIFY(d->isVisible());
        QCOMPARE(d->windowTitle(), QStringLiteral("置換"));
        QCOMPARE(d->Edit1->text(), QStringLiteral("G01"));  // the selection, upper-cased
        QVERIFY(WindowProbe::replaceState(*rig.form).ReplaceActive);
        QVERIFY(d->CheckBox1->isChecked());
        QVERIFY(d->Button1->isEnabled());
        d->Edit1->clear();
        QVERIFY2(d->Button3->isEnabled(), "once enabled the buttons stay so");
        QTest::keyClicks(d->Edit2, "g1");
        QCOMPARE(d->Edit2->text(), QStringLiteral("G1"));
        // Only a-z change, as in Find: full-width and other letters stay.
        for (const QChar c : QStringLiteral("(ｇé)")) {
            QKeyEvent typed(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(d->Edit2, &typed);
        }
        QCOMPARE(d->Edit2->text(), QStringLiteral("G1(ｇé)"));
    }

    void replacingThroughTheDialog()
    {
        FormRig rig;
        TfrmReplace *d = openReplace(rig, "O1\r\nG01 X10 (G01 MOVE)\r\nO2\r\nG01\r\n", "G01", "G1");
        rig.form->indexBox()->setBoxText(QStringLiteral("O1"));
        d->Button5->click();
        QCOMPARE(rig.text(), std::string("O1\r\nG1 X10 (G01 MOVE)\r\nO2\r\nG01\r\n"));
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("置換が完了しました。")});
        QVERIFY(rig.form->editor()->modifiedFlag());
        QVERIFY(rig.form->commands().EditUndo1->isEnabled());

        d->CheckBox1->setChecked(false);
        rig.caretTo(0);
        d->Button3->click();
        QCOMPARE(rig.text(), std::string("O1\r\nG1 X10 (G1 MOVE)\r\nO2\r\nG1\r\n"));
        // One undo takes the whole run back.
        rig.form->EditUndo1Execute();
        QCOMPARE(rig.text(), std::string("O1\r\nG1 X10 (G01 MOVE)\r\nO2\r\nG01\r\n"));
    }

    void enterWalksThroughTheOccurrences()
    {
        FormRig rig;
        TfrmReplace *d = openReplace(rig, "A B A B A\r\n", "A", "C");
        QTest::keyClick(d->Edit1, Qt::Key_Return);
        QCOMPARE(rig.form->editor()->selectionStartPos(), std::size_t{0});
        QTest::keyClick(d->Edit2, Qt::Key_Return);  // replace, then find the next
        QCOMPARE(rig.text(), std::string("C B A B A\r\n"));
        QCOMPARE(rig.form->editor()->selectionStartPos(), std::size_t{4});
        QVERIFY(d->isVisible());
    }

    void closingStopsAReplaceAll()
    {
        FormRig rig;
        std::string doc;
        // Long enough that the run, millions of occurrences a second, lets
        // events through several times.
        for (int i = 0; i < 3000000; ++i)
            doc += "X1\r\n";
        TfrmReplace *d = openReplace(rig, doc, "X", "Y");
        // "閉じる" is clicked as soon as the run lets events through (it
        // does so every few tens of milliseconds, not after each change).
        bool clicked = false;
        QObject::connect(rig.form->editor(), &QsciScintilla::textChanged, d, [&] {
            if (!clicked) {
                clicked = true;
                QTimer::singleShot(0, d, [d] { QTest::mouseClick(d->Button4, Qt::LeftButton); });
            }
        });
        d->Button3->click();
        QVERIFY(clicked);
        QVERIFY(!WindowProbe::replaceState(*rig.form).ReplaceActive);
        QVERIFY(!d->isVisible());
        QVERIFY(rig.dialogs.shown.isEmpty());  // no completion message
        const std::string text = rig.text();
        QVERIFY2(text.find('X') != std::string::npos, "the run stopped before its end");
        QVERIFY(text.find('Y') != std::string::npos);
        QVERIFY2(text.rfind('Y') < text.find('X'), "front to back");

        // The title bar's close hides the dialog and leaves the state alone.
        rig.form->EditReplaceExecute();
        QVERIFY(WindowProbe::replaceState(*rig.form).ReplaceActive);
        d->close();
        QVERIFY(!d->isVisible());
        QVERIFY(WindowProbe::replaceState(*rig.form).ReplaceActive);
    }

    void theDateComment()
    {
        FormRig rig;
        rig.load("G01\r\n");
        rig.form->editor()->selectRange(0, 3);
        rig.form->commands().EditDate->trigger();
        // Upper case like all inserted text ("8 DEC 2026" under the C locale).
        const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toUpper();
        QCOMPARE(QString::fromStdString(rig.text()), QStringLiteral("(%1)G01\r\n").arg(date));
        QCOMPARE(rig.form->editor()->caretPos(), static_cast<std::size_t>(date.toUtf8().size() + 2));
    }

    void deletingSemicolonsOutsideComments()
    {
        FormRig rig;
        rig.load("(;)\r\nG01 X10;(NOTE;)\r\n");
        rig.caretTo(rig.text().size());
        rig.form->commands().EditEOF->trigger();
        QCOMPARE(rig.text(), std::string("(;)\r\nG01 X10(NOTE;)\r\n"));
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{0});
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("置換が完了しました。")});

        rig.dialogs.shown.clear();
        rig.load("G0\r\n");
        rig.form->EditEOFExecute();
        QCOMPARE(rig.dialogs.texts(Kind::Information), QStringList{QStringLiteral("文字列\";\"が見つかりません。")});

        rig.dialogs.shown.clear();
        rig.load("G0 (;)\r\n");
        rig.form->EditEOFExecute();
        QCOMPARE(rig.dialogs.texts(Kind::Information),
                 (QStringList{QStringLiteral("文字列\";\"が見つかりません。"), QStringLiteral("置換が完了しました。")}));
        QCOMPARE(rig.text(), std::string("G0 (;)\r\n"));
    }

    void switchingTheSortOfTheProgramList()
    {
        FormRig rig;
        rig.load("O20\r\nO100\r\n");
        QVERIFY(rig.form->commands().EditSort->isChecked());
        QCOMPARE(rig.form->indexBox()->entries(), (QStringList{QStringLiteral("O100"), QStringLiteral("O20")}));
        // A program added by editing, then the sort switched off: document order.
        rig.form->editor()->SendScintilla(QsciScintilla::SCI_APPENDTEXT, 6UL, "O5\r\nM");
        rig.form->commands().EditSort->trigger();
        QVERIFY(!rig.form->commands().EditSort->isChecked());
        QVERIFY(!rig.form->indexBox()->isSorted());
        QCOMPARE(rig.form->indexBox()->entries(),
                 (QStringList{QStringLiteral("O20"), QStringLiteral("O100"), QStringLiteral("O5")}));
        rig.form->commands().EditSort->trigger();
        QCOMPARE(rig.form->indexBox()->entries(),
                 (QStringList{QStringLiteral("O100"), QStringLiteral("O20"), QStringLiteral("O5")}));
        rig.form->commands().EditSort->trigger();

        // The choice is what the next start finds.
        rig.form->editor()->clearModifiedFlag();
        QVERIFY(rig.form->FormCloseQuery());
        QFile ini(rig.form->settingsPath());
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("SORT=0"));
    }

    void theEditingToolsAreLockedDuringATransferButEof()
    {
        FormRig rig;
        const Commands &c = rig.form->commands();
        rig.form->enabledfalse();
        QVERIFY(!c.EditReplace->isEnabled());
        QVERIFY(!c.EditDate->isEnabled());
        QVERIFY(!c.EditSort->isEnabled());
        QVERIFY(c.EditEOF->isEnabled());
        rig.form->enabledtrue();
        QVERIFY(c.EditReplace->isEnabled());
        QVERIFY(c.EditSort->isEnabled());
    }

    void eachProgramToItsOwnFile()
    {
        FormRig rig;
        QTemporaryDir out;
        rig.load("%\r\nO0001\r\nG0\r\n\r\nO0002 (B)\r\nG1\r\n%\r\n");
        rig.caretTo(10);
        auto fileText = [&](const QString &name) {
            QFile f(out.filePath(name));
            return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("(missing)");
        };
        for (int round = 0; round < 2; ++round) {  // the second replaces without asking
            rig.dialogs.folders = {out.path()};
            rig.form->commands().Osave->trigger();
            QCOMPARE(fileText(QStringLiteral("O0001.nc")), std::string("O0001\r\nG0\r\n\r\n"));
            QCOMPARE(fileText(QStringLiteral("O0002 (B).nc")), std::string("O0002 (B)\r\nG1\r\n"));
        }
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 2);
        QCOMPARE(rig.dialogs.texts(Kind::Folder).front(), QDir::currentPath());
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{0});
        QVERIFY(!rig.form->editor()->hasSelectedText());
        QVERIFY(!rig.form->editor()->modifiedFlag());

        // Cancel ends the command before anything: the caret stays.
        rig.caretTo(10);
        rig.form->OsaveExecute();
        QCOMPARE(rig.form->editor()->caretPos(), std::size_t{10});
    }

    // Thousands of programs: panel 0 counts them out on screen while the
    // command runs, and is empty again at the end.
    void savingManyProgramsShowsProgressInPanel0()
    {
        FormRig rig;
        rig.form->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.form.get()));
        std::string document = "%\r\n";
        for (int i = 0; i < 600; ++i)
            document += "O" + std::to_string(1000 + i) + "\r\nG01X1.\r\n";
        rig.load(document + "%\r\n");
        auto *panel = rig.form->statusPanels()->findChild<QLabel *>(QStringLiteral("Panel0"));
        QVERIFY(panel);
        QStringList painted;
        PaintWatch watch(panel, painted);
        QTemporaryDir out;
        rig.dialogs.folders = {out.path()};
        rig.form->commands().Osave->trigger();
        QVERIFY2(painted.contains(QStringLiteral("256 / 600 プログラム保存済み")), qPrintable(painted.join(u'|')));
        QVERIFY(painted.contains(QStringLiteral("600 / 600 プログラム保存済み")));
        QCOMPARE(rig.form->statusPanels()->panelText(0), QString());
        QCOMPARE(QDir(out.path()).entryList(QDir::Files).size(), 600);
    }

    void savingEachProgramStopsAtAFileThatCannotBeMade()
    {
        FormRig rig;
        QTemporaryDir out;
        rig.load("O1\r\nG0\r\nO2 (A/B)\r\nG1\r\nO3\r\nM30");
        rig.form->commands().EditSort->trigger();  // document order
        rig.dialogs.folders = {out.path() + QStringLiteral("/")};
        rig.form->OsaveExecute();
        const QString failed = out.path() + QStringLiteral("/O2 (A/B).nc");
        QCOMPARE(rig.dialogs.texts(Kind::Message), QStringList{QStringLiteral("ファイル %1 を作成できません").arg(failed)});
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("O1.nc"))));
        QVERIFY(!QFile::exists(out.filePath(QStringLiteral("O3.nc"))));
        QCOMPARE(rig.selected(), std::string("O2 (A/B)\r\nG1\r\n"));

        // An O-line that climbs out of the folder through a subfolder of the
        // same name, or that holds a NUL, names no file in the folder.
        QTemporaryDir root;
        QVERIFY(QDir(root.path()).mkpath(QStringLiteral("out/O1")));
        const QString folder = root.filePath(QStringLiteral("out"));
        const std::string badLines[] = {"O1/../../X", "O1/../Y", std::string("O5\0Z", 4)};
        for (const std::string &bad : badLines) {
            const std::string document = "O0\r\nG0\r\n" + bad + "\r\nG1\r\nO9\r\nM30\r\n";
            rig.load(document);  // O0, the bad one, O9: sorted or not
            rig.dialogs = ScriptedDialogs();
            rig.dialogs.folders = {folder};
            rig.form->OsaveExecute();
            const QStringList messages = rig.dialogs.texts(Kind::Message);
            QCOMPARE(messages.size(), 1);
            QVERIFY2(messages.front().startsWith(QStringLiteral("ファイル ")) &&
                         messages.front().endsWith(QStringLiteral(" を作成できません")),
                     qPrintable(messages.front()));
            QVERIFY(QFile::exists(root.filePath(QStringLiteral("out/O0.nc"))));
            QVERIFY(!QFile::exists(root.filePath(QStringLiteral("out/O9.nc"))));
            // Nothing beside or above the folder, nothing in the subfolder.
            QCOMPARE(QDir(root.path()).entryList(QDir::Files | QDir::Hidden), QStringList{});
            QCOMPARE(QDir(root.filePath(QStringLiteral("out/O1"))).entryList(QDir::Files | QDir::Hidden),
                     QStringList{});
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{"O0.nc"});
            QFile::remove(root.filePath(QStringLiteral("out/O0.nc")));
        }

        // A last program without a line break still ends with one in its file.
        rig.load("O3\r\nM30");
        rig.dialogs.folders = {out.path()};
        rig.form->OsaveExecute();
        QFile f(out.filePath(QStringLiteral("O3.nc")));
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("O3\r\nM30\r\n"));
    }
};

QTEST_MAIN(EditingToolsTest)
#include "editingtools_test.moc"
