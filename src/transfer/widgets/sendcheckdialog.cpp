#include "transfer/widgets/sendcheckdialog.h"

#include "common/widgets/fontfallback.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace marbolt {

SendCheckDialog::SendCheckDialog(const SendCheckReport &report, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SendCheckDialog"));
    setWindowTitle(QStringLiteral("送信前チェック"));
    setFont(dialogFont(12));
    resize(620, 340);

    auto *column = new QVBoxLayout(this);
    QString text = QStringLiteral("NC機が受け付けない、または読み違える文字が %1 箇所あります。").arg(report.total);
    if (report.total > report.rows.size())
        text += QStringLiteral("(最初の %1 箇所を表示)").arg(report.rows.size());
    summary = new QLabel(text, this);
    summary->setTextFormat(Qt::PlainText);
    column->addWidget(summary);

    list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("findings"));
    list->setRootIsDecorated(false);
    list->setUniformRowHeights(true);
    list->setHeaderLabels({QStringLiteral("行"), QStringLiteral("桁"), QStringLiteral("内容"), QStringLiteral("テキスト")});
    QFont fixed(installedFixedFace(QStringLiteral("ＭＳ ゴシック")));
    fixed.setPixelSize(12);
    for (const SendCheckRow &row : report.rows) {
        auto *item = new QTreeWidgetItem(list, {QString::number(row.line), QString::number(row.column), row.kind, row.text});
        item->setFont(3, fixed);
        item->setTextAlignment(0, Qt::AlignRight);
        item->setTextAlignment(1, Qt::AlignRight);
    }
    list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list->header()->setStretchLastSection(true);
    if (list->topLevelItemCount() > 0)
        list->setCurrentItem(list->topLevelItem(0));
    connect(list, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem *item, int) { goTo(item); });
    column->addWidget(list, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    if (report.sending) {
        if (report.canLeaveOutComments) {
            leaveOutComments = new QPushButton(QStringLiteral("コメントを除いて送信"), this);
            connect(leaveOutComments, &QPushButton::clicked, this,
                    [this] { finish(SendCheckChoice::SendWithoutComments); });
            buttons->addWidget(leaveOutComments);
        }
        sendAsIs = new QPushButton(QStringLiteral("そのまま送信"), this);
        connect(sendAsIs, &QPushButton::clicked, this, [this] { finish(SendCheckChoice::SendAsIs); });
        buttons->addWidget(sendAsIs);
    }
    stop = new QPushButton(report.sending ? QStringLiteral("中止") : QStringLiteral("閉じる"), this);
    connect(stop, &QPushButton::clicked, this, [this] { finish(SendCheckChoice::Cancel); });
    buttons->addWidget(stop);
    for (QPushButton *b : findChildren<QPushButton *>())
        b->setAutoDefault(false);
    // Enter and Escape both stop: nothing goes out unless a button says so.
    stop->setDefault(true);
    column->addLayout(buttons);
    stop->setFocus();
}

void SendCheckDialog::finish(SendCheckChoice choice)
{
    answer_.choice = choice;
    accept();
}

void SendCheckDialog::goTo(QTreeWidgetItem *item)
{
    answer_.choice = SendCheckChoice::Cancel;
    answer_.goTo = list->indexOfTopLevelItem(item);
    accept();
}

}  // namespace marbolt
