// Filters of a table, the exact-match setting, and evaluating a logical
// expression on the current record.
#include "dbe.h"

#include "engine_state.h"

#include <string>

using namespace dbe;

extern "C" {

// --- filters ---------------------------------------------------------------
namespace {
int32_t FilterOf(DBEHANDLE table, bool optimized, char *expression, uint16_t *length) {
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    const std::string *text = t->cursor->FilterText(optimized);
    if (!text) return Fail(DBE_E_NO_FILTER);
    if (!length) return Fail(DBE_E_BUFFER_TOO_SMALL);
    return PutText(*text, expression, length);
}
} // namespace
DBESTATUS DbeSetFilter(DBEHANDLE table, const char *expression) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!expression || !*expression) {
        t->cursor->ClearFilter(false);
        return Ok();
    }
    return t->cursor->SetFilter(expression, false, E().dateFormat);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetFilter(DBEHANDLE table, char *expression, uint16_t *length) try {
    LOCK;
    return FilterOf(table, false, expression, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeClearFilter(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->ClearFilter(false);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetOptFilter(DBEHANDLE table, const char *expression, uint16_t options) try {
    LOCK;
    (void)options;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    if (!expression || !*expression) {
        t->cursor->ClearFilter(true);
        return Ok();
    }
    return t->cursor->SetFilter(expression, true, E().dateFormat);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetOptFilter(DBEHANDLE table, char *expression, uint16_t *length) try {
    LOCK;
    return FilterOf(table, true, expression, length);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeClearOptFilter(DBEHANDLE table) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->ClearFilter(true);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetExact(DBEHANDLE table, uint16_t exact) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    t->cursor->SetExact(exact != 0);
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetExact(DBEHANDLE table, uint16_t *exact) try {
    LOCK;
    Table *t;
    if (int32_t rc = TableOf(table, t)) return rc;
    return Put(exact, uint16_t(t->cursor->Exact()));
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeEvalLogicalExpr(DBEHANDLE order, const char *expression, uint16_t *result) try {
    LOCK;
    ORDER
    if (!expression || !result) return Fail(DBE_E_INVALID_ARGUMENT);
    bool r = false;
    if (int32_t rc = t->cursor->Evaluate(expression, E().dateFormat, r)) return rc;
    *result = r;
    return Ok();
} catch (...) {
    return CaughtException();
}

} // extern "C"
