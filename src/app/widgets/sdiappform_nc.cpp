// The main window's NC menu: the questions asked before a function runs,
// the function on the editor, and its report.
#include "app/widgets/sdiappform.h"

#include "app/widgets/editornctarget.h"
#include "common/widgets/waitcursor.h"
#include "document/widgets/nceditor.h"
#include "nc/pathreading.h"
#include "nc/restart.h"
#include "transfer/transfercontroller.h"
#include "station/ncmachine.h"
#include "tools/statisticsreport.h"
#include "tools/widgets/ncdialogs.h"

namespace marbolt {

namespace {

// Lines listed in the box after a function; the rest are counted.
constexpr int kListedNotes = 40;

RenumberQuestion storedRenumbering(const SettingsStore &settings)
{
    RenumberQuestion q;
    const QStringList values = settings.get(setting::RENUMBER).split(u',');
    auto value = [&values](int i, long fallback) {
        bool ok = false;
        const long v = i < values.size() ? values[i].trimmed().toLong(&ok) : 0;
        return ok ? v : fallback;
    };
    q.options.start = value(0, 10);
    q.options.step = value(1, 10);
    q.options.digits = static_cast<int>(value(2, 0));
    q.options.onlyNumbered = value(3, 0) != 0;
    return q;
}

}  // namespace

void TSDIAppForm::createNcFunctions(const AppEnvironment &environment)
{
    if (environment.ncQuestions) {
        ncQuestions_ = environment.ncQuestions;
    } else {
        ownNcQuestions_ = std::make_unique<NcDialogs>(this);
        ncQuestions_ = ownNcQuestions_.get();
    }
    ncTarget_ = std::make_unique<EditorNcTarget>(*RichEdit1);
    nc_ = std::make_unique<NcFunctions>(*ncTarget_);
}

void TSDIAppForm::showNcReport(const NcReport &report)
{
    showActivity(report.changed ? report.summary : QStringLiteral("変更はありません"));
    if (report.notes.isEmpty())
        return;
    QStringList lines = report.notes.mid(0, kListedNotes);
    if (report.notes.size() > kListedNotes)
        lines << QStringLiteral("ほか %1 件").arg(report.notes.size() - kListedNotes);
    dialogs_->message(report.summary + QStringLiteral("\n\nそのままにした箇所:\n") + lines.join(u'\n'));
}

void TSDIAppForm::NcRenumberExecute()
{
    RenumberQuestion initial = storedRenumbering(settings_);
    initial.hasSelection = RichEdit1->selectionEndPos() > RichEdit1->selectionStartPos();
    initial.scope = defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos());
    initial.options.lathe = activeNcMachine(settings_).lathe;
    const std::optional<RenumberQuestion> asked = ncQuestions_->renumber(initial);
    if (!asked)
        return;
    const nc::RenumberOptions &o = asked->options;
    settings_.set(setting::RENUMBER,
                  QStringLiteral("%1,%2,%3,%4").arg(o.start).arg(o.step).arg(o.digits).arg(o.onlyNumbered ? 1 : 0));
    WaitCursor wait;
    showNcReport(nc_->renumber(asked->scope, o));
}

void TSDIAppForm::NcRemoveNumbersExecute()
{
    WaitCursor wait;
    showNcReport(nc_->removeNumbers(defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos()),
                                    activeNcMachine(settings_).lathe));
}

void TSDIAppForm::NcSpacesExecute()
{
    WaitCursor wait;
    showNcReport(nc_->wordBlanks(defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos()), true));
}

void TSDIAppForm::NcNoSpacesExecute()
{
    WaitCursor wait;
    showNcReport(nc_->wordBlanks(defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos()), false));
}

// The block skip goes on the selection's lines, or the caret's line.
void TSDIAppForm::NcSkipToggleExecute()
{
    showNcReport(nc_->blockSkip(NcScope::Selection, nc::BlockSkipChange::Toggle));
}

void TSDIAppForm::NcSkipAddExecute()
{
    showNcReport(nc_->blockSkip(NcScope::Selection, nc::BlockSkipChange::Add));
}

void TSDIAppForm::NcSkipRemoveExecute()
{
    showNcReport(nc_->blockSkip(NcScope::Selection, nc::BlockSkipChange::Remove));
}

void TSDIAppForm::NcTransformExecute()
{
    TransformQuestion initial;
    initial.hasSelection = RichEdit1->selectionEndPos() > RichEdit1->selectionStartPos();
    initial.scope = defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos());
    initial.lathe = activeNcMachine(settings_).lathe;
    const std::optional<TransformQuestion> asked = ncQuestions_->transform(initial);
    if (!asked)
        return;
    WaitCursor wait;
    showNcReport(nc_->transform(asked->scope, nc::TransformOptions{asked->transform(), initial.lathe, {}}));
}

void TSDIAppForm::NcRatesExecute()
{
    RateQuestion initial;
    initial.hasSelection = RichEdit1->selectionEndPos() > RichEdit1->selectionStartPos();
    initial.scope = defaultScope(RichEdit1->selectionStartPos(), RichEdit1->selectionEndPos());
    const std::optional<RateQuestion> asked = ncQuestions_->rates(initial);
    if (!asked)
        return;
    WaitCursor wait;
    showNcReport(nc_->scaleRates(asked->scope, nc::RateScale{asked->feedPercent / 100, asked->spindlePercent / 100,
                                                            activeNcMachine(settings_).lathe, {}}));
}

void TSDIAppForm::NcStatisticsExecute()
{
    const std::string_view text = RichEdit1->textView();
    const nc::ProgramSpan span = nc::programSpanAt(text, RichEdit1->caretPos());
    std::optional<std::size_t> start;
    QString title = filename().isEmpty() ? QStringLiteral("無題") : filename();
    if (span.start < text.size() && (text[span.start] == 'O' || text[span.start] == 'o')) {
        start = span.start;
        title = RichEdit1->lineText(RichEdit1->lineAt(span.start)).trimmed();
    }
    QString report;
    {
        WaitCursor wait;
        report = statisticsReport(nc::statisticsOf(text, start, readOptionsFor(activeNcMachine(settings_))), title);
    }
    ncQuestions_->statistics(report);
}

void TSDIAppForm::NcRestartExecute()
{
    const std::string_view text = RichEdit1->textView();
    const std::size_t caret = RichEdit1->caretPos();
    const nc::ProgramSpan span = nc::programSpanAt(text, caret);
    const NcMachine machine = activeNcMachine(settings_);
    const std::optional<nc::RestartPlan> plan = nc::planRestart(
        text, span.start, RichEdit1->lineStart(RichEdit1->lineAt(caret)),
        nc::RestartOptions{readOptionsFor(machine).motion, machine.safeZ});
    if (!plan) {
        dialogs_->message(QStringLiteral("カーソルの位置から後に再開するブロックがありません"));
        return;
    }
    RestartQuestion q;
    const QString program = QString::fromUtf8(plan->programLine.data(), static_cast<qsizetype>(plan->programLine.size())).trimmed();
    q.where = QStringLiteral("%1%2行目").arg(program.isEmpty() ? QString() : program + QStringLiteral(" の "))
                  .arg(plan->line + 1);
    q.header = QString::fromUtf8(plan->header.data(), static_cast<qsizetype>(plan->header.size()))
                   .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (const std::string &note : plan->notes)
        q.notes << QString::fromStdString(note);
    q.blocksAfter = static_cast<int>(std::count(plan->rest.begin(), plan->rest.end(), '\n'));
    const std::optional<QString> header = ncQuestions_->confirmRestart(q);
    if (!header)
        return;
    // The header as edited, its lines ended as the document's are.
    QStringList lines = header->split(u'\n');
    while (!lines.isEmpty() && lines.back().trimmed().isEmpty())
        lines.removeLast();
    const QString edited = lines.isEmpty() ? QString() : lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
    transfers_->sendText(plan->programLine + edited.toStdString() + plan->rest);
}

}  // namespace marbolt
