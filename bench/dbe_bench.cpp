// dbe_bench: what the table engine costs on top of the SQLite file it keeps.
//
//   dbe_bench [--articles N] [--only walk|seek|delete]   (N default 1,000,000)
//
// It builds, in a fresh temporary folder, an article table with the layout of
// the host's article master table (32 fields, tags ID, BZK, BZL, ARTN,
// MATCH0, LAART, GRUP) holding N articles, 1 % of which repeat an earlier
// article number, filled through the engine inside one transaction, and
// reports how long that took. Then, in the same run, it measures three things
// and prints each as a cost per record and as a ratio to a reference measured
// on the same file:
//
// 1. Walking the ARTN order with the calls the database layer makes for
//    every record (DbeSkip, DbeGetNumFields, DbeAtEOF, DbeAtBOF,
//    DbeIsRecordVisible, DbeGetRecord, DbeGetBookmarkEx and DbeIsEmpty for
//    each of the three memo fields), against the storage floor: one plain
//    SQLite statement reading every column of the same rows in the same order
//    through the same index. The sqlite3 shell's GROUP BY query for duplicate
//    article numbers is a second reference: it is what a user could run by
//    hand instead of the check. Goal: within 1.2x of the floor.
// 2. Seeking 100,000 random IDs through the ID tag (DbeInitRawKey,
//    DbeSetFieldRaw, DbeBuildRawKey, DbeSeek, DbeGetRecord) against a
//    prepared SELECT by ID that uses the same index. Goal: within 1.5x.
// 3. Deleting 5,000 records one at a time, each committed on its own
//    (DbeGotoRecord, DbeDeleteRecord, DbeWriteRecord), against plain DELETEs
//    by record number in autocommit mode on a copy of the file.
//
// Walks and seeks run twice and the faster run counts, so neither side pays
// for first touching the mapped file. The program measures and reports only:
// a missed goal is printed, never enforced. The folder is removed at the end.
// --only runs one measurement after the build, which keeps a profiler run
// short; under callgrind, --collect-atstart=no with a --toggle-collect for
// each measured Dbe call leaves the build out of the profile.
#include "dbe.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

const char *const kTableName = "ArtikelMain.TBL";
const char *const kFields =
    "ID,AutoInc;BZK,String,50;BZL,String,50;LFT,Memo;BST,Double;EKEU,Double;VKEU,Double;"
    "MWST,Double;MEM,Memo;ARTN,String,50;EINH,String,15;GRUP,ShortInt;CFAC,Double;"
    "MATCH0,String,50;MATCH1,String,10;MATCH2,String,10;MATCH3,String,10;MATCH4,String,10;"
    "LAART,Logical;BSTN,String,50;SRNS,Memo;GEK,CurDouble;MinEK,CurDouble;MaxEK,CurDouble;"
    "GSTEK,CurDouble;GSTVK,Double;GVK,Double;MinVK,Double;MaxVK,Double;MiddVK,Double;"
    "DEZ,ShortInt;MiddEK,Double";

struct Tag {
    const char *name, *expression;
    uint32_t options;
};
const Tag kTags[] = {
    {"ID", "ID", DBE_INDEX_UNIQUE}, {"BZK", "BZK", 0},   {"BZL", "BZL", 0},
    {"ARTN", "ARTN", 0},            {"MATCH0", "MATCH0;MATCH1;MATCH2;MATCH3;MATCH4", 0},
    {"LAART", "LAART", 0},          {"GRUP", "GRUP", 0},
};

constexpr uint32_t kSeeks = 100000;
constexpr uint32_t kDeletes = 5000;
constexpr double kWalkGoal = 1.2, kSeekGoal = 1.5;

// The engine opens every table file with these; the floor uses them too, so
// that the comparison is about the engine's own work, not about cache sizes.
const char *const kSqlitePragmas =
    "PRAGMA synchronous=NORMAL; PRAGMA mmap_size=268435456; PRAGMA cache_size=-32000;";

// ---------------------------------------------------------------------------
// Failures end the run: a benchmark of a failing call would measure nothing.

[[noreturn]] void Die(const std::string &what) {
    std::fprintf(stderr, "dbe_bench: %s\n", what.c_str());
    std::exit(1);
}

void Check(DBESTATUS rc, const char *call) {
    if (rc == DBE_SUCCESS) return;
    uint32_t code = 0;
    char text[601] = {};
    uint16_t length = sizeof text;
    DbeGetLastError(&code, text, &length);
    Die(std::string(call) + " failed: " + std::to_string(rc) + " " + text);
}

void CheckSql(int rc, sqlite3 *db, const char *what) {
    if (rc == SQLITE_OK || rc == SQLITE_ROW || rc == SQLITE_DONE) return;
    Die(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
}

double Seconds(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

template <class F> double BestOfTwo(F run) {
    double best = 0;
    for (int i = 0; i < 2; ++i) {
        auto start = Clock::now();
        run();
        double s = Seconds(start);
        best = i == 0 ? s : std::min(best, s);
    }
    return best;
}

// splitmix64: the same data on every machine, so runs can be compared.
struct Random {
    uint64_t state;
    uint64_t Next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(Next() % n); }
};

// Distinct numbers from 1..n in random order.
std::vector<uint32_t> DistinctSample(uint32_t n, uint32_t count, Random &r) {
    std::vector<uint32_t> all(n);
    std::iota(all.begin(), all.end(), 1u);
    count = std::min(count, n);
    for (uint32_t i = 0; i < count; ++i) std::swap(all[i], all[i + r.Below(n - i)]);
    all.resize(count);
    return all;
}

// ---------------------------------------------------------------------------
// The collation the engine registers for string keys, rebuilt here: the file's
// tag indexes name it, and a DELETE on the copy only finds its index entries
// when the comparison agrees with the one that ordered them.

int Cp1252Byte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    static const char32_t k80to9F[32] = {
        0x20AC, 0x81,   0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
        0x2039, 0x0152, 0x8D,   0x017D, 0x8F,   0x90,   0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
        0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x9D,   0x017E, 0x0178};
    for (int i = 0; i < 32; ++i)
        if (k80to9F[i] == cp) return 0x80 + i;
    return '?';
}

unsigned char NextCp1252(const unsigned char *&p, const unsigned char *end) {
    unsigned char c = *p++;
    if (c < 0x80) return c;
    int extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : 3;
    char32_t cp = c & (0x3F >> extra);
    for (int i = 0; i < extra && p < end; ++i) cp = (cp << 6) | (*p++ & 0x3F);
    return static_cast<unsigned char>(Cp1252Byte(cp));
}

int CollateBlankPadded(void *, int n1, const void *s1, int n2, const void *s2) {
    auto p = static_cast<const unsigned char *>(s1), e1 = p + n1;
    auto q = static_cast<const unsigned char *>(s2), e2 = q + n2;
    // The engine stores an empty string as the all-zero image: before blanks.
    if (n1 == 0 || n2 == 0) return (n1 == 0) == (n2 == 0) ? 0 : (n1 == 0 ? -1 : 1);
    while (p < e1 || q < e2) {
        unsigned char a = p < e1 ? NextCp1252(p, e1) : ' ';
        unsigned char b = q < e2 ? NextCp1252(q, e2) : ' ';
        if (a != b) return a < b ? -1 : 1;
    }
    return 0;
}

sqlite3 *OpenPlain(const std::string &path) {
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                             nullptr);
    CheckSql(rc, db, path.c_str());
    sqlite3_create_collation(db, "dbe_char", SQLITE_UTF8, nullptr, CollateBlankPadded);
    CheckSql(sqlite3_exec(db, kSqlitePragmas, nullptr, nullptr, nullptr), db, "pragmas");
    return db;
}

sqlite3_stmt *Prepare(sqlite3 *db, const std::string &sql) {
    sqlite3_stmt *s = nullptr;
    CheckSql(sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr), db, sql.c_str());
    return s;
}

// The plan's detail lines, so the report shows which index the floor used.
std::string QueryPlan(sqlite3 *db, const std::string &sql) {
    sqlite3_stmt *s = Prepare(db, "EXPLAIN QUERY PLAN " + sql);
    std::string plan;
    while (sqlite3_step(s) == SQLITE_ROW)
        plan += (plan.empty() ? "" : "; ") +
                std::string(reinterpret_cast<const char *>(sqlite3_column_text(s, 3)));
    sqlite3_finalize(s);
    return plan;
}

// Touches every column value of the current row, as a reader of the row must.
uint64_t ReadColumns(sqlite3_stmt *s) {
    uint64_t sum = 0;
    for (int c = 0, n = sqlite3_column_count(s); c < n; ++c) {
        switch (sqlite3_column_type(s, c)) {
        case SQLITE_INTEGER: sum += static_cast<uint64_t>(sqlite3_column_int64(s, c)); break;
        case SQLITE_FLOAT: sum += static_cast<uint64_t>(sqlite3_column_double(s, c)); break;
        case SQLITE_TEXT: {
            const unsigned char *p = sqlite3_column_text(s, c);
            int length = sqlite3_column_bytes(s, c);
            sum += static_cast<uint64_t>(length) + (length ? p[0] : 0);
            break;
        }
        case SQLITE_BLOB: sum += static_cast<uint64_t>(sqlite3_column_bytes(s, c)); break;
        default: break;
        }
    }
    return sum;
}

// ---------------------------------------------------------------------------
// Building the table.

std::string ArticleNumber(uint32_t serial) {
    // A bijection of 0..10^8-1, so that article number order and record
    // order differ and a walk by ARTN jumps about in the table.
    uint32_t v = static_cast<uint32_t>((uint64_t(serial) * 2654435761ull) % 100000000ull);
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%06u", v / 1000000, v % 1000000);
    return text;
}

void SetText(DBEHANDLE table, const char *field, const std::string &value) {
    Check(DbeSetField(table, field, value.data(), static_cast<uint32_t>(value.size())),
          "DbeSetField");
}

void SetDouble(DBEHANDLE table, const char *field, double value) {
    Check(DbeSetFieldRaw(table, field, &value, sizeof value), "DbeSetFieldRaw");
}

void SetShort(DBEHANDLE table, const char *field, int16_t value) {
    Check(DbeSetFieldRaw(table, field, &value, sizeof value), "DbeSetFieldRaw");
}

// Texts are put together with printf formats: GCC 12 warns wrongly about
// "literal" + std::string temporaries, and -Werror makes that fatal.
__attribute__((format(printf, 1, 2))) std::string Format(const char *format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// One article with values of the kind the host keeps: German texts in
// Windows-1252, prices, a memo on some articles.
void FillArticle(DBEHANDLE table, const std::string &artn, Random &r) {
    static const char *const kinds[] = {"Sechskantschraube", "Zylinderschraube", "Mutter",
                                        "Unterlegscheibe",   "D\xFC" "bel",      "Holzschraube",
                                        "Gewindestange",     "Kabelbinder",      "Schlauchschelle",
                                        "Gro\xDF" "fl\xE4" "chenscheibe"};
    static const char *const finishes[] = {"verzinkt", "Edelstahl A2", "Edelstahl A4",
                                           "gelb verzinkt", "schwarz br\xFCniert"};
    static const char *const units[] = {"St\xFC" "ck", "m", "kg", "Pkg", "Karton"};
    const char *kind = kinds[r.Below(10)];
    const std::string finish = finishes[r.Below(5)];
    const unsigned thread = 3 + r.Below(14), length = 10 + 5 * r.Below(20);
    const std::string size = Format("M%ux%u", thread, length);
    const double ek = 0.01 * (1 + r.Below(20000));

    SetText(table, "BZK", Format("%s %s", kind, size.c_str()));
    std::string longText =
        Format("%s %s %s, DIN %u", kind, size.c_str(), finish.c_str(), 900 + r.Below(100));
    longText.resize(std::min<size_t>(longText.size(), 50));  // the field's length
    SetText(table, "BZL", longText);
    if (r.Below(5) == 0) {
        const unsigned pieces = 50 * (1 + r.Below(10)), hall = 1 + r.Below(4);
        SetText(table, "LFT", Format("Lieferung in Kartons zu %u St\xFC" "ck. Lagerort Halle %u",
                                     pieces, hall));
    }
    SetDouble(table, "BST", double(r.Below(5000)));
    SetDouble(table, "EKEU", ek);
    SetDouble(table, "VKEU", ek * 1.6);
    SetDouble(table, "MWST", 19.0);
    if (r.Below(20) == 0) SetText(table, "MEM", "Nur auf Anfrage liefern.");
    SetText(table, "ARTN", artn);
    SetText(table, "EINH", units[r.Below(5)]);
    SetShort(table, "GRUP", static_cast<int16_t>(1 + r.Below(40)));
    SetDouble(table, "CFAC", 1.0);
    SetText(table, "MATCH0", kind);
    SetText(table, "MATCH1", size);
    SetText(table, "MATCH2", finish.substr(0, 10));
    SetText(table, "MATCH3", "DIN");
    SetText(table, "MATCH4", Format("%u", r.Below(1000)));
    Check(DbeSetFieldRaw(table, "LAART", r.Below(2) ? "T" : "F", 1), "DbeSetFieldRaw");
    SetText(table, "BSTN", Format("B-%u", r.Below(100000)));
    if (r.Below(100) == 0) SetText(table, "SRNS", Format("SN-%u", r.Below(1000000)));
    for (const char *f : {"GEK", "MinEK", "MaxEK", "GSTEK", "MiddEK"}) SetDouble(table, f, ek);
    for (const char *f : {"GSTVK", "GVK", "MinVK", "MaxVK", "MiddVK"}) SetDouble(table, f, ek * 1.6);
    SetShort(table, "DEZ", 2);
}

// Creates the table and its tags, then fills it in one transaction. Answers
// the number of articles that repeat an earlier article number.
uint32_t BuildTable(const std::string &folder, uint32_t articles) {
    DBEHANDLE connection = 0, table = 0;
    Check(DbeConnect(folder.c_str(), &connection), "DbeConnect");
    Check(DbeCreateTable(connection, kTableName, kFields, &table), "DbeCreateTable");
    for (const Tag &tag : kTags) {
        DBEHANDLE index = 0;
        Check(DbeCreateIndex(table, tag.name, tag.expression, tag.options, &index),
              "DbeCreateIndex");
    }
    Random r{42};
    uint32_t serials = 0, repeats = 0;
    Check(DbeBeginTransaction(connection), "DbeBeginTransaction");
    for (uint32_t i = 0; i < articles; ++i) {
        uint32_t serial;
        if (serials > 0 && r.Below(100) == 0) {
            serial = r.Below(serials);
            ++repeats;
        } else {
            serial = serials++;
        }
        Check(DbeAppendRecord(table), "DbeAppendRecord");
        FillArticle(table, ArticleNumber(serial), r);
        Check(DbeWriteRecord(table), "DbeWriteRecord");
    }
    Check(DbeCommitTransaction(connection), "DbeCommitTransaction");
    Check(DbeCloseTable(table), "DbeCloseTable");
    Check(DbeDisconnect(connection), "DbeDisconnect");
    return repeats;
}

// ---------------------------------------------------------------------------
// The measurements.

struct Engine {
    DBEHANDLE connection = 0, table = 0;
    std::vector<unsigned char> record;

    explicit Engine(const std::string &folder) {
        Check(DbeConnect(folder.c_str(), &connection), "DbeConnect");
        Check(DbeOpenTable(connection, kTableName, nullptr, DBE_TBL, 0, 0, 0, 0, &table),
              "DbeOpenTable");
        uint32_t length = 0;
        Check(DbeGetRecordLength(table, &length), "DbeGetRecordLength");
        record.resize(length);
    }
    ~Engine() {
        DbeCloseTable(table);
        DbeDisconnect(connection);
    }
    DBEHANDLE Index(const char *tag) {
        DBEHANDLE index = 0;
        Check(DbeGetIndexHandle(table, tag, &index), "DbeGetIndexHandle");
        return index;
    }
    void ReadRecord() {
        uint32_t length = static_cast<uint32_t>(record.size());
        Check(DbeGetRecord(table, record.data(), &length), "DbeGetRecord");
    }
};

// The calls the database layer makes for each record while it walks an order.
uint32_t WalkEngine(Engine &engine, DBEHANDLE order) {
    uint32_t records = 0;
    uint64_t sum = 0;
    Check(DbeGotoBOF(order), "DbeGotoBOF");
    for (;;) {
        Check(DbeSkip(order, 1), "DbeSkip");
        uint16_t fields = 0, eof = 0, bof = 0, visible = 0, empty = 0;
        Check(DbeGetNumFields(engine.table, &fields), "DbeGetNumFields");
        Check(DbeAtEOF(order, &eof), "DbeAtEOF");
        if (eof) break;
        Check(DbeAtBOF(order, &bof), "DbeAtBOF");
        Check(DbeIsRecordVisible(order, &visible), "DbeIsRecordVisible");
        engine.ReadRecord();
        uint32_t bookmark = 0, length = sizeof bookmark;
        Check(DbeGetBookmarkEx(order, &bookmark, &length), "DbeGetBookmarkEx");
        for (const char *memo : {"LFT", "MEM", "SRNS"}) {
            Check(DbeIsEmpty(engine.table, memo, &empty), "DbeIsEmpty");
            sum += empty;
        }
        sum += bookmark + fields + bof + visible;
        ++records;
    }
    if (sum == 0) std::printf("(no records walked)\n");
    return records;
}

const char *const kWalkSql =
    "SELECT * FROM records ORDER BY \"ARTN\" COLLATE dbe_char, _recno";

uint32_t WalkFloor(sqlite3 *db) {
    sqlite3_stmt *s = Prepare(db, kWalkSql);
    uint32_t records = 0;
    uint64_t sum = 0;
    int rc;
    while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
        sum += ReadColumns(s);
        ++records;
    }
    CheckSql(rc, db, "walk");
    sqlite3_finalize(s);
    if (sum == 0) std::printf("(no columns read)\n");
    return records;
}

const char *const kDuplicatesSql =
    "SELECT ARTN, count(*) FROM records GROUP BY ARTN HAVING count(*) > 1";

bool OnPath(const char *program) {
    const char *path = std::getenv("PATH");
    std::string dirs = path ? path : "";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon - start);
        if (!dir.empty() && ::access((dir + "/" + program).c_str(), X_OK) == 0) return true;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return false;
}

// The shell's duplicate query, timed with the shell's start-up included, as a
// user would experience it. Answers the number of duplicate article numbers.
uint32_t DuplicatesByShell(const std::string &file) {
    std::string command = "sqlite3 '" + file + "' '" + kDuplicatesSql + "'";
    FILE *pipe = ::popen(command.c_str(), "r");
    if (!pipe) Die("cannot run " + command);
    uint32_t lines = 0;
    char buffer[4096];
    while (std::fgets(buffer, sizeof buffer, pipe))
        if (std::strchr(buffer, '\n')) ++lines;
    if (::pclose(pipe) != 0) Die(command + " failed");
    return lines;
}

uint32_t DuplicatesInProcess(sqlite3 *db) {
    sqlite3_stmt *s = Prepare(db, kDuplicatesSql);
    uint32_t groups = 0;
    while (sqlite3_step(s) == SQLITE_ROW) ++groups;
    sqlite3_finalize(s);
    return groups;
}

uint32_t SeekEngine(Engine &engine, DBEHANDLE idTag, const std::vector<uint32_t> &ids) {
    uint32_t found = 0;
    for (uint32_t id : ids) {
        Check(DbeInitRawKey(idTag), "DbeInitRawKey");
        Check(DbeSetFieldRaw(idTag, "ID", &id, sizeof id), "DbeSetFieldRaw");
        unsigned char key[16];
        uint16_t length = sizeof key, hit = 0;
        Check(DbeBuildRawKey(idTag, key, &length), "DbeBuildRawKey");
        Check(DbeSeek(idTag, key, length, DBE_RAWKEY, DBE_HARDSEEK, &hit), "DbeSeek");
        if (!hit) continue;
        engine.ReadRecord();
        ++found;
    }
    return found;
}

const char *const kSeekSql = "SELECT * FROM records WHERE \"ID\"=?";

uint32_t SeekFloor(sqlite3 *db, const std::vector<uint32_t> &ids) {
    sqlite3_stmt *s = Prepare(db, kSeekSql);
    uint32_t found = 0;
    uint64_t sum = 0;
    for (uint32_t id : ids) {
        sqlite3_bind_int64(s, 1, id);
        int rc = sqlite3_step(s);
        CheckSql(rc, db, "seek");
        if (rc == SQLITE_ROW) {
            sum += ReadColumns(s);
            ++found;
        }
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    if (found && sum == 0) std::printf("(no columns read)\n");
    return found;
}

void DeleteEngine(Engine &engine, const std::vector<uint32_t> &recnos) {
    for (uint32_t recno : recnos) {
        Check(DbeGotoRecord(engine.table, recno), "DbeGotoRecord");
        Check(DbeDeleteRecord(engine.table), "DbeDeleteRecord");
        Check(DbeWriteRecord(engine.table), "DbeWriteRecord");
    }
}

uint32_t DeleteFloor(sqlite3 *db, const std::vector<uint32_t> &recnos) {
    CheckSql(sqlite3_exec(db, "PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr), db, "WAL");
    sqlite3_stmt *s = Prepare(db, "DELETE FROM records WHERE _recno=?");
    uint32_t deleted = 0;
    for (uint32_t recno : recnos) {
        sqlite3_bind_int64(s, 1, recno);
        CheckSql(sqlite3_step(s), db, "delete");
        deleted += static_cast<uint32_t>(sqlite3_changes(db));
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    return deleted;
}

// Reads a file once, so that its pages are in the page cache: a file left
// untouched for minutes may have been dropped from it, and reading it back
// from disk would be charged to whichever side comes to it first.
void WarmUp(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (!f) Die("cannot read " + path);
    std::vector<char> buffer(1 << 20);
    while (std::fread(buffer.data(), 1, buffer.size(), f) == buffer.size()) {
    }
    std::fclose(f);
}

void FlushToDisk(const std::string &path) {
    int fd = ::open(path.c_str(), O_RDONLY);
    if (fd < 0 || ::fsync(fd) != 0) Die("cannot flush " + path);
    ::close(fd);
}

// ---------------------------------------------------------------------------
// Report lines.

// Other work on the machine slows both sides of a ratio, but not evenly:
// the load beside the results tells whether a run can be trusted.
std::string LoadAverage() {
    FILE *f = std::fopen("/proc/loadavg", "r");
    if (!f) return "unknown";
    char text[64] = {};
    if (!std::fgets(text, sizeof text, f)) text[0] = '\0';
    std::fclose(f);
    std::string load(text);
    return load.substr(0, load.find(' ', load.find(' ', load.find(' ') + 1) + 1));
}

void PrintCost(const char *what, double seconds, uint32_t records) {
    std::printf("   %-44s %9.3f us/record  (%.2f s)\n", what, seconds * 1e6 / records, seconds);
}

void PrintRatio(const char *what, double ratio, double goal) {
    if (goal > 0)
        std::printf("   %-44s %9.2fx  goal <= %.1fx: %s\n", what, ratio, goal,
                    ratio <= goal ? "met" : "MISSED");
    else
        std::printf("   %-44s %9.2fx\n", what, ratio);
}

// ---------------------------------------------------------------------------
// The three measurements with their references.

void ReportWalk(Engine &engine, sqlite3 *plain, const std::string &file, uint32_t articles) {
    std::printf("1. walk in ARTN order, all records\n");
    const DBEHANDLE artn = engine.Index("ARTN");
    uint32_t walked = 0, floorRows = 0;
    const double walkEngine = BestOfTwo([&] { walked = WalkEngine(engine, artn); });
    const double walkFloor = BestOfTwo([&] { floorRows = WalkFloor(plain); });
    std::printf("   floor plan: %s\n", QueryPlan(plain, kWalkSql).c_str());
    if (walked != articles || floorRows != articles)
        std::printf("   (walked %u by the engine, %u by SQLite)\n", walked, floorRows);
    const bool shell = OnPath("sqlite3");
    auto start = Clock::now();
    const uint32_t groups = shell ? DuplicatesByShell(file) : DuplicatesInProcess(plain);
    const double duplicates = Seconds(start);
    PrintCost("engine: Skip + 9 calls per record", walkEngine, articles);
    PrintCost("floor: one SELECT, every column", walkFloor, articles);
    PrintRatio("engine / floor", walkEngine / walkFloor, kWalkGoal);
    PrintCost(shell ? "sqlite3 shell: GROUP BY ARTN HAVING count>1"
                    : "in-process: GROUP BY ARTN HAVING count>1",
              duplicates, articles);
    PrintRatio("engine / GROUP BY", walkEngine / duplicates, 0);
    std::printf("   %-44s %9u\n\n", "duplicate article numbers (GROUP BY)", groups);
}

void ReportSeek(Engine &engine, sqlite3 *plain, const std::vector<uint32_t> &ids) {
    const uint32_t count = static_cast<uint32_t>(ids.size());
    std::printf("2. seek %u random IDs through the ID tag\n", count);
    const DBEHANDLE idTag = engine.Index("ID");
    uint32_t hitsEngine = 0, hitsFloor = 0;
    const double seekEngine = BestOfTwo([&] { hitsEngine = SeekEngine(engine, idTag, ids); });
    const double seekFloor = BestOfTwo([&] { hitsFloor = SeekFloor(plain, ids); });
    std::printf("   floor plan: %s\n", QueryPlan(plain, kSeekSql).c_str());
    if (hitsEngine != count || hitsFloor != count)
        std::printf("   (found %u by the engine, %u by SQLite)\n", hitsEngine, hitsFloor);
    PrintCost("engine: InitRawKey .. Seek + GetRecord", seekEngine, count);
    PrintCost("floor: prepared SELECT * WHERE ID=?", seekFloor, count);
    PrintRatio("engine / floor", seekEngine / seekFloor, kSeekGoal);
    std::printf("\n");
}

void ReportDelete(Engine &engine, const std::string &file, const std::string &copy,
                  const std::vector<uint32_t> &doomed) {
    const uint32_t count = static_cast<uint32_t>(doomed.size());
    std::printf("3. delete %u records, each committed on its own\n", count);
    WarmUp(file);
    WarmUp(copy);
    auto start = Clock::now();
    DeleteEngine(engine, doomed);
    const double deleteEngine = Seconds(start);
    sqlite3 *copyDb = OpenPlain(copy);
    start = Clock::now();
    const uint32_t deleted = DeleteFloor(copyDb, doomed);
    const double deleteFloor = Seconds(start);
    sqlite3_close_v2(copyDb);
    if (deleted != count) std::printf("   (SQLite deleted %u)\n", deleted);
    PrintCost("engine: GotoRecord + Delete + Write", deleteEngine, count);
    PrintCost("floor: DELETE WHERE _recno=?, autocommit", deleteFloor, count);
    PrintRatio("engine / floor", deleteEngine / deleteFloor, 0);
}

struct Options {
    uint32_t articles = 1000000;
    std::string only;  // one measurement, e.g. under a profiler; empty: all
};

Options ParseOptions(int argc, char **argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--articles" && i + 1 < argc) {
            options.articles = static_cast<uint32_t>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--only" && i + 1 < argc) {
            options.only = argv[++i];
            if (options.only != "walk" && options.only != "seek" && options.only != "delete")
                Die("--only takes walk, seek or delete");
        } else {
            std::fprintf(stderr, "usage: dbe_bench [--articles N] [--only walk|seek|delete]\n");
            std::exit(2);
        }
    }
    if (options.articles < 100) Die("--articles must be at least 100");
    return options;
}

}  // namespace

int main(int argc, char **argv) {
    const Options options = ParseOptions(argc, argv);
    const uint32_t articles = options.articles;
    auto wanted = [&](const char *phase) { return options.only.empty() || options.only == phase; };
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/dbe_bench.XXXXXX";
    if (!::mkdtemp(pattern.data())) Die("cannot create a folder from " + pattern);
    const std::string folder = pattern, file = folder + "/" + kTableName,
                      copy = folder + "/copy.TBL";

    std::printf("dbe_bench: %u articles in %s (SQLite %s, load average %s)\n\n", articles,
                folder.c_str(), sqlite3_libversion(), LoadAverage().c_str());
    auto start = Clock::now();
    const uint32_t repeats = BuildTable(folder, articles);
    const double build = Seconds(start);
    std::printf("build: table, 7 tags and %u articles (%u repeat an article number), "
                "filled in one transaction\n",
                articles, repeats);
    PrintCost("build", build, articles);
    std::printf("   %-44s %9.1f MB\n\n", "file size",
                double(std::filesystem::file_size(file)) / 1e6);
    std::fflush(stdout);
    if (wanted("delete")) {
        // The delete reference needs the table as it is before the engine
        // deletes; the build's connection is closed, so the file is complete.
        // The copy goes to disk now, or its first checkpoint would pay for
        // writing the whole file and the floor would look slow.
        std::filesystem::copy_file(file, copy);
        FlushToDisk(copy);
    }

    Random r{7};
    std::vector<uint32_t> seekIds(kSeeks);
    for (auto &id : seekIds) id = 1 + r.Below(articles);
    const std::vector<uint32_t> doomed = DistinctSample(articles, kDeletes, r);

    sqlite3 *plain = OpenPlain(file);
    {
        Engine engine(folder);
        if (wanted("walk")) ReportWalk(engine, plain, file, articles);
        std::fflush(stdout);
        if (wanted("seek")) ReportSeek(engine, plain, seekIds);
        std::fflush(stdout);
        if (wanted("delete")) ReportDelete(engine, file, copy, doomed);
    }
    sqlite3_close_v2(plain);
    std::printf("\nload average at the end: %s\n", LoadAverage().c_str());
    std::filesystem::remove_all(folder);
    return 0;
}
