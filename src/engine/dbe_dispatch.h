// The one way code above the engine reaches it: a table of the engine's
// calls. Tests swap entries to record calls or to answer with failures.
#pragma once

#include "dbe.h"

struct DbeApi {
#define DBE_DISPATCH_MEMBER(name) decltype(&::name) name;
    DBE_API_FUNCTIONS(DBE_DISPATCH_MEMBER)
#undef DBE_DISPATCH_MEMBER
};

// The engine's own calls.
const DbeApi &DbeRealApi();

// The table in force (initially the engine's own). Callers read it for every
// call, so a replacement takes effect at once.
DbeApi &Dbe();

// Puts a table in force for its lifetime and restores the previous one.
class DbeApiOverride {
public:
    explicit DbeApiOverride(const DbeApi &api);
    ~DbeApiOverride();
    DbeApiOverride(const DbeApiOverride &) = delete;
    DbeApiOverride &operator=(const DbeApiOverride &) = delete;

private:
    DbeApi saved_;
};
