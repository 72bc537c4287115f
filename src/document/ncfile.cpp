#include "ncfile.h"

#include "filereplacement.h"
#include "sjistext.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <string>
#include <thread>
#include <vector>

namespace marbolt {

namespace {

// Opens path for reading only when it is a regular file. A FIFO or a
// device would hang the open or the read (nobody writes to the FIFO) or
// never end (/dev/zero); the open itself does not wait, whatever path names.
int openRegularFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st{};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}

// Fills buffer as far as the file goes; 0 at its real end, -1 on an error.
ssize_t readChunk(int fd, char *buffer, std::size_t size)
{
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buffer + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

namespace {

// Decoded pieces on their way from the decoding thread to the sink.
class PieceQueue {
public:
    struct Piece {
        std::string text;
        bool end = false;
        ReadStatus status = ReadStatus::Ok;
    };
    // Waits for room; false once the reader has stopped taking pieces.
    bool push(Piece piece)
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return pieces_.size() < kDepth || abandoned_; });
        if (abandoned_)
            return false;
        pieces_.push_back(std::move(piece));
        changed_.notify_all();
        return true;
    }
    Piece pop()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return !pieces_.empty(); });
        Piece piece = std::move(pieces_.front());
        pieces_.pop_front();
        changed_.notify_all();
        return piece;
    }
    void abandon()
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
        changed_.notify_all();
    }
    // A taken piece's buffer goes back to the decoder, which fills it
    // again: its pages stay mapped instead of a fresh allocation being
    // faulted in (and the spent one unmapped) for every piece.
    void recycle(std::string spent)
    {
        std::lock_guard lock(mutex_);
        if (spare_.size() < kDepth + 1)
            spare_.push_back(std::move(spent));
    }
    std::string spare()
    {
        std::lock_guard lock(mutex_);
        if (spare_.empty())
            return {};
        std::string buffer = std::move(spare_.back());
        spare_.pop_back();
        buffer.clear();
        return buffer;
    }

private:
    // Two pieces decoded ahead: the decoder never waits long for the
    // sink, and little memory is held.
    static constexpr std::size_t kDepth = 2;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Piece> pieces_;
    std::vector<std::string> spare_;
    bool abandoned_ = false;
};

}  // namespace

ReadResult readNcFile(const QString &path, std::uint64_t maxCharacters,
                      const std::function<bool(std::string_view)> &sink,
                      const std::function<void(std::string_view, bool last)> &alongside)
{
    ReadResult result;
    const int fd = openRegularFile(path);
    if (fd < 0) {
        result.status = ReadStatus::CannotRead;
        return result;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    // Reading and decoding run on a thread of their own, so that the sink
    // (the editor taking the text in) works on one piece while the next is
    // decoded: on two cores an open takes about the longer of the two
    // instead of their sum.
    PieceQueue queue;
    std::uint64_t characters = 0, escapes = 0;
    std::thread decoding([&] {
        try {
            constexpr std::size_t kChunk = 4 << 20;
            std::vector<char> buffer(kChunk);
            SjisFileDecoder decoder;
            for (;;) {
                const ssize_t got = readChunk(fd, buffer.data(), kChunk);
                if (got < 0) {
                    queue.push({{}, true, ReadStatus::CannotRead});
                    return;
                }
                // A short chunk is the end; a full one may be followed by nothing.
                const bool last = static_cast<std::size_t>(got) < kChunk;
                std::string out = queue.spare();
                decoder.feed(buffer.data(), static_cast<std::size_t>(got), last, out);
                if (decoder.characters() > maxCharacters) {
                    queue.push({{}, true, ReadStatus::TooLong});
                    return;
                }
                if (last) {
                    characters = decoder.characters();
                    escapes = decoder.escapes();
                }
                if (alongside)
                    alongside(out, last);
                if (!queue.push({std::move(out), last, ReadStatus::Ok}) || last)
                    return;
            }
        } catch (const std::bad_alloc &) {
            queue.push({{}, true, ReadStatus::CannotRead});
        }
    });
    for (;;) {
        PieceQueue::Piece piece = queue.pop();
        if (piece.status != ReadStatus::Ok) {
            result.status = piece.status;
            break;
        }
        if (!piece.text.empty() && !sink(piece.text)) {
            result.status = ReadStatus::CannotRead;
            break;
        }
        if (piece.end)
            break;
        queue.recycle(std::move(piece.text));
    }
    queue.abandon();
    decoding.join();
    if (result.status == ReadStatus::Ok) {
        result.characters = characters;
        result.escapes = escapes;
    }
    return result;
}

std::size_t textSizeHint(std::uint64_t fileBytes)
{
    return static_cast<std::size_t>(fileBytes + fileBytes / 32 + 4096);
}

std::optional<std::string> readNcText(const QString &path, std::uint64_t maxCharacters)
{
    std::string text;
    const ReadResult read = readNcFile(path, maxCharacters, [&](std::string_view piece) {
        text.append(piece);
        return true;
    });
    if (read.status != ReadStatus::Ok)
        return std::nullopt;
    return text;
}

WriteResult encodeNcText(std::string_view editorText, std::string &bytes)
{
    WriteResult result;
    SjisEncoder encoder;
    if (const auto failure = encoder.encode(editorText, bytes)) {
        result.status = WriteStatus::Unencodable;
        result.codePoint = failure->codePoint;
        result.line = 1 + static_cast<std::size_t>(
                              std::count(editorText.begin(),
                                         editorText.begin() + static_cast<std::ptrdiff_t>(failure->offset),
                                         '\n'));
    }
    return result;
}

WriteResult writeNcFile(const QString &path, std::string_view editorText)
{
    std::string bytes;
    WriteResult result = encodeNcText(editorText, bytes);
    if (result.status != WriteStatus::Ok)
        return result;
    if (const auto failure = replaceFile(path, bytes))
        return writeResultOf(*failure);
    return result;
}

WriteResult writeResultOf(const FileFailure &failure)
{
    WriteResult result;
    result.status = failure.step == FileFailure::Step::Create ? WriteStatus::CannotCreate
                                                             : WriteStatus::WriteFailed;
    result.detail = failure.reason();
    return result;
}

QString writeFailureMessage(const QString &path, const WriteResult &result)
{
    switch (result.status) {
    case WriteStatus::Ok:
        return {};
    case WriteStatus::CannotCreate:
        if (result.detail.isEmpty())
            return QStringLiteral("ファイル %1 を作成できません").arg(path);
        return QStringLiteral("ファイル %1 を作成できません\r%2").arg(path, result.detail);
    case WriteStatus::WriteFailed:
        return QStringLiteral("ファイル %1 に書き込めません\r%2").arg(path, result.detail);
    case WriteStatus::Unencodable:
        return QStringLiteral("ファイル %1 を保存できません\r%2 行目の文字 \"%3\" (U+%4) は"
                              "シフトJISで書き込めません")
            .arg(path)
            .arg(result.line)
            .arg(QString::fromUcs4(&result.codePoint, 1))
            .arg(static_cast<uint>(result.codePoint), 4, 16, QChar(u'0'));
    }
    return {};
}

}  // namespace marbolt
