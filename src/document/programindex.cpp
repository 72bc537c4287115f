#include "programindex.h"
#include "document/olines.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace marbolt {

namespace {

std::size_t findLf(std::string_view text, std::size_t from)
{
    if (from >= text.size())
        return std::string_view::npos;
    const void *p = std::memchr(text.data() + from, '\n', text.size() - from);
    return p ? static_cast<std::size_t>(static_cast<const char *>(p) - text.data())
             : std::string_view::npos;
}

// Position just after the next LF followed by needle, searching from from.
std::size_t findAfterLf(std::string_view text, std::string_view needle, std::size_t from)
{
    for (std::size_t lf = findLf(text, from); lf != std::string_view::npos;
         lf = findLf(text, lf + 1)) {
        if (text.substr(lf + 1, needle.size()) == needle)
            return lf + 1;
    }
    return std::string_view::npos;
}

std::string_view lineAt(std::string_view text, std::size_t start)
{
    std::size_t end = start;
    while (end < text.size() && text[end] != '\r' && text[end] != '\n')
        ++end;
    return text.substr(start, end - start);
}

bool endsLineAt(std::string_view text, std::size_t pos)
{
    return pos >= text.size() || text[pos] == '\r' || text[pos] == '\n';
}

unsigned char fold(unsigned char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

}  // namespace

std::vector<std::string_view> scanProgramLines(std::string_view text)
{
    std::vector<std::string_view> entries;
    if (text.empty())
        return entries;
    if (isOLine(text))
        entries.push_back(lineAt(text, 0));
    for (std::size_t lf = findLf(text, 0); lf != std::string_view::npos; lf = findLf(text, lf + 1)) {
        if (isOLine(text.substr(lf + 1)))
            entries.push_back(lineAt(text, lf + 1));
    }
    return entries;
}

void ProgramLineCollector::scanLines(std::string_view completeLines)
{
    // Each scan starts at a line start; the text's first line is one.
    for (std::string_view line : scanProgramLines(completeLines))
        lines_.emplace_back(line);
}

void ProgramLineCollector::add(std::string_view piece, bool last)
{
    // The unfinished line from before is completed with this piece's
    // first line; the rest of the piece is scanned where it lies.
    std::string_view rest = piece;
    if (!tail_.empty()) {
        const std::size_t lf = piece.find('\n');
        if (lf == std::string_view::npos && !last) {
            tail_.append(piece);
            return;
        }
        const std::size_t take = lf == std::string_view::npos ? piece.size() : lf + 1;
        tail_.append(piece.substr(0, take));
        scanLines(tail_);
        tail_.clear();
        rest = piece.substr(take);
    }
    const std::size_t lf = rest.rfind('\n');
    if (last) {
        scanLines(rest);
    } else if (lf == std::string_view::npos) {
        tail_.assign(rest);
    } else {
        scanLines(rest.substr(0, lf + 1));
        tail_.assign(rest.substr(lf + 1));
    }
    if (!last)
        return;
    entries_ = indexEntries({lines_.begin(), lines_.end()}, sorted_);
    lines_.clear();
}

QStringList indexEntries(std::vector<std::string_view> lines, bool sorted)
{
    if (sorted)
        sortIndex(lines);
    dropLeadingDuplicate(lines, [](std::string_view a, std::string_view b) { return a == b; });
    QStringList entries;
    entries.reserve(static_cast<qsizetype>(lines.size()));
    for (std::string_view l : lines)
        entries.append(QString::fromUtf8(l.data(), static_cast<qsizetype>(l.size())));
    return entries;
}

bool indexLess(std::string_view a, std::string_view b)
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    return a.size() < b.size();
}

void sortIndex(std::vector<std::string_view> &entries)
{
    std::stable_sort(entries.begin(), entries.end(), indexLess);
}

std::optional<std::size_t> findProgramLine(std::string_view text, std::string_view entry)
{
    if (entry.empty())
        return std::nullopt;
    // The whole line equal to the entry: of O1000 and O100, O100 finds its own line.
    if (text.substr(0, entry.size()) == entry && endsLineAt(text, entry.size()))
        return 0;
    for (std::size_t at = findAfterLf(text, entry, 0); at != std::string_view::npos;
         at = findAfterLf(text, entry, at)) {
        if (endsLineAt(text, at + entry.size()))
            return at;
    }
    if (text.substr(0, entry.size()) == entry)
        return 0;
    const std::size_t prefix = findAfterLf(text, entry, 0);
    if (prefix == std::string_view::npos)
        return std::nullopt;
    return prefix;
}

std::size_t programStart(std::string_view text, std::string_view entry)
{
    return findProgramLine(text, entry).value_or(0);
}

ProgramExtent programExtent(std::string_view text, std::string_view entry)
{
    ProgramExtent e;
    if (entry.empty()) {
        // An empty box: the key is a lone line feed, so the second line.
        const std::size_t lf = findLf(text, 0);
        e.start = lf == std::string_view::npos ? 0 : lf + 1;
    } else {
        e.start = programStart(text, entry);
    }
    const std::size_t next = findAfterLf(text, "O", e.start);
    if (next != std::string_view::npos) {
        e.end = next;
        return e;
    }
    const std::size_t percent = text.find('%', e.start);
    e.end = percent == std::string_view::npos ? text.size() : percent;
    return e;
}

std::vector<ProgramExtent> programExtents(std::string_view text,
                                          const std::vector<std::string_view> &entries)
{
    // Every O-line once: where it starts, and the first start of each text.
    std::vector<std::size_t> starts;
    std::unordered_map<std::string_view, std::size_t> firstStart;
    auto note = [&](std::size_t start) {
        starts.push_back(start);
        firstStart.try_emplace(lineAt(text, start), start);
    };
    if (isOLine(text))
        note(0);
    for (std::size_t lf = findLf(text, 0); lf != std::string_view::npos; lf = findLf(text, lf + 1))
        if (isOLine(text.substr(lf + 1)))
            note(lf + 1);

    std::vector<ProgramExtent> extents;
    extents.reserve(entries.size());
    std::unordered_map<std::size_t, std::size_t> percentAfter;
    for (std::string_view entry : entries) {
        const auto own = entry.empty() ? firstStart.end() : firstStart.find(entry);
        if (own == firstStart.end()) {
            // An entry that is no whole O-line of the text: the rules of
            // programExtent, searched for this one entry.
            extents.push_back(programExtent(text, entry));
            continue;
        }
        ProgramExtent e;
        e.start = own->second;
        // The next line after an LF that begins with O; the line at 0 has no LF before it.
        const auto next = std::upper_bound(starts.begin(), starts.end(), e.start);
        if (next != starts.end() && *next > 0) {
            e.end = *next;
        } else {
            auto [at, added] = percentAfter.try_emplace(e.start, 0);
            if (added) {
                const std::size_t percent = text.find('%', e.start);
                at->second = percent == std::string_view::npos ? text.size() : percent;
            }
            e.end = at->second;
        }
        extents.push_back(e);
    }
    return extents;
}

ProgramExtent printedProgramExtent(std::string_view text, std::string_view entry, std::size_t fallback)
{
    std::size_t from = std::min(fallback, text.size());
    if (const auto own = findProgramLine(text, entry)) {
        from = *own;
    } else if (!entry.empty()) {
        const std::size_t anywhere = text.find(entry);
        if (anywhere != std::string_view::npos)
            from = anywhere;
    }
    ProgramExtent e;
    const std::size_t lf = from == 0 ? std::string_view::npos : text.rfind('\n', from - 1);
    e.start = lf == std::string_view::npos ? 0 : lf + 1;
    // The first line is printed whatever it holds; a later line that is not
    // empty and begins with O or holds a % anywhere ends the print.
    std::size_t next = findLf(text, e.start);
    while (next != std::string_view::npos && next + 1 < text.size()) {
        const std::string_view line = lineAt(text, next + 1);
        if (isOLine(line) || line.find('%') != std::string_view::npos) {
            e.end = next + 1;
            return e;
        }
        next = findLf(text, next + 1);
    }
    e.end = text.size();
    return e;
}

bool occursIn(std::string_view text, std::string_view entry)
{
    if (entry.empty())
        return false;
    return memmem(text.data(), text.size(), entry.data(), entry.size()) != nullptr;
}

std::vector<ProgramExtent> entryExtents(std::string_view text, const QStringList &entries)
{
    std::vector<QByteArray> keys;
    keys.reserve(static_cast<std::size_t>(entries.size()));
    for (const QString &entry : entries)
        keys.push_back(entry.toUtf8());
    std::vector<std::string_view> views;
    views.reserve(keys.size());
    for (const QByteArray &key : keys)
        views.emplace_back(key.constData(), static_cast<std::size_t>(key.size()));
    return programExtents(text, views);
}

std::string programsText(std::string_view text, const QStringList &entries)
{
    std::string out;
    for (const ProgramExtent &e : entryExtents(text, entries)) {
        out += text.substr(e.start, e.end - e.start);
        out += "\r\n";
    }
    return out;
}

}  // namespace marbolt
