// The journal of deleted records: what a delete keeps, that the table no
// longer shows it, recalling and purging, and the journal's own handle.
#include "engine_fixture.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <map>

namespace dbetest {
namespace {

class Journal : public EngineTest {
protected:
    DBEHANDLE Deleted(DBEHANDLE table) {
        DBEHANDLE journal = 0;
        Ok(DbeOpenDeleted(table, &journal), "DbeOpenDeleted");
        return journal;
    }
    static uint32_t Count(DBEHANDLE order) {
        uint32_t count = 0;
        Ok(DbeGetRecordCount(order, 0, &count), "DbeGetRecordCount");
        return count;
    }
    static void Delete(DBEHANDLE table, uint32_t recno) {
        Ok(DbeGotoRecord(table, recno), "DbeGotoRecord " + std::to_string(recno));
        // The database layer's delete: the record, then the write.
        Ok(DbeDeleteRecord(table), "DbeDeleteRecord");
        Ok(DbeWriteRecord(table), "DbeWriteRecord");
    }
};

const char kAllTypes[] =
    "L,Logical;N,Numeric,10,2;D,Date;S,String,10;M,Memo;B,Binary;IM,Image;V,VarChar;"
    "CD,CompactDate;DB,Double;I,Integer;SH,ShortInt;TI,Time;TS,TimeStamp;AI,AutoInc;"
    "R,Raw,6;CU,CurDouble;CI,CIString,10";

// Every field of the current record as its reader sees it: the padded text
// of a plain field and its image bytes, the bytes of a blob.
std::vector<std::string> Values(DBEHANDLE table, uint16_t fields) {
    std::vector<std::string> out;
    for (uint16_t f = 1; f <= fields; ++f) {
        uint16_t type = 0;
        Ok(DbeGetFieldType(table, DBE_FIELD(f), &type), "DbeGetFieldType");
        if (type >= DBE_T_MEMO && type <= DBE_T_VARCHAR) {
            uint32_t length = 0;
            Ok(DbeGetBinaryLength(table, DBE_FIELD(f), &length), "DbeGetBinaryLength");
            std::string bytes(length, '\0');
            uint32_t got = length;
            if (length) Ok(DbeGetField(table, DBE_FIELD(f), bytes.data(), &got, 0), "DbeGetField");
            out.push_back("blob " + Hex(bytes));
        } else {
            out.push_back(Text(table, DBE_FIELD(f), DBE_PADDED) + " | " +
                          Hex(Image(table, DBE_FIELD(f))));
        }
    }
    return out;
}

std::string UserName() {
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? entry->pw_name : "";
}

std::string HostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return name;
}

// Now in UTC as the engine's timestamp value: Julian day * 86400000 + ms.
int64_t NowValue() {
    using namespace std::chrono;
    const int64_t ms = duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return int64_t(2440588) * 86400000 + ms;
}

int64_t TimestampValue(DBEHANDLE table, const char *field) {
    const std::string image = Image(table, field);
    uint32_t day = 0, ms = 0;
    std::memcpy(&day, image.data(), 4);
    std::memcpy(&ms, image.data() + 4, 4);
    return int64_t(day) * 86400000 + ms;
}

TEST_F(Journal, DeletedRecordsAreInNoOrderCountOrSeekOfTheTable) {
    Recnos r;
    DBEHANDLE t = MakeTable("hide.tbl", "K,String,4;N,Integer",
                            {{"K", "K"}, {"N", "N", DBE_INDEX_DESCENDING}}, {"K", "N"},
                            {{"C", "3"}, {"A", "1"}, {"B", "2"}, {"E", "5"}, {"D", "4"}}, &r);
    Delete(t, r[2]); // B
    Delete(t, r[3]); // E, the last in key order
    // Another handle, opened afterwards, so that nothing comes from what the
    // deleting handle remembers.
    ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    t = Open("hide.tbl");
    DBEHANDLE k = IndexOf(t, "K"), n = IndexOf(t, "N");

    EXPECT_EQ(Count(t), 3u);
    EXPECT_EQ(Count(k), 3u);
    EXPECT_EQ(Walk(t, t), (Recnos{r[0], r[1], r[4]}));
    EXPECT_EQ(Walk(t, t, false), (Recnos{r[4], r[1], r[0]}));
    EXPECT_EQ(WalkField(k, t, "K"), (std::vector<std::string>{"A", "C", "D"}));
    EXPECT_EQ(WalkField(n, t, "K", false), (std::vector<std::string>{"A", "C", "D"}));

    uint16_t found = 1;
    ASSERT_EQ(DbeSeek(k, "B", 1, DBE_STRINGKEY, DBE_SOFTSEEK, &found), DBE_SUCCESS);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(Text(t, "K"), "C");
    ASSERT_EQ(DbeSeek(k, "E", 1, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_SUCCESS);
    EXPECT_EQ(found, 0);
    EXPECT_TRUE(AtEOF(k));
    ASSERT_EQ(DbeSeek(k, "D", 1, DBE_STRINGKEY, DBE_SOFTSEEK, &found), DBE_SUCCESS);
    uint32_t position = 0;
    ASSERT_EQ(DbeGetKeyNum(k, 0, &position), DBE_SUCCESS);
    EXPECT_EQ(position, 3u);
    EXPECT_EQ(DbeGotoRecord(t, r[2]), DBE_E_RECORD_NOT_FOUND);

    ASSERT_EQ(DbeSetFilter(t, "(K=\"B\")"), DBE_SUCCESS);
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    EXPECT_TRUE(AtEOF(t));
    ASSERT_EQ(DbeClearFilter(t), DBE_SUCCESS);
    EXPECT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
}

TEST_F(Journal, KeepsEveryValueWithItsNumberTimeUserAndHost) {
    DBEHANDLE t = MakeTable("all.tbl", kAllTypes);
    const std::string memo("Zeile\r\n\x00\xE4\xFF", 9), binary("\x00\x01\xFE\xFF\x00", 5);
    const std::vector<std::pair<const char *, std::string>> values = {
        {"L", "T"},
        {"N", "12.5"},
        {"D", "20000101"},
        {"S", "Gr\xF6\xDF\x80"},
        {"M", memo},
        {"B", binary},
        {"IM", "\x89PNG"},
        {"V", "v\xE4r"},
        {"CD", "20251224"},
        {"DB", "-0.25"},
        {"I", "-949"},
        {"SH", "-7"},
        {"TI", "13:45:30.250"},
        {"TS", "2025-12-24 13:45:30.250"},
        {"CU", "12.34"},
        {"CI", "MiXed"}};
    Recnos r;
    for (int copy = 0; copy < 3; ++copy) {
        Ok(DbeAppendRecord(t), "DbeAppendRecord");
        for (const auto &[field, value] : values)
            Ok(DbeSetField(t, field, value.data(), static_cast<uint32_t>(value.size())), field);
        Ok(DbeSetFieldRaw(t, "R", "ab\xFF\0\0\0", 6), "R");
        Ok(DbeWriteRecord(t), "DbeWriteRecord");
        r.push_back(RecNo(t));
    }
    uint16_t fields = 0;
    ASSERT_EQ(DbeGetNumFields(t, &fields), DBE_SUCCESS);
    ASSERT_EQ(DbeGotoRecord(t, r[2]), DBE_SUCCESS);
    const std::vector<std::string> third = Values(t, fields);
    ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS);
    const std::vector<std::string> before = Values(t, fields);
    const int64_t start = NowValue();
    Delete(t, r[1]);
    const int64_t end = NowValue();

    DBEHANDLE j = Deleted(t);
    uint16_t journalFields = 0;
    ASSERT_EQ(DbeGetNumFields(j, &journalFields), DBE_SUCCESS);
    ASSERT_EQ(journalFields, fields + 3);
    const struct {
        const char *name;
        uint16_t type;
    } added[] = {{"DELETED_AT", DBE_T_TIMESTAMP},
                 {"DELETED_BY", DBE_T_STRING},
                 {"DELETED_HOST", DBE_T_STRING}};
    for (uint16_t i = 0; i < 3; ++i) {
        char name[32] = {};
        uint16_t length = sizeof name, type = 0;
        ASSERT_EQ(DbeGetFieldName(j, uint16_t(fields + 1 + i), name, &length), DBE_SUCCESS);
        EXPECT_STREQ(name, added[i].name);
        ASSERT_EQ(DbeGetFieldType(j, DBE_FIELD(fields + 1 + i), &type), DBE_SUCCESS);
        EXPECT_EQ(type, added[i].type);
    }
    uint16_t tags = 9;
    ASSERT_EQ(DbeGetNumIndexes(j, &tags), DBE_SUCCESS);
    EXPECT_EQ(tags, 0);

    EXPECT_EQ(Count(j), 1u);
    ASSERT_EQ(Walk(j, j), Recnos{r[1]});
    ASSERT_EQ(DbeGotoRecord(j, r[1]), DBE_SUCCESS);
    EXPECT_EQ(Values(j, fields), before);
    EXPECT_EQ(Text(j, "DELETED_BY"), UserName());
    EXPECT_EQ(Text(j, "DELETED_HOST"), HostName());
    const int64_t at = TimestampValue(j, "DELETED_AT");
    EXPECT_LE(start, at);
    EXPECT_LE(at, end);

    // The table keeps the other two untouched.
    EXPECT_EQ(Walk(t, t), (Recnos{r[0], r[2]}));
    ASSERT_EQ(DbeGotoRecord(t, r[2]), DBE_SUCCESS);
    EXPECT_EQ(Values(t, fields), third);
}

TEST_F(Journal, RecallBringsBackNumberValuesAndAutoIncrement) {
    Recnos r;
    DBEHANDLE t = MakeTable("back.tbl", "ID,AutoInc;NAME,String,10;M,Memo",
                            {{"ID", "ID", DBE_INDEX_UNIQUE}, {"NAME", "NAME"}}, {"NAME", "M"},
                            {{"anna", "erste"}, {"berta", "zweite"}, {"clara", "dritte"}}, &r);
    // The last one has the highest ID: the counter must not give it again.
    Delete(t, r[2]);
    const uint32_t dora = AppendRow(t, {"NAME"}, {"dora"});
    EXPECT_EQ(Text(t, "ID"), "4");
    EXPECT_GT(dora, r[2]);

    ASSERT_EQ(DbeRecallRecord(t, r[2]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeGotoRecord(t, r[2]), DBE_SUCCESS) << LastError();
    EXPECT_EQ(Text(t, "ID"), "3");
    EXPECT_EQ(Text(t, "NAME"), "clara");
    EXPECT_EQ(Text(t, "M"), "dritte");
    EXPECT_EQ(WalkField(IndexOf(t, "NAME"), t, "NAME"),
              (std::vector<std::string>{"anna", "berta", "clara", "dora"}));
    EXPECT_EQ(Walk(IndexOf(t, "ID"), t), (Recnos{r[0], r[1], r[2], dora}));
    uint16_t found = 0;
    ASSERT_EQ(DbeSeek(IndexOf(t, "NAME"), "clara", 5, DBE_STRINGKEY, DBE_HARDSEEK, &found),
              DBE_SUCCESS);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(RecNo(t), r[2]);

    DBEHANDLE j = Deleted(t);
    EXPECT_EQ(Count(j), 0u) << "a recalled record leaves the journal";
    EXPECT_EQ(DbeRecallRecord(t, r[2]), DBE_E_RECORD_NOT_FOUND);
    EXPECT_EQ(DbeRecallRecord(t, r[0]), DBE_E_RECORD_NOT_FOUND) << "it is in the table";

    const uint32_t emil = AppendRow(t, {"NAME"}, {"emil"});
    EXPECT_EQ(Text(t, "ID"), "5");
    EXPECT_GT(emil, dora);
    EXPECT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
}

TEST_F(Journal, RecallRefusesAKeyTakenByNowNamingRecordAndTag) {
    Recnos r;
    DBEHANDLE t = MakeTable("taken.tbl", "K,String,10;N,Integer", {{"KEY", "K", DBE_INDEX_UNIQUE}},
                            {"K", "N"}, {{"x", "1"}, {"y", "2"}}, &r);
    Delete(t, r[0]);
    const uint32_t again = AppendRow(t, {"K", "N"}, {"x", "3"});
    EXPECT_EQ(DbeRecallRecord(t, r[0]), DBE_E_DUPLICATE_KEY);
    const std::string text = LastErrorText();
    EXPECT_NE(text.find("record " + std::to_string(r[0])), std::string::npos) << text;
    EXPECT_NE(text.find("tag KEY"), std::string::npos) << text;
    EXPECT_EQ(Walk(t, t), (Recnos{r[1], again}));
    EXPECT_EQ(Count(Deleted(t)), 1u) << "a refused recall keeps the record in the journal";

    // Once the key is free again, the record comes back.
    Delete(t, again);
    EXPECT_EQ(DbeRecallRecord(t, r[0]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeGotoRecord(t, r[0]), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "N"), "1");
}

// The first delete of a table makes its journal; in a transaction that is
// rolled back, the delete, the journal entry and the journal itself go, and
// the next delete makes the journal again.
TEST_F(Journal, TransactionsTakeDeletesAndRecallsAllOrNone) {
    Recnos r;
    DBEHANDLE t =
        MakeTable("txn.tbl", "NAME,String,10", {}, {"NAME"}, {{"a"}, {"b"}, {"c"}, {"d"}}, &r);
    ASSERT_EQ(DbeBeginTransaction(conn_), DBE_SUCCESS);
    Delete(t, r[0]);
    ASSERT_EQ(DbeRollbackTransaction(conn_), DBE_SUCCESS);
    EXPECT_EQ(Walk(t, t), r);
    EXPECT_EQ(Count(Deleted(t)), 0u);

    Delete(t, r[0]);
    Delete(t, r[1]);
    Delete(t, r[2]);
    DBEHANDLE j = Deleted(t);
    EXPECT_EQ(Walk(j, j), (Recnos{r[0], r[1], r[2]}));

    // The journal's handle is on the same connection and takes no part.
    ASSERT_EQ(DbeBeginTransaction(conn_), DBE_SUCCESS);
    ASSERT_EQ(DbeRecallRecord(t, r[0]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeRecallRecord(t, r[2]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeRollbackTransaction(conn_), DBE_SUCCESS);
    EXPECT_EQ(Walk(t, t), Recnos{r[3]});
    EXPECT_EQ(Walk(j, j), (Recnos{r[0], r[1], r[2]}));

    ASSERT_EQ(DbeBeginTransaction(conn_), DBE_SUCCESS);
    ASSERT_EQ(DbeRecallRecord(t, r[0]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeRecallRecord(t, r[2]), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeCommitTransaction(conn_), DBE_SUCCESS) << LastError();
    EXPECT_EQ(Walk(t, t), (Recnos{r[0], r[2], r[3]}));
    EXPECT_EQ(Walk(j, j), Recnos{r[1]});
    EXPECT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
}

TEST_F(Journal, PurgeDropsRecordsForGood) {
    Recnos r;
    DBEHANDLE t = MakeTable("purge.tbl", "NAME,String,10", {}, {"NAME"}, {{"a"}, {"b"}, {"c"}}, &r);
    EXPECT_EQ(DbePurgeRecord(t, r[0]), DBE_E_RECORD_NOT_FOUND) << "no journal yet";
    Delete(t, r[0]);
    Delete(t, r[1]);
    ASSERT_EQ(DbePurgeRecord(t, r[0]), DBE_SUCCESS) << LastError();
    EXPECT_EQ(DbePurgeRecord(t, r[0]), DBE_E_RECORD_NOT_FOUND);
    EXPECT_EQ(DbePurgeRecord(t, r[2]), DBE_E_RECORD_NOT_FOUND) << "it is in the table";
    DBEHANDLE j = Deleted(t);
    EXPECT_EQ(Walk(j, j), Recnos{r[1]});
    EXPECT_EQ(DbeRecallRecord(t, r[0]), DBE_E_RECORD_NOT_FOUND);
    EXPECT_EQ(Walk(t, t), Recnos{r[2]});
}

TEST_F(Journal, TheJournalsHandleOnlyReads) {
    Recnos r;
    DBEHANDLE t = MakeTable("ro.tbl", "NAME,String,10", {}, {"NAME"}, {{"a"}, {"b"}}, &r);
    // A table without a delete has no journal yet and shows an empty one.
    DBEHANDLE empty = Deleted(t);
    EXPECT_EQ(Count(empty), 0u);
    ASSERT_EQ(DbeGotoTop(empty), DBE_SUCCESS);
    EXPECT_TRUE(AtEOF(empty));
    uint16_t fields = 0;
    ASSERT_EQ(DbeGetNumFields(empty, &fields), DBE_SUCCESS);
    EXPECT_EQ(fields, 4);

    Delete(t, r[0]);
    DBEHANDLE j = Deleted(t);
    ASSERT_EQ(DbeGotoTop(j), DBE_SUCCESS);
    EXPECT_EQ(DbeSetField(j, "NAME", "z", 1), DBE_E_READ_ONLY);
    EXPECT_EQ(DbeDeleteRecord(j), DBE_E_READ_ONLY);
    EXPECT_EQ(DbeAppendRecord(j), DBE_E_READ_ONLY);
    EXPECT_EQ(DbeRecallRecord(j, r[0]), DBE_E_READ_ONLY);
    EXPECT_EQ(Walk(j, j), Recnos{r[0]});
    ASSERT_EQ(DbeCloseTable(j), DBE_SUCCESS);
    ASSERT_EQ(DbeCloseTable(empty), DBE_SUCCESS);
    EXPECT_EQ(DbeDeleteRecord(t), DBE_E_RECORD_NOT_FOUND) << "still on the deleted record";
}

// A record that is in the table and in its journal at once (written there
// past the engine) is a damaged table.
TEST_F(Journal, CheckTableFindsARecordBothInTheTableAndInTheJournal) {
    Recnos r;
    DBEHANDLE t = MakeTable("both.tbl", "NAME,String,10", {}, {"NAME"}, {{"a"}, {"b"}}, &r);
    Delete(t, r[0]);
    ASSERT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
    const std::string sql =
        RemoteBackend()
            ? "INSERT INTO \"both.tbl#deleted\" SELECT *, now()::timestamp, ''::bytea, ''::bytea"
              " FROM \"both.tbl\""
            : "INSERT INTO dbe_deleted SELECT *, '2026-01-01 00:00:00.000', 'x', 'y' FROM records";
    ASSERT_EQ(ExecuteOnStorage("both.tbl", sql), "");
    EXPECT_EQ(DbeCheckTable(t), DBE_E_NOT_A_TABLE);
    EXPECT_NE(LastErrorText().find("both in the table and in its journal"), std::string::npos)
        << LastErrorText();
}

// A table with a field of the journal's own name keeps it; the journal's
// field gets a leading '_'.
TEST_F(Journal, AFieldOfTheJournalsNameKeepsIt) {
    Recnos r;
    DBEHANDLE t = MakeTable("named.tbl", "DELETED_BY,String,10", {}, {"DELETED_BY"}, {{"me"}}, &r);
    Delete(t, r[0]);
    DBEHANDLE j = Deleted(t);
    ASSERT_EQ(DbeGotoRecord(j, r[0]), DBE_SUCCESS);
    EXPECT_EQ(Text(j, "DELETED_BY"), "me");
    EXPECT_EQ(Text(j, "_DELETED_BY"), UserName());
}

} // namespace
} // namespace dbetest
