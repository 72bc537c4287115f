#include "station/dncanswer.h"

#include "nc/restart.h"
#include "station/receivefolder.h"
#include "transfer/checkreport.h"
#include "transfer/sendcheck.h"

#include <QFile>
#include <QFileInfo>

#include <optional>

namespace marbolt {

namespace {

// A control in read mode ends its input at "%": an answer without one
// of its own gets it, or the control would wait on after the last block.
void endWithPercent(std::string &text)
{
    std::size_t end = text.find_last_not_of(" \t\r\n");
    if (end != std::string::npos && text[end] == '%') {
        const std::size_t start = text.find_last_of('\n', end);
        if (text.find_first_not_of(" \t", start == std::string::npos ? 0 : start + 1) == end)
            return;
    }
    if (!text.empty() && text.back() != '\n')
        text += "\r\n";
    text += "%\r\n";
}

DncAnswer refusal(const DncRequest &request, std::string_view reason, const QString &detail,
                  const TransferValues &values)
{
    DncAnswer answer;
    answer.sjis = refusalAnswer(request, reason);
    endWithPercent(answer.sjis);
    answer.prepared = prepareSendText(answer.sjis, sendOptions(values));
    answer.program = programLabel(request.requestNumber);
    answer.outcome = DncOutcome::Refused;
    answer.detail = detail;
    return answer;
}

// The requested program of a file: the one whose O-line has the number,
// or the whole file when none has (it is named for the program by rule).
std::string_view requestedProgram(std::string_view file, long number)
{
    for (const ReceivedProgram &p : splitPrograms(file))
        if (p.number == number)
            return p.bytes;
    return file;
}

}  // namespace

DncAnswer answerRequest(const DncRequest &request, const DncMachine &dnc, const NcMachine &nc,
                        const TransferValues &values)
{
    const QString wanted = programLabel(request.program);
    const std::optional<QString> path = findProgramFile(dnc, request.program);
    if (!path)
        return refusal(request, "NOT FOUND",
                       QStringLiteral("%1 は送信フォルダ (%2) にありません")
                           .arg(wanted, dnc.sendFolders.isEmpty() ? QStringLiteral("未設定")
                                                                  : dnc.sendFolders.join(QStringLiteral(", "))),
                       values);
    QFile file(*path);
    if (!file.open(QIODevice::ReadOnly))
        return refusal(request, "READ ERROR", QStringLiteral("%1 を読めません: %2").arg(*path, file.errorString()),
                       values);
    const QByteArray bytes = file.readAll();
    std::string sjis(requestedProgram(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                      request.program));
    QString detail = QFileInfo(*path).fileName();

    if (request.sequence) {
        // The restart reads the file's bytes as they are: its words are
        // ASCII, and what it copies (the O-line, the blocks from N on)
        // keeps the comments' Shift-JIS untouched.
        const std::optional<std::size_t> at = nc::findSequence(sjis, 0, *request.sequence);
        std::optional<nc::RestartPlan> plan;
        if (at)
            plan = nc::planRestart(sjis, 0, *at, nc::RestartOptions{readOptionsFor(nc).motion, nc.safeZ});
        if (!plan)
            return refusal(request, "NOT FOUND",
                           QStringLiteral("%1 に N%2 のブロックがありません").arg(wanted).arg(*request.sequence),
                           values);
        sjis = plan->text();
        detail += QStringLiteral(" N%1 から再開").arg(*request.sequence);
        for (const std::string &note : plan->notes)
            detail += QStringLiteral(" / 注意: ") + QString::fromStdString(note);
    }

    endWithPercent(sjis);
    const SendOptions options = sendOptions(values);
    PreparedText prepared = prepareSendText(sjis, options);
    const std::vector<CheckFinding> findings = checkSendText(prepared.text, values.code);
    if (!findings.empty()) {
        if (!allInComments(findings)) {
            const CheckFinding &first = findings.front();
            const std::size_t source = prepared.sourceOffset(first.offset);
            const TextPlace place = placeIn(sjis, source == std::string::npos ? 0 : source);
            return refusal(request, "CHECK ERROR",
                           QStringLiteral("%1 の %2 行: %3 (送信前チェックで %4 件)")
                               .arg(wanted)
                               .arg(place.line + 1)
                               .arg(checkKindText(first.kind))
                               .arg(findings.size()),
                           values);
        }
        applyCheckChoice(SendCheckChoice::SendWithoutComments, findings, options, sjis, prepared);
        detail += QStringLiteral(" (送れない文字 %1 個を含むコメントを除いて送信)").arg(findings.size());
    }
    DncAnswer answer;
    answer.sjis = std::move(sjis);
    answer.prepared = std::move(prepared);
    answer.program = request.sequence ? QStringLiteral("%1 N%2").arg(wanted).arg(*request.sequence) : wanted;
    answer.detail = detail;
    return answer;
}

}  // namespace marbolt
