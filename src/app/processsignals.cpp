#include "processsignals.h"

#include <csignal>

namespace marbolt {

void ignoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace marbolt
