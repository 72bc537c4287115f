#pragma once
// The tests' look inside the main window: the parts it keeps to itself.
#include "app/widgets/sdiappform.h"
#include "serial/rs232c.h"
#include "tools/widgets/finddialog.h"
#include "tools/widgets/replacedialog.h"

namespace marbolt {

struct WindowProbe {
    static auto &rireki(TSDIAppForm &f) { return f.rireki; }
    static QAction *LINE1(TSDIAppForm &f) { return f.LINE1; }
    static QAction *JUMP(TSDIAppForm &f) { return f.JUMP; }
    static QTimer &Timer1(TSDIAppForm &f) { return f.Timer1; }
    static FindDialog *FindDialog1(TSDIAppForm &f) { return f.FindDialog1; }
    static TfrmReplace *frmReplace(TSDIAppForm &f) { return f.frmReplace; }
    static Trs232c *rs232c1(TSDIAppForm &f) { return f.rs232c1.get(); }
    static Trs232c *rs232c2(TSDIAppForm &f) { return f.rs232c2.get(); }
    static QComboBox *MachineBox(TSDIAppForm &f) { return f.MachineBox; }
    static ReplaceState &replaceState(TSDIAppForm &f) { return f.replaceState; }
    static const CaretTracker &caret(TSDIAppForm &f) { return f.caret_; }
};

}  // namespace marbolt
