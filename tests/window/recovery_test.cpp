// The recovery copy through the real window: typed keys make it, Ctrl+S
// and a discarded document remove it, and a window that ended without
// either (as after a crash) has it offered back by the next one.
#include "app/widgets/sdiappform.h"
#include "document/widgets/documentrecovery.h"
#include "document/widgets/nceditor.h"
#include "scripteddialogs.h"

#include "../unit/testfiles.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

// A program with a Shift-JIS comment: ＮＣ加工 is 82 6D 82 62 89 C1 8D 48.
const QByteArray kPart = "O1000(\x82\x6D\x82\x62\x89\xC1\x8D\x48)\r\nG01X10.\r\nM30\r\n";
// The same after Ctrl+End and typed "g04x1.", Enter, "m99" (typed letters go in as capitals).
const QByteArray kTyped = kPart + "G04X1.\r\nM99";

}  // namespace

class RecoveryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedDialogs dialogs_;

    QString path(const QString &name) const { return dir_->filePath(name); }
    QString part() const { return path(QStringLiteral("part.nc")); }

    std::unique_ptr<TSDIAppForm> makeForm(const QStringList &arguments = {})
    {
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir_->path());
        env.dialogs = &dialogs_;
        env.arguments = arguments;
        auto form = std::make_unique<TSDIAppForm>(std::move(env));
        form->show();
        form->activateWindow();
        if (!QTest::qWaitForWindowActive(form.get()))
            qFatal("the window did not become active");
        QCoreApplication::processEvents();  // the offer comes once the window stands
        form->editor()->setFocus();
        return form;
    }

    static void typeAtTheEnd(TSDIAppForm &form)
    {
        QWidget *editor = QApplication::focusWidget();
        QCOMPARE(editor, static_cast<QWidget *>(form.editor()));
        QTest::keyClick(editor, Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(editor, QStringLiteral("g04x1."));
        QTest::keyClick(editor, Qt::Key_Return);
        QTest::keyClicks(editor, QStringLiteral("m99"));
    }

    // The copies in the recovery folder.
    QStringList copies() const
    {
        return QDir(path(QStringLiteral("recovery"))).entryList({QStringLiteral("*.nc")}, QDir::Files);
    }
    QByteArray onlyCopy() const
    {
        const QStringList c = copies();
        return c.size() == 1 ? readFileBytes(path(QStringLiteral("recovery/")) + c.first()) : QByteArray();
    }

    // A window that typed into part.nc and ended without saving or
    // discarding, as a crash ends it: its copy stays behind, unlocked.
    void leaveTypedCopy()
    {
        auto form = makeForm({part()});
        typeAtTheEnd(*form);
        QTRY_COMPARE_WITH_TIMEOUT(onlyCopy(), kTyped, 10000);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        dialogs_ = ScriptedDialogs();
        // A copy after one second without a key, at the latest four into typing.
        QVERIFY(writeFileBytes(path(QStringLiteral("marbolt.ini")), "[MARBOLT]\r\nAUTOSAVE=1\r\n"));
        QVERIFY(writeFileBytes(part(), kPart));
    }

    void typingMakesACopyThatCtrlSAndADiscardRemove()
    {
        auto form = makeForm({part()});
        QVERIFY(copies().isEmpty());
        typeAtTheEnd(*form);
        // The copy holds the bytes a save would write, and the file is untouched.
        QTRY_COMPARE_WITH_TIMEOUT(onlyCopy(), kTyped, 10000);
        QCOMPARE(readFileBytes(part()), kPart);
        QVERIFY(form->editor()->modifiedFlag());

        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(readFileBytes(part()), kTyped);
        form->recovery().finishWriting();
        QVERIFY2(copies().isEmpty(), qPrintable(copies().join(u' ')));

        // More typing, then Ctrl+N and "いいえ" (discard): the copy goes too.
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("x"));
        QTRY_COMPARE_WITH_TIMEOUT(onlyCopy(), kTyped + "X", 10000);
        dialogs_.answers = {Answer::No};
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N, Qt::ControlModifier);
        QCOMPARE(dialogs_.texts(Kind::Information).size(), 1);
        form->recovery().finishWriting();
        QVERIFY(copies().isEmpty());
        QVERIFY(form->close());
        QVERIFY(copies().isEmpty());
        QVERIFY(dialogs_.texts(Kind::Recovery).isEmpty());
    }

    void undoingBackToTheSavedTextRemovesTheCopy()
    {
        auto form = makeForm({part()});
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_End, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("m"));
        QTRY_COMPARE_WITH_TIMEOUT(onlyCopy(), kPart + "M", 10000);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!form->editor()->modifiedFlag());
        QTRY_VERIFY_WITH_TIMEOUT(copies().isEmpty(), 5000);
    }

    void aCopyLeftBehindIsRestoredUnsavedUnderItsFileName()
    {
        leaveTypedCopy();
        dialogs_.recoveryChoices = {RecoveryChoice::Restore};
        auto form = makeForm();
        const QStringList offered = dialogs_.texts(Kind::Recovery);
        QCOMPARE(offered.size(), 1);
        QVERIFY(offered.first().startsWith(QStringLiteral("前回保存されなかった変更があります。復元しますか？")));
        QVERIFY(offered.first().contains(part()));
        QVERIFY(!offered.first().contains(QStringLiteral("注意")));
        QCOMPARE(form->filename(), part());
        QCOMPARE(form->windowTitle(), QStringLiteral("part.nc - マルボルト"));
        QVERIFY(form->editor()->modifiedFlag());
        QVERIFY(!form->commands().EditUndo1->isEnabled());
        QCOMPARE(readFileBytes(part()), kPart);

        // The restored text, saved, is the typed text byte for byte; the
        // copy it came from goes with the save.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(readFileBytes(part()), kTyped);
        form->recovery().finishWriting();
        QVERIFY(copies().isEmpty());
    }

    void aCopyWhoseFileChangedSinceIsOfferedWithAWarningAndComesBackUntitled()
    {
        leaveTypedCopy();
        QVERIFY(writeFileBytes(part(), "O1000\r\nM30\r\n"));  // another program saved it meanwhile
        dialogs_.recoveryChoices = {RecoveryChoice::Restore};
        auto form = makeForm({part()});
        const QStringList offered = dialogs_.texts(Kind::Recovery);
        QCOMPARE(offered.size(), 1);
        QVERIFY(offered.first().contains(QStringLiteral("注意: このファイルはその後ディスク上で変更または削除されています。")));
        // The restored document takes the window instead of the file named.
        QVERIFY(form->filename().isEmpty());
        QCOMPARE(form->windowTitle(), QStringLiteral("マルボルト"));
        QCOMPARE(std::string(form->editor()->textView()).substr(0, 6), std::string("O1000("));
        QVERIFY(form->editor()->modifiedFlag());
        QCOMPARE(readFileBytes(part()), QByteArray("O1000\r\nM30\r\n"));
    }

    void laterKeepsTheCopyAndDiscardRemovesIt()
    {
        leaveTypedCopy();
        {
            auto form = makeForm({part()});  // no answer queued: "後で"
            QCOMPARE(dialogs_.texts(Kind::Recovery).size(), 1);
            QCOMPARE(form->filename(), part());
            QVERIFY(!form->editor()->modifiedFlag());
            QVERIFY(form->close());
        }
        QCOMPARE(onlyCopy(), kTyped);
        dialogs_.recoveryChoices = {RecoveryChoice::Discard};
        {
            auto form = makeForm();
            QCOMPARE(dialogs_.texts(Kind::Recovery).size(), 2);
            QVERIFY(copies().isEmpty());
            QVERIFY(form->close());
        }
        auto form = makeForm();
        QCOMPARE(dialogs_.texts(Kind::Recovery).size(), 2);
    }

    void aRunningWindowsCopyIsNotOfferedToAnother()
    {
        auto first = makeForm({part()});
        typeAtTheEnd(*first);
        QTRY_COMPARE_WITH_TIMEOUT(onlyCopy(), kTyped, 10000);
        auto second = makeForm();
        QVERIFY(dialogs_.texts(Kind::Recovery).isEmpty());
        QCOMPARE(onlyCopy(), kTyped);
    }
};

QTEST_MAIN(RecoveryTest)
#include "recovery_test.moc"
