#include "tools/osavedialog.h"

#include <QComboBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
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
    connect(DirectoryListBox1, &QTreeView::activated, this,
            [this](const QModelIndex &index) { openFolder(model_->filePath(index)); });
    // Highlighting a folder does not choose it; opening it (double-click or
    // Enter) does.

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
    layout->addLayout(buttons);
    resize(360, 420);
    openFolder(start);
}

void Tfrmosave::openFolder(const QString &path)
{
    folder_ = QDir::cleanPath(QDir(path).absolutePath());
    const QModelIndex index = model_->index(folder_);
    DirectoryListBox1->setCurrentIndex(index);
    DirectoryListBox1->expand(index);
    DirectoryListBox1->scrollTo(index);
    // The drive box shows the volume that holds the folder.
    const int drive = DriveComboBox1->findText(QStorageInfo(folder_).rootPath());
    if (drive >= 0)
        DriveComboBox1->setCurrentIndex(drive);
}

void Tfrmosave::DriveComboBox1Change(int index)
{
    openFolder(DriveComboBox1->itemText(index));
}

}  // namespace marbolt
