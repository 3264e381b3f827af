// The engine's internal error channel: a failing step records the thread's
// last error once and passes the code up unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace dbe {

// Sets the thread's last error to the code's text, followed by `detail`
// when given, and answers the code.
int32_t Fail(int32_t code, const std::string &detail = std::string());
// The detail the thread's last error was given (its text past the code's
// own), for a step that passes a failure on with more to say.
std::string LastErrorDetail();

}  // namespace dbe
