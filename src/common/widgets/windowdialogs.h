#pragma once
// The questions only the window asks, whose answers are the toolkit's own
// types: its editor font and its printer.
#include "common/dialogs.h"

#include <QFont>

#include <optional>

class QPrinter;

namespace marbolt {

class WindowDialogs : public Dialogs {
public:
    // Font dialog of fixed-pitch fonts without effects; nullopt on cancel.
    virtual std::optional<QFont> chooseFont(const QFont &current) = 0;
    // The printer set-up; false when cancelled. The choice stays in printer.
    virtual bool printerSetup(QPrinter &printer) = 0;
};

}  // namespace marbolt
