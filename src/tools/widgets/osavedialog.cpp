#include "tools/widgets/osavedialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStorageInfo>
#include <QTreeView>
#include <QVBoxLayout>

namespace marbolt {

Tfrmosave::Tfrmosave(const QString &start, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmosave"));
    setWindowTitle(QStringLiteral("保存先フォルダの選択"));

    DriveComboBox1 = new QComboBox(this);
    DriveComboBox1->setObjectName(QStringLiteral("DriveComboBox1"));
    // The "drives" of this system: the mounted volumes' roots.
    QStringList roots;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes())
        if (volume.isValid() && volume.isReady())
            roots.append(volume.rootPath());
    roots.removeDuplicates();
    roots.sort();
    DriveComboBox1->addItems(roots);

    model_ = new QFileSystemModel(this);
    model_->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot);
    model_->setRootPath(QStringLiteral("/"));
    DirectoryListBox1 = new QTreeView(this);
    DirectoryListBox1->setObjectName(QStringLiteral("DirectoryListBox1"));
    DirectoryListBox1->setModel(model_);
    for (int column = 1; column < model_->columnCount(); ++column)
        DirectoryListBox1->hideColumn(column);
    DirectoryListBox1->header()->hide();
    // The folder selected, by the mouse or the keys, is the destination.
    connect(DirectoryListBox1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex &index) { choose(model_->filePath(index)); });
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString &loaded) {
        if (folder_ == loaded || folder_.startsWith(loaded == u"/" ? loaded : loaded + u'/'))
            reveal();
    });
    Destination = new QLabel(this);
    Destination->setObjectName(QStringLiteral("Destination"));
    Destination->setTextFormat(Qt::PlainText);
    Destination->setWordWrap(true);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button1, &QPushButton::clicked, this, &Tfrmosave::Button1Click);
    connect(Button2, &QPushButton::clicked, this, &Tfrmosave::Button2Click);
    connect(DriveComboBox1, &QComboBox::activated, this, &Tfrmosave::DriveComboBox1Change);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(DriveComboBox1);
    layout->addWidget(DirectoryListBox1, 1);
    layout->addWidget(Destination);
    layout->addLayout(buttons);
    resize(360, 420);
    openFolder(start);
}

void Tfrmosave::openFolder(const QString &path)
{
    choose(QDir::cleanPath(QDir(path).absolutePath()));
    DirectoryListBox1->setCurrentIndex(model_->index(folder_));
    reveal();
}

void Tfrmosave::choose(const QString &path)
{
    if (path.isEmpty())
        return;
    folder_ = path;
    Destination->setText(QStringLiteral("保存先: %1").arg(folder_));
    // The drive box shows the volume that holds the folder.
    const int drive = DriveComboBox1->findText(QStorageInfo(folder_).rootPath());
    if (drive >= 0)
        DriveComboBox1->setCurrentIndex(drive);
}

void Tfrmosave::reveal()
{
    const QModelIndex index = model_->index(folder_);
    if (!index.isValid())
        return;
    for (QModelIndex up = index; up.isValid(); up = up.parent())
        DirectoryListBox1->expand(up);
    if (DirectoryListBox1->currentIndex() != index)
        DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void Tfrmosave::DriveComboBox1Change(int index)
{
    openFolder(DriveComboBox1->itemText(index));
}

}  // namespace marbolt
