// The thread's last error: how engine steps record it and how callers ask
// for it.
#include "dbe.h"

#include "engine_state.h"

#include <cstdio>
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

} // namespace dbe

using namespace dbe;

extern "C" {

DBESTATUS DbeGetLastError(uint32_t *code, char *text, uint16_t *length) {
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
}
DBESTATUS DbeGetErrorString(uint32_t code, char *text, uint16_t *length) {
    std::string t =
        code == tLastError.code ? tLastError.text : DbeStatusText(static_cast<int32_t>(code));
    if (t.empty()) t = "Error " + std::to_string(code) + ".";
    int32_t rc = PutText(t, text, length);
    return rc == DBE_E_BUFFER_TOO_SMALL ? DBE_SUCCESS : rc;
}
DBESTATUS DbeSetLastError(uint32_t code, const char *text) {
    tLastError.code = code;
    tLastError.text = text ? text : "";
    if (tLastError.text.size() > kMaxErrorText) tLastError.text.resize(kMaxErrorText);
    return static_cast<DBESTATUS>(code);
}
DBESTATUS DbeShowError(const char *title) {
    std::fprintf(stderr, "%s: %u %s\n", title ? title : "dbe", tLastError.code,
                 tLastError.text.c_str());
    return Ok();
}

} // extern "C"
