// The history window of the real main window, by keys: Ctrl+Shift+H opens
// it, the program typed and Enter finds its transfers, Alt+C compares the
// selected version with the document, Alt+O opens one read-only.
#include "app/widgets/statuspanels.h"
#include "formrig.h"
#include "history/historydatabase.h"
#include "history/widgets/historywindow.h"
#include "station/station.h"
#include "tools/widgets/comparewindow.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace marbolt;

namespace {

const std::string kVersionA = "O1234 (FLANGE)\r\nG0 X10.\r\nM30\r\n";
const std::string kVersionB = "O1234 (FLANGE)\r\nG0 X11.\r\nM30\r\n";
const QDateTime kDay1(QDate(2026, 12, 4), QTime(9, 0));

TransferRecord transfer(const std::string &text, const QString &machine, QDateTime at, RecordDirection direction)
{
    TransferRecord r;
    r.started = at;
    r.ended = at.addSecs(20);
    r.machine = machine;
    r.port = QStringLiteral("/dev/ttyS0");
    r.direction = direction;
    r.text = "%\r\n" + text + "%\r\n";
    r.bytes = static_cast<qint64>(r.text.size());
    return r;
}

void showWindow(FormRig &rig)
{
    rig.form->show();
    rig.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    rig.form->editor()->setFocus();
}

// What the window system does for a window that opens: it takes the
// keyboard (the offscreen platform leaves that to us).
void takeKeyboard(QWidget *window)
{
    window->activateWindow();
    QApplication::setActiveWindow(window);
    QVERIFY(QTest::qWaitForWindowActive(window));
    QTRY_COMPARE(QGuiApplication::focusWindow(), window->windowHandle());
}

// Runs act on the modal dialog once one is up, however long after the
// key that opens it.
void whenModalUp(const std::function<void(QWidget *)> &act)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, act] {
        if (QWidget *w = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(w);
        }
    });
    poll->start();
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

private slots:
    void findsComparesAndOpensRecordedVersionsByKeys()
    {
        FormRig rig;
        // Sent version A to 3号機, got version B back from it the day
        // after; another program to 5号機.
        {
            HistoryRecorder *history = rig.form->station().history();
            QVERIFY(history);
            HistoryDatabase db;
            QVERIFY2(db.open(history->connection()), qPrintable(db.error()));
            const RecordOrigin origin{QStringLiteral("sato"), QStringLiteral("pc1"), QStringLiteral("marbolt")};
            QVERIFY(db.record(transfer(kVersionA, QStringLiteral("3号機"), kDay1, RecordDirection::Send), origin));
            QVERIFY(db.record(transfer(kVersionB, QStringLiteral("3号機"), kDay1.addDays(1), RecordDirection::Receive), origin));
            QVERIFY(db.record(transfer("O0055\r\nM30\r\n", QStringLiteral("5号機"), kDay1.addDays(2), RecordDirection::Send),
                              origin));
        }
        showWindow(rig);
        rig.load("O0001\r\nM30\r\n" + kVersionA);

        // In the file menu, with the compare and the backplot, before printing.
        QMenu *file = rig.form->menuBar()->actions().first()->menu();
        const QList<QAction *> items = file->actions();
        const qsizetype at = items.indexOf(rig.form->commands().FileHistory1);
        QVERIFY(at > items.indexOf(rig.form->commands().FileCompare1));
        QVERIFY(at < items.indexOf(rig.form->commands().FilePrint1));

        QTest::keyClick(rig.form->editor(), Qt::Key_H, Qt::ControlModifier | Qt::ShiftModifier);
        HistoryWindow *window = rig.form->historyWindow();
        QVERIFY(window);
        QTRY_VERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("送受信履歴"));
        QCOMPARE(window->table->rowCount(), 3);  // everything, the latest first
        QCOMPARE(window->table->item(0, 3)->text(), QStringLiteral("O0055"));
        takeKeyboard(window);
        QTRY_COMPARE(QApplication::focusWidget(), window->program);

        // The program typed, Enter: its two transfers.
        QTest::keyClicks(QApplication::focusWidget(), "o1234");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(window->table->rowCount(), 2);
        QCOMPARE(window->table->item(0, 2)->text(), QStringLiteral("受信"));
        QCOMPARE(window->table->item(0, 1)->text(), QStringLiteral("3号機"));
        QCOMPARE(window->table->item(0, 4)->text(), QStringLiteral("FLANGE"));
        QCOMPARE(window->table->item(1, 2)->text(), QStringLiteral("送信"));
        QCOMPARE(window->table->item(1, 7)->text(), QStringLiteral("sato@pc1 (marbolt)"));
        QVERIFY(window->status->text().contains(QStringLiteral("2 件")));
        QVERIFY(window->table->item(0, 0)->isSelected());  // the latest is chosen

        // Alt+C: what came back from the machine against the document's
        // O1234, one difference (X10. / X11.).
        int differences = -1;
        QString rightTitle;
        whenModalUp([&](QWidget *dialog) {
            auto *compare = qobject_cast<CompareWindow *>(dialog);
            QVERIFY(compare);
            differences = compare->differenceCount();
            rightTitle = compare->rightTitle->text();
            QCOMPARE(compare->what->text(), QStringLiteral("プログラム O1234 を照合します"));
            compare->reject();
        });
        // A mnemonic clicks as a person sees it: after the button's flash,
        // so the compare comes a moment after the key.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::AltModifier);
        QTRY_COMPARE(differences, 1);
        QVERIFY2(rightTitle.contains(QStringLiteral("O1234 3号機 受信")), qPrintable(rightTitle));

        // Down to the version sent, Alt+O: it opens read-only, byte for byte.
        takeKeyboard(window);
        window->table->setFocus();
        QTest::keyClick(window->table, Qt::Key_Down);
        QTRY_VERIFY(window->table->item(1, 0)->isSelected());
        QTest::keyClick(window->table, Qt::Key_O, Qt::AltModifier);
        QWidget *version = nullptr;
        QTRY_VERIFY((version = rig.form->findChild<QWidget *>(QStringLiteral("VersionWindow"))) && version->isVisible());
        QVERIFY2(version->windowTitle().startsWith(QStringLiteral("O1234 3号機 送信 2026-12-04 09:00 (読み取り専用)")),
                 qPrintable(version->windowTitle()));
        auto *editor = version->findChild<NcEditor *>(QStringLiteral("VersionEditor"));
        QVERIFY(editor);
        QCOMPARE(std::string(editor->textView()), kVersionA);
        takeKeyboard(version);
        QTRY_COMPARE(QApplication::focusWidget(), editor);
        QTest::keyClicks(editor, "X");
        QTest::keyClick(editor, Qt::Key_Delete);
        QCOMPARE(std::string(editor->textView()), kVersionA);  // read-only
        version->close();

        // A program box that holds no number is said so, the list kept.
        takeKeyboard(window);
        window->program->setFocus();
        QTest::keyClick(window->program, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(window->program, "ABC");
        QTest::keyClick(window->program, Qt::Key_Return);
        QTRY_VERIFY(window->status->text().contains(QStringLiteral("番号で指定")));
        QCOMPARE(window->table->rowCount(), 2);

        // The machine chosen, the program cleared: 5号機's one.
        QTest::keyClick(window->program, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(window->program, Qt::Key_Delete);
        window->machine->setCurrentText(QStringLiteral("5号機"));
        QTest::mouseClick(window->searchButton, Qt::LeftButton);
        QTRY_COMPARE(window->table->rowCount(), 1);
        QCOMPARE(window->table->item(0, 3)->text(), QStringLiteral("O0055"));
        window->close();
    }

    // Records that cannot be written are said in the status bar, and so is
    // their being written at last.
    void aHistoryAwayIsSaidInTheStatusBar()
    {
        QTemporaryDir dir;
        QFile ini(dir.filePath(QStringLiteral("marbolt.ini")));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[MARBOLT]\r\nHISTORY=" + dir.filePath(QStringLiteral("later/h.sqlite")).toLocal8Bit() + "\r\n");
        ini.close();
        ScriptedDialogs dialogs;
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir.path());
        env.dialogs = &dialogs;
        TSDIAppForm form(std::move(env));
        HistoryRecorder *history = form.station().history();
        QVERIFY(history);
        QCOMPARE(history->connection().file, dir.filePath(QStringLiteral("later/h.sqlite")));
        history->record(transfer(kVersionA, QStringLiteral("3号機"), kDay1, RecordDirection::Send));
        QTRY_VERIFY(form.statusPanels()->panelText(0).startsWith(QStringLiteral("送受信履歴に書けません。記録は書けるまで待たせます")));
        QVERIFY(QDir().mkpath(dir.filePath(QStringLiteral("later"))));
        QTRY_VERIFY_WITH_TIMEOUT(form.statusPanels()->panelText(0) == QStringLiteral("送受信履歴にまた書けるようになりました"), 8000);
        QVERIFY(history->flush(1000));
    }
};

QTEST_MAIN(HistoryWindowTest)
#include "history_test.moc"
