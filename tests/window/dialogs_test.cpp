// The communication settings dialog, the About box and the recent files,
// on the real window.
#include "app/widgets/aboutbox.h"
#include "windowprobe.h"
#include "app/widgets/commsettingsform.h"
#include "app/widgets/widgetdialogs.h"
#include "app/qtjapanese.h"
#include "app/widgets/sdiappform.h"
#include "station/settingsfile.h"
#include "app/widgets/statuspanels.h"
#include "document/widgets/nceditor.h"
#include "modal.h"
#include "offeredports.h"
#include "scripteddialogs.h"
#include "tools/widgets/osavedialog.h"
#include "transfer/widgets/senntakudialog.h"

#include "../unit/testfiles.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDatabase>
#include <QFontDialog>
#include <QListView>
#include <QTreeView>
#include <QListWidget>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

using namespace marbolt;
using Kind = ScriptedDialogs::Kind;

namespace {

const QStringList kEightKeys{"SPEED", "STOPBIT", "PORT", "SE", "HEAD%", "LOG", "TAPE", "CODE"};


}  // namespace

class DialogsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    ScriptedDialogs dialogs_;
    SettingsStore store_;

    QString path(const QString &name) const { return dir_->filePath(name); }

    std::unique_ptr<TSDIAppForm> makeForm()
    {
        AppEnvironment env;
        env.paths = AppPaths::inFolder(dir_->path());
        env.dialogs = &dialogs_;
        env.devRoot = dir_->filePath(QStringLiteral("dev"));
        return std::make_unique<TSDIAppForm>(std::move(env));
    }

    std::unique_ptr<TForm2> openForm2(QStringList ports = {})
    {
        if (ports.isEmpty())
            for (int i = 1; i <= 8; ++i)
                ports << QStringLiteral("COM%1").arg(i);
        auto form = std::make_unique<TForm2>(nullptr, store_, dialogs_, ports);
        form->show();  // activation loads the controls
        return form;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        dialogs_ = ScriptedDialogs();
        store_ = SettingsStore();
        store_.storeDefaults(dir_->path() + QLatin1Char('/'));
    }

    void okStaysDisabledUntilAChange()
    {
        auto f = openForm2();
        QVERIFY(!f->Button1->isEnabled());
        QCOMPARE(f->ComboBox1->currentText(), store_.get(QStringLiteral("SPEED")));
        f->CheckBox2->click();
        QVERIFY(f->Button1->isEnabled());
    }

    void tickAndUntickStoresAllEightKeys()
    {
        for (const QString &k : kEightKeys)
            store_.set(k, QString());
        store_.set(QStringLiteral("SPEED"), QStringLiteral("4800"));
        store_.set(QStringLiteral("STOPBIT"), QStringLiteral("2"));
        store_.set(QStringLiteral("PORT"), QStringLiteral("COM2"));
        auto f = openForm2();
        f->CheckBox3->click();
        f->CheckBox3->click();
        QVERIFY(f->Button1->isEnabled());
        f->Button1->click();
        QCOMPARE(f->result(), int(QDialog::Accepted));
        QStringList keysInOrder;
        for (const QString &line : store_.lines())
            for (const QString &k : kEightKeys)
                if (line.startsWith(k + QLatin1Char('=')))
                    keysInOrder << k;
        QCOMPARE(keysInOrder.mid(keysInOrder.size() - 5), kEightKeys.mid(3));  // appended in order
        QCOMPARE(store_.get(QStringLiteral("SE")), QStringLiteral("0"));  // missing SE ticks the box
        QCOMPARE(store_.get(QStringLiteral("HEAD%")), QStringLiteral("0"));
        QCOMPARE(store_.get(QStringLiteral("CODE")), QStringLiteral("ISO"));
        QCOMPARE(store_.get(QStringLiteral("SPEED")), QStringLiteral("4800"));
    }

    void valuesOutsideTheListsStandAsTheyAre()
    {
        store_.set(QStringLiteral("SPEED"), QStringLiteral("38400"));
        store_.set(QStringLiteral("PORT"), QStringLiteral("/dev/ttyUSB7"));
        auto f = openForm2();
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("38400"));
        QCOMPARE(f->ComboBox3->currentText(), QStringLiteral("/dev/ttyUSB7"));
        f->CheckBox4->click();
        f->Button1->click();
        QCOMPARE(store_.get(QStringLiteral("SPEED")), QStringLiteral("38400"));
        QCOMPARE(store_.get(QStringLiteral("PORT")), QStringLiteral("/dev/ttyUSB7"));
        QCOMPARE(store_.get(QStringLiteral("TAPE")), QStringLiteral("1"));
    }

    // Through the keyboard as a person uses it: the dialog opens on
    // キャンセル, Tab walks the table's order, characters typed into the
    // focused speed box are dropped, and after choosing EIA Tab still
    // reaches the four check boxes.
    void keysWalkTheTabOrderAndTypingIsDropped()
    {
        auto f = openForm2();
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        QCOMPARE(QApplication::focusWidget(), f->Button2);
        auto tab = [] { QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab); };
        tab();
        QCOMPARE(QApplication::focusWidget(), f->ComboBox1);
        const QString speed = f->ComboBox1->currentText();
        QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("7a."));
        QCOMPARE(f->ComboBox1->currentText(), speed);
        tab();
        QCOMPARE(QApplication::focusWidget(), f->ComboBox2);
        tab();
        QCOMPARE(QApplication::focusWidget(), f->ComboBox3);
        tab();
        QCOMPARE(QApplication::focusWidget(), f->isoItem);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
        QVERIFY(f->eiaItem->isChecked());
        QCOMPARE(QApplication::focusWidget(), f->eiaItem);
        for (QCheckBox *box : {f->CheckBox1, f->CheckBox2, f->CheckBox3, f->CheckBox4, f->CheckBox5}) {
            tab();
            QCOMPARE(QApplication::focusWidget(), box);
        }
        // The machine buttons (削除 is off while there is one machine),
        // then the machine's kind, rapid rate and safe Z.
        QVERIFY(!f->DeleteButton->isEnabled());
        for (QWidget *control : std::initializer_list<QWidget *>{f->AddButton, f->RenameButton, f->MachineKindBox,
                                                                 f->RapidBox, f->SafeZBox}) {
            tab();
            QCOMPARE(QApplication::focusWidget(), control);
        }
        tab();
        QCOMPARE(QApplication::focusWidget(), f->Button1);  // enabled by the change
        f->Button2->click();
        QCOMPARE(store_.get(QStringLiteral("SPEED")), speed);

        // The check before a send: on by default, switched off by Space on
        // its box, kept by OK.
        auto g = openForm2();
        g->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(g.get()));
        QVERIFY(g->CheckBox5->isChecked());
        QVERIFY(!g->Button1->isEnabled());
        g->CheckBox5->setFocus();
        QTest::keyClick(g->CheckBox5, Qt::Key_Space);
        QVERIFY(g->Button1->isEnabled());
        QTest::mouseClick(g->Button1, Qt::LeftButton);
        QCOMPARE(store_.get(QStringLiteral("CHECK")), QStringLiteral("0"));
    }

    // The speed list: the classic speeds, then 38400, 57600 and 115200;
    // Down from 19200 reaches 115200 and OK keeps it.
    void theSpeedListReachesTheFasterLines()
    {
        auto f = openForm2();
        QStringList speeds;
        for (int i = 0; i < f->ComboBox1->count(); ++i)
            speeds << f->ComboBox1->itemText(i);
        QCOMPARE(speeds, (QStringList{QStringLiteral("110"), QStringLiteral("300"), QStringLiteral("600"),
                                      QStringLiteral("1200"), QStringLiteral("2400"), QStringLiteral("4800"),
                                      QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                                      QStringLiteral("57600"), QStringLiteral("115200")}));
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f.get()));
        f->ComboBox1->setCurrentIndex(f->ComboBox1->findText(QStringLiteral("19200")));
        f->ComboBox1->setFocus();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(f->ComboBox1, Qt::Key_Down);
        QCOMPARE(f->ComboBox1->currentText(), QStringLiteral("115200"));
        QTest::mouseClick(f->Button1, Qt::LeftButton);
        QCOMPARE(store_.get(QStringLiteral("SPEED")), QStringLiteral("115200"));
    }

    void typingIsDroppedAndBackspaceEmpties()
    {
        auto f = openForm2();
        QLineEdit *edit = f->ComboBox1->lineEdit();
        const QString before = edit->text();
        edit->setFocus();
        edit->end(false);
        QTest::keyClicks(edit, QStringLiteral("12a"));
        QCOMPARE(edit->text(), before);
        for (int i = 0; i < before.size(); ++i)
            QTest::keyClick(edit, Qt::Key_Backspace);
        QCOMPARE(edit->text(), QString());
        QVERIFY(f->Button1->isEnabled());
        f->Button1->click();
        QCOMPARE(dialogs_.texts(Kind::Confirmation), QStringList{QStringLiteral("通信速度を選択して下さい。")});
        QVERIFY(f->isVisible());
        QCOMPARE(f->result(), 0);
        QCOMPARE(store_.get(QStringLiteral("SPEED")), before);  // nothing stored

        f->ComboBox1->setCurrentIndex(0);
        f->ComboBox2->lineEdit()->clear();
        f->Button1->click();
        QCOMPARE(dialogs_.texts(Kind::Confirmation).last(), QStringLiteral("ストップビットを選択して下さい。"));
        f->ComboBox2->setCurrentIndex(1);
        f->ComboBox3->lineEdit()->clear();
        f->Button1->click();
        QCOMPARE(dialogs_.texts(Kind::Confirmation).last(), QStringLiteral("ポートを選択して下さい。"));
    }

    void sendRequestIsStoredInverted()
    {
        store_.set(QStringLiteral("SE"), QStringLiteral("0"));
        auto f = openForm2();
        QVERIFY(f->CheckBox1->isChecked());
        f->CheckBox1->click();
        f->Button1->click();
        QCOMPARE(store_.get(QStringLiteral("SE")), QStringLiteral("1"));
        auto g = openForm2();
        QVERIFY(!g->CheckBox1->isChecked());
        g->CheckBox1->click();
        g->Button1->click();
        QCOMPARE(store_.get(QStringLiteral("SE")), QStringLiteral("0"));
    }

    void codeComparisonsAreExact()
    {
        store_.set(QStringLiteral("CODE"), QStringLiteral("eia"));
        auto f = openForm2();
        QVERIFY(f->isoItem->isChecked());
        store_.set(QStringLiteral("CODE"), QStringLiteral("EIA"));
        auto g = openForm2();
        QVERIFY(g->eiaItem->isChecked());
    }

    void enterAndEscapePressNoButton()
    {
        auto f = openForm2();
        f->CheckBox2->click();
        QTest::keyClick(f.get(), Qt::Key_Return);
        QTest::keyClick(f.get(), Qt::Key_Escape);
        QVERIFY(f->isVisible());
        QCOMPARE(f->result(), 0);
        QVERIFY(!f->Button1->autoDefault() && !f->Button1->isDefault());
    }

    void okSetsThePanelsAndCancelLeavesAll()
    {
        auto form = makeForm();
        const QStringList before = form->settings().lines();
        const QString panel2 = form->statusPanels()->panelText(2);
        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            QVERIFY(f);
            f->CheckBox2->click();
            f->Button2->click();
        });
        form->commands().set1->trigger();
        QCOMPARE(form->settings().lines(), before);
        QCOMPARE(form->statusPanels()->panelText(2), panel2);

        whenModal([](QWidget *w) {
            auto *f = qobject_cast<TForm2 *>(w);
            f->ComboBox1->setCurrentIndex(f->ComboBox1->findText(QStringLiteral("2400")));
            f->ComboBox3->setCurrentIndex(f->ComboBox3->findText(QStringLiteral("COM3")));
            f->eiaItem->click();
            f->Button1->click();
        });
        form->set1Execute();
        QCOMPARE(form->statusPanels()->panelText(2), QStringLiteral("2400  EIA"));
        QCOMPARE(form->statusPanels()->panelText(1), QStringLiteral("COM3"));
    }

    void thePortBoxListsTheDevicesPresent()
    {
        QVERIFY(QDir(dir_->path()).mkpath(QStringLiteral("dev")));
        QFile usb(path(QStringLiteral("dev/ttyUSB0")));
        QVERIFY(usb.open(QIODevice::WriteOnly));
        auto form = makeForm();
        const QStringList items = portsTheSettingsDialogOffers(*form);
        QCOMPARE(items.size(), 9);
        QCOMPARE(items.first(), QStringLiteral("COM1"));
        QCOMPARE(items.last(), path(QStringLiteral("dev/ttyUSB0")));
    }

    void theAboutBox()
    {
        TAboutBox box(nullptr);
        QCOMPARE(box.Label1->text(), QStringLiteral("1.0.8"));
        QCOMPARE(box.ProductName->text(), QStringLiteral("Product Name  マルボルト"));
        QCOMPARE(box.windowTitle(), QStringLiteral("マルボルト"));
        QCOMPARE(box.size(), QSize(252, 184));
        QVERIFY(box.OKButton->isDefault());
        QVERIFY(!box.ProgramIcon->pixmap().isNull());

        auto form = makeForm();
        bool focusOnOk = false;
        whenModal([&](QWidget *w) {
            auto *b = qobject_cast<TAboutBox *>(w);
            QVERIFY(b);
            focusOnOk = b->focusWidget() == b->OKButton;
            QTest::keyClick(b, Qt::Key_Return);
        });
        form->commands().HelpAbout1->trigger();
        QVERIFY(focusOnOk);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!form->windowIcon().isNull());
    }

    void recentFilesOnFirstStartAndFromTheSettingsFile()
    {
        auto form = makeForm();
        for (QAction *a : WindowProbe::rireki(*form))
            QVERIFY(!a->isVisible());
        QVERIFY(!WindowProbe::LINE1(*form)->isVisible());

        // FILE2 empty and FILE3 set: items 1 and 3.
        QVERIFY(writeFileBytes(path(QStringLiteral("marbolt.ini")),
                               "[RECENT]\r\nFILE1=/nc/a.nc\r\nFILE2=\r\nFILE3=/nc/c.nc\r\n"));
        auto again = makeForm();
        QVERIFY(WindowProbe::rireki(*again)[0]->isVisible());
        QVERIFY(!WindowProbe::rireki(*again)[1]->isVisible());
        QVERIFY(WindowProbe::rireki(*again)[2]->isVisible());
        QCOMPARE(WindowProbe::rireki(*again)[2]->text(), QStringLiteral("3_/nc/c.nc"));
        QVERIFY(WindowProbe::LINE1(*again)->isVisible());
    }

    void recentFilesCaseSixthAndSaveAs()
    {
        QStringList names;
        for (const char *n : {"a.nc", "b.nc", "c.nc", "d.nc", "e.nc", "f.nc", "B.NC"}) {
            names << path(QString::fromLatin1(n));
            QVERIFY(writeFileBytes(names.last(), "O1\r\n"));
        }
        auto form = makeForm();
        for (int i = 0; i < 6; ++i)
            QVERIFY(form->fopen(names[i]));
        // The sixth pushed the first out of the menu.
        QCOMPARE(WindowProbe::rireki(*form)[0]->text(), QStringLiteral("1_") + names[5]);
        QCOMPARE(WindowProbe::rireki(*form)[4]->text(), QStringLiteral("5_") + names[1]);
        for (QAction *a : WindowProbe::rireki(*form))
            QVERIFY(!a->text().endsWith(names[0]));

        // A path differing only in letter case replaces its entry.
        QVERIFY(form->fopen(names[6]));
        QCOMPARE(WindowProbe::rireki(*form)[0]->text(), QStringLiteral("1_") + names[6]);
        int bs = 0;
        for (QAction *a : WindowProbe::rireki(*form))
            bs += a->text().endsWith(QStringLiteral("/b.nc"), Qt::CaseInsensitive) ? 1 : 0;
        QCOMPARE(bs, 1);

        // Save As puts its name on top.
        const QString saved = path(QStringLiteral("saved.nc"));
        dialogs_.files.push_back(FileChoice{saved, 1});
        form->FileSaveAs1Execute();
        QCOMPARE(WindowProbe::rireki(*form)[0]->text(), QStringLiteral("1_") + saved);

        // Written at close: five entries, the first one gone.
        QVERIFY(form->close());
        const QByteArray ini = readFileBytes(path(QStringLiteral("marbolt.ini")));
        QVERIFY(ini.contains("FILE1=" + saved.toUtf8()));
        QVERIFY(!ini.contains(names[0].toUtf8() + "\r\n"));
        QVERIFY(!ini.contains("FILE6"));
    }

    void theProgramCheckList()
    {
        Tfrmsenntaku d({QStringLiteral("O1"), QStringLiteral("O2"), QStringLiteral("O3")});
        QCOMPARE(d.size(), QSize(307, 331));
        QCOMPARE(d.CheckListBox1->size(), QSize(273, 257));
        QCOMPARE(d.Label1->text(), QStringLiteral("送信したいプログラムを選択してOKをクリックしてください。"));
        QCOMPARE(d.CheckListBox1->count(), 3);
        QVERIFY(d.checkedRows().isEmpty());
        QCOMPARE(d.Button3->text(), QStringLiteral("全て選択"));
        d.Button3->click();
        QCOMPARE(d.checkedRows(), (QList<int>{0, 1, 2}));
        QCOMPARE(d.Button3->text(), QStringLiteral("全て解除"));
        d.Button3->click();
        QVERIFY(d.checkedRows().isEmpty());
        QCOMPARE(d.Button3->text(), QStringLiteral("全て選択"));
        d.CheckListBox1->item(2)->setCheckState(Qt::Checked);
        d.CheckListBox1->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(d.checkedRows(), (QList<int>{0, 2}));
        QTimer::singleShot(0, d.Button1, &QPushButton::click);
        QCOMPARE(d.exec(), int(QDialog::Accepted));
        QTimer::singleShot(0, d.Button2, &QPushButton::click);
        QCOMPARE(d.exec(), int(QDialog::Rejected));
    }

    // The tree opens on the working folder, expanded, selected and in
    // view; the folder the user clicks is the destination, shown before OK.
    void theFolderDialog()
    {
        QTemporaryDir dir;
        for (int i = 0; i < 40; ++i)  // enough folders around it to need scrolling
            QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("f%1").arg(i, 2, 10, QChar(u'0'))));
        const QString start = dir.filePath(QStringLiteral("f35"));
        QVERIFY(QDir(start).mkdir(QStringLiteral("sub")));
        Tfrmosave d(start);
        QCOMPARE(d.windowTitle(), QStringLiteral("保存先フォルダの選択"));
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        const auto *model = qobject_cast<const QFileSystemModel *>(d.DirectoryListBox1->model());
        QVERIFY(model);
        QCOMPARE(d.folder(), QDir::cleanPath(start));
        QTRY_VERIFY(d.DirectoryListBox1->isExpanded(model->index(dir.path())));
        QTRY_COMPARE(d.DirectoryListBox1->currentIndex(), model->index(start));
        QTRY_VERIFY(d.DirectoryListBox1->viewport()->rect().contains(
            d.DirectoryListBox1->visualRect(model->index(start)).center()));
        QCOMPARE(d.Destination->text(), QStringLiteral("保存先: %1").arg(QDir::cleanPath(start)));

        // A click on another folder makes it the destination.
        const QModelIndex other = model->index(dir.filePath(QStringLiteral("f34")));
        d.DirectoryListBox1->scrollTo(other);
        QTest::mouseClick(d.DirectoryListBox1->viewport(), Qt::LeftButton, Qt::NoModifier,
                          d.DirectoryListBox1->visualRect(other).center());
        QCOMPARE(d.folder(), QDir::cleanPath(dir.filePath(QStringLiteral("f34"))));
        QCOMPARE(d.Destination->text(), QStringLiteral("保存先: %1").arg(d.folder()));
        QCOMPARE(d.Button1->text(), QStringLiteral("OK"));
        QCOMPARE(d.Button2->text(), QStringLiteral("キャンセル"));
        QVERIFY(d.DriveComboBox1->count() >= 1);
        QTimer::singleShot(0, d.Button2, &QPushButton::click);
        QCOMPARE(d.exec(), int(QDialog::Rejected));
    }

    // The real font dialog lists fixed-pitch faces only and offers no
    // effects; what it returns carries no underline.
    void theFontDialogOffersFixedPitchFacesWithoutEffects()
    {
        WidgetDialogs boxes;
        QStringList listed;
        bool effectsShown = true;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFontDialog *>(w);
            QVERIFY(dialog);
            const auto views = dialog->findChildren<QListView *>();
            QVERIFY(!views.isEmpty());
            const QAbstractItemModel *faces = views.front()->model();  // the first list holds the faces
            for (int row = 0; row < faces->rowCount(); ++row)
                listed << faces->index(row, 0).data().toString();
            effectsShown = false;
            for (const QCheckBox *box : dialog->findChildren<QCheckBox *>())
                effectsShown = effectsShown || box->isVisibleTo(dialog);
            QTest::keyClick(w, Qt::Key_Return);
        });
        QFont start(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        start.setUnderline(true);
        const auto chosen = boxes.chooseFont(start);
        QVERIFY(!listed.isEmpty());
        for (const QString &face : listed)
            QVERIFY2(QFontDatabase::isFixedPitch(face), qPrintable(face + QStringLiteral(" is proportional")));
        QVERIFY(!effectsShown);
        QVERIFY(chosen);
        QVERIFY(!chosen->underline());
    }

    // With "NC Files (*.nc;*.ncd)" chosen, the Open dialog lists .nc and
    // .ncd files under the label as quoted; a name that does not exist is
    // handed to the program, which gives its own message.
    void theOpenDialogListsNcFilesAndTakesAMissingName()
    {
        QTemporaryDir dir;
        for (const char *name : {"a.nc", "b.ncd", "c.txt", "README"})
            QVERIFY(writeFileBytes(dir.filePath(QString::fromLatin1(name)), "O1\r\n"));
        QStringList listed;
        QString label;
        whenModal([&](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            QVERIFY(dialog);
            auto *files = dialog->findChild<QFileSystemModel *>();
            QVERIFY(files);
            const QModelIndex folder = files->index(dir.path());
            QTRY_VERIFY(files->rowCount(folder) > 0);
            for (int row = 0; row < files->rowCount(folder); ++row)
                listed << files->index(row, 0, folder).data().toString();
            label = dialog->selectedNameFilter();
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setFocus();
            QTest::keyClicks(name, QStringLiteral("missing.nc"));
            QTest::keyClick(name, Qt::Key_Return);
        });
        WidgetDialogs dialogs;
        FileRequest request;
        request.folder = dir.path();
        request.filters = {QStringLiteral("All Files (*.*)"), QStringLiteral("NC Files (*.nc;*.ncd)")};
        request.filterIndex = 2;
        const auto choice = dialogs.openFile(request);
        listed.sort();
        QCOMPARE(listed, (QStringList{"a.nc", "b.ncd"}));
        QCOMPARE(label, QStringLiteral("NC Files (*.nc;*.ncd)"));
        QVERIFY(choice);
        QCOMPARE(choice->path, dir.filePath(QStringLiteral("missing.nc")));
        QCOMPARE(choice->filterIndex, 2);
    }

    // Panel 0 shows the remaining bytes and time whole; a port path too
    // long for panel 1 keeps its start and end, whole in the tool tip.
    void panelsShowProgressWholeAndLongPortsElided()
    {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QString progress = QStringLiteral("残り1234567バイト(約12345秒)");
        form->statusPanels()->setPanelText(0, progress);
        const QLabel *p0 = form->statusPanels()->panel(0);
        QCOMPARE(p0->text(), progress);
        QVERIFY2(p0->contentsRect().width() - 2 * p0->indent() >= p0->fontMetrics().horizontalAdvance(progress),
                 "panel 0 cuts its text");

        const QString port = QStringLiteral("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
        form->statusPanels()->setPanelText(1, port);
        const QLabel *p1 = form->statusPanels()->panel(1);
        QVERIFY2(p1->text().contains(QChar(0x2026)), qPrintable(p1->text()));
        QVERIFY(p1->text().startsWith(QStringLiteral("/")));
        QVERIFY(p1->text().endsWith(QStringLiteral("0")));
        QCOMPARE(p1->toolTip(), port);
        QCOMPARE(form->statusPanels()->panelText(1), port);
        form->statusPanels()->setPanelText(1, QStringLiteral("COM1"));
        QCOMPARE(p1->text(), QStringLiteral("COM1"));
        QCOMPARE(p1->toolTip(), QString());
    }

    // The toolkit's own buttons speak Japanese once its translation is in.
    void theToolkitsOwnTextsAreJapanese()
    {
        QVERIFY(installQtJapanese(*QCoreApplication::instance()));
        QString yes, cancel;
        whenModal([&](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            QVERIFY(box);
            yes = box->button(QMessageBox::Yes)->text();
            cancel = box->button(QMessageBox::Cancel)->text();
            QTest::keyClick(w, Qt::Key_Escape);
        });
        WidgetDialogs boxes;
        boxes.information(QStringLiteral("ＮＣデータが変更されています。"), Buttons::YesNoCancel);
        QVERIFY2(yes.contains(QStringLiteral("はい")), qPrintable(yes));
        QVERIFY2(cancel.contains(QStringLiteral("キャンセル")), qPrintable(cancel));
    }

    // A file name holding markup is shown as the characters it holds, in
    // every kind of box and in the status panels.
    void boxesAndPanelsShowTextAsText()
    {
        const QString name = QStringLiteral("/tmp/<h1>O1</h1>&amp;.nc");
        const QString text = QStringLiteral("ファイル %1 を作成できません").arg(name);
        WidgetDialogs boxes;
        const std::function<void()> kinds[] = {
            [&] { boxes.message(text); },
            [&] { boxes.error(text); },
            [&] { boxes.confirmation(text); },
            [&] { boxes.information(text, Buttons::Ok); },
        };
        for (const auto &show : kinds) {
            QString shown;
            Qt::TextFormat boxFormat = Qt::AutoText;
            Qt::TextFormat labelFormat = Qt::AutoText;
            whenModal([&](QWidget *w) {
                auto *box = qobject_cast<QMessageBox *>(w);
                QVERIFY(box);
                boxFormat = box->textFormat();
                // The label that really displays the text.
                for (const QLabel *label : box->findChildren<QLabel *>()) {
                    if (label->text().contains(QStringLiteral("作成できません"))) {
                        shown = label->text();
                        labelFormat = label->textFormat();
                    }
                }
                QTest::keyClick(w, Qt::Key_Escape);
                if (QApplication::activeModalWidget() == w)
                    QTest::keyClick(w, Qt::Key_Return);
            });
            show();
            QCOMPARE(boxFormat, Qt::PlainText);
            QCOMPARE(labelFormat, Qt::PlainText);
            QCOMPARE(shown, text);
        }

        auto form = makeForm();
        form->statusPanels()->setPanelText(0, name);
        const auto *panel = form->statusPanels()->findChild<QLabel *>(QStringLiteral("Panel0"));
        QVERIFY(panel);
        QCOMPARE(panel->textFormat(), Qt::PlainText);
        QCOMPARE(panel->text(), name);
    }

};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
