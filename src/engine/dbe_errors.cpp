// The thread's last error: how engine steps record it and how callers ask
// for it.
#include "dbe.h"

#include "engine_state.h"

#include <cstdio>
#include <exception>
#include <new>
#include <string>

namespace dbe {
namespace {

constexpr size_t kMaxErrorText = 600;

struct LastError {
    uint32_t code = 0;
    std::string text;
};
thread_local LastError tLastError;

} // namespace

int32_t Fail(int32_t code, const std::string &detail) {
    std::string text = DbeStatusText(code);
    if (!detail.empty()) text += (text.empty() ? "" : " ") + detail;
    if (text.size() > kMaxErrorText) text.resize(kMaxErrorText);
    tLastError.code = static_cast<uint32_t>(code);
    tLastError.text = std::move(text);
    return code;
}

std::string LastErrorDetail() {
    const std::string own = DbeStatusText(static_cast<int32_t>(tLastError.code));
    const std::string &text = tLastError.text;
    if (own.empty() || text.compare(0, own.size(), own) != 0) return text;
    return text.size() > own.size() ? text.substr(own.size() + 1) : std::string();
}

int32_t CaughtException() noexcept {
    int32_t code = DBE_E_INTERNAL;
    try {
        try {
            throw;
        } catch (const std::bad_alloc &) {
            code = DBE_E_OUT_OF_MEMORY;
            return Fail(code);
        } catch (const std::exception &e) {
            return Fail(code, e.what());
        } catch (...) {
            return Fail(code, "unknown exception");
        }
    } catch (...) {
        // Recording the text needed memory too; the code still tells.
        tLastError.code = static_cast<uint32_t>(code);
        tLastError.text.clear();
        return code;
    }
}

} // namespace dbe

using namespace dbe;

extern "C" {

DBESTATUS DbeGetLastError(uint32_t *code, char *text, uint16_t *length) try {
    if (code) *code = tLastError.code;
    if (length) {
        std::string saved = tLastError.text;
        uint32_t savedCode = tLastError.code;
        int32_t rc = PutText(saved, text, length);
        tLastError.code = savedCode; // asking must not replace what is asked for
        tLastError.text = saved;
        return rc == DBE_E_BUFFER_TOO_SMALL ? DBE_SUCCESS : rc;
    }
    return Ok();
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeGetErrorString(uint32_t code, char *text, uint16_t *length) try {
    std::string t =
        code == tLastError.code ? tLastError.text : DbeStatusText(static_cast<int32_t>(code));
    if (t.empty()) t = "Error " + std::to_string(code) + ".";
    int32_t rc = PutText(t, text, length);
    return rc == DBE_E_BUFFER_TOO_SMALL ? DBE_SUCCESS : rc;
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeSetLastError(uint32_t code, const char *text) try {
    tLastError.code = code;
    tLastError.text = text ? text : "";
    if (tLastError.text.size() > kMaxErrorText) tLastError.text.resize(kMaxErrorText);
    return static_cast<DBESTATUS>(code);
} catch (...) {
    return CaughtException();
}
DBESTATUS DbeShowError(const char *title) try {
    std::fprintf(stderr, "%s: %u %s\n", title ? title : "dbe", tLastError.code,
                 tLastError.text.c_str());
    return Ok();
} catch (...) {
    return CaughtException();
}

} // extern "C"
