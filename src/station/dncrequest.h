#pragma once
// A request from the control: the operator punches a small program whose
// O-number is one the machine's configuration names as a request (O9999),
// with a comment naming the program wanted and, for a restart, its block:
// "(REQ O1234)", "(REQ 1234 N1020)".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace marbolt {

struct DncRequest {
    long requestNumber = 0;          // the O-number the request came as
    long program = 0;                // the program wanted
    std::optional<long> sequence;    // the block to restart from
};

// The first request in a reception: a program numbered as one of
// requestNumbers with a "(REQ ...)" comment (letters in either case,
// blanks anywhere between the words). nullopt when there is none.
std::optional<DncRequest> readRequest(std::string_view received, const std::vector<long> &requestNumbers);

// The short program that answers a request for a program that is not
// there: the request's own number, and a comment the control can show.
std::string missingProgramAnswer(const DncRequest &request);
// The same for any reason a request is not served: "(O1234 N1020 " +
// reason + ")"; reason is plain upper-case ASCII, as a control shows it.
std::string refusalAnswer(const DncRequest &request, std::string_view reason);

}  // namespace marbolt
