#pragma once
// marbolt --compare LEFT RIGHT: compare (照合) of two NC files by the
// blocks a control reads, for scripts. No window opens. --keep-n,
// --keep-blanks, --keep-comments and --text-numbers each turn one rule off.
#include "tools/nccompare.h"

#include <QString>

#include <cstdio>

namespace marbolt {

// Prints each difference as "LEFT_LINE,RIGHT_LINE: changed|only-left|only-right"
// and its blocks ("< " left, "> " right). Returns 0 when the files are the
// same, 1 when they differ, 2 when a file cannot be read.
int runCompareCommand(const QString &leftFile, const QString &rightFile, const CompareOptions &options,
                      std::FILE *out, std::FILE *err);

}  // namespace marbolt
