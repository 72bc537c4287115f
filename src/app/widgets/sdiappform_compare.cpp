// The main window's compare (照合): the document, or the program the index
// box shows, against a file or against what the machine punches back.
#include "app/widgets/sdiappform.h"

#include "document/ncfile.h"
#include "document/programindex.h"
#include "document/sjistext.h"
#include "document/widgets/indexbox.h"
#include "document/widgets/nceditor.h"
#include "tools/widgets/comparewindow.h"
#include "transfer/transfercontroller.h"

#include <QPointer>

#include <optional>

namespace marbolt {

void TSDIAppForm::FileCompare1Execute()
{
    const std::string_view text = RichEdit1->textView();
    const QString entry = ComboBox2->boxText();
    const QByteArray key = entry.toUtf8();
    std::string_view left = text;
    std::size_t firstLine = 0;
    QString what = QStringLiteral("ドキュメント全体を照合します");
    if (!entry.isEmpty() && occursIn(text, viewOf(key))) {
        const ProgramExtent e = programExtent(text, viewOf(key));
        left = text.substr(e.start, e.end - e.start);
        firstLine = RichEdit1->lineAt(e.start);
        what = QStringLiteral("プログラム %1 を照合します").arg(entry);
    }
    CompareWindow window(what, std::string(left), firstLine, *dialogs_, this);
    // F8 cancels a reception for compare as it cancels any reception.
    window.addAction(ActionList1.stop1);

    connect(&window, &CompareWindow::fileRequested, &window, [&] {
        FileRequest request;
        request.folder = files_->openDialog().folder;
        request.filters = DocumentFiles::saveFilters();
        request.filterIndex = files_->openDialog().filterIndex;
        const auto choice = dialogs_->openFile(request);
        if (!choice)
            return;
        std::optional<std::string> other = readNcText(choice->path, NcEditor::kMaxCharacters);
        if (!other) {
            dialogs_->message(choice->path + QStringLiteral("を開けませんでした。"));
            return;
        }
        window.setRightText(choice->path, std::move(*other));
    });
    connect(&window, &CompareWindow::receptionRequested, &window, [&] {
        window.setSourcesEnabled(false);
        QPointer<CompareWindow> shown(&window);
        transfers_->receiveForCompare([shown](std::optional<std::string> received) {
            if (!shown)
                return;
            shown->setSourcesEnabled(true);
            if (received)
                shown->setRightText(QStringLiteral("受信したプログラム"), std::move(*received));
        });
    });
    std::optional<std::size_t> goTo;
    connect(&window, &CompareWindow::goToLine, &window, [&](std::size_t line) { goTo = line; });
    window.exec();
    if (goTo) {
        RichEdit1->setFocus();
        RichEdit1->setCaretPos(RichEdit1->lineStart(*goTo));
        RichEdit1->ensureLineVisible(static_cast<int>(*goTo));
    }
}

}  // namespace marbolt
