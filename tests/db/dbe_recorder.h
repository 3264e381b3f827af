// A recording engine for the database layer's tests: a dispatch table whose
// every entry logs the call as "DbeName(args)" and then forwards to the real
// engine, answers through a test's hook, or answers an injected failure.
//
// Arguments are written so that a test can state what it expects:
//   integers in decimal; a field argument given by number as #n; texts in
//   double quotes; a value pointer followed by its length as the quoted
//   bytes of that length (\xNN for bytes that are not printable ASCII);
//   a pointer to an integer as & and the value it held before the call
//   (a capacity, for in/out lengths); other buffers as buf; null as null.
#pragma once

#include "dbe_dispatch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace dbtest {

// Typed replacements, one per engine call. An empty one forwards.
struct DbeHooks {
#define DBE_HOOK_MEMBER(name) std::function<std::remove_pointer_t<decltype(&::name)>> name;
    DBE_API_FUNCTIONS(DBE_HOOK_MEMBER)
#undef DBE_HOOK_MEMBER
};

class DbeRecorder {
public:
    // Puts the recording table in force for the recorder's lifetime.
    DbeRecorder();
    ~DbeRecorder();
    DbeRecorder(const DbeRecorder &) = delete;
    DbeRecorder &operator=(const DbeRecorder &) = delete;

    // Logging starts empty with Start and pauses with Stop; forwarding,
    // hooks and failures apply all the time.
    void Start();
    void Stop() { recording_ = false; }
    const std::vector<std::string> &Calls() const { return calls_; }
    const std::vector<int32_t> &Results() const { return results_; }
    // The logged calls of one engine function.
    std::vector<std::string> CallsOf(const std::string &name) const;

    // After `skip` calls of `name`, the next `times` calls (-1: all) answer
    // `code` without reaching the engine, and the thread's last error
    // becomes `code` with `text` (the engine's own text for the code when
    // empty), as the engine does for its own failures.
    void Fail(const std::string &name, int32_t code, std::string text = {}, int times = -1,
              int skip = 0);
    void ClearFailures() { failures_.clear(); }

    DbeHooks hooks;

    // Used by the generated entries.
    static DbeRecorder &Active();
    bool Recording() const { return recording_; }
    bool TakeFailure(const char *name, int32_t &code);
    void Add(std::string line, int32_t result);

private:
    struct Failure {
        std::string name;
        int32_t code;
        std::string text;
        int times;
        int skip;
    };
    std::optional<DbeApiOverride> override_;
    bool recording_ = false;
    std::vector<std::string> calls_;
    std::vector<int32_t> results_;
    std::vector<Failure> failures_;
};

// Expected calls are patterns: '*' matches any run of characters, and each
// "$NAME" of `vars` is replaced by its value first (handles differ from run
// to run).
using Vars = std::map<std::string, std::string>;
std::string Expand(const std::string &pattern, const Vars &vars);
bool Glob(const std::string &pattern, const std::string &text);

// The calls from the first one matching `first` on.
std::vector<std::string> From(const std::vector<std::string> &calls, const std::string &first,
                              const Vars &vars = {});
// The calls up to and including the first one matching `last`.
std::vector<std::string> UpTo(const std::vector<std::string> &calls, const std::string &last,
                              const Vars &vars = {});

// The bytes as the recorder writes them (for building expectations).
std::string Quoted(const std::string &bytes);
std::string Padded(const std::string &text, size_t length, char pad = ' ');

}  // namespace dbtest

// Every call matches its pattern, in order, and there are as many calls as
// patterns.
::testing::AssertionResult CallsMatch(const std::vector<std::string> &calls,
                                      const std::vector<std::string> &patterns,
                                      const dbtest::Vars &vars = {});
