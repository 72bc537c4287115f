#pragma once
// Reading and writing NC files. Reading streams the file through the
// Shift-JIS decoder into a sink (the editor's loader), so a large file is
// never held twice in memory; writing goes to a new file beside the old one
// that is renamed over it only when complete.
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace marbolt {

enum class ReadStatus { Ok, CannotRead, TooLong };

struct ReadResult {
    ReadStatus status = ReadStatus::Ok;
    std::uint64_t characters = 0;
    std::uint64_t escapes = 0;  // bytes or pairs that are carried as escapes
};

// Reads path, decodes it and hands the editor text to sink piece by piece.
// Stops with TooLong as soon as the text passes maxCharacters; a sink that
// returns false stops the read with CannotRead.
// alongside, when given, sees each piece first, on the thread that decodes
// (last: no piece follows), while sink works on the piece before.
ReadResult readNcFile(const QString &path, std::uint64_t maxCharacters,
                      const std::function<bool(std::string_view)> &sink,
                      const std::function<void(std::string_view, bool last)> &alongside = {});
// Room for the editor text of a file of fileBytes: a little more than the
// file (CR LF for LF, three UTF-8 bytes for two Shift-JIS ones), so that
// the editor rarely has to move a large text to a larger buffer.
std::size_t textSizeHint(std::uint64_t fileBytes);

// The whole editor text of path in one string; nullopt when it cannot be
// read or passes maxCharacters.
std::optional<std::string> readNcText(const QString &path, std::uint64_t maxCharacters);

enum class WriteStatus { Ok, CannotCreate, WriteFailed, Unencodable };

struct WriteResult {
    WriteStatus status = WriteStatus::Ok;
    QString detail;          // the system's reason for a failed create or write
    char32_t codePoint = 0;  // Unencodable: the character
    std::size_t line = 0;    // Unencodable: its 1-based line
};

struct FileFailure;
// The result for a file that could not be created or written.
WriteResult writeResultOf(const FileFailure &failure);

// Encodes editor text to the file's Shift-JIS bytes, appended to bytes;
// Unencodable names the first character without a code.
WriteResult encodeNcText(std::string_view editorText, std::string &bytes);

// Encodes editor text to Shift-JIS and writes it to path atomically. On any
// failure the file at path is left as it was.
WriteResult writeNcFile(const QString &path, std::string_view editorText);

// The message box text for a failed write.
QString writeFailureMessage(const QString &path, const WriteResult &result);

}  // namespace marbolt
