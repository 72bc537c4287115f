// The main window's transfer history: the history window, a recorded
// version shown read-only, and compared with the document.
#include "app/widgets/sdiappform.h"

#include "document/programsplit.h"
#include "document/widgets/nceditor.h"
#include "history/widgets/historywindow.h"
#include "station/station.h"
#include "tools/widgets/comparewindow.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace marbolt {

void TSDIAppForm::FileHistory1Execute()
{
    HistoryRecorder *history = station_->history();
    if (!history) {
        dialogs_->message(QStringLiteral("送受信履歴を開けません\r%1").arg(station_->historyProblem()));
        return;
    }
    if (!historyWindow_) {
        QStringList names;
        for (const MachineProfile &m : station_->machines().all())
            names << m.name;
        historyWindow_ = new HistoryWindow(history->connection(), names, this);
        connect(historyWindow_, &HistoryWindow::openRequested, this, &TSDIAppForm::showVersion);
        connect(historyWindow_, &HistoryWindow::compareRequested, this, &TSDIAppForm::compareWithVersion);
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
    historyWindow_->search();
    historyWindow_->program->setFocus();
}

void TSDIAppForm::historyFailed(const QString &why)
{
    showActivity(QStringLiteral("送受信履歴に書けません。記録は書けるまで待たせます (%1)").arg(why));
}

void TSDIAppForm::historyRecovered()
{
    showActivity(QStringLiteral("送受信履歴にまた書けるようになりました"));
}

void TSDIAppForm::showVersion(const QString &title, const std::string &text)
{
    auto *window = new QDialog(this);
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->setObjectName(QStringLiteral("VersionWindow"));
    window->setWindowTitle(QStringLiteral("%1 (読み取り専用) - 送受信履歴").arg(title));
    auto *editor = new NcEditor(window);
    editor->setObjectName(QStringLiteral("VersionEditor"));
    editor->setFont(RichEdit1->font());
    editor->setColouring(RichEdit1->colouring());
    auto load = editor->beginLoad(text.size());
    load->add(text);
    load->commit();
    editor->setReadOnly(true);
    auto *layout = new QVBoxLayout(window);
    layout->addWidget(new QLabel(QStringLiteral("送受信履歴に記録された版です。編集はできません。"), window));
    layout->addWidget(editor, 1);
    window->resize(720, 560);
    window->show();
    editor->setFocus();
}

void TSDIAppForm::compareWithVersion(const QString &title, const std::string &text, std::optional<long> program)
{
    const std::string_view document = RichEdit1->textView();
    std::string_view left = document;
    std::size_t firstLine = 0;
    QString what = QStringLiteral("ドキュメント全体を照合します");
    if (program) {
        for (const ReceivedProgram &p : splitPrograms(document)) {
            if (p.number == program) {
                left = p.bytes;
                firstLine = RichEdit1->lineAt(static_cast<std::size_t>(p.bytes.data() - document.data()));
                what = QStringLiteral("プログラム O%1 を照合します").arg(*program, 4, 10, QLatin1Char('0'));
                break;
            }
        }
    }
    CompareWindow window(what, std::string(left), firstLine, *dialogs_, historyWindow_ ? static_cast<QWidget *>(historyWindow_) : this);
    window.setRightText(QStringLiteral("送受信履歴: %1").arg(title), text);
    std::optional<std::size_t> goTo;
    connect(&window, &CompareWindow::goToLine, &window, [&](std::size_t line) { goTo = line; });
    window.exec();
    if (goTo) {
        activateWindow();
        RichEdit1->setFocus();
        RichEdit1->setCaretPos(RichEdit1->lineStart(*goTo));
        RichEdit1->ensureLineVisible(static_cast<int>(*goTo));
    }
}

}  // namespace marbolt
