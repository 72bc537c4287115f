#include "tools/ncfunctions.h"

namespace marbolt {

namespace {

// Runs of changed lines closer than this are replaced as one: fewer
// changes for the editor to make, at the cost of a few unchanged bytes in
// the undo.
constexpr std::size_t kJoinGap = 4096;

QString problemText(const nc::RenumberProblem &p)
{
    switch (p.kind) {
    case nc::RenumberProblemKind::MissingTarget:
        return QStringLiteral("飛び先 N%1 のブロックがありません (そのまま)").arg(p.number);
    case nc::RenumberProblemKind::VariableTarget:
        return QStringLiteral("飛び先が変数のため書き換えられません");
    case nc::RenumberProblemKind::DuplicateNumber:
        return QStringLiteral("N%1 が重複しています (この番号への参照はそのまま)").arg(p.number);
    case nc::RenumberProblemKind::NumberTooLarge:
        return QStringLiteral("N%1 は 99999 を超えます").arg(p.number);
    case nc::RenumberProblemKind::ClashOutside:
        return QStringLiteral("新しい N%1 は範囲外のブロックの番号と重複します").arg(p.number);
    }
    return {};
}

QString refusalText(nc::TransformRefusal r)
{
    switch (r) {
    case nc::TransformRefusal::MacroValue:
        return QStringLiteral("変数・式の値は変換できません (そのまま)");
    case nc::TransformRefusal::UnknownPosition:
        return QStringLiteral("回転に要るもう一方の軸の位置が分かりません (そのまま)");
    case nc::TransformRefusal::IncrementalCycle:
        return QStringLiteral("G91 の固定サイクルは回転できません (そのまま)");
    case nc::TransformRefusal::ArcOutsideXY:
        return QStringLiteral("G18/G19 平面の円弧は Z 軸まわりに回転できません (そのまま)");
    case nc::TransformRefusal::CycleShift:
        return QStringLiteral("G76/G87 のシフト量は回転・反転できません (そのまま)");
    case nc::TransformRefusal::CoordinateSetting:
        return QStringLiteral("座標系の設定 (G92/G52/G10/G50) は変換できません (そのまま)");
    case nc::TransformRefusal::MacroCall:
        return QStringLiteral("マクロ呼び出し (G65/G66) の引数は変換できません (そのまま)");
    case nc::TransformRefusal::LatheTurn:
        return QStringLiteral("旋盤のプログラムは回転・反転できません");
    }
    return {};
}

}  // namespace

QString lineLabel(const NcStretch &s, std::uint32_t line)
{
    return QStringLiteral("%1行: ").arg(s.firstLine + line + 1);
}

NcStretch NcFunctions::stretch(NcScope scope) const
{
    return stretchFor(target_.text(), scope, target_.selectionStart(), target_.selectionEnd());
}

bool NcFunctions::apply(const NcStretch &s, NcScope scope, const std::string &after)
{
    const std::string_view before = target_.text().substr(s.start, s.end - s.start);
    const std::vector<TextChange> changes =
        changesBetween(before, after, s.start, target_.mayReplaceUnchangedLines() ? kJoinGap : 0);
    if (changes.empty())
        return false;
    // Where the lines end up: the functions keep the line count, so the
    // same lines of the new text.
    auto lineStartIn = [&after](std::uint32_t line) {
        std::size_t at = 0;
        for (; line > 0 && at < after.size(); --line) {
            const std::size_t lf = after.find('\n', at);
            at = lf == std::string::npos ? after.size() : lf + 1;
        }
        return at;
    };
    const std::size_t linesStart = s.start + lineStartIn(s.lines.first);
    const std::size_t linesEnd = s.start + lineStartIn(s.lines.end);
    target_.change(changes);
    if (scope == NcScope::Selection)
        target_.select(linesStart, linesEnd);
    return true;
}

NcReport NcFunctions::renumber(NcScope scope, const nc::RenumberOptions &options)
{
    const NcStretch s = stretch(scope);
    nc::RenumberOptions o = options;
    o.lines = s.lines;
    const nc::RenumberResult r = nc::renumber(target_.text().substr(s.start, s.end - s.start), o);
    NcReport report;
    report.changed = apply(s, scope, r.text);
    report.summary = QStringLiteral("N番号を振り直しました: %1 ブロック、参照 %2 個").arg(r.blocks).arg(r.references);
    if (r.referencesOutside)
        report.summary += QStringLiteral(" (うち範囲外 %1 個)").arg(r.referencesOutside);
    for (const nc::RenumberProblem &p : r.problems)
        report.notes << lineLabel(s, p.line) + problemText(p);
    return report;
}

NcReport NcFunctions::removeNumbers(NcScope scope, bool lathe)
{
    const NcStretch s = stretch(scope);
    const nc::NumberRemoval r = nc::removeNumbers(target_.text().substr(s.start, s.end - s.start), lathe, s.lines);
    NcReport report;
    report.changed = apply(s, scope, r.text);
    report.summary = QStringLiteral("N番号を削除しました: %1 ブロック").arg(r.removed);
    if (!r.kept.empty())
        report.summary += QStringLiteral("、参照されている %1 ブロックは残しました").arg(r.kept.size());
    for (const nc::NumberRemoval::Kept &k : r.kept)
        report.notes << lineLabel(s, k.line) + QStringLiteral("N%1 は参照されているため残しました").arg(k.number);
    return report;
}

NcReport NcFunctions::wordBlanks(NcScope scope, bool spaced)
{
    const NcStretch s = stretch(scope);
    NcReport report;
    report.changed = apply(s, scope, withLinesRewritten(s, [spaced](std::string_view lines) {
        return nc::withWordBlanks(lines, spaced);
    }));
    report.summary = spaced ? QStringLiteral("語の間にスペースを入れました") : QStringLiteral("語の間のスペースを削除しました");
    return report;
}

NcReport NcFunctions::blockSkip(NcScope scope, nc::BlockSkipChange change)
{
    const NcStretch s = stretch(scope);
    NcReport report;
    report.changed = apply(s, scope, withLinesRewritten(s, [change](std::string_view lines) {
        return nc::withBlockSkip(lines, change);
    }));
    report.summary = change == nc::BlockSkipChange::Add      ? QStringLiteral("ブロックスキップ \"/\" を付けました")
                   : change == nc::BlockSkipChange::Remove ? QStringLiteral("ブロックスキップ \"/\" を外しました")
                                                           : QStringLiteral("ブロックスキップ \"/\" を反転しました");
    return report;
}

NcReport NcFunctions::transform(NcScope scope, const nc::TransformOptions &options)
{
    const NcStretch s = stretch(scope);
    nc::TransformOptions o = options;
    o.lines = s.lines;
    const nc::TransformResult r = nc::transformProgram(target_.text().substr(s.start, s.end - s.start), o);
    NcReport report;
    report.changed = apply(s, scope, r.text);
    report.summary = QStringLiteral("座標を変換しました: %1 ブロック").arg(r.blocks);
    if (!r.refused.empty())
        report.summary += QStringLiteral("、変換できないブロック %1 個").arg(r.refused.size());
    for (const nc::TransformProblem &p : r.refused)
        report.notes << lineLabel(s, p.line) + refusalText(p.reason);
    return report;
}

NcReport NcFunctions::scaleRates(NcScope scope, const nc::RateScale &options)
{
    const NcStretch s = stretch(scope);
    nc::RateScale o = options;
    o.lines = s.lines;
    const nc::RateResult r = nc::scaleRates(target_.text().substr(s.start, s.end - s.start), o);
    NcReport report;
    report.changed = apply(s, scope, r.text);
    report.summary = QStringLiteral("送り・回転数を変えました: %1 語").arg(r.words);
    for (const nc::TransformProblem &p : r.refused)
        report.notes << lineLabel(s, p.line) + refusalText(p.reason);
    return report;
}

}  // namespace marbolt
