// Recovery copies without a window: when one is due, what its bytes are,
// how its files are written and found again after a crash.
#include "document/ncfile.h"
#include "document/recoveryfiles.h"
#include "document/recoveryschedule.h"
#include "document/recoverywriter.h"
#include "document/sjistext.h"

#include "testfiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>

namespace marbolt {
namespace {

// A timeline of observations: at each time, the document's generation and
// whether it is unsaved; a copy is taken whenever one is due.
struct Step {
    qint64 at;
    std::uint64_t generation;
    bool unsaved;
};

std::vector<qint64> copiesTaken(const std::vector<Step> &steps, qint64 until)
{
    RecoverySchedule schedule(30'000, 120'000);
    std::vector<qint64> copies;
    std::size_t next = 0;
    Step current{0, 0, false};
    // The window looks every second, and at every change.
    for (qint64 now = 0; now <= until; now += 1000) {
        while (next < steps.size() && steps[next].at <= now) {
            current = steps[next++];
            schedule.observe(current.generation, current.unsaved, current.at);
        }
        schedule.observe(current.generation, current.unsaved, now);
        if (schedule.due(now)) {
            schedule.copied(current.generation);
            copies.push_back(now);
        }
    }
    return copies;
}

TEST(RecoverySchedule, CopiesAfterIdleTimeAndAtLeastEveryLongestWaitWhileTyping)
{
    struct Case {
        const char *name;
        std::vector<Step> steps;
        qint64 until;
        std::vector<qint64> expected;
    };
    std::vector<Step> typing;  // a key every 2 s for five minutes
    for (qint64 t = 0; t < 300'000; t += 2000)
        typing.push_back({t + 500, static_cast<std::uint64_t>(t / 2000 + 1), true});
    const Case cases[] = {
        {"an opened file left alone: nothing", {{0, 1, false}}, 200'000, {}},
        {"one change, then idle: one copy 30 s later", {{0, 1, false}, {5500, 2, true}}, 200'000, {36'000}},
        {"three changes in a row: the idle time runs from the last",
         {{1000, 2, true}, {10'000, 3, true}, {20'000, 4, true}}, 100'000, {50'000}},
        {"typing without a pause: a copy every two minutes, then one after the last key",
         typing, 400'000, {121'000, 243'000, 329'000}},
        {"saved before the idle time ends: no copy", {{1000, 2, true}, {10'000, 2, false}}, 100'000, {}},
        {"undone to the saved text (a new generation, not unsaved): no copy",
         {{1000, 2, true}, {10'000, 3, false}}, 100'000, {}},
        {"a reception: unsaved at once, copied after the idle time", {{0, 1, false}, {3000, 2, true}}, 60'000, {33'000}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(copiesTaken(c.steps, c.until), c.expected) << c.name;
}

TEST(RecoverySchedule, AFailedCopyIsTriedAgainAfterTheIdleTimeNotAtEveryLook)
{
    RecoverySchedule schedule(30'000, 120'000);
    schedule.observe(2, true, 0);
    ASSERT_TRUE(schedule.due(30'000));
    schedule.copied(2);
    EXPECT_FALSE(schedule.due(31'000));
    schedule.retryLater(31'000);
    EXPECT_FALSE(schedule.due(32'000));
    EXPECT_FALSE(schedule.due(60'000));
    EXPECT_TRUE(schedule.due(61'000));
}

TEST(RecoveryBytes, AreTheBytesASaveWrites)
{
    struct Case {
        const char *name;
        std::string editorText;
    };
    const Case cases[] = {
        {"CR LF kept", "O1000\r\nG01X10.\r\nM30\r\n"},
        {"lone LF and CR made CR LF", "O1\nG0\rM30\r\n%"},
        {"a lone CR after CR LFs, a lone LF after it", "O1\r\nG0\r\nG1\rM30\n%"},
        {"a lone LF before the first CR LF", "O1\nG0\r\n"},
        {"a CR at the very end", "O1\r\nM30\r"},
        {"an LF at the very start", "\nO1\r\n"},
        {"Japanese comment and half-width kana", "O1(ﾃｽﾄ 加工)\r\nM30"},
        {"bytes carried as escapes go back as bytes", toEditorText(QStringLiteral("O1")) + "\r\n(" +
                                                          decodeSjisFile("\xFF\x85\x9F", SjisFileDecoder::Case::Keep) + ")"},
        {"empty", ""},
    };
    for (const Case &c : cases) {
        bool editorText = true;
        const std::string copy = recoveryBytes(c.editorText, editorText);
        EXPECT_FALSE(editorText) << c.name;
        // What a save writes: the editor's line breaks made CR LF first.
        std::string crlf;
        for (std::size_t i = 0; i < c.editorText.size(); ++i) {
            if (c.editorText[i] == '\r' && i + 1 < c.editorText.size() && c.editorText[i + 1] == '\n')
                continue;
            crlf += c.editorText[i] == '\r' || c.editorText[i] == '\n' ? std::string("\r\n") : std::string(1, c.editorText[i]);
        }
        std::string saved;
        ASSERT_EQ(encodeNcText(crlf, saved).status, WriteStatus::Ok) << c.name;
        EXPECT_EQ(copy, saved) << c.name;
    }
}

TEST(RecoveryBytes, ACharacterShiftJisCannotHoldKeepsTheEditorsText)
{
    bool editorText = false;
    const std::string text = "O1(\xE2\x82\xAC)\nM30";  // the euro sign
    EXPECT_EQ(recoveryBytes(text, editorText), "O1(\xE2\x82\xAC)\r\nM30");
    EXPECT_TRUE(editorText);
}

TEST(RecoveryInfo, ReadsBackWhatItWrites)
{
    RecoveryInfo info;
    info.documentPath = QStringLiteral("/home/nc/加工/O1000.nc");
    info.base = {1234, 1765000000123};
    info.written = QDateTime::fromMSecsSinceEpoch(1765000001000);
    info.editorText = true;
    const auto back = RecoveryInfo::fromBytes(info.toBytes());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->documentPath, info.documentPath);
    EXPECT_EQ(back->base, info.base);
    EXPECT_EQ(back->written, info.written);
    EXPECT_TRUE(back->editorText);
    EXPECT_FALSE(RecoveryInfo::fromBytes("PATH=/x\n"));
    EXPECT_FALSE(RecoveryInfo::fromBytes(""));
}

// A lock file as a process that has ended leaves it: its id, its name and
// its host, the way QLockFile writes them.
void leaveLockOfEndedProcess(const QString &lockPath)
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    ::waitpid(child, nullptr, 0);
    QFile f(lockPath);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray::number(child) + '\n' + QCoreApplication::applicationName().toUtf8() + '\n'
            + QSysInfo::machineHostName().toUtf8() + '\n');
}

TEST(RecoverySlot, CopiesLeftByEndedProgramsAreFoundNewestFirstAndRunningOnesAreLeftAlone)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("recovery"));
    auto writeSlot = [&](const QString &name, qint64 writtenMs, const std::string &bytes) {
        RecoverySlot slot(folder, name);
        RecoveryInfo info;
        info.documentPath = QStringLiteral("/nc/") + name + QStringLiteral(".nc");
        info.written = QDateTime::fromMSecsSinceEpoch(writtenMs);
        EXPECT_FALSE(slot.write(bytes, info));
        return slot.copyPath();
    };
    writeSlot(QStringLiteral("older"), 1000, "O1\r\n");
    const QString newer = writeSlot(QStringLiteral("newer"), 2000, "O2\r\n");
    writeSlot(QStringLiteral("killed"), 3000, "O3\r\n");
    leaveLockOfEndedProcess(folder + QStringLiteral("/killed.lock"));
    EXPECT_EQ(readFileBytes(newer), "O2\r\n");

    // A window of this process still holds this one.
    RecoverySlot running(folder, QStringLiteral("running"));
    ASSERT_TRUE(running.lock());
    RecoveryInfo info;
    info.written = QDateTime::fromMSecsSinceEpoch(9000);
    ASSERT_FALSE(running.write("O9\r\n", info));
    // Its first copy never came: only the info stands.
    RecoverySlot half(folder, QStringLiteral("half"));
    ASSERT_FALSE(half.write("", info));
    QFile::remove(half.copyPath());

    auto found = abandonedSlots(folder);
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].slot->name(), QStringLiteral("killed")) << "a dead process's lock is stale";
    EXPECT_EQ(found[1].slot->name(), QStringLiteral("newer"));
    EXPECT_EQ(found[2].slot->name(), QStringLiteral("older"));
    EXPECT_EQ(found[1].info.documentPath, QStringLiteral("/nc/newer.nc"));
    EXPECT_FALSE(QFile::exists(half.infoPath())) << "a lone info is cleared away";
    EXPECT_TRUE(QFile::exists(running.copyPath()));

    // While found, they are locked: a second look finds none of them.
    EXPECT_TRUE(abandonedSlots(folder).empty());
    found[2].slot->removeWithLock();
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("recovery/older.nc"))));
    found.clear();
    EXPECT_EQ(abandonedSlots(folder).size(), 2u);
}

TEST(RecoveryWriter, WritesOffTheCallersThreadInOrderAndRemovesAfterAWrite)
{
    int argc = 0;
    QCoreApplication app(argc, nullptr);
    QTemporaryDir dir;
    RecoverySlot slot(dir.path(), QStringLiteral("w"));
    QObject receiver;
    std::vector<RecoveryWriter::Outcome> outcomes;
    // A slot in a folder that cannot be made: declared before the writer,
    // as every slot must outlive the jobs given for it.
    RecoverySlot nowhere(dir.filePath(QStringLiteral("file/sub")), QStringLiteral("w"));
    {
        RecoveryWriter writer;
        RecoveryInfo info;
        info.written = QDateTime::currentDateTimeUtc();
        writer.write(slot, "o1\nM30\n", info, &receiver, [&](const RecoveryWriter::Outcome &o) { outcomes.push_back(o); });
        writer.drain();
        EXPECT_TRUE(writer.idle());
        EXPECT_EQ(readFileBytes(slot.copyPath()), "o1\r\nM30\r\n");
        // A removal given after a write always comes after it.
        writer.write(slot, std::string(2'000'000, 'X'), info, &receiver, nullptr);
        writer.remove(slot);
        writer.drain();
        EXPECT_FALSE(QFile::exists(slot.copyPath()));
        EXPECT_FALSE(QFile::exists(slot.infoPath()));
        // The snapshot's room: made on the writer's thread, and given back
        // by each write for the next snapshot.
        writer.prepareBuffer(1 << 20);
        writer.drain();
        std::string buffer = writer.takeBuffer();
        EXPECT_TRUE(buffer.empty());
        EXPECT_GE(buffer.capacity(), std::size_t{1} << 20);
        EXPECT_EQ(writer.takeBuffer().capacity(), std::string().capacity()) << "taken once";
        buffer.assign("O5\r\n");
        writer.write(slot, std::move(buffer), info, &receiver, nullptr);
        writer.drain();
        EXPECT_EQ(readFileBytes(slot.copyPath()), "O5\r\n");
        EXPECT_GE(writer.takeBuffer().capacity(), std::size_t{1} << 20);
        writer.releaseBuffer();
        writer.drain();
        EXPECT_LT(writer.takeBuffer().capacity(), std::size_t{1} << 20);

        // A write into a folder that cannot be made fails with the reason.
        writeFileBytes(dir.filePath(QStringLiteral("file")), "not a folder");
        writer.write(nowhere, "O1", info, &receiver, [&](const RecoveryWriter::Outcome &o) { outcomes.push_back(o); });
    }  // the destructor runs what was given
    EXPECT_TRUE(outcomes.empty());  // the answers come through the receiver's event loop
    QCoreApplication::processEvents();
    ASSERT_EQ(outcomes.size(), 2u);
    EXPECT_TRUE(outcomes[0].ok);
    EXPECT_EQ(outcomes[0].bytes, 9u);
    EXPECT_FALSE(outcomes[1].ok);
    EXPECT_FALSE(outcomes[1].reason.isEmpty());
}

}  // namespace
}  // namespace marbolt
