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

// Every call of the C interface is a function-try-block whose handler
// answers this: the exception being handled becomes DBE_E_INTERNAL (or
// DBE_E_OUT_OF_MEMORY) with its text as the last error, so that no C++
// exception leaves through the C interface. REQUIRES: called inside a
// catch block.
int32_t CaughtException() noexcept;

}  // namespace dbe
