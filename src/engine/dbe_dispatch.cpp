#include "dbe_dispatch.h"

namespace {

DbeApi MakeRealApi() {
    DbeApi api{};
#define DBE_DISPATCH_FILL(name) api.name = &::name;
    DBE_API_FUNCTIONS(DBE_DISPATCH_FILL)
#undef DBE_DISPATCH_FILL
    return api;
}

}  // namespace

const DbeApi &DbeRealApi() {
    static const DbeApi real = MakeRealApi();
    return real;
}

DbeApi &Dbe() {
    static DbeApi current = DbeRealApi();
    return current;
}

DbeApiOverride::DbeApiOverride(const DbeApi &api) : saved_(Dbe()) { Dbe() = api; }

DbeApiOverride::~DbeApiOverride() { Dbe() = saved_; }
