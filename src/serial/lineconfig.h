#pragma once
// How the line settings of Trs232c become a Linux tty configuration. Pure:
// it takes the port's current termios and returns the one to apply, so the
// mapping is tested without a device.
#include "serial/linesettings.h"

#include <termios.h>

#include <optional>

namespace marbolt {

struct LineConfig {
    termios attributes{};
    // A speed with no Bnnn constant, to be set through the custom-speed call.
    std::optional<int> customSpeed;
    // Modem lines to raise and to lower after the attributes (TIOCM_*).
    int raiseLines = 0;
    int lowerLines = 0;
    // Done by the component itself, the tty has no such setting.
    bool dropNul = false;
    bool abortOnError = false;
    // Input flow control at the levels of XoffLim and XonLim, which Linux
    // cannot be given: XoffChar goes out once more than stopAbove bytes
    // wait, XonChar once fewer than resumeBelow do.
    struct InputLimits {
        int stopAbove = 0;
        int resumeBelow = 0;
        bool operator==(const InputLimits &) const = default;
    };
    std::optional<InputLimits> inputLimits;
};

// nullopt: the settings are ones a driver refuses (bps not above 0, a byte
// size other than 5 to 8), so Open fails as when the driver refuses them.
std::optional<LineConfig> lineConfigFor(const LineSettings &settings, const termios &current);

// The bits a second of a Bnnn speed code; nullopt for B0 and unknown codes.
std::optional<int> bitsPerSecondOf(speed_t code);

// Bits on the line for one character: start, data, parity and stop bits.
int bitsPerCharacter(const termios &t);

}  // namespace marbolt
