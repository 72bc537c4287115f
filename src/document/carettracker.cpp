#include "document/carettracker.h"

#include "document/olines.h"
#include "document/textsearch.h"

#include <cstdlib>

namespace marbolt {

std::optional<QString> CaretTracker::caretMoved(const TrackedText &document, std::size_t position,
                                                const QString &shown)
{
    const int line = static_cast<int>(document.lineAt(position)) + 1;
    std::optional<QString> result;
    if (!jumping_ && position != lastpos_)
        result = programOf(document, position, line, shown);
    lastline_ = line;
    lastpos_ = position;
    return result;
}

std::optional<QString> CaretTracker::programOf(const TrackedText &document, std::size_t position, int L,
                                               const QString &shown) const
{
    enum class Candidate { Undecided, None, Line } candidate = Candidate::Undecided;
    QString found;
    const int line0 = L - 1;
    const int d = std::abs(L - lastline_);
    const int lines = document.lineCount();
    auto lineText = [&](int index) { return index >= 0 && index < lines ? document.lineText(index) : QString(); };
    if (d < kNearLines && L > lastline_) {
        // Moved down a little: the nearest program head above, if near.
        candidate = Candidate::None;
        for (int i = 1; i <= kNearLines; ++i) {
            const QString t = lineText(line0 - i);
            if (isProgramHead(t)) {
                candidate = Candidate::Line;
                found = t;
                break;
            }
        }
    } else if (d < kNearLines && L < lastline_) {
        // Moved up a little: past the current program's first line?
        candidate = Candidate::None;
        for (int i = 1; i <= kNearLines; ++i) {
            const QString t = lineText(line0 + i);
            if (!t.isEmpty() && t == shown) {
                candidate = Candidate::Undecided;
                break;
            }
        }
    }
    if (candidate == Candidate::Undecided && L != lastline_) {
        // Far, or up across the program's start: the last O-line before
        // the caret.
        const std::string_view text = document.text();
        document.searching(true);
        const long long lf = FindForward(text, "\nO", 0, position) >= 0 ? FindLastBefore(text, "\nO", position) : -1;
        document.searching(false);
        if (lf >= 0) {
            candidate = Candidate::Line;
            found = lineText(static_cast<int>(document.lineAt(static_cast<std::size_t>(lf + 1))));
        } else if (isOLine(text)) {
            candidate = Candidate::Line;
            found = lineText(0);
        } else {
            candidate = Candidate::None;
        }
    }
    // The caret's own O-line wins whatever the search found, also when it
    // found nothing (Down from a leading "%" onto the first program).
    const QString own = lineText(line0);
    if (isNumberedOLine(own))
        return own;
    if (candidate == Candidate::Line)
        return found;
    return std::nullopt;
}

}  // namespace marbolt
