#pragma once
// Test texts written with "\n" and turned into the editor's CR LF.
#include <string>

inline std::string crlf(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}
