#include "app/widgets/widgetdialogs.h"

#include "tools/widgets/osavedialog.h"
#include "transfer/widgets/senntakudialog.h"
#include "transfer/widgets/sendcheckdialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QRegularExpression>
#include <QFontDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>

namespace marbolt {

namespace {

// Messages are written with "\r" for their line breaks.
QString boxText(const QString &text)
{
    QString t = text;
    t.replace(u'\r', u'\n');
    return t;
}

// Every box shows its text as it stands: a file name such as "<h1>.nc" is
// text, never markup for the box to interpret.
int runBox(QMessageBox::Icon icon, const QString &caption, const QString &text,
           QMessageBox::StandardButtons buttons, QWidget *parent)
{
    QMessageBox box(icon, caption, boxText(text), buttons, parent);
    box.setTextFormat(Qt::PlainText);
    return box.exec();
}

// The patterns of a filter such as "NC Files (*.nc;*.ncd)": Qt reads the
// patterns between the parentheses as separated by blanks, so "*.nc;*.ncd"
// would be one pattern that no file matches.
QStringList filterPatterns(const QString &filter)
{
    const qsizetype open = filter.lastIndexOf(u'(');
    const qsizetype close = filter.lastIndexOf(u')');
    if (open < 0 || close < open)
        return {};
    QStringList patterns = filter.mid(open + 1, close - open - 1)
                               .split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
    // "*.*" means every file, also one without an extension.
    for (QString &p : patterns)
        if (p == u"*.*")
            p = QStringLiteral("*");
    return patterns;
}

std::optional<FileChoice> runFileDialog(QWidget *parent, const FileRequest &request,
                                        QFileDialog::AcceptMode mode)
{
    QFileDialog dialog(parent);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setAcceptMode(mode);
    // Open takes a name that does not exist too: the program's own message
    // says so ("...を開けませんでした。"), not the toolkit's.
    dialog.setFileMode(QFileDialog::AnyFile);
    // The program asks its own overwrite question and adds its own extension.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDirectory(request.folder);
    if (!request.filters.isEmpty()) {
        dialog.setNameFilters(request.filters);
        // The filter as the user reads it stays; the files listed follow
        // its patterns, split at ";" as well as at blanks.
        const int i = request.filterIndex - 1;
        const QString chosen = i >= 0 && i < request.filters.size() ? request.filters[i] : request.filters.front();
        dialog.selectNameFilter(chosen);
        if (auto *files = dialog.findChild<QFileSystemModel *>()) {
            auto applyPatterns = [files](const QString &filter) { files->setNameFilters(filterPatterns(filter)); };
            QObject::connect(&dialog, &QFileDialog::filterSelected, files, applyPatterns);
            applyPatterns(chosen);
        }
    }
    if (!request.prefill.isEmpty())
        dialog.selectFile(request.prefill);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    FileChoice choice;
    choice.path = dialog.selectedFiles().first();
    const qsizetype index = request.filters.indexOf(dialog.selectedNameFilter());
    choice.filterIndex = index < 0 ? request.filterIndex : static_cast<int>(index) + 1;
    return choice;
}

}  // namespace

void WidgetDialogs::message(const QString &text)
{
    runBox(QMessageBox::NoIcon, QApplication::applicationName(), text, QMessageBox::Ok, parent_);
}

std::optional<QFont> WidgetDialogs::chooseFont(const QFont &current)
{
    QFontDialog dialog(parent_);
    dialog.setOptions(QFontDialog::MonospacedFonts | QFontDialog::DontUseNativeDialog);
    // Qt fills the face list when the dialog is built and does not look at
    // the options again until the writing system is chosen: choosing the
    // same one again lists the fixed-pitch faces only.
    if (auto *writingSystem = dialog.findChild<QComboBox *>())
        emit writingSystem->activated(writingSystem->currentIndex());
    // No effects: the editor takes no underline or strike-out.
    for (QGroupBox *group : dialog.findChildren<QGroupBox *>())
        if (group->findChild<QCheckBox *>())
            group->hide();
    dialog.setCurrentFont(current);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    QFont chosen = dialog.selectedFont();
    chosen.setUnderline(false);
    chosen.setStrikeOut(false);
    return chosen;
}

void WidgetDialogs::confirmation(const QString &text)
{
    runBox(QMessageBox::Information, QStringLiteral("確認"), text, QMessageBox::Ok, parent_);
}

Answer WidgetDialogs::information(const QString &text, Buttons buttons)
{
    QMessageBox::StandardButtons set = QMessageBox::Ok;
    if (buttons == Buttons::OkCancel)
        set = QMessageBox::Ok | QMessageBox::Cancel;
    else if (buttons == Buttons::YesNoCancel)
        set = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    switch (runBox(QMessageBox::Information, QStringLiteral("情報"), text, set, parent_)) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return Answer::Cancel;
    }
}

RecoveryChoice WidgetDialogs::offerRecovery(const QString &text)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("情報"), boxText(text), QMessageBox::NoButton, parent_);
    box.setTextFormat(Qt::PlainText);
    QPushButton *restore = box.addButton(QStringLiteral("復元する"), QMessageBox::AcceptRole);
    QPushButton *discard = box.addButton(QStringLiteral("破棄する"), QMessageBox::DestructiveRole);
    QPushButton *later = box.addButton(QStringLiteral("後で"), QMessageBox::RejectRole);
    box.setDefaultButton(restore);
    box.setEscapeButton(later);
    box.exec();
    if (box.clickedButton() == restore)
        return RecoveryChoice::Restore;
    if (box.clickedButton() == discard)
        return RecoveryChoice::Discard;
    return RecoveryChoice::Later;
}

void WidgetDialogs::error(const QString &text)
{
    runBox(QMessageBox::Critical, QApplication::applicationName(), text, QMessageBox::Ok, parent_);
}

std::optional<FileChoice> WidgetDialogs::openFile(const FileRequest &request)
{
    return runFileDialog(parent_, request, QFileDialog::AcceptOpen);
}

std::optional<FileChoice> WidgetDialogs::saveFile(const FileRequest &request)
{
    return runFileDialog(parent_, request, QFileDialog::AcceptSave);
}


bool WidgetDialogs::printerSetup(QPrinter &printer)
{
    QPrintDialog dialog(&printer, parent_);
    dialog.setObjectName(QStringLiteral("PrinterSetupDialog1"));
    dialog.setWindowTitle(QStringLiteral("プリンタの設定"));
    return dialog.exec() == QDialog::Accepted;
}

std::optional<QString> WidgetDialogs::chooseFolder(const QString &start)
{
    Tfrmosave dialog(start, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.folder();
}

std::optional<QString> WidgetDialogs::askText(const QString &caption, const QString &label, const QString &initial)
{
    QInputDialog dialog(parent_);
    dialog.setWindowTitle(caption);
    dialog.setLabelText(label);
    dialog.setTextValue(initial);
    dialog.setOkButtonText(QStringLiteral("OK"));
    dialog.setCancelButtonText(QStringLiteral("キャンセル"));
    for (QLabel *l : dialog.findChildren<QLabel *>())
        l->setTextFormat(Qt::PlainText);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue();
}

std::optional<QList<int>> WidgetDialogs::choosePrograms(const QStringList &entries)
{
    Tfrmsenntaku dialog(entries, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.checkedRows();
}

SendCheckAnswer WidgetDialogs::sendCheck(const SendCheckReport &report)
{
    SendCheckDialog dialog(report, parent_);
    if (dialog.exec() != QDialog::Accepted)
        return {};  // Escape or the window's close: stop
    return dialog.answer();
}

}  // namespace marbolt
