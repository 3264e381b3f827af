#include "dbe_recorder.h"

#include <cstdio>
#include <cstring>
#include <tuple>
#include <utility>

namespace dbtest {
namespace {

DbeRecorder *gActive = nullptr;

struct ArgText {
    std::string text;
    bool isInt = false;
    long long value = 0;
    const void *bytes = nullptr;  // set for a value pointer: written with the next length
};

template <typename T>
ArgText Describe(T v) {
    ArgText a;
    if constexpr (std::is_integral_v<T>) {
        a.isInt = true;
        a.value = static_cast<long long>(v);
        a.text = std::to_string(a.value);
    } else if constexpr (std::is_floating_point_v<T>) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", static_cast<double>(v));
        a.text = buf;
    } else if constexpr (std::is_same_v<T, const char *>) {
        const auto bits = reinterpret_cast<uintptr_t>(v);
        if (!v)
            a.text = "null";
        else if (bits < 0x10000)  // DBE_FIELD(n)
            a.text = "#" + std::to_string(bits);
        else
            a.text = Quoted(v);
    } else if constexpr (std::is_same_v<T, const void *>) {
        if (!v)
            a.text = "null";
        else
            a.bytes = v;
    } else if constexpr (std::is_pointer_v<T>) {
        using P = std::remove_cv_t<std::remove_pointer_t<T>>;
        if (!v)
            a.text = "null";
        else if constexpr (std::is_integral_v<P> && !std::is_same_v<P, char>)
            a.text = "&" + std::to_string(static_cast<long long>(*v));
        else
            a.text = "buf";
    } else {
        a.text = "?";
    }
    return a;
}

template <typename... A>
std::string FormatArgs(A... args) {
    std::vector<ArgText> parts{Describe(args)...};
    std::string out;
    for (size_t i = 0; i < parts.size(); ++i) {
        if (i) out += ',';
        if (parts[i].bytes) {
            if (i + 1 < parts.size() && parts[i + 1].isInt && parts[i + 1].value >= 0)
                out += Quoted(std::string(static_cast<const char *>(parts[i].bytes),
                                          static_cast<size_t>(parts[i + 1].value)));
            else
                out += "bytes";
        } else {
            out += parts[i].text;
        }
    }
    return out;
}

template <typename Tag, typename Fn>
struct Entry;

template <typename Tag, typename... A>
struct Entry<Tag, DBESTATUS (*)(A...)> {
    static DBESTATUS Call(A... args) {
        DbeRecorder &r = DbeRecorder::Active();
        std::string line;
        if (r.Recording()) line = std::string(Tag::kName) + "(" + FormatArgs(args...) + ")";
        int32_t rc = 0;
        if (!r.TakeFailure(Tag::kName, rc)) {
            const auto &hook = r.hooks.*(Tag::kHook);
            rc = hook ? hook(args...) : (DbeRealApi().*(Tag::kMember))(args...);
        }
        if (r.Recording()) r.Add(std::move(line), rc);
        return rc;
    }
};

#define DBE_RECORDER_TAG(name)                                \
    struct Tag_##name {                                       \
        static constexpr const char *kName = #name;           \
        static constexpr auto kMember = &DbeApi::name;        \
        static constexpr auto kHook = &DbeHooks::name;        \
    };
DBE_API_FUNCTIONS(DBE_RECORDER_TAG)
#undef DBE_RECORDER_TAG

DbeApi MakeRecordingApi() {
    DbeApi api{};
#define DBE_RECORDER_FILL(name) api.name = &Entry<Tag_##name, decltype(&::name)>::Call;
    DBE_API_FUNCTIONS(DBE_RECORDER_FILL)
#undef DBE_RECORDER_FILL
    return api;
}

}  // namespace

DbeRecorder::DbeRecorder() {
    if (gActive) throw std::logic_error("one recorder at a time");
    gActive = this;
    override_.emplace(MakeRecordingApi());
}

DbeRecorder::~DbeRecorder() {
    override_.reset();
    gActive = nullptr;
}

DbeRecorder &DbeRecorder::Active() { return *gActive; }

void DbeRecorder::Start() {
    calls_.clear();
    results_.clear();
    recording_ = true;
}

std::vector<std::string> DbeRecorder::CallsOf(const std::string &name) const {
    std::vector<std::string> out;
    for (const std::string &c : calls_)
        if (c.compare(0, name.size() + 1, name + "(") == 0) out.push_back(c);
    return out;
}

void DbeRecorder::Fail(const std::string &name, int32_t code, std::string text, int times,
                       int skip) {
    if (text.empty()) text = DbeStatusText(code);
    failures_.push_back({name, code, std::move(text), times, skip});
}

bool DbeRecorder::TakeFailure(const char *name, int32_t &code) {
    for (Failure &f : failures_) {
        if (f.name != name || f.times == 0) continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        if (f.times > 0) --f.times;
        code = DbeRealApi().DbeSetLastError(static_cast<uint32_t>(f.code), f.text.c_str());
        return true;
    }
    return false;
}

void DbeRecorder::Add(std::string line, int32_t result) {
    calls_.push_back(std::move(line));
    results_.push_back(result);
}

std::string Expand(const std::string &pattern, const Vars &vars) {
    std::string out = pattern;
    // Longer names first, so that $ID does not eat the start of $ID_ART.
    std::vector<std::pair<std::string, std::string>> ordered(vars.begin(), vars.end());
    std::sort(ordered.begin(), ordered.end(),
              [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
    for (const auto &[name, value] : ordered) {
        const std::string key = "$" + name;
        for (size_t at = out.find(key); at != std::string::npos; at = out.find(key, at + value.size()))
            out.replace(at, key.size(), value);
    }
    return out;
}

bool Glob(const std::string &pattern, const std::string &text) {
    size_t p = 0, t = 0, star = std::string::npos, mark = 0;
    while (t < text.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            mark = t;
        } else if (p < pattern.size() && pattern[p] == text[t]) {
            ++p;
            ++t;
        } else if (star != std::string::npos) {
            p = star + 1;
            t = ++mark;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

std::vector<std::string> From(const std::vector<std::string> &calls, const std::string &first,
                              const Vars &vars) {
    const std::string p = Expand(first, vars);
    for (size_t i = 0; i < calls.size(); ++i)
        if (Glob(p, calls[i])) return {calls.begin() + static_cast<long>(i), calls.end()};
    return {};
}

std::vector<std::string> UpTo(const std::vector<std::string> &calls, const std::string &last,
                              const Vars &vars) {
    const std::string p = Expand(last, vars);
    for (size_t i = 0; i < calls.size(); ++i)
        if (Glob(p, calls[i])) return {calls.begin(), calls.begin() + static_cast<long>(i) + 1};
    return calls;
}

std::string Quoted(const std::string &bytes) {
    std::string out = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        }
    }
    return out + "\"";
}

std::string Padded(const std::string &text, size_t length, char pad) {
    std::string out = text;
    out.resize(length, pad);
    return out;
}

}  // namespace dbtest

::testing::AssertionResult CallsMatch(const std::vector<std::string> &calls,
                                      const std::vector<std::string> &patterns,
                                      const dbtest::Vars &vars) {
    bool ok = calls.size() == patterns.size();
    std::string report;
    for (size_t i = 0; i < std::max(calls.size(), patterns.size()); ++i) {
        const std::string want = i < patterns.size() ? dbtest::Expand(patterns[i], vars) : "(none)";
        const std::string got = i < calls.size() ? calls[i] : "(none)";
        const bool same = i < patterns.size() && i < calls.size() && dbtest::Glob(want, got);
        ok = ok && same;
        report += (same ? "   " : "!! ") + std::to_string(i) + ": expected " + want +
                  "\n      got      " + got + "\n";
    }
    if (ok) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "call sequence differs:\n" << report;
}
