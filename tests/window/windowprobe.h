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
    // The session the window's transfers run on: its active machine's.
    static TransferSession &activeSession(TSDIAppForm &f)
    {
        return *f.station().session(MachineProfiles(f.settings()).active());
    }
    // One of the ports of the window's machine is open.
    static bool portOpen(TSDIAppForm &f) { return activeSession(f).portOpen(); }
    // Runs fn on the ports of the window's machine, on their thread.
    static void withPorts(TSDIAppForm &f, const std::function<void(Trs232c &send, Trs232c &receive)> &fn)
    {
        activeSession(f).withPorts(fn);
    }
    static QComboBox *MachineBox(TSDIAppForm &f) { return f.MachineBox; }
    static ReplaceState &replaceState(TSDIAppForm &f) { return f.replaceState; }
    static const CaretTracker &caret(TSDIAppForm &f) { return f.caret_; }
};

}  // namespace marbolt
