#pragma once
// Caret tracking: as the caret moves through the document, the index box
// follows the program it is in. Small moves look only at the nearby lines;
// a larger move searches back for the last O-line. The caret's own O-line
// always wins. The tracker keeps what the rule remembers between moves:
// the previous line and position, and whether a jump of the index box is
// placing the caret (its moves are not tracked).
#include <QString>

#include <cstddef>
#include <optional>
#include <string_view>

namespace marbolt {

// The document as the tracker reads it.
class TrackedText {
public:
    virtual ~TrackedText() = default;
    // The whole text (UTF-8, CR LF) in the editor's positions.
    virtual std::string_view text() const = 0;
    virtual int lineCount() const = 0;
    // Line `index` (0-based) without its line break.
    virtual QString lineText(int index) const = 0;
    virtual std::size_t lineAt(std::size_t position) const = 0;
    // Around a search back through the text, which may take a moment.
    virtual void searching(bool) const {}
};

class CaretTracker {
public:
    // Lines within this distance count as a small move.
    static constexpr int kNearLines = 20;

    // The caret (the selection's start) moved to position. Gives the entry
    // the index box is to show now, or nullopt to leave it as it shows
    // `shown`.
    std::optional<QString> caretMoved(const TrackedText &document, std::size_t position, const QString &shown);

    // While a jump places the caret, moves are remembered, not tracked.
    void setJumping(bool jumping) { jumping_ = jumping; }
    bool jumping() const { return jumping_; }
    int previousLine() const { return lastline_; }  // 1-based, 0 before the first move
    std::size_t previousPosition() const { return lastpos_; }

private:
    std::optional<QString> programOf(const TrackedText &document, std::size_t position, int line,
                                     const QString &shown) const;

    bool jumping_ = false;
    int lastline_ = 0;
    std::size_t lastpos_ = 0;
};

}  // namespace marbolt
