#include "app/widgets/sdiappform.h"
#include "windowprobe.h"
#include "transfer/transfercontroller.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "document/sjistext.h"
#include "scripteddialogs.h"

#include "../unit/filesizelimit.h"
#include "../unit/testfiles.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QLabel>
#include <QLineEdit>
#include <QStringEncoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

const QString kSaveQuestion = QStringLiteral("ＮＣデータが変更されています。\r変更を保存しますか？");

FileChoice choice(const QString &path, int filter = 1)
{
    return FileChoice{path, filter};
}

}  // namespace

class WindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedDialogs *dialogs_ = nullptr;
    std::unique_ptr<ScriptedDialogs> ownedDialogs_;

    QString path(const QString &name) const { return dir_->filePath(name); }

    std::unique_ptr<TSDIAppForm> makeForm(QStringList args = {})
    {
        ownedDialogs_ = std::make_unique<ScriptedDialogs>();
        dialogs_ = ownedDialogs_.get();
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir_->path());
        env.dialogs = dialogs_;
        env.arguments = std::move(args);
        return std::make_unique<TSDIAppForm>(std::move(env));
    }

    static std::string text(TSDIAppForm &f) { return std::string(f.editor()->textView()); }

    static void type(TSDIAppForm &f, const char *utf8)
    {
        f.editor()->SendScintilla(QsciScintilla::SCI_ADDTEXT, static_cast<unsigned long>(strlen(utf8)), utf8);
    }

    // Closes the window as the close box would; true when it closed.
    static bool closeForm(TSDIAppForm &f)
    {
        f.show();
        return f.close();
    }

private slots:
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void firstStartShowsTheDefaults()
    {
        auto f = makeForm();
        QCOMPARE(f->windowTitle(), QStringLiteral("マルボルト"));
        QCOMPARE(f->statusPanels()->panelText(2), QStringLiteral("4800  ISO"));
        QCOMPARE(f->statusPanels()->panelText(1), QStringLiteral("COM1"));
        QCOMPARE(f->statusPanels()->panelText(3), QStringLiteral("1 : 1"));
        QCOMPARE(f->statusPanels()->panelText(4), QStringLiteral("挿入"));
        QCOMPARE(f->editorFontName(), QStringLiteral("ＭＳ ゴシック"));
        QCOMPARE(f->editor()->font().pointSize(), 14);
        if (QFontDatabase::families().contains(QStringLiteral("IPAGothic")))
            QCOMPARE(f->editor()->font().family(), QStringLiteral("IPAGothic"));
        QVERIFY(f->indexBox()->isSorted());
        QVERIFY(f->commands().EditSort->isChecked());
        for (QAction *item : WindowProbe::rireki(*f))
            QVERIFY(!item->isVisible());
        QVERIFY(!WindowProbe::LINE1(*f)->isVisible());
        QVERIFY(!f->commands().EditCut1->isEnabled());
        QVERIFY(!f->commands().EditUndo1->isEnabled());
        QVERIFY(!f->commands().stop1->isEnabled());
        QCOMPARE(f->settings().get(QStringLiteral("DIR")), dir_->path() + u'/');
        QCOMPARE(WindowProbe::Timer1(*f).interval(), 5000);
        QVERIFY(!WindowProbe::Timer1(*f).isActive());
        QCOMPARE(f->minimumSize(), QSize(420, 180));
        QCOMPARE(f->statusPanels()->panel(5)->width(), 120);
    }

    void commandTableHasEveryCaptionAndShortcut()
    {
        auto f = makeForm();
        struct Row {
            const char *name, *caption, *shortcut, *tip;
        } rows[] = {
            {"FileNew1", "新規作成(&N)", "Ctrl+N", "新規"},
            {"FileSaveAs1", "名前をつけて保存(&A)...", "", "別名保存"},
            {"EditUndo1", "元に戻す", "Ctrl+Z", "前に戻す"},
            {"EditEOF", "EOF削除", "Ctrl+Alt+E", ""},
            {"stop1", "キャンセル", "F8", "送受信キャンセル"},
            {"set1", "通信設定", "F9", "通信条件設定"},
            {"cursend1", "カーソル位置から送信", "F11", ""},
            {"HelpAbout1", "バージョン情報(&A)...", "", "バージョン情報"},
            {"sendcheck1", "送信前チェック", "", ""},
            {"FileHistory1", "送受信履歴(&H)...", "Ctrl+Shift+H", "どのプログラムのどの版を、いつどの機械と送受信したか"},
        };
        for (const Row &r : rows) {
            QAction *a = f->commands().byName(QString::fromLatin1(r.name));
            QVERIFY2(a, r.name);
            QCOMPARE(a->text(), QString::fromUtf8(r.caption));
            QCOMPARE(a->shortcut(), QKeySequence(QString::fromLatin1(r.shortcut)));
            if (*r.tip)
                QCOMPARE(a->toolTip(), QString::fromUtf8(r.tip));
        }
        // The NC menu's eleven, the DNC server, and Ctrl+1 ... Ctrl+9, the machines.
        QCOMPARE(f->commands().all.size(), std::size_t(37 + 11 + 1 + 9));
        QVERIFY(!f->commands().psend2->isEnabled());
        QStringList menus;
        for (QAction *m : f->menuBar()->actions())
            menus.append(m->text());
        QCOMPARE(menus, (QStringList{QStringLiteral("ファイル(&F)"), QStringLiteral("編集(&E)"),
                                     QStringLiteral("NC(&N)"), QStringLiteral("通信(&C)"),
                                     QStringLiteral("ヘルプ(&H)")}));
        QCOMPARE(f->commands().EditCut1->iconText(), QStringLiteral("切取り"));
        QCOMPARE(f->commands().stop1->iconText(), QStringLiteral("中止"));
    }

    void settingsFileIsAppliedAndWrittenAtClose()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("marbolt.ini")),
                 "[COMM]\r\nspeed=9600\r\nPORT=COM3\r\nCODE=EIA\r\nMYKEY=1\r\n[EDIT]\r\nFONT=20\r\n"
                 "NAME=Courier\r\nSORT=0\r\n[RECENT]\r\nFILE2=/q/a.nc\r\n"));
        auto f = makeForm();
        QCOMPARE(f->statusPanels()->panelText(2), QStringLiteral("9600  EIA"));
        QCOMPARE(f->statusPanels()->panelText(1), QStringLiteral("COM3"));
        QCOMPARE(f->editor()->font().pointSize(), 20);
        QVERIFY(!f->indexBox()->isSorted());
        QVERIFY(!WindowProbe::rireki(*f)[0]->isVisible());
        QVERIFY(WindowProbe::rireki(*f)[1]->isVisible());
        QCOMPARE(WindowProbe::rireki(*f)[1]->text(), QStringLiteral("2_/q/a.nc"));
        QVERIFY2(!WindowProbe::LINE1(*f)->isVisible(), "LINE1 follows item 1");
        QCOMPARE(f->settings().get(QStringLiteral("FEED")), QStringLiteral("100"));
        QCOMPARE(f->settings().get(QStringLiteral("STOPBIT")), QString());
        QVERIFY(closeForm(*f));
        const QByteArray ini = readFileBytes(path(QStringLiteral("marbolt.ini")));
        QVERIFY(ini.startsWith("[COMM]\r\nSPEED=9600\r\nSTOPBIT=\r\n"));
        QVERIFY(ini.contains("\r\nFONT=20\r\nNAME=Courier\r\n"));
        QVERIFY(ini.contains("\r\nSORT=0\r\n"));
        QVERIFY(ini.contains("\r\nFILE1=\r\nFILE2=/q/a.nc\r\nFILE3=\r\n"));
        QVERIFY(!ini.contains("MYKEY"));
    }

    void openUpperCasesIndexesAndRemembersTheFolder()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("a.nc")), "o1000\ng01x10.\nm30\no20\n"));
        auto f = makeForm();
        dialogs_->files.push_back(choice(path(QStringLiteral("a.nc")), 2));
        f->FileOpen1Execute();
        QCOMPARE(text(*f), std::string("O1000\r\nG01X10.\r\nM30\r\nO20\r\n"));
        QVERIFY(!f->editor()->modifiedFlag());
        QCOMPARE(f->windowTitle(), QStringLiteral("a.nc - マルボルト"));
        QCOMPARE(f->indexBox()->entries(), (QStringList{QStringLiteral("O1000"), QStringLiteral("O20")}));
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1000"));
        QCOMPARE(f->settings().get(QStringLiteral("DIR")), dir_->path());
        QCOMPARE(f->settings().get(QStringLiteral("OPENINDEX")), QStringLiteral("2"));
        QCOMPARE(f->filename(), path(QStringLiteral("a.nc")));
        QVERIFY(WindowProbe::rireki(*f)[0]->isVisible());
        QVERIFY(WindowProbe::LINE1(*f)->isVisible());
        QVERIFY(f->statusPanels()->panelText(0).isEmpty());

        // Saving without edits writes the upper-case text with CR LF.
        f->FileSave1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("a.nc"))), QByteArray("O1000\r\nG01X10.\r\nM30\r\nO20\r\n"));

        // The next dialog starts in the file's folder.
        f->FileOpen1Execute();
        QCOMPARE(dialogs_->shown.last().request.folder, dir_->path());
    }

    void openFailureKeepsEverything()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("a.nc")), "O1\r\n"));
        auto f = makeForm({path(QStringLiteral("a.nc"))});
        type(*f, "G0");
        const QString missing = path(QStringLiteral("missing.nc"));
        dialogs_->answers.push_back(Answer::No);
        dialogs_->files.push_back(choice(missing));
        f->FileOpen1Execute();
        QCOMPARE(dialogs_->texts(Kind::Message), QStringList{missing + QStringLiteral("を開けませんでした。")});
        QCOMPARE(text(*f), std::string("G0O1\r\n"));
        QCOMPARE(f->filename(), path(QStringLiteral("a.nc")));
        QCOMPARE(f->windowTitle(), QStringLiteral("a.nc - マルボルト"));
        QCOMPARE(f->settings().get(QStringLiteral("DIR")), dir_->path());
        f->FileSave1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("a.nc"))), QByteArray("G0O1\r\n"));
    }

    // A FIFO or a device is no document: on the command line, through Open
    // and through a recent item the open fails at once with the message.
    void onlyRegularFilesOpen()
    {
        const QString fifo = path(QStringLiteral("pipe.nc"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        // Were the open to wait for a writer, this one lets it go on after
        // a while, and the test fails instead of hanging.
        std::atomic<bool> done{false};
        std::thread rescue([&] {
            for (int i = 0; i < 300 && !done; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            if (!done) {
                const int w = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
                if (w >= 0)
                    ::close(w);
            }
        });
        auto f = makeForm({fifo});
        const QStringList fifoMessage{fifo + QStringLiteral("を開けませんでした。")};
        QCOMPARE(dialogs_->texts(Kind::Message), fifoMessage);
        QVERIFY(f->filename().isEmpty());

        for (const QString &device : {fifo, QStringLiteral("/dev/zero")}) {
            dialogs_->shown.clear();
            dialogs_->files.push_back(choice(device));
            f->FileOpen1Execute();
            QCOMPARE(dialogs_->texts(Kind::Message), QStringList{device + QStringLiteral("を開けませんでした。")});
            QCOMPARE(text(*f), std::string());
            QVERIFY(f->filename().isEmpty());
        }
        done = true;
        rescue.join();
    }

    void saveQuestionAnswersOnNew()
    {
        auto f = makeForm();
        type(*f, "G01");
        dialogs_->answers.push_back(Answer::Cancel);
        f->FileNew1Execute();
        QCOMPARE(dialogs_->texts(Kind::Information), QStringList{kSaveQuestion});
        QCOMPARE(text(*f), std::string("G01"));
        QVERIFY(f->editor()->modifiedFlag());

        // Yes on an untitled document opens Save As; cancelling it keeps all.
        dialogs_->answers.push_back(Answer::Yes);
        f->FileNew1Execute();
        QCOMPARE(dialogs_->shown.last().kind, Kind::Save);
        QCOMPARE(text(*f), std::string("G01"));
        QVERIFY(f->editor()->modifiedFlag());

        dialogs_->answers.push_back(Answer::No);
        f->FileNew1Execute();
        QCOMPARE(text(*f), std::string());
        QVERIFY(!f->editor()->modifiedFlag());
        QCOMPARE(f->windowTitle(), QStringLiteral("マルボルト"));

        // A modified but empty document is never asked about.
        type(*f, "X");
        f->editor()->SendScintilla(QsciScintilla::SCI_DELETEBACK);
        QVERIFY(f->editor()->modifiedFlag());
        const auto asked = dialogs_->shown.size();
        f->FileNew1Execute();
        QCOMPARE(dialogs_->shown.size(), asked);
    }

    void saveQuestionYesSavesBeforeOpening()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("a.nc")), "O1\r\n"));
        QVERIFY(writeFileBytes(path(QStringLiteral("b.nc")), "O2\r\n"));
        auto f = makeForm({path(QStringLiteral("a.nc"))});
        type(*f, "G0");
        dialogs_->answers.push_back(Answer::Yes);
        dialogs_->files.push_back(choice(path(QStringLiteral("b.nc"))));
        f->FileOpen1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("a.nc"))), QByteArray("G0O1\r\n"));
        QCOMPARE(text(*f), std::string("O2\r\n"));
    }

    void saveAsAddsNcForFilterTwoAndAsksBeforeOverwriting()
    {
        auto f = makeForm();
        type(*f, "o1\n");
        dialogs_->files.push_back(choice(path(QStringLiteral("PART1")), 2));
        f->FileSaveAs1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("PART1.nc"))), QByteArray("o1\r\n"));
        QCOMPARE(f->filename(), path(QStringLiteral("PART1.nc")));
        QCOMPARE(f->windowTitle(), QStringLiteral("PART1.nc - マルボルト"));
        QCOMPARE(f->settings().get(QStringLiteral("SAVEINDEX")), QStringLiteral("2"));
        QVERIFY(!f->editor()->modifiedFlag());
        QCOMPARE(WindowProbe::rireki(*f)[0]->text(), QStringLiteral("1_") + path(QStringLiteral("PART1.nc")));

        dialogs_->files.push_back(choice(path(QStringLiteral("PART2.TXT")), 2));
        f->FileSaveAs1Execute();
        QVERIFY(QFile::exists(path(QStringLiteral("PART2.TXT"))));
        dialogs_->files.push_back(choice(path(QStringLiteral("PART3")), 1));
        f->FileSaveAs1Execute();
        QVERIFY(QFile::exists(path(QStringLiteral("PART3"))));

        // Onto an existing file: No opens the dialog again with the previous name.
        QVERIFY(writeFileBytes(path(QStringLiteral("old.nc")), "KEEP"));
        type(*f, "X");
        dialogs_->shown.clear();
        dialogs_->files.push_back(choice(path(QStringLiteral("old.nc"))));
        dialogs_->answers.push_back(Answer::No);
        dialogs_->files.push_back(std::nullopt);
        f->FileSaveAs1Execute();
        QCOMPARE(dialogs_->shown.size(), 3);
        QCOMPARE(dialogs_->shown[1].text, path(QStringLiteral("old.nc")) + QStringLiteral("はすでに存在します。\r上書きしますか？"));
        QCOMPARE(dialogs_->shown[2].kind, Kind::Save);
        QCOMPARE(dialogs_->shown[2].request.prefill, path(QStringLiteral("PART3")));
        QCOMPARE(readFileBytes(path(QStringLiteral("old.nc"))), QByteArray("KEEP"));
        QVERIFY(f->editor()->modifiedFlag());

        dialogs_->files.push_back(choice(path(QStringLiteral("old.nc"))));
        dialogs_->answers.push_back(Answer::Yes);
        f->FileSaveAs1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("old.nc"))), QByteArray("o1\r\nX"));
    }

    void lineBreaksAreSavedAsCrLf()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("lf.nc")), "O1\nG0\n"));
        QVERIFY(writeFileBytes(path(QStringLiteral("cr.nc")), "O1\rG0\r"));
        for (const char *name : {"lf.nc", "cr.nc"}) {
            auto f = makeForm({path(QString::fromLatin1(name))});
            QCOMPARE(f->editor()->SendScintilla(QsciScintilla::SCI_GETLINECOUNT), 3L);
            type(*f, "\n");  // a lone LF typed in
            f->FileSave1Execute();
            QCOMPARE(readFileBytes(path(QString::fromLatin1(name))), QByteArray("\r\nO1\r\nG0\r\n"));
        }
    }

    void aFailedSaveKeepsTheFileAndTheModifiedFlag()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("a.nc")), "O1\r\n"));
        auto f = makeForm({path(QStringLiteral("a.nc"))});
        const std::string big(50000, 'G');
        type(*f, big.c_str());
        {
            FileSizeLimit full(1024);
            f->FileSave1Execute();
        }
        QCOMPARE(readFileBytes(path(QStringLiteral("a.nc"))), QByteArray("O1\r\n"));
        QVERIFY(f->editor()->modifiedFlag());
        QCOMPARE(dialogs_->texts(Kind::Message).size(), 1);
        QVERIFY(dialogs_->texts(Kind::Message).first().startsWith(QStringLiteral("ファイル ")));

        // A close whose save fails is refused.
        dialogs_->answers.push_back(Answer::Yes);
        {
            FileSizeLimit full(1024);
            QVERIFY(!closeForm(*f));
        }
        QVERIFY(f->editor()->modifiedFlag());
    }

    void shiftJisCommentsAndInvalidBytesRoundTrip()
    {
        QStringEncoder enc("windows-31j");
        const QByteArray bytes = QByteArray("O1") + enc.encode(QStringLiteral("(荒加工ャ)")) + "\r\n\xff\x85\x9f\r\n";
        QVERIFY(writeFileBytes(path(QStringLiteral("j.nc")), bytes));
        auto f = makeForm({path(QStringLiteral("j.nc"))});
        QVERIFY(QString::fromStdString(text(*f)).startsWith(QStringLiteral("O1(荒加工ャ)")));
        // The bytes that are not Shift-JIS are shown as their hex values.
        for (auto [cp, shown] : {std::pair{kByteEscapeBase + 0xFF, "xFF"}, std::pair{kPairEscapeBase + 0x859F, "x859F"}}) {
            std::string key;
            appendUtf8(key, cp);
            char buffer[16] = {};
            f->editor()->SendScintilla(QsciScintilla::SCI_GETREPRESENTATION, key.c_str(), buffer);
            QCOMPARE(QByteArray(buffer), QByteArray(shown));
        }
        f->FileSave1Execute();
        QCOMPARE(readFileBytes(path(QStringLiteral("j.nc"))), bytes);
    }

    void indexJumpFindsTheWholeLine()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("i.nc")), "%\r\nO1000\r\nG0\r\nO100\r\nG1\r\nO5\r\n"));
        auto f = makeForm({path(QStringLiteral("i.nc"))});
        f->show();
        QCOMPARE(f->indexBox()->entries(),
                 (QStringList{QStringLiteral("O100"), QStringLiteral("O1000"), QStringLiteral("O5")}));
        f->indexBox()->setCurrentIndex(0);
        f->ComboBox2Click(0);
        QCOMPARE(f->editor()->caretPos(), std::size_t(14));
        QVERIFY(!WindowProbe::caret(*f).jumping());

        // In a long document the chosen O-line becomes the top line of the view.
        {
            std::string longText;
            for (int i = 0; i < 300; ++i)
                longText += "O" + std::to_string(i) + "\r\nG0\r\n";
            QVERIFY(writeFileBytes(path(QStringLiteral("long.nc")), QByteArray::fromStdString(longText)));
            auto g = makeForm({path(QStringLiteral("long.nc"))});
            g->show();
            const int row = static_cast<int>(g->indexBox()->entries().indexOf(QStringLiteral("O150")));
            g->indexBox()->setCurrentIndex(row);
            g->ComboBox2Click(row);
            QCOMPARE(g->editor()->SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE), 300L);
            QCOMPARE(g->indexBox()->boxText(), QStringLiteral("O150"));
        }

        // A stale entry is dropped and the caret stays.
        f->editor()->setCaretPos(3);
        f->editor()->SendScintilla(QsciScintilla::SCI_SETTARGETRANGE, 24UL, 28L);
        f->editor()->SendScintilla(QsciScintilla::SCI_REPLACETARGET, 0UL, "");
        f->indexBox()->setCurrentIndex(2);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O5"));
        f->editor()->setCaretPos(3);
        f->ComboBox2Click(2);
        QCOMPARE(f->indexBox()->entries(), (QStringList{QStringLiteral("O100"), QStringLiteral("O1000")}));
        QCOMPARE(f->editor()->caretPos(), std::size_t(3));
    }

    void indexBoxTakesNoTypedText()
    {
        QVERIFY(writeFileBytes(path(QStringLiteral("i.nc")), "O1\r\nO2\r\n"));
        auto f = makeForm({path(QStringLiteral("i.nc"))});
        f->show();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QVERIFY2(f->editor()->hasFocus(), "the editor has the focus at start");
        f->indexBox()->setFocus();
        QTest::keyClicks(f->indexBox(), "ABC");
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1"));
        QTest::keyClicks(f->indexBox()->lineEdit(), "DEF");
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O1"));
        QTest::keyClick(f->indexBox(), Qt::Key_Return);
        QVERIFY(f->editor()->hasFocus());
        QCOMPARE(f->editor()->caretPos(), std::size_t(0));

        // Leaving the box is not choosing an entry: the caret stays.
        f->editor()->setCaretPos(5);
        f->indexBox()->setBoxText(QStringLiteral("O2"));
        f->indexBox()->setFocus();
        f->editor()->setFocus();
        QCOMPARE(f->editor()->caretPos(), std::size_t(5));
        QVERIFY(f->editor()->hasFocus());

        // Arrow keys browse the list and jump.
        f->indexBox()->setFocus();
        f->indexBox()->setCurrentIndex(0);
        QTest::keyClick(f->indexBox(), Qt::Key_Down);
        QCOMPARE(f->indexBox()->boxText(), QStringLiteral("O2"));
        QCOMPARE(f->editor()->caretPos(), std::size_t(4));
        QVERIFY(f->indexBox()->hasFocus());
    }

    void closeRules()
    {
        auto f = makeForm();
        type(*f, "G0");
        // A send under way, as its engine reports it; cancel ends it.
        TransferProgress &progress = f->transfers();
        progress.underWay(TransferProgress::Direction::Send);
        QVERIFY(!closeForm(*f));
        QCOMPARE(dialogs_->texts(Kind::Message), QStringList{QStringLiteral("通信を終了してください")});
        QCOMPARE(text(*f), std::string("G0"));
        f->stop1Execute();

        dialogs_->answers.push_back(Answer::Cancel);
        QVERIFY(!closeForm(*f));
        QVERIFY(!QFile::exists(path(QStringLiteral("marbolt.ini"))));

        dialogs_->answers.push_back(Answer::Yes);
        dialogs_->files.push_back(std::nullopt);
        QVERIFY2(!closeForm(*f), "Save As cancelled keeps the window open");

        dialogs_->answers.push_back(Answer::No);
        QVERIFY(closeForm(*f));
        QVERIFY(QFile::exists(path(QStringLiteral("marbolt.ini"))));
    }

    void recentItemsFollowOpensAndReopen()
    {
        for (const char *n : {"x.nc", "y.nc", "z.nc"})
            QVERIFY(writeFileBytes(path(QString::fromLatin1(n)), QByteArray("O") + n[0] + "\r\n"));
        auto f = makeForm();
        for (const char *n : {"x.nc", "y.nc", "z.nc"})
            QVERIFY(f->fopen(path(QString::fromLatin1(n))));
        QCOMPARE(WindowProbe::rireki(*f)[0]->text(), QStringLiteral("1_") + path(QStringLiteral("z.nc")));
        QCOMPARE(WindowProbe::rireki(*f)[2]->text(), QStringLiteral("3_") + path(QStringLiteral("x.nc")));
        QVERIFY(!WindowProbe::rireki(*f)[3]->isVisible());

        type(*f, "G0");
        dialogs_->answers.push_back(Answer::Cancel);
        f->rireki3Click();
        QCOMPARE(text(*f), std::string("G0OZ\r\n"));

        dialogs_->answers.push_back(Answer::No);
        f->rireki3Click();
        QCOMPARE(text(*f), std::string("OX\r\n"));
        QCOMPARE(WindowProbe::rireki(*f)[0]->text(), QStringLiteral("1_") + path(QStringLiteral("x.nc")));
        QCOMPARE(WindowProbe::rireki(*f)[1]->text(), QStringLiteral("2_") + path(QStringLiteral("z.nc")));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
