#include "tools/replacer.h"

#include "common/dialogs.h"
#include "document/sjistext.h"
#include "document/textsearch.h"

#include <algorithm>
#include <chrono>

namespace marbolt {

namespace {

struct ChangeGroup {
    ReplaceTarget &target;
    explicit ChangeGroup(ReplaceTarget &t) : target(t) { target.beginChanges(); }
    ~ChangeGroup() { target.endChanges(); }
};

const QString kComplete = QStringLiteral("置換が完了しました。");

}  // namespace

bool intag(std::string_view text, std::size_t s)
{
    for (std::size_t i = std::min(s + 1, text.size()); i > 0; --i) {
        const char c = text[i - 1];
        if (i - 1 < s && c == '\n')
            return false;  // the start of the line is passed
        if (c == '(')
            return true;
        if (c == ')')
            return false;
    }
    return false;
}

namespace {

// intag on a line as it stands: line holds the text from the start of the
// line up to the occurrence, first is the occurrence's first character.
bool inCommentOnLine(std::string_view line, char first)
{
    if (first == '(')
        return true;
    if (first == ')')
        return false;
    for (std::size_t i = line.size(); i > 0; --i) {
        const char c = line[i - 1];
        if (c == '(')
            return true;
        if (c == ')')
            return false;
    }
    return false;
}

// Keeps only what follows the last line break of the line so far.
void continueLine(std::string &line, std::string_view added)
{
    const std::size_t lf = added.rfind('\n');
    if (lf == std::string_view::npos) {
        line.append(added);
    } else {
        line.assign(added.substr(lf + 1));
    }
}

}  // namespace

std::vector<PlannedOccurrence> planReplacements(std::string_view text, std::string_view needle,
                                                std::string_view replacement, std::size_t from,
                                                bool occurrenceAtFrom, std::size_t end, bool skipComments)
{
    std::vector<PlannedOccurrence> plan;
    end = std::min(end, text.size());
    if (needle.empty() || from > end)
        return plan;
    // The line of the first occurrence as it stands: nothing before it changes.
    const std::size_t lf = from == 0 ? std::string_view::npos : text.rfind('\n', from - 1);
    const std::size_t lineBegin = lf == std::string_view::npos ? 0 : lf + 1;
    std::string line(text.substr(lineBegin, from - lineBegin));
    std::size_t copied = from;  // the original text up to here is in the line
    std::size_t searchFrom = from;
    bool atFrom = occurrenceAtFrom;
    for (;;) {
        std::size_t at;
        if (atFrom) {
            at = from;
            atFrom = false;
        } else {
            const long long found =
                searchFrom < end ? FindForward(text, needle, searchFrom, end - searchFrom) : -1;
            if (found < 0)
                break;
            at = static_cast<std::size_t>(found);
        }
        if (at + needle.size() > end)
            break;
        continueLine(line, text.substr(copied, at - copied));
        const bool replace = !(skipComments && inCommentOnLine(line, needle.front()));
        plan.push_back({at, replace});
        continueLine(line, replace ? replacement : needle);
        copied = searchFrom = at + needle.size();
    }
    return plan;
}

Replacer::Replacer(ReplaceState &state, ReplaceTarget &target, Dialogs &dialogs)
    : state_(state), target_(target), dialogs_(dialogs)
{
}

QString Replacer::notFoundMessage(const QString &text)
{
    return QStringLiteral("文字列\"%1\"が見つかりません。").arg(text);
}

bool Replacer::intag() const
{
    return marbolt::intag(target_.text(), target_.selectionStart());
}

bool Replacer::selectionIsEmpty() const
{
    return target_.selectionEnd() <= target_.selectionStart();
}

bool Replacer::selectNext(const QByteArray &needle, std::size_t end, bool focus)
{
    const std::string_view text = target_.text();
    const std::size_t start = target_.selectionEnd();
    end = std::min(end, text.size());
    const long long pos = start < end ? FindForward(text, viewOf(needle), start, end - start) : -1;
    if (pos < 0)
        return false;
    const auto at = static_cast<std::size_t>(pos);
    target_.select(at, at + static_cast<std::size_t>(needle.size()), focus);
    target_.pumpMessages();
    return true;
}

bool Replacer::replaceStep()
{
    const QByteArray needle = find();
    const std::string_view text = target_.text();
    const std::size_t start = target_.selectionStart();
    const std::size_t end = target_.selectionEnd();
    if (end < start || end > text.size() || text.substr(start, end - start) != viewOf(needle))
        return false;
    if (state_.ReplaceSkipComments && intag())
        return false;
    target_.replaceSelection(viewOf(state_.ReplaceNewText.toUtf8()));
    return true;
}

void Replacer::ReplaceFind()
{
    const QByteArray needle = find();
    do {
        if (!selectNext(needle, std::string_view::npos, true)) {
            dialogs_.information(notFoundMessage(state_.ReplaceFindText), Buttons::Ok);
            return;
        }
    } while (state_.ReplaceSkipComments && intag());
}

void Replacer::ReplaceNext()
{
    if (!selectionIsEmpty())
        replaceStep();
    ReplaceFind();
}

namespace {

using ReplaceClock = std::chrono::steady_clock;
// Events run at least this often during a run: the display stays live and
// "閉じる" can end it.
constexpr auto kPumpEvery = std::chrono::milliseconds(30);
// A stretch is built for about this long before it goes to the editor.
constexpr auto kStretchTime = std::chrono::milliseconds(10);
// The text a stretch is built from is read this much at a time.
constexpr std::size_t kStretchRead = std::size_t{4} << 20;

}  // namespace

void Replacer::placeAfter(const PlannedOccurrence &last, long long shift, std::size_t needleLength,
                          std::string_view replacement)
{
    const long long delta = static_cast<long long>(replacement.size()) - static_cast<long long>(needleLength);
    const std::size_t at = static_cast<std::size_t>(static_cast<long long>(last.at) + shift - (last.replace ? delta : 0));
    if (last.replace)
        target_.select(at + replacement.size(), at + replacement.size(), false);
    else
        target_.select(at, at + needleLength, false);
}

bool Replacer::applyOneByOne(const std::vector<PlannedOccurrence> &plan, std::size_t needleLength,
                             std::string_view replacement)
{
    long long shift = 0;
    const long long delta = static_cast<long long>(replacement.size()) - static_cast<long long>(needleLength);
    auto lastPump = ReplaceClock::now();
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const auto at = static_cast<std::size_t>(static_cast<long long>(plan[i].at) + shift);
        if (!state_.ReplaceActive) {
            // Closed: the next occurrence stays selected, as a run one at a
            // time would leave it.
            target_.select(at, at + needleLength, false);
            return false;
        }
        if (plan[i].replace) {
            target_.replaceRange(at, at + needleLength, replacement);
            shift += delta;
        }
        if (ReplaceClock::now() - lastPump >= kPumpEvery) {
            target_.pumpMessages();
            lastPump = ReplaceClock::now();
        }
    }
    if (!plan.empty())
        placeAfter(plan.back(), shift, needleLength, replacement);
    return state_.ReplaceActive;
}

bool Replacer::apply(const std::vector<PlannedOccurrence> &plan, std::string_view needle, std::string_view replacement)
{
    const ChangeGroup group(target_);
    // The caret before every change: none of them moves it.
    if (!plan.empty())
        target_.select(plan.front().at, plan.front().at, false);
    if (!target_.canReplaceSpans())
        return applyOneByOne(plan, needle.size(), replacement);

    // Stretches of many occurrences, each built once and handed to the
    // editor in one step: an editor told of every occurrence on its own
    // does the work of a change 40,000 times over.
    const std::size_t needleLength = needle.size();
    long long shift = 0;
    auto lastPump = ReplaceClock::now();
    std::string stretch;
    std::size_t i = 0;
    while (i < plan.size()) {
        const std::size_t first = plan[i].at;  // where the stretch starts, before the run
        const auto start = static_cast<std::size_t>(static_cast<long long>(first) + shift);
        if (!state_.ReplaceActive) {
            target_.select(start, start + needleLength, false);
            return false;
        }
        // The text from the stretch's start, as it stands: nothing of it
        // has changed yet.
        const std::string_view text = target_.textRange(start, start + kStretchRead);
        stretch.clear();
        std::size_t copied = first;  // before the run
        const auto began = ReplaceClock::now();
        std::size_t j = i;
        do {
            const PlannedOccurrence &o = plan[j];
            if (o.at + needleLength - first > text.size())
                break;  // beyond what was read: the next stretch
            stretch.append(text.substr(copied - first, o.at - copied));
            stretch.append(o.replace ? replacement : needle);
            copied = o.at + needleLength;
            ++j;
        } while (j < plan.size() && ((j - i) % 256 != 0 || ReplaceClock::now() - began < kStretchTime));
        if (j == i) {
            // An occurrence longer than a read: on its own.
            if (plan[i].replace)
                target_.replaceRange(start, start + needleLength, replacement);
            copied = first + needleLength;
            stretch.assign(plan[i].replace ? replacement : needle);
            ++j;
        } else {
            target_.replaceSpan(start, start + (copied - first), stretch);
        }
        shift += static_cast<long long>(stretch.size()) - static_cast<long long>(copied - first);
        i = j;
        if (ReplaceClock::now() - lastPump >= kPumpEvery) {
            target_.pumpMessages();
            lastPump = ReplaceClock::now();
        }
    }
    if (!plan.empty())
        placeAfter(plan.back(), shift, needleLength, replacement);
    return state_.ReplaceActive;
}

void Replacer::ReplaceAll()
{
    if (selectionIsEmpty()) {
        ReplaceFind();
        if (selectionIsEmpty())
            return;
    }
    if (!state_.ReplaceActive)
        return;
    const QByteArray needle = find();
    const QByteArray replacement = state_.ReplaceNewText.toUtf8();
    const std::string_view text = target_.text();
    const std::size_t start = target_.selectionStart();
    const std::size_t end = target_.selectionEnd();
    // The selection is the first occurrence when it is one; otherwise the
    // run starts behind it.
    const bool selected = end <= text.size() && text.substr(start, end - start) == viewOf(needle);
    const auto plan = planReplacements(text, viewOf(needle), viewOf(replacement), selected ? start : end, selected,
                                       text.size(), state_.ReplaceSkipComments);
    if (apply(plan, viewOf(needle), viewOf(replacement)))
        dialogs_.information(kComplete, Buttons::Ok);
}

void Replacer::ReplaceAll2()
{
    target_.selectCurrentProgram();
    const std::size_t start = target_.selectionStart();
    const std::size_t end = target_.selectionEnd();
    target_.select(start, start, false);
    if (!state_.ReplaceActive)
        return;
    const QByteArray needle = find();
    const QByteArray replacement = state_.ReplaceNewText.toUtf8();
    const auto plan = planReplacements(target_.text(), viewOf(needle), viewOf(replacement), start, false, end,
                                       state_.ReplaceSkipComments);
    if (apply(plan, viewOf(needle), viewOf(replacement)))
        dialogs_.information(kComplete, Buttons::Ok);
}

}  // namespace marbolt
