#pragma once
// What the check before a send shows and what its answer means, for any
// text a send takes: the window's document or selection, or a document
// sent to another machine of the station. The findings become rows of
// the document (line, column, kind, the line's text) with the editor
// position of each; the answer leaves the send as it is, stops it, or
// leaves the comments that hold findings out of what goes on the line.
#include "common/dialogs.h"
#include "transfer/sendcheck.h"
#include "transfer/senddata.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct CheckedText {
    std::string_view document;  // the whole text, UTF-8, as the editor holds it
    // What the check looked at: the Shift-JIS text, a selection's led by
    // an LF, and its prepared form.
    std::string_view source;
    const PreparedText &prepared;
    std::optional<std::size_t> selectionStart;  // in document, for a selection
};

// The report of the first findings; rowPositions receives the editor
// position of each row.
SendCheckReport checkReport(const CheckedText &text, const std::vector<CheckFinding> &findings,
                            std::vector<std::size_t> &rowPositions);

// All findings lie inside comments, which a send may leave out.
bool allInComments(const std::vector<CheckFinding> &findings);

// Carries out the answer: false when the send stops. For
// SendWithoutComments (taken only when every finding is in a comment),
// source and prepared lose those comments.
bool applyCheckChoice(SendCheckChoice choice, const std::vector<CheckFinding> &findings, const SendOptions &options,
                      std::string &source, PreparedText &prepared);

}  // namespace marbolt
