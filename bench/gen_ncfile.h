#pragma once
#include <string>

// Writes a synthetic NC file of about targetBytes in Shift-JIS: programs
// with Japanese comments and lower-case words, CR LF. Returns the number
// of programs written.
int writeSyntheticNcFile(const std::string &path, long targetBytes, int programs);
