#pragma once
// Signals the program handles for the whole process, set once at start.

namespace marbolt {

// A write past the file-size limit (ulimit -f) fails with EFBIG instead of
// killing the program with SIGXFSZ: the save reports it and the unsaved
// edits stay in the window.
void ignoreFileSizeSignal();

}  // namespace marbolt
