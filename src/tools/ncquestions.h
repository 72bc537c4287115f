#pragma once
// The questions the NC functions ask before they run, behind one
// interface so that window tests answer them without a person.
#include "nc/renumber.h"
#include "tools/ncscope.h"

#include <optional>

namespace marbolt {

struct RenumberQuestion {
    NcScope scope = NcScope::Program;
    bool hasSelection = false;  // the selection may be chosen
    nc::RenumberOptions options;
};

class NcQuestions {
public:
    virtual ~NcQuestions() = default;
    // "番号の振り直し": the values as the user left them; nullopt on cancel.
    virtual std::optional<RenumberQuestion> renumber(const RenumberQuestion &initial) = 0;
};

}  // namespace marbolt
