#include "ncfile.h"

#include "sjistext.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

namespace marbolt {

ReadResult readNcFile(const QString &path, std::uint64_t maxCharacters,
                      const std::function<bool(std::string_view)> &sink)
{
    ReadResult result;
    QFile f(path);
    if (QFileInfo(path).isDir() || !f.open(QIODevice::ReadOnly)) {
        result.status = ReadStatus::CannotRead;
        return result;
    }
    constexpr qint64 kChunk = 4 << 20;
    std::vector<char> buffer(static_cast<std::size_t>(kChunk));
    SjisFileDecoder decoder;
    std::string out;
    for (;;) {
        const qint64 got = f.read(buffer.data(), kChunk);
        if (got < 0) {
            result.status = ReadStatus::CannotRead;
            return result;
        }
        const bool last = got == 0 || f.atEnd();
        out.clear();
        decoder.feed(buffer.data(), static_cast<std::size_t>(got), last, out);
        if (decoder.characters() > maxCharacters) {
            result.status = ReadStatus::TooLong;
            return result;
        }
        if (!out.empty() && !sink(out)) {
            result.status = ReadStatus::CannotRead;
            return result;
        }
        if (last)
            break;
    }
    result.characters = decoder.characters();
    result.escapes = decoder.escapes();
    return result;
}

WriteResult writeNcFile(const QString &path, std::string_view editorText)
{
    WriteResult result;
    std::string bytes;
    SjisEncoder encoder;
    if (const auto failure = encoder.encode(editorText, bytes)) {
        result.status = WriteStatus::Unencodable;
        result.codePoint = failure->codePoint;
        result.line = 1 + static_cast<std::size_t>(
                              std::count(editorText.begin(),
                                         editorText.begin() + static_cast<std::ptrdiff_t>(failure->offset),
                                         '\n'));
        return result;
    }
    QSaveFile f(path);
    // Never fall back to writing over the old file in place: a write that
    // fails half way must not cost the user the file.
    f.setDirectWriteFallback(false);
    // Unbuffered: every write reaches the file at once and its failure is
    // seen here. A buffered QSaveFile can lose a failed final flush and
    // commit a cut file over the old one.
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.status = WriteStatus::CannotCreate;
        result.detail = f.errorString();
        return result;
    }
    if (f.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size())) {
        result.status = WriteStatus::WriteFailed;
        result.detail = f.errorString();
        f.cancelWriting();
        return result;
    }
    if (!f.commit()) {
        result.status = WriteStatus::WriteFailed;
        result.detail = f.errorString();
        return result;
    }
    return result;
}

QString writeFailureMessage(const QString &path, const WriteResult &result)
{
    switch (result.status) {
    case WriteStatus::Ok:
        return {};
    case WriteStatus::CannotCreate:
        return QStringLiteral("ファイル %1 を作成できません").arg(path);
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
