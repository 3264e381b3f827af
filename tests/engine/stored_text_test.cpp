// Texts another program left in a table, past the engine: the engine
// delivers each unchanged or fails naming the table, the record and the
// field, and it never stores a text that a NUL byte would cut short.
#include "engine_fixture.h"
#include "past_engine.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <optional>
#include <string>

namespace dbetest {
namespace {

class StoredText : public EngineTest {
protected:
    // Replaces what column `column` of record `recno` holds by `stored`: the
    // UTF-8 bytes of a local table's text column, or the bytes of a server
    // table's bytea column, not checked by anyone.
    void StorePastTheEngine(const std::string &table, const std::string &column, uint32_t recno,
                            const std::string &stored) {
        if (RemoteBackend()) {
            const std::string sql = testsupport::StoreInRelationSql(table, column, recno, stored);
            ASSERT_EQ(ExecuteOnServer(sql), "") << sql;
        } else {
            ASSERT_EQ(testsupport::StoreInTableFile(dir_.File(table), column, recno, stored), "");
        }
    }

    static std::string HexDigits(const std::string &bytes) {
        std::string hex = Hex(bytes);
        std::erase(hex, ' ');
        return hex;
    }
};

// The failure of a read of the stored text: its code, and a text that names
// the table, the record, the field and what is wrong.
void ExpectUnreadable(DBESTATUS rc, const std::string &table, uint32_t recno, const char *field,
                      const std::string &why) {
    EXPECT_EQ(rc, DBE_E_UNREADABLE_TEXT);
    EXPECT_EQ(LastErrorCode(), uint32_t(DBE_E_UNREADABLE_TEXT));
    EXPECT_EQ(LastErrorText(), "A stored text cannot be read. " + table + " record " +
                                   std::to_string(recno) + " field " + field + " holds a text " +
                                   why + ".");
}

struct StoredCase {
    const char *name;
    const char *field;
    std::string stored;               // as the other program left it
    std::optional<std::string> reads; // Windows-1252 bytes, or none when unreadable
    const char *why = "";             // the reason the error gives
};

// A local table holds UTF-8 text; only what maps to one Windows-1252 text
// one-to-one reads.
std::vector<StoredCase> LocalCases() {
    return {
        {"a character Windows-1252 lacks",
         "ARTN",
         "X-\xC5\x81"
         "1",
         {},
         "that is not Windows-1252"},
        {"Windows-1252 bytes instead of UTF-8",
         "ARTN",
         "X-\xA3"
         "1",
         {},
         "that is not UTF-8"},
        {"an overlong form of A", "ARTN", "X-\xC1\x81", {}, "that is not UTF-8"},
        {"a cut sequence", "ARTN", "X-\xC3", {}, "that is not UTF-8"},
        {"a surrogate", "ARTN", "X-\xED\xA0\x80", {}, "that is not UTF-8"},
        {"an embedded NUL",
         "ARTN",
         std::string("X-\0"
                     "1",
                     4),
         {},
         "with a NUL byte"},
        {"longer than the field", "ARTN", "X-123456789", {}, "longer than its 10 characters"},
        {"a memo with a character Windows-1252 lacks",
         "M",
         "\xC5\x81",
         {},
         "that is not Windows-1252"},
        {"a memo of Windows-1252 bytes",
         "M",
         "Gr\xF6\xDF"
         "e",
         {},
         "that is not UTF-8"},
        {"pound sign", "ARTN",
         "X-\xC2\xA3"
         "1",
         "X-\xA3"
         "1"},
        {"euro sign", "ARTN", "X-\xE2\x82\xAC", "X-\x80"},
        {"the five unassigned bytes as C1 code points", "ARTN",
         "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D", "\x81\x8D\x8F\x90\x9D"},
        {"trailing blanks beyond the field", "ARTN", "X-1" + std::string(20, ' '), "X-1"},
        {"a memo keeps a NUL", "M", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
}

// A server table holds the bytes themselves: every byte is a Windows-1252
// text byte there, the five unassigned ones too.
std::vector<StoredCase> ServerCases() {
    return {
        {"an embedded NUL",
         "ARTN",
         std::string("X-\0"
                     "1",
                     4),
         {},
         "with a NUL byte"},
        {"longer than the field", "ARTN", "X-123456789", {}, "longer than its 10 characters"},
        {"pound sign", "ARTN",
         "X-\xA3"
         "1",
         "X-\xA3"
         "1"},
        {"the five unassigned bytes", "ARTN", "\x81\x8D\x8F\x90\x9D", "\x81\x8D\x8F\x90\x9D"},
        {"trailing blanks beyond the field", "ARTN", "X-1" + std::string(20, ' '), "X-1"},
        {"a memo of any bytes", "M", std::string("\x81\0\xFF", 3), std::string("\x81\0\xFF", 3)},
    };
}

// Records A1 (1), the case's text (2), Z9 (3). An unreadable number cannot
// be reached by any move or seek, from either side, and a failed move
// keeps the position; the records around it read as before. An unreadable
// memo fails the reads of that memo alone.
TEST_F(StoredText, ATextOfAnotherProgramReadsUnchangedOrFailsNamingRecordAndField) {
    int n = 0;
    for (const StoredCase &c : RemoteBackend() ? ServerCases() : LocalCases()) {
        SCOPED_TRACE(c.name);
        const std::string name = "text" + std::to_string(++n) + ".tbl";
        Recnos r;
        CreateTable(name, "ARTN,String,10;M,Memo", {{"ARTN", "ARTN"}}, {"ARTN", "M"},
                    {{"A1", "m"}, {"X-0", "m"}, {"Z9", "m"}}, &r);
        StorePastTheEngine(name, c.field, r[1], c.stored);
        DBEHANDLE t = Open(name);
        const DBEHANDLE tag = IndexOf(t, "ARTN");
        const bool memo = c.field[0] == 'M';
        if (c.reads) {
            ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS) << LastError();
            if (memo) {
                uint32_t length = 0;
                ASSERT_EQ(DbeGetMemoLength(t, "M", &length), DBE_SUCCESS);
                std::string value(length + 1, '\0');
                ASSERT_EQ(DbeGetField(t, "M", value.data(), &length, DBE_PADDED), DBE_SUCCESS);
                value.resize(length);
                EXPECT_EQ(Hex(value), Hex(*c.reads));
            } else {
                EXPECT_EQ(Hex(Text(t, "ARTN")), Hex(*c.reads));
                std::vector<std::string> ordered = {"A1", *c.reads, "Z9"};
                std::sort(ordered.begin(), ordered.end());
                EXPECT_EQ(WalkField(tag, t, "ARTN"), ordered);
            }
        } else if (memo) {
            ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS) << LastError();
            EXPECT_EQ(Text(t, "ARTN"), "X-0");
            uint32_t length = 0;
            ExpectUnreadable(DbeGetMemoLength(t, "M", &length), name, r[1], "M", c.why);
            char value[64];
            length = sizeof value;
            ExpectUnreadable(DbeGetField(t, "M", value, &length, DBE_PADDED), name, r[1], "M",
                             c.why);
        } else {
            for (DBEHANDLE order : {tag, t}) {
                SCOPED_TRACE(order == tag ? "tag order" : "natural order");
                ASSERT_EQ(DbeGotoTop(order), DBE_SUCCESS) << LastError();
                EXPECT_EQ(Text(t, "ARTN"), "A1");
                ExpectUnreadable(DbeSkip(order, 1), name, r[1], "ARTN", c.why);
                EXPECT_EQ(RecNo(t), r[0]);
                EXPECT_EQ(Text(t, "ARTN"), "A1");
                ExpectUnreadable(DbeSkip(order, 1), name, r[1], "ARTN", c.why);
                ASSERT_EQ(DbeGotoBottom(order), DBE_SUCCESS) << LastError();
                EXPECT_EQ(Text(t, "ARTN"), "Z9");
                ExpectUnreadable(DbeSkip(order, -1), name, r[1], "ARTN", c.why);
                EXPECT_EQ(RecNo(t), r[2]);
            }
            ExpectUnreadable(DbeGotoRecord(t, r[1]), name, r[1], "ARTN", c.why);
            EXPECT_EQ(RecNo(t), r[2]);
            uint16_t found = 9;
            ExpectUnreadable(DbeSeek(tag, "X", 1, DBE_STRINGKEY, DBE_SOFTSEEK, &found), name, r[1],
                             "ARTN", c.why);
            EXPECT_EQ(RecNo(t), r[2]);
            // A seek that lands before it reads; the walk on from there fails.
            ASSERT_EQ(DbeSeek(tag, "A1", 2, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_SUCCESS)
                << LastError();
            EXPECT_EQ(found, 1);
            ExpectUnreadable(DbeSkip(tag, 1), name, r[1], "ARTN", c.why);
            // It still counts as a record of the table.
            uint32_t count = 0;
            ASSERT_EQ(DbeGetRecordCount(t, 2, &count), DBE_SUCCESS);
            EXPECT_EQ(count, 3u);
        }
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    }
}

// A field or index name that is no Windows-1252 text fails the open, naming
// the table; a name cut or altered would be another field's.
TEST_F(StoredText, ANameInTheCatalogueThatIsNoWindows1252TextFailsTheOpen) {
    struct Case {
        const char *name;
        const char *catalogue; // table and column, local
        const char *serverColumn;
        std::string stored; // UTF-8
        const char *what;
    };
    const Case cases[] = {
        {"field name with a character Windows-1252 lacks", "dbe_fields SET name",
         "dbe_fields SET name", "B\xC5\x81", "the name of field 2"},
        {"index name with a character Windows-1252 lacks", "dbe_indexes SET name",
         "dbe_indexes SET name", "ARTN\xC5\x81", "the definition of index 1"},
        {"field name of Windows-1252 bytes", "dbe_fields SET name", nullptr, "B\xF6",
         "the name of field 2"},
        {"field name with a NUL", "dbe_fields SET name", nullptr, std::string("B\0C", 3),
         "the name of field 2"},
    };
    int n = 0;
    for (const Case &c : cases) {
        if (RemoteBackend() && !c.serverColumn) continue;
        SCOPED_TRACE(c.name);
        const std::string name = "names" + std::to_string(++n) + ".tbl";
        CreateTable(name, "A,String,10;B,String,10", {{"ARTN", "A"}});
        const bool field = std::string(c.catalogue).find("dbe_fields") == 0;
        if (RemoteBackend()) {
            std::string upper = name;
            for (char &ch : upper)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            const std::string sql = std::string("UPDATE ") + c.serverColumn +
                                    " = convert_from('\\x" + HexDigits(c.stored) +
                                    "'::bytea, 'UTF8') WHERE table_name = '" + upper +
                                    "' AND num = " + (field ? "2" : "1");
            ASSERT_EQ(ExecuteOnServer(sql), "") << sql;
        } else {
            ASSERT_EQ(testsupport::RunOnTableFile(dir_.File(name),
                                                  std::string("UPDATE ") + c.catalogue +
                                                      " = ?1 WHERE num = ?2",
                                                  c.stored, field ? 2 : 1),
                      "");
        }
        DBEHANDLE t = 0;
        EXPECT_EQ(DbeOpenTable(conn_, name.c_str(), nullptr, DBE_TBL, 0, 0, 0, 0, &t),
                  DBE_E_UNREADABLE_TEXT);
        EXPECT_EQ(LastErrorText(), "A stored text cannot be read. " + name + ": " + c.what +
                                       " is not a Windows-1252 text.");
        EXPECT_EQ(t, 0u);
    }
}

// A value with a NUL inside its given length would be stored, or sought,
// cut short at the NUL: it is refused, on a table and on an index handle, in
// text and in image form. NULs that only pad the value to its length are
// its end, as in a zero-filled buffer.
TEST_F(StoredText, AValueWithANulInsideIsRefusedAndNULsAfterItPadIt) {
    Recnos r;
    DBEHANDLE t = MakeTable("nul.tbl", "ARTN,String,10;I,Integer", {{"ARTN", "ARTN"}},
                            {"ARTN", "I"}, {{"A1", "1"}}, &r);
    DBEHANDLE tag = IndexOf(t, "ARTN");
    const std::string inside("X-\0"
                             "1",
                             4),
        padded("X-\0\0\0", 5);
    const std::string imageInside = inside + std::string(6, ' ');
    uint16_t found = 0;
    struct Case {
        const char *name;
        std::function<DBESTATUS()> call;
        DBESTATUS expected;
    };
    const Case cases[] = {
        {"text form", [&] { return DbeSetField(t, "ARTN", inside.data(), 4); },
         DBE_E_VALUE_CONVERSION},
        {"image form", [&] { return DbeSetFieldRaw(t, "ARTN", imageInside.data(), 10); },
         DBE_E_VALUE_CONVERSION},
        {"a number",
         [&] {
             return DbeSetField(t, "I",
                                "12\0"
                                "5",
                                4);
         },
         DBE_E_VALUE_CONVERSION},
        {"a key segment", [&] { return DbeSetField(tag, "ARTN", inside.data(), 4); },
         DBE_E_VALUE_CONVERSION},
        {"a string key",
         [&] { return DbeSeek(tag, inside.data(), 4, DBE_STRINGKEY, DBE_SOFTSEEK, &found); },
         DBE_E_VALUE_CONVERSION},
        {"a raw key",
         [&] { return DbeSeek(tag, inside.data(), 4, DBE_RAWKEY, DBE_SOFTSEEK, &found); },
         DBE_E_VALUE_CONVERSION},
        {"padding", [&] { return DbeSetField(t, "ARTN", padded.data(), 5); }, DBE_SUCCESS},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(DbeGotoRecord(t, r[0]), DBE_SUCCESS);
        ASSERT_EQ(DbeInitRawKey(tag), DBE_SUCCESS);
        const DBESTATUS rc = c.call();
        EXPECT_EQ(rc, c.expected) << LastError();
        if (rc) {
            EXPECT_EQ(LastErrorCode(), uint32_t(rc));
        }
        ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
        t = Open("nul.tbl");
        tag = IndexOf(t, "ARTN");
        ASSERT_EQ(DbeGotoRecord(t, r[0]), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "ARTN"), rc ? "A1" : "X-");
        EXPECT_EQ(Text(t, "I"), "1");
        if (!rc) {
            ASSERT_EQ(DbeSetField(t, "ARTN", "A1", 2), DBE_SUCCESS);
        }
        ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS);
    }
}

} // namespace
} // namespace dbetest
