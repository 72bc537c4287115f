#include "tools/replacer.h"

#include "app/dialogs.h"
#include "tools/textsearch.h"

namespace marbolt {

namespace {

struct ChangeGroup {
    ReplaceTarget &target;
    explicit ChangeGroup(ReplaceTarget &t) : target(t) { target.beginChanges(); }
    ~ChangeGroup() { target.endChanges(); }
};

const QString kComplete = QStringLiteral("置換が完了しました。");

std::string_view viewOf(const QByteArray &bytes)
{
    return std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

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
    for (;;) {
        const std::string_view text = target_.text();
        const std::size_t start = target_.selectionEnd();
        const long long pos = start <= text.size() ? FindForward(text, viewOf(needle), start, text.size() - start) : -1;
        if (pos < 0) {
            dialogs_.information(notFoundMessage(state_.ReplaceFindText), Buttons::Ok);
            return;
        }
        const auto at = static_cast<std::size_t>(pos);
        target_.select(at, at + static_cast<std::size_t>(needle.size()), true);
        target_.pumpMessages();
        if (!(state_.ReplaceSkipComments && intag()))
            return;
    }
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
        const std::string_view text = target_.text();
        const std::size_t start = target_.selectionEnd();
        const long long pos = FindForward(text, viewOf(needle), start, text.size() - start);
        if (pos < 0) {
            dialogs_.information(kComplete, Buttons::Ok);
            return;
        }
        const auto at = static_cast<std::size_t>(pos);
        target_.select(at, at + static_cast<std::size_t>(needle.size()), false);
        target_.pumpMessages();
        // One in a comment is passed over, not replaced.
        replaceThis = !(state_.ReplaceSkipComments && intag());
    }
}

void Replacer::ReplaceAll2()
{
    target_.selectCurrentProgram();
    long long end = static_cast<long long>(target_.selectionEnd());
    target_.select(target_.selectionStart(), target_.selectionStart(), false);
    const QByteArray needle = find();
    const long long growth = static_cast<long long>(state_.ReplaceNewText.toUtf8().size()) - needle.size();
    const ChangeGroup group(target_);
    while (state_.ReplaceActive) {
        const std::string_view text = target_.text();
        const std::size_t start = target_.selectionEnd();
        const long long length = end - static_cast<long long>(start);
        const long long pos = length > 0 ? FindForward(text, viewOf(needle), start, static_cast<std::size_t>(length)) : -1;
        if (pos < 0) {
            dialogs_.information(kComplete, Buttons::Ok);
            return;
        }
        const auto at = static_cast<std::size_t>(pos);
        target_.select(at, at + static_cast<std::size_t>(needle.size()), false);
        target_.pumpMessages();
        if (state_.ReplaceSkipComments && intag())
            continue;
        if (replaceStep())
            end += growth;
    }
}

}  // namespace marbolt
