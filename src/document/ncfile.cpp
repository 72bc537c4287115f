#include "ncfile.h"

#include "filereplacement.h"
#include "sjistext.h"

#include <QFile>
#include <QFileInfo>

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
