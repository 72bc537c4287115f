#include "document/widgets/documentfiles.h"

#include "document/widgets/indexbox.h"
#include "document/ncfile.h"
#include "document/programindex.h"
#include "document/widgets/nceditor.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>

namespace marbolt {

namespace {

const QString kSaveQuestion = QStringLiteral("ＮＣデータが変更されています。\r変更を保存しますか？");

class BusyPointer {
public:
    explicit BusyPointer(QWidget *over) : over_(over) { over_->setCursor(Qt::WaitCursor); }
    ~BusyPointer() { over_->unsetCursor(); }

private:
    QWidget *over_;
};

}  // namespace

DocumentFiles::DocumentFiles(NcEditor &editor, IndexBox &index, Dialogs &dialogs,
                             SettingsStore &settings, DocumentHost &host)
    : editor_(editor), index_(index), dialogs_(dialogs), settings_(settings), host_(host)
{
}

QStringList DocumentFiles::saveFilters()
{
    return {QStringLiteral("All Files (*.*)"), QStringLiteral("NC Files (*.nc;*.ncd)")};
}

QString DocumentFiles::folderOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    if (slash < 0)
        return QString();
    if (slash == 0)
        return QStringLiteral("/");
    return path.left(slash);
}

void DocumentFiles::setDialogFolder(const QString &folder)
{
    settings_.set(setting::DIR, folder);
    open_.folder = folder;
    save_.folder = folder;
}

bool DocumentFiles::askToSave()
{
    if (!editor_.modifiedFlag() || editor_.textLength() == 0)
        return true;
    switch (dialogs_.information(kSaveQuestion, Buttons::YesNoCancel)) {
    case Answer::Yes:
        save();
        return !editor_.modifiedFlag();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

void DocumentFiles::newDocument()
{
    if (!askToSave())
        return;
    filename_.clear();
    host_.setCaptionFor(QString());
    editor_.clearDocument();
    stamp_ = FileStamp();
    host_.editorReset();
    editor_.setEnabled(true);
    index_.clearAll();
    editor_.setFocus();
    host_.documentSettled();
}

void DocumentFiles::open()
{
    if (!askToSave())
        return;
    FileRequest request;
    request.folder = open_.folder;
    request.prefill = open_.fileName;
    request.filters = saveFilters();
    request.filterIndex = open_.filterIndex;
    const auto choice = dialogs_.openFile(request);
    if (!choice)
        return;
    open_.filterIndex = choice->filterIndex;
    settings_.set(setting::OPENINDEX, QString::number(choice->filterIndex));
    fopen(choice->path);
}

bool DocumentFiles::load(const QString &path, bool editorText)
{
    const auto points = settings_.number(setting::FONT);
    if (points && *points > 0) {
        QFont f = editor_.font();
        f.setPointSize(*points);
        editor_.setFont(f);
    }

    editor_.setUpdatesEnabled(false);
    const QFileInfo info(path);
    // The editor's buffer is set up when the first piece is decoded: its
    // setting up then overlaps the decoding of the next.
    std::unique_ptr<NcEditor::Loader> loader;
    const std::size_t hint = textSizeHint(static_cast<std::uint64_t>(std::max<qint64>(0, info.size())));
    // The program index is gathered on the decoding thread as well.
    ProgramLineCollector programs(index_.isSorted());
    ReadResult read;
    if (editorText) {
        QFile f(path);
        const QByteArray text = info.isFile() && f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        read.status = f.error() == QFileDevice::NoError && f.isOpen() ? ReadStatus::Ok : ReadStatus::CannotRead;
        if (read.status == ReadStatus::Ok) {
            const std::string_view view(text.constData(), static_cast<std::size_t>(text.size()));
            loader = editor_.beginLoad(view.size());
            loader->add(view);
            programs.add(view, true);
        }
    } else {
        read = readNcFile(
            path, NcEditor::kMaxCharacters,
            [&](std::string_view piece) {
                if (!loader)
                    loader = editor_.beginLoad(hint);
                return loader->add(piece);
            },
            [&](std::string_view piece, bool last) { programs.add(piece, last); });
    }
    if (read.status == ReadStatus::Ok && !loader)
        loader = editor_.beginLoad(0);  // an empty file
    if (read.status != ReadStatus::Ok) {
        loader.reset();
        editor_.setUpdatesEnabled(true);
        dialogs_.message(path + QStringLiteral("を開けませんでした。"));
        host_.showActivity(QString());
        return false;
    }
    loader->commit();
    loader.reset();
    if (read.escapes > 0 || editorText)
        editor_.showEscapes();
    editor_.setUpdatesEnabled(true);

    host_.showActivity(QStringLiteral("O番号を検索しています"));
    {
        BusyPointer busy(&editor_);
        index_.setEntries(programs.take());
    }
    host_.showActivity(QString());
    index_.setBoxText(index_.firstEntry());
    return true;
}

bool DocumentFiles::fopen(const QString &path)
{
    host_.showActivity(QStringLiteral("開いています"));
    const FileStamp stamp = FileStamp::of(path);
    if (!load(path, false))
        return false;
    editor_.clearModifiedFlag();
    takeName(path, stamp);
    setDialogFolder(folderOf(QFileInfo(path).absoluteFilePath()));
    host_.addRecentFile(filename_);
    host_.documentSettled();
    return true;
}

bool DocumentFiles::restore(const QString &copyPath, bool editorText, const QString &documentPath,
                            const FileStamp &base)
{
    host_.showActivity(QStringLiteral("復元しています"));
    if (!load(copyPath, editorText))
        return false;
    // In no file yet: a close or an open asks to save it, and undo cannot
    // take it back to an empty editor.
    editor_.markUnsaved();
    takeName(documentPath, base);
    return true;
}

void DocumentFiles::takeName(const QString &path, const FileStamp &stamp)
{
    filename_ = path;
    stamp_ = stamp;
    open_.fileName = filename_;
    save_.fileName = filename_;
    host_.setUndoEnabled(false);
    host_.setCaptionFor(filename_);
}

bool DocumentFiles::writeTo(const QString &path)
{
    editor_.normaliseLineBreaks();
    const WriteResult result = writeNcFile(path, editor_.textView());
    if (result.status != WriteStatus::Ok) {
        dialogs_.message(writeFailureMessage(path, result));
        return false;
    }
    return true;
}

void DocumentFiles::save()
{
    if (filename_.isEmpty()) {
        saveAs();
        return;
    }
    if (writeTo(filename_)) {
        editor_.clearModifiedFlag();
        stamp_ = FileStamp::of(filename_);
        host_.documentSettled();
    }
}

void DocumentFiles::saveAs()
{
    QString path;
    int filterIndex = save_.filterIndex;
    for (;;) {
        FileRequest request;
        request.folder = save_.folder;
        request.prefill = filename_;
        request.filters = saveFilters();
        request.filterIndex = save_.filterIndex;
        const auto choice = dialogs_.saveFile(request);
        if (!choice)
            return;
        path = choice->path;
        filterIndex = choice->filterIndex;
        save_.filterIndex = filterIndex;
        setDialogFolder(folderOf(path));
        if (filterIndex == 2 && QFileInfo(path).suffix().isEmpty())
            path += QStringLiteral(".nc");
        if (!QFileInfo::exists(path))
            break;
        const Answer a = dialogs_.information(
            path + QStringLiteral("はすでに存在します。\r上書きしますか？"), Buttons::YesNoCancel);
        if (a == Answer::Yes)
            break;
        if (a != Answer::No)
            return;
    }
    if (!writeTo(path))
        return;
    filename_ = path;
    host_.addRecentFile(filename_);
    settings_.set(setting::SAVEINDEX, QString::number(filterIndex));
    open_.fileName = filename_;
    save_.fileName = filename_;
    host_.showActivity(QString());
    index_.setBoxText(index_.firstEntry());
    host_.setUndoEnabled(false);
    host_.setCaptionFor(filename_);
    setDialogFolder(folderOf(path));
    editor_.setFocus();
    editor_.clearModifiedFlag();
    stamp_ = FileStamp::of(filename_);
    host_.documentSettled();
}

}  // namespace marbolt
