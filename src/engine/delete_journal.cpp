#include "delete_journal.h"

#include "cp1252.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <vector>

namespace dbe {

const char *const kJournalColumns[kJournalFieldCount] = {"#deleted_at", "#deleted_by",
                                                         "#deleted_host"};

namespace {

std::string Cut(const std::string &utf8) {
    std::string cp;
    Utf8ToCp1252(utf8, cp);
    if (cp.size() > kJournalTextLength) cp.resize(kJournalTextLength);
    return cp;
}

std::string UserName() {
    std::vector<char> buffer(16384);
    passwd entry{}, *found = nullptr;
    if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_name && *found->pw_name)
        return found->pw_name;
    for (const char *variable : {"USER", "LOGNAME"})
        if (const char *name = std::getenv(variable); name && *name) return name;
    return "uid " + std::to_string(::geteuid());
}

std::string HostName() {
    char name[256] = {};
    if (::gethostname(name, sizeof name - 1) != 0 || !*name) return "?";
    return name;
}

} // namespace

DeleteStamp StampNow() {
    // The process keeps its user and host; asking the password database for
    // every deleted record would cost more than the delete.
    static const std::string user = Cut(UserName());
    static const std::string host = Cut(HostName());
    static const int64_t epoch = JulianFromCivil(1970, 1, 1) * 86400000;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    DeleteStamp stamp;
    stamp.at = epoch + int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
    stamp.user = user;
    stamp.host = host;
    return stamp;
}

void AddJournalFields(Schema &schema) {
    const struct {
        const char *name;
        uint16_t type;
        uint32_t length;
    } added[kJournalFieldCount] = {{"DELETED_AT", 14, 8},
                                   {"DELETED_BY", 4, kJournalTextLength},
                                   {"DELETED_HOST", 4, kJournalTextLength}};
    for (const auto &a : added) {
        FieldDef f;
        f.name = a.name;
        while (schema.FieldIndex(f.name) >= 0)
            f.name = "_" + f.name;
        f.type = a.type;
        f.length = a.length;
        schema.fields.push_back(f);
    }
    schema.Layout();
}

} // namespace dbe
