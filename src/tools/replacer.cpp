#include "tools/replacer.h"

#include "common/dialogs.h"
#include "document/sjistext.h"
#include "document/textsearch.h"

#include <algorithm>

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

void Replacer::ReplaceAll()
{
    if (selectionIsEmpty()) {
        ReplaceFind();
        if (selectionIsEmpty())
            return;
    }
    const QByteArray needle = find();
    const ChangeGroup group(target_);
    bool replaceThis = true;
    while (state_.ReplaceActive) {
        if (replaceThis)
            replaceStep();
        if (!selectNext(needle, std::string_view::npos, false)) {
            dialogs_.information(kComplete, Buttons::Ok);
            return;
        }
        // One in a comment is passed over, not replaced.
        replaceThis = !(state_.ReplaceSkipComments && intag());
    }
}

void Replacer::ReplaceAll2()
{
    target_.selectCurrentProgram();
    std::size_t end = target_.selectionEnd();
    target_.select(target_.selectionStart(), target_.selectionStart(), false);
    const QByteArray needle = find();
    const std::size_t newLength = static_cast<std::size_t>(state_.ReplaceNewText.toUtf8().size());
    const ChangeGroup group(target_);
    while (state_.ReplaceActive) {
        if (!selectNext(needle, end, false)) {
            dialogs_.information(kComplete, Buttons::Ok);
            return;
        }
        if (state_.ReplaceSkipComments && intag())
            continue;
        // The end of the program moves with each replacement.
        if (replaceStep())
            end = end - static_cast<std::size_t>(needle.size()) + newLength;
    }
}

}  // namespace marbolt
