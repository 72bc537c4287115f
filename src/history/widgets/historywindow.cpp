#include "history/widgets/historywindow.h"

#include "document/sjistext.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>

namespace marbolt {

namespace {

enum Column { WhenColumn, MachineColumn, DirectionColumn, ProgramColumn, CommentColumn, OutcomeColumn, BytesColumn, WhoColumn, VersionColumn, kColumns };

QString allMachines()
{
    return QStringLiteral("(すべて)");
}

}  // namespace

QString versionTitle(const HistoryEntry &e)
{
    return QStringLiteral("%1 %2 %3 %4")
        .arg(programText(e.program), e.machine, recordDirectionText(e.direction),
             e.started.toString(QStringLiteral("yyyy-MM-dd HH:mm")));
}

HistoryWindow::HistoryWindow(const HistoryConnection &place, const QStringList &machines, QWidget *parent)
    : QDialog(parent), place_(place)
{
    setWindowTitle(QStringLiteral("送受信履歴"));
    setObjectName(QStringLiteral("HistoryWindow"));
    resize(960, 520);

    machine = new QComboBox(this);
    machine->setEditable(true);
    machine->addItem(allMachines());
    machine->addItems(machines);
    program = new QLineEdit(this);
    program->setPlaceholderText(QStringLiteral("O1234"));
    program->setMaxLength(10);
    fromOn = new QCheckBox(QStringLiteral("開始日(&F)"), this);
    from = new QDateEdit(QDate::currentDate().addDays(-30), this);
    toOn = new QCheckBox(QStringLiteral("終了日(&T)"), this);
    to = new QDateEdit(QDate::currentDate(), this);
    for (QDateEdit *day : {from, to}) {
        day->setCalendarPopup(true);
        day->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        day->setEnabled(false);
    }
    connect(fromOn, &QCheckBox::toggled, from, &QWidget::setEnabled);
    connect(toOn, &QCheckBox::toggled, to, &QWidget::setEnabled);
    searchButton = new QPushButton(QStringLiteral("検索(&S)"), this);
    searchButton->setDefault(true);

    auto *filters = new QGridLayout;
    auto *machineLabel = new QLabel(QStringLiteral("機械(&M)"), this);
    machineLabel->setBuddy(machine);
    auto *programLabel = new QLabel(QStringLiteral("プログラム(&P)"), this);
    programLabel->setBuddy(program);
    filters->addWidget(machineLabel, 0, 0);
    filters->addWidget(machine, 0, 1);
    filters->addWidget(programLabel, 0, 2);
    filters->addWidget(program, 0, 3);
    filters->addWidget(fromOn, 0, 4);
    filters->addWidget(from, 0, 5);
    filters->addWidget(toOn, 0, 6);
    filters->addWidget(to, 0, 7);
    filters->addWidget(searchButton, 0, 8);
    filters->setColumnStretch(1, 2);
    filters->setColumnStretch(3, 1);

    table = new QTableWidget(0, kColumns, this);
    table->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("機械"), QStringLiteral("方向"),
                                      QStringLiteral("プログラム"), QStringLiteral("コメント"), QStringLiteral("結果"),
                                      QStringLiteral("バイト"), QStringLiteral("記録者"), QStringLiteral("版")});
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    table->setAlternatingRowColors(true);

    openButton = new QPushButton(QStringLiteral("開く(&O)"), this);
    compareButton = new QPushButton(QStringLiteral("文書と照合(&C)"), this);
    auto *close = new QPushButton(QStringLiteral("閉じる"), this);
    status = new QLabel(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(status, 1);
    buttons->addWidget(openButton);
    buttons->addWidget(compareButton);
    buttons->addWidget(close);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addWidget(table, 1);
    layout->addLayout(buttons);

    connect(searchButton, &QPushButton::clicked, this, &HistoryWindow::search);
    connect(program, &QLineEdit::returnPressed, this, &HistoryWindow::search);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(table, &QTableWidget::itemSelectionChanged, this, &HistoryWindow::selectionChanged);
    auto open = [this] {
        if (auto v = selectedVersion())
            emit openRequested(v->title, v->text);
    };
    connect(openButton, &QPushButton::clicked, this, open);
    connect(table, &QTableWidget::cellDoubleClicked, this, open);
    connect(compareButton, &QPushButton::clicked, this, [this] {
        if (auto v = selectedVersion())
            emit compareRequested(v->title, v->text, v->program);
    });
    selectionChanged();
}

bool HistoryWindow::search()
{
    HistoryFilter filter;
    const QString name = machine->currentText().trimmed();
    if (name != allMachines())
        filter.machine = name;
    static const QRegularExpression number(QStringLiteral("^[Oo]?([0-9]{1,9})$"));
    const QString wanted = program->text().trimmed();
    if (!wanted.isEmpty()) {
        const QRegularExpressionMatch m = number.match(wanted);
        if (!m.hasMatch()) {
            status->setText(QStringLiteral("プログラムは番号で指定してください (例: O1234)"));
            return false;
        }
        filter.program = m.captured(1).toLong();
    }
    if (fromOn->isChecked())
        filter.from = from->date().startOfDay();
    if (toOn->isChecked())
        filter.until = to->date().addDays(1).startOfDay();
    if (!db_.isOpen() && !db_.open(place_)) {
        status->setText(db_.error());
        return false;
    }
    auto found = db_.find(filter);
    if (!found) {
        status->setText(db_.error());
        db_.close();  // opened afresh next time: the server may come back
        return false;
    }
    entries_ = std::move(*found);
    showEntries();
    status->setText(entries_.empty() ? QStringLiteral("該当する送受信はありません")
                    : entries_.size() >= static_cast<std::size_t>(filter.limit)
                        ? QStringLiteral("新しいものから %1 件を表示しています").arg(entries_.size())
                        : QStringLiteral("%1 件").arg(entries_.size()));
    return true;
}

void HistoryWindow::showEntries()
{
    table->clearContents();
    table->setRowCount(static_cast<int>(entries_.size()));
    for (int row = 0; row < static_cast<int>(entries_.size()); ++row) {
        const HistoryEntry &e = entries_[static_cast<std::size_t>(row)];
        const QString cells[kColumns] = {e.started.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), e.machine,
                                         recordDirectionText(e.direction), programText(e.program), e.comment, outcomeWithDetail(e),
                                         QString::number(e.size), recordedBy(e), e.content.left(kShortVersion)};
        for (int c = 0; c < kColumns; ++c) {
            auto *item = new QTableWidgetItem(cells[c]);
            if (c == BytesColumn)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            if (c == VersionColumn)
                item->setToolTip(e.content);
            if (c == OutcomeColumn && e.outcome != RecordOutcome::Completed)
                item->setForeground(QColor(0xb0, 0x20, 0x20));
            table->setItem(row, c, item);
        }
    }
    table->resizeColumnsToContents();
    // What is left of the width goes to the comments.
    table->horizontalHeader()->setSectionResizeMode(CommentColumn, QHeaderView::Stretch);
    if (!entries_.empty())
        table->selectRow(0);
    selectionChanged();
}

void HistoryWindow::selectionChanged()
{
    const bool chosen = table->currentRow() >= 0 && !table->selectedItems().isEmpty();
    openButton->setEnabled(chosen);
    compareButton->setEnabled(chosen);
}

std::optional<HistoryWindow::Version> HistoryWindow::selectedVersion()
{
    const int row = table->currentRow();
    if (row < 0 || row >= static_cast<int>(entries_.size()) || table->selectedItems().isEmpty())
        return std::nullopt;
    const HistoryEntry &e = entries_[static_cast<std::size_t>(row)];
    if (!db_.isOpen() && !db_.open(place_)) {
        status->setText(db_.error());
        return std::nullopt;
    }
    const std::optional<std::string> bytes = db_.content(e.content);
    if (!bytes) {
        status->setText(db_.error());
        return std::nullopt;
    }
    // As the editor opens a file: every byte kept, upper case as it reads.
    return Version{versionTitle(e), decodeSjisFile(*bytes), e.program};
}

}  // namespace marbolt
