// Find, caret tracking and the editor's own behaviour, on the real window.
#include "app/widgets/sdiappform.h"
#include "windowprobe.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/ncsyntax.h"
#include "document/widgets/editoraccessible.h"
#include "document/widgets/nceditor.h"
#include "scripteddialogs.h"
#include "tools/widgets/finddialog.h"

#include <Qsci/qscicommandset.h>

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QLocale>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <string>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

class EditorViewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedDialogs dialogs_;

    std::unique_ptr<TSDIAppForm> makeForm()
    {
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir_->path());
        env.dialogs = &dialogs_;
        return std::make_unique<TSDIAppForm>(std::move(env));
    }

    // Shown and active, so that the window's shortcuts take real keys.
    static bool showActive(TSDIAppForm &f)
    {
        f.show();
        f.activateWindow();
        return QTest::qWaitForWindowActive(&f);
    }

    static void load(TSDIAppForm &f, const std::string &text)
    {
        auto loader = f.editor()->beginLoad(text.size());
        loader->add(text);
        loader->commit();
        f.indexBox()->rebuild(f.editor()->textView());
    }

    static std::size_t lineStart(TSDIAppForm &f, int line)
    {
        return static_cast<std::size_t>(
            f.editor()->SendScintilla(QsciScintilla::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line)));
    }

    static void caretToLine(TSDIAppForm &f, int line, int column = 0)
    {
        const std::size_t p = lineStart(f, line) + static_cast<std::size_t>(column);
        f.editor()->selectRange(p, p);
    }

    static std::string selected(TSDIAppForm &f)
    {
        return f.editor()->selectedText().toStdString();
    }

    void find(TSDIAppForm &f, const QString &text, bool down)
    {
        WindowProbe::FindDialog1(f)->searchText = text;
        WindowProbe::FindDialog1(f)->down = down;
        f.FindDialog1Find();
    }

    QString notFound(const QString &text) const
    {
        return QStringLiteral("文字列\"%1\"が見つかりません。").arg(text);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        dialogs_ = ScriptedDialogs();
    }

    void searchTextIsUpperCasedAndShownAgain()
    {
        auto f = makeForm();
        load(*f, "O1\r\ng01\r\nG01X1.\r\n");
        find(*f, QStringLiteral("g01"), true);
        QCOMPARE(WindowProbe::FindDialog1(*f)->searchText, QStringLiteral("G01"));
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{9});
        QCOMPARE(selected(*f), std::string("G01"));
        f->EditFind1Execute();
        f->editor()->selectRange(0, 0);
        WindowProbe::FindDialog1(*f)->hide();
        f->EditFind1Execute();
        QCOMPARE(WindowProbe::FindDialog1(*f)->field->text(), QStringLiteral("G01"));
        QVERIFY(!WindowProbe::FindDialog1(*f)->matchCase->isEnabled());
        QVERIFY(!WindowProbe::FindDialog1(*f)->wholeWord->isEnabled());
        WindowProbe::FindDialog1(*f)->hide();
    }

    // F3 pressed in the find dialog finds the next occurrence; the label's
    // mnemonic is rendered, and Alt+N takes the focus to the field.
    void f3WorksWhileTheFindDialogIsActive()
    {
        auto f = makeForm();
        f->show();
        load(*f, "G01\r\nG01\r\nG01\r\n");
        f->editor()->selectRange(0, 0);
        find(*f, QStringLiteral("G01"), true);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{0});
        WindowProbe::FindDialog1(*f)->execute();
        QVERIFY(QTest::qWaitForWindowActive(WindowProbe::FindDialog1(*f)));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{5});
        const auto labels = WindowProbe::FindDialog1(*f)->findChildren<QLabel *>();
        QVERIFY(!labels.isEmpty());
        QCOMPARE(labels.front()->buddy(), WindowProbe::FindDialog1(*f)->field);
        WindowProbe::FindDialog1(*f)->cancel->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), WindowProbe::FindDialog1(*f)->field);
        WindowProbe::FindDialog1(*f)->hide();
    }

    void downStepsWalkAndStopAfterTheLast()
    {
        auto f = makeForm();
        load(*f, "G01\r\nG01\r\nG01\r\n");
        f->editor()->selectRange(0, 0);
        QList<std::size_t> found;
        for (int i = 0; i < 3; ++i) {
            find(*f, QStringLiteral("G01"), true);
            found << f->editor()->selectionStartPos();
        }
        QCOMPARE(found, (QList<std::size_t>{0, 5, 10}));
        QVERIFY(dialogs_.shown.isEmpty());
        f->commands().EditNext->trigger();  // F3
        QCOMPARE(dialogs_.texts(Kind::Information), QStringList{notFound(QStringLiteral("G01"))});
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{10});
        QCOMPARE(selected(*f), std::string("G01"));
    }

    void upSteps()
    {
        auto f = makeForm();
        load(*f, "G01\r\nX\r\nG01\r\nG01\r\nY\r\n");
        f->editor()->selectRange(0, 0);
        find(*f, QStringLiteral("G01"), false);
        QCOMPARE(dialogs_.texts(Kind::Information), QStringList{notFound(QStringLiteral("G01"))});

        const std::size_t end = f->editor()->textLength();
        f->editor()->selectRange(end, end);
        find(*f, QStringLiteral("G01"), false);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{13});  // the last of several
        find(*f, QStringLiteral("G01"), false);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{8});
        find(*f, QStringLiteral("G01"), false);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{0});  // the one at 0
    }

    void anOccurrenceAcrossTheCaretIsFoundByNeither()
    {
        auto f = makeForm();
        load(*f, "ABCDEF\r\n");
        f->editor()->selectRange(3, 3);
        find(*f, QStringLiteral("BCDE"), true);
        find(*f, QStringLiteral("BCDE"), false);
        QCOMPARE(dialogs_.texts(Kind::Information).size(), 2);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{3});
    }

    void aLongSelectionGives255AndF3WithoutTextIsNotFound()
    {
        auto f = makeForm();
        f->commands().EditNext->trigger();
        QCOMPARE(dialogs_.texts(Kind::Information), QStringList{notFound(QString())});

        load(*f, std::string(300, 'X') + "\r\n");
        f->editor()->selectRange(0, 300);
        f->EditFind1Execute();
        QCOMPARE(WindowProbe::FindDialog1(*f)->searchText.size(), 255);
        QCOMPARE(WindowProbe::FindDialog1(*f)->field->text().size(), 255);
        WindowProbe::FindDialog1(*f)->hide();
    }

    void panelsAtStartAndLineAndColumn()
    {
        auto f = makeForm();
        QCOMPARE(f->statusPanels()->panelText(3), QStringLiteral("1 : 1"));
        QCOMPARE(f->statusPanels()->panelText(4), QStringLiteral("挿入"));
        std::string text;
        for (int i = 1; i <= 15; ++i)
            text += "G01X" + std::to_string(i) + ".\r\n";
        load(*f, text);
        caretToLine(*f, 11, 5);
        QCOMPARE(f->statusPanels()->panelText(3), QStringLiteral("12 : 6"));
    }

    void shortMovesAcrossAProgramStart()
    {
        auto f = makeForm();
        std::string text = "O1000\r\n";
        for (int i = 0; i < 5; ++i)
            text += "G01X1.\r\n";
        text += "O2000\r\n";
        for (int i = 0; i < 5; ++i)
            text += "G01X2.\r\n";
        load(*f, text);
        caretToLine(*f, 2);
        caretToLine(*f, 4);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1000"));
        caretToLine(*f, 8);  // down past O2000
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O2000"));
        caretToLine(*f, 4);  // back up past it
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1000"));
        caretToLine(*f, 6);  // onto the O-line itself
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O2000"));
    }

    void aSmallMoveFarBelowTheProgramStartSearchesNothing()
    {
        auto f = makeForm();
        std::string text = "O1000\r\n";
        for (int i = 0; i < 80; ++i)
            text += "G01X1.\r\n";
        load(*f, text);
        caretToLine(*f, 50);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1000"));
        f->indexBox()->setBoxText(QStringLiteral("O9999"));  // a search would put O1000 back
        caretToLine(*f, 55);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O9999"));
    }

    void ctrlEndInALongDocumentShowsTheLastProgram()
    {
        auto f = makeForm();
        std::string text;
        for (int p = 1; p <= 30; ++p) {
            text += "O" + std::to_string(1000 + p) + "\r\n";
            for (int i = 0; i < 200; ++i)
                text += "G01X" + std::to_string(i) + ".Y1.\r\n";
        }
        load(*f, text);
        f->editor()->setFocus();
        QTest::keyClick(f->editor(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1030"));
        QTest::keyClick(f->editor(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1001"));
    }

    void aColonLineAboveIsShown()
    {
        auto f = makeForm();
        load(*f, "O1\r\nG0\r\n:0100\r\nG01\r\nG02\r\nG03\r\n");
        caretToLine(*f, 1);
        caretToLine(*f, 4);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral(":0100"));
    }

    void insertTogglesTheIndicator()
    {
        auto f = makeForm();
        f->show();
        QStringList seen;
        for (int i = 0; i < 3; ++i) {
            QTest::keyClick(f->editor(), Qt::Key_Insert);
            seen << f->statusPanels()->panelText(4);
        }
        QCOMPARE(seen, (QStringList{"上書き", "挿入", "上書き"}));
        QTest::keyClick(f->indexBox(), Qt::Key_Insert, Qt::ShiftModifier);
        QCOMPARE(f->statusPanels()->panelText(4), QStringLiteral("挿入"));
    }

    void typedAndPastedTextIsUpperCase()
    {
        auto f = makeForm();
        f->show();
        f->editor()->setFocus();
        QTest::keyClicks(f->editor(), QStringLiteral("g01x-10.5"));
        QCOMPARE(std::string(f->editor()->textView()), std::string("G01X-10.5"));

        // Committed by an input method: only a-z change.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("(ｇ)x"));
        QCoreApplication::sendEvent(f->editor(), &composed);
        QCOMPARE(QString::fromStdString(std::string(f->editor()->textView())), QStringLiteral("G01X-10.5(ｇ)X"));
        f->editor()->SendScintilla(QsciScintilla::SCI_DELETEBACK);
        f->editor()->SendScintilla(QsciScintilla::SCI_DELETEBACK);
        f->editor()->SendScintilla(QsciScintilla::SCI_DELETEBACK);
        f->editor()->SendScintilla(QsciScintilla::SCI_DELETEBACK);

        QApplication::clipboard()->setText(QStringLiteral("\r\no2000\r\n"));
        f->commands().EditPaste1->trigger();
        QCOMPARE(std::string(f->editor()->textView()), std::string("G01X-10.5\r\nO2000\r\n"));
        QVERIFY(f->indexBox()->entries().contains(QStringLiteral("O2000")));
    }

    // The editor keeps only caret, selection and scrolling keys and the
    // keys of plain text entry; no key of its own edits text otherwise or
    // takes a key of a window command.
    // A screen reader gets the editor's own accessible object: offsets in
    // QString characters across Japanese comments and escaped bytes, the
    // caret, lines, and events for real keys, with the right offsets.
    void aScreenReaderReadsTheTextAndHearsTheKeys()
    {
        auto f = makeForm();
        QVERIFY(showActive(*f));
        // A comment in Japanese (three bytes a character) and a byte that
        // is not Shift-JIS (shown as an escape, four bytes, two QChars).
        const std::string doc = "O1(荒加工)\r\nG01X1.\xF4\x8F\xB8\x81\r\nM30\r\n";
        load(*f, doc);
        NcEditor *editor = f->editor();
        QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(editor);
        QVERIFY(dynamic_cast<EditorAccessible *>(iface));
        QAccessibleTextInterface *text = iface->textInterface();
        QVERIFY(text);
        QVERIFY(iface->editableTextInterface());
        const QString whole = QString::fromUtf8(doc.data(), static_cast<qsizetype>(doc.size()));
        QCOMPARE(text->characterCount(), whole.size());
        auto *acc = EditorAccessible::of(editor);
        for (std::size_t pos = 0; pos <= doc.size(); ++pos) {
            if (pos < doc.size() && (static_cast<unsigned char>(doc[pos]) & 0xC0) == 0x80)
                continue;  // inside a character
            const int offset = static_cast<int>(QString::fromUtf8(doc.data(), static_cast<qsizetype>(pos)).size());
            QCOMPARE(acc->offsetOf(static_cast<long>(pos)), offset);
            QCOMPARE(acc->positionOf(offset), static_cast<long>(pos));
        }
        QCOMPARE(text->text(2, 7), QStringLiteral("(荒加工)"));
        int start = 0, end = 0;
        QCOMPARE(text->textAtOffset(12, QAccessible::LineBoundary, &start, &end), whole.mid(9, whole.indexOf(u"M30") - 9));
        QCOMPARE(start, 9);

        // Real keys with an update handler listening.
        QList<std::pair<QAccessible::Event, QString>> heard;
        QList<int> offsets;
        EditorAccessible::setEventObserver([&](QAccessibleEvent *event) {
            if (event->type() == QAccessible::TextInserted) {
                auto *e = static_cast<QAccessibleTextInsertEvent *>(event);
                heard.append({event->type(), e->textInserted()});
                offsets.append(e->changePosition());
            } else if (event->type() == QAccessible::TextRemoved) {
                auto *e = static_cast<QAccessibleTextRemoveEvent *>(event);
                heard.append({event->type(), e->textRemoved()});
                offsets.append(e->changePosition());
            } else if (event->type() == QAccessible::TextCaretMoved) {
                heard.append({event->type(), QString()});
                offsets.append(static_cast<QAccessibleTextCursorEvent *>(event)->cursorPosition());
            }
        });
        const int afterComment = static_cast<int>(QString::fromUtf8("O1(荒加工)").size());
        editor->setFocus();
        editor->setCaretPos(std::string("O1(荒加工)").size());
        QCoreApplication::processEvents();
        heard.clear();
        offsets.clear();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("a"));
        QCoreApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
        QCoreApplication::processEvents();
        EditorAccessible::setEventObserver({});

        QList<std::pair<QAccessible::Event, QString>> inserted, removed;
        QList<int> caret;
        for (int i = 0; i < heard.size(); ++i) {
            if (heard[i].first == QAccessible::TextInserted)
                inserted.append(heard[i]);
            else if (heard[i].first == QAccessible::TextRemoved)
                removed.append(heard[i]);
            else
                caret.append(offsets[i]);
        }
        QCOMPARE(inserted.size(), 1);
        QCOMPARE(inserted[0].second, QStringLiteral("A"));
        QCOMPARE(removed.size(), 1);
        QCOMPARE(removed[0].second, QStringLiteral("A"));
        QVERIFY2(offsets.contains(afterComment), "the change was told at its place");
        QCOMPARE(caret.value(0), afterComment + 1);
        QCOMPARE(caret.last(), afterComment);
        QCOMPARE(text->cursorPosition(), afterComment);
        QCOMPARE(std::string(editor->textView()), doc);
    }

    // NC colouring: on at start, the lines on screen coloured and only
    // they, switched off and on again from the 編集 menu with real keys.
    void colouringShowsTheLinesOnScreenAndTheMenuSwitchesIt()
    {
        auto f = makeForm();
        QVERIFY(showActive(*f));
        std::string doc;
        for (int i = 0; i < 5000; ++i)
            doc += "N" + std::to_string(i) + "G01X1.(CUT)\r\n";
        load(*f, doc);
        NcEditor *editor = f->editor();
        QVERIFY(f->commands().EditColour->isChecked());
        QVERIFY(editor->colouring());
        auto colourAt = [&](std::size_t pos, NcWord word) {
            return editor->SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT,
                                         static_cast<unsigned long>(NcEditor::colourIndicator(static_cast<int>(word))),
                                         static_cast<long>(pos)) != 0;
        };
        editor->repaint();
        // Line 0: "N0G01X1.(CUT)": N0 at 0, G01 at 2, X at 5, 1. at 6, the comment at 8.
        QVERIFY(colourAt(0, NcWord::ProgramNumber));
        QVERIFY(colourAt(2, NcWord::GCode));
        QVERIFY(colourAt(5, NcWord::Address));
        QVERIFY(colourAt(6, NcWord::Number));
        QVERIFY(colourAt(9, NcWord::Comment));
        QVERIFY(!colourAt(2, NcWord::Comment));
        const std::size_t farLine = editor->lineStart(4000);
        QVERIFY2(!colourAt(farLine + 8, NcWord::GCode), "a line far off screen is not coloured");
        // Ctrl+End: the end is coloured when it is shown.
        editor->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        editor->repaint();
        const std::size_t lastLine = editor->lineStart(4999);
        QVERIFY(colourAt(lastLine + 5, NcWord::GCode));

        // Off through the menu: Alt+E, then the last item.
        auto chooseLastEditItem = [&] {
            QTest::keyClick(f.get(), Qt::Key_E, Qt::AltModifier);
            QMenu *menu = qobject_cast<QMenu *>(QApplication::activePopupWidget());
            QVERIFY(menu);
            QTest::keyClick(menu, Qt::Key_Up);
            QTest::keyClick(menu, Qt::Key_Return);
        };
        chooseLastEditItem();
        QVERIFY(!f->commands().EditColour->isChecked());
        QVERIFY(!editor->colouring());
        editor->repaint();
        QVERIFY(!colourAt(lastLine + 5, NcWord::GCode));
        QCOMPARE(f->settings().get(QStringLiteral("COLOUR")), QStringLiteral("0"));
        chooseLastEditItem();
        QVERIFY(editor->colouring());
        editor->repaint();
        QVERIFY(colourAt(lastLine + 5, NcWord::GCode));
        QVERIFY2(std::string(editor->textView()) == doc, "colours never touch the text");
    }

    void theEditorKeepsOnlyPlainEditingKeys()
    {
        using C = QsciCommand;
        const QList<C::Command> textEntry{C::Delete, C::DeleteBack, C::DeleteWordLeft, C::DeleteWordRight,
                                          C::Newline, C::Tab};
        // Every command that moves, selects, scrolls, or only switches a mode.
        const QString notEditing = QStringLiteral("Move|Extend|Scroll|Toggle insert/overtype|Cancel");
        auto f = makeForm();
        QList<int> windowKeys;
        for (const QAction *a : f->findChildren<QAction *>())
            for (const QKeySequence &k : a->shortcuts())
                windowKeys << k[0].toCombined();
        for (const QsciCommand *c : f->editor()->standardCommands()->commands()) {
            if (!c->key() && !c->alternateKey())
                continue;
            const bool allowed =
                textEntry.contains(c->command()) || c->description().contains(QRegularExpression(notEditing));
            QVERIFY2(allowed, qPrintable(QStringLiteral("editor binding left: ") + c->description()));
            for (int key : {c->key(), c->alternateKey()})
                QVERIFY2(!key || !windowKeys.contains(key),
                         qPrintable(QKeySequence(key).toString() + QStringLiteral(" is a window command's key")));
        }
    }

    // Real keys in the focused editor: Ctrl+D is the window's date, and
    // the editor library's Ctrl+U, Ctrl+T, Ctrl+L and Ctrl+Shift+L do nothing.
    void ctrlDInsertsTheDateAndTheLibrarysEditingKeysAreGone()
    {
        auto f = makeForm();
        f->show();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        load(*f, "O1\r\nG01X1.\r\n");
        f->editor()->setFocus();
        f->editor()->selectRange(0, 2);
        const std::string before(f->editor()->textView());
        using Press = std::pair<Qt::Key, Qt::KeyboardModifiers>;
        const Press presses[] = {{Qt::Key_U, Qt::ControlModifier}, {Qt::Key_T, Qt::ControlModifier},
                                 {Qt::Key_L, Qt::ControlModifier}, {Qt::Key_L, Qt::ControlModifier | Qt::ShiftModifier}};
        for (const auto &[key, mods] : presses) {
            QTest::keyClick(f->editor(), key, mods);
            QCOMPARE(std::string(f->editor()->textView()), before);
        }
        f->editor()->selectRange(4, 4);
        QTest::keyClick(f->editor(), Qt::Key_D, Qt::ControlModifier);
        const QString date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toUpper();
        QCOMPARE(QString::fromStdString(std::string(f->editor()->textView())),
                 QStringLiteral("O1\r\n(%1)G01X1.\r\n").arg(date));
        QVERIFY2(!QString::fromStdString(std::string(f->editor()->textView())).contains(QRegularExpression("[a-z]")),
                 "the date is upper case like all inserted text");
    }

    // Text dropped from another program goes in as a paste does: upper
    // case, and the index box knows its programs at once.
    void droppedTextIsUpperCasedAndIndexed()
    {
        auto f = makeForm();
        f->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.get()));
        load(*f, "O1\r\nM30\r\n");
        QMimeData data;
        data.setText(QStringLiteral("o2000\r\ng01x-1.5(ｇ)\r\n"));
        QWidget *target = f->editor()->viewport();
        const QPoint below(10, target->height() - 5);  // under the last line: the end of the text
        QDragEnterEvent enter(below, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        QDragMoveEvent move(below, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &move);
        QDropEvent drop(QPointF(below), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
        QCOMPARE(QString::fromStdString(std::string(f->editor()->textView())),
                 QStringLiteral("O1\r\nM30\r\nO2000\r\nG01X-1.5(ｇ)\r\n"));
        QCOMPARE(f->indexBox()->entries(), (QStringList{"O1", "O2000"}));
    }

    // Ctrl+A is the window's "select all" wherever the focus is in it.
    void ctrlASelectsTheWholeDocumentFromTheIndexBox()
    {
        auto f = makeForm();
        QVERIFY(showActive(*f));
        load(*f, "O1\r\nG0\r\nO2\r\n");
        f->indexBox()->setFocus();
        QVERIFY(f->indexBox()->hasFocus());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(f->editor()->selectionStartPos(), std::size_t{0});
        QCOMPARE(f->editor()->selectionEndPos(), f->editor()->textLength());
    }

    // Down from a leading "%" onto the first O-line: nothing above is a
    // program start, yet the box shows the caret's own O-line, and Ctrl+E
    // then selects that program, not the one the sorted box showed first.
    void theCaretsOwnOLineIsShownEvenWithoutACandidate()
    {
        auto f = makeForm();
        QVERIFY(showActive(*f));
        load(*f, "%\r\nO2\r\nG0\r\nO1\r\nM30\r\n%\r\n");
        QCOMPARE(f->indexBox()->entries(), (QStringList{"O1", "O2"}));
        f->editor()->setFocus();
        caretToLine(*f, 0);
        f->indexBox()->setBoxText(QStringLiteral("O1"));
        QTest::keyClick(f->editor(), Qt::Key_Down);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O2"));
        QTest::keyClick(f->editor(), Qt::Key_E, Qt::ControlModifier);
        QCOMPARE(selected(*f), std::string("O2\r\nG0\r\n"));
    }

    void cutAndCopyFollowFocusAndSelection()
    {
        auto f = makeForm();
        f->show();
        load(*f, "O1\r\n");
        QVERIFY(!f->commands().EditCopy1->isEnabled());
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->editor()->setFocus();
        f->editor()->selectRange(0, 2);
        QVERIFY(f->commands().EditCopy1->isEnabled());
        QVERIFY(f->commands().EditCut1->isEnabled());
        f->editor()->selectRange(1, 1);
        QVERIFY(!f->commands().EditCopy1->isEnabled());
        f->editor()->selectRange(0, 2);
        f->indexBox()->setFocus();  // the focus leaves the editor
        QVERIFY(!f->commands().EditCopy1->isEnabled());
    }

    void aChosenFontAndSizeReturnBoldDoesNot()
    {
        const QString face = QFontDatabase::families().contains(QStringLiteral("IPAGothic"))
                                 ? QStringLiteral("IPAGothic")
                                 : QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
        {
            auto f = makeForm();
            QFont chosen(face, 18);
            chosen.setBold(true);
            dialogs_.fonts.push_back(chosen);
            f->commands().Editfont1->trigger();
            QCOMPARE(f->settings().get(QStringLiteral("FONT")), QStringLiteral("18"));
            QCOMPARE(f->settings().get(QStringLiteral("NAME")), face);
            QVERIFY(f->editor()->font().bold());
            QVERIFY(f->close());
        }
        auto again = makeForm();
        QCOMPARE(again->editor()->font().pointSize(), 18);
        QCOMPARE(again->editorFontName(), face);
        QVERIFY(!again->editor()->font().bold());
        // Cancel changes nothing.
        again->commands().Editfont1->trigger();
        QCOMPARE(again->editor()->font().pointSize(), 18);
    }
};

QTEST_MAIN(EditorViewTest)
#include "editorview_test.moc"
