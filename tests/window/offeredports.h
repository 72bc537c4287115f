#pragma once
// The port list that the settings dialog (F9) offers, read from the real
// dialog as the window opens it; the dialog is then cancelled.
#include "app/widgets/commsettingsform.h"
#include "app/widgets/sdiappform.h"
#include "modal.h"

#include <QComboBox>
#include <QPushButton>
#include <QStringList>

inline QStringList portsTheSettingsDialogOffers(marbolt::TSDIAppForm &form)
{
    QStringList items;
    whenModal([&](QWidget *w) {
        auto *f = qobject_cast<marbolt::TForm2 *>(w);
        QVERIFY(f);
        for (int i = 0; i < f->ComboBox3->count(); ++i)
            items << f->ComboBox3->itemText(i);
        f->Button2->click();
    });
    form.set1Execute();
    return items;
}
