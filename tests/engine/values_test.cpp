// Field values in both forms and their empty encodings, blobs, record
// numbers, auto-increment values and unique tags.
#include "engine_fixture.h"

#include <algorithm>

#include <cstring>
#include <optional>

namespace dbetest {
namespace {

class Values : public EngineTest {};

const char kAllTypes[] =
    "L,Logical;N,Numeric,10,2;D,Date;D8,Date,8;S,String,10;M,Memo;B,Binary;IM,Image;"
    "V,VarChar;CD,CompactDate;DB,Double;I,Integer;SH,ShortInt;TI,Time;TS,TimeStamp;"
    "AI,AutoInc;R,Raw,6;CU,CurDouble;CI,CIString,10;SL,String,300";

std::string U32(uint32_t v) {
    std::string s(4, '\0');
    std::memcpy(s.data(), &v, 4);
    return s;
}
std::string U16(uint16_t v) {
    std::string s(2, '\0');
    std::memcpy(s.data(), &v, 2);
    return s;
}
std::string F64(double v) {
    std::string s(8, '\0');
    std::memcpy(s.data(), &v, 8);
    return s;
}
std::string Bytes(std::initializer_list<unsigned char> b) {
    return std::string(b.begin(), b.end());
}

// Julian days: 2000-01-01 is the well-known 2451545; 2025-12-24 is 9489 days on.
constexpr uint32_t kJan1st2000 = 2451545;
constexpr uint32_t kDec24th2025 = 2461034;
constexpr uint32_t kMs134530250 = ((13 * 60 + 45) * 60 + 30) * 1000 + 250;

struct ValueCase {
    const char *field;
    std::string text;  // DbeSetField form
    std::string image; // record image bytes
    const char *read;  // DbeGetField trimmed text, when it has one fixed form
};

// Bytes 1..255 once each: the storage keeps text in another encoding and
// must bring every Windows-1252 byte back, the five unassigned ones too.
std::string EveryTextByte() {
    std::string s;
    for (int c = 1; c < 256; ++c)
        s += static_cast<char>(c);
    return s;
}

std::vector<ValueCase> ValueCases() {
    return {
        {"L", "T", "T", "T"},
        {"L", "F", "F", "F"},
        {"N", "12.5", "     12.50", "12.50"},
        {"N", "-3", "     -3.00", "-3.00"},
        {"D", "20000101", U32(kJan1st2000), "20000101"},
        {"D8", "20251224", "20251224", "20251224"},
        // Windows-1252 bytes (o-umlaut, sharp s, euro sign) survive storage.
        {"S", "Gr\xF6\xDF\x80", "Gr\xF6\xDF\x80     ", "Gr\xF6\xDF\x80"},
        {"CD", "20251224", Bytes({0x0F, 0xD3, 0x98}), "20251224"},
        {"DB", "1.5", F64(1.5), "1.5"},
        {"DB", "-0.25", F64(-0.25), "-0.25"},
        {"I", "-949", U32(static_cast<uint32_t>(-949)), "-949"},
        {"SH", "-7", U16(static_cast<uint16_t>(-7)), "-7"},
        {"TI", "13:45:30.250", U32(kMs134530250), nullptr},
        {"TS", "2025-12-24 13:45:30.250", U32(kDec24th2025) + U32(kMs134530250), nullptr},
        {"AI", "42", U32(42), "42"},
        {"R", "ab\xFF", std::string("ab\xFF\0\0\0", 6), nullptr},
        {"CU", "12.34", F64(12.34), "12.34"},
        {"CI", "MiXed", "MiXed     ", "MiXed"},
        {"SL", EveryTextByte(), EveryTextByte() + std::string(45, ' '), nullptr},
    };
}

// Every case in its own record, so that two cases of one field can coexist.
TEST_F(Values, EveryTypeRoundTripsInTextAndImageForm) {
    for (bool imageForm : {false, true}) {
        SCOPED_TRACE(imageForm ? "DbeSetFieldRaw" : "DbeSetField");
        const std::string name = imageForm ? "image.tbl" : "text.tbl";
        DBEHANDLE t = MakeTable(name, kAllTypes);
        const auto cases = ValueCases();
        Recnos recnos;
        for (const auto &c : cases) {
            ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
            const std::string &v = imageForm ? c.image : c.text;
            auto set = imageForm ? DbeSetFieldRaw : DbeSetField;
            ASSERT_EQ(set(t, c.field, v.data(), static_cast<uint32_t>(v.size())), DBE_SUCCESS)
                << c.field << ": " << LastError();
            ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << c.field << ": " << LastError();
            recnos.push_back(RecNo(t));
        }
        // Read back from storage, not from what the writing handle remembers.
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
        t = Open(name);
        std::vector<std::string> padded;
        for (size_t i = 0; i < cases.size(); ++i) {
            const auto &c = cases[i];
            SCOPED_TRACE(std::string(c.field) + " = " + c.text);
            ASSERT_EQ(DbeGotoRecord(t, recnos[i]), DBE_SUCCESS);
            EXPECT_EQ(Hex(Image(t, c.field)), Hex(c.image));
            if (c.read) {
                EXPECT_EQ(Text(t, c.field), c.read);
            }
            padded.push_back(Text(t, c.field, DBE_PADDED));
        }
        // What DbeGetField delivers, DbeSetField takes back to the same value.
        for (size_t i = 0; i < cases.size(); ++i) {
            const auto &c = cases[i];
            SCOPED_TRACE(std::string("again ") + c.field + " = " + padded[i]);
            ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
            ASSERT_EQ(
                DbeSetField(t, c.field, padded[i].data(), static_cast<uint32_t>(padded[i].size())),
                DBE_SUCCESS)
                << LastError();
            ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
            const uint32_t again = RecNo(t);
            ASSERT_EQ(DbeGotoRecord(t, again), DBE_SUCCESS);
            EXPECT_EQ(Hex(Image(t, c.field)), Hex(c.image));
        }
    }
}

// An image whose text parses as a number but would not be written back in
// the field's width is refused, as its text form is.
TEST_F(Values, NumericImageThatDoesNotFitItsFieldIsRefused) {
    DBEHANDLE t = MakeTable("num.tbl", "N,Numeric,8,2");
    for (const std::string image : {"1e300   ", "99999999", "-1234567", "1e6     "}) {
        SCOPED_TRACE(image);
        ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
        EXPECT_EQ(DbeSetFieldRaw(t, "N", image.data(), static_cast<uint32_t>(image.size())),
                  DBE_E_VALUE_CONVERSION);
        EXPECT_EQ(DbeSetField(t, "N", image.data(), static_cast<uint32_t>(image.size())),
                  DBE_E_VALUE_CONVERSION);
        ASSERT_EQ(DbeCancelUpdate(t), DBE_SUCCESS);
    }
    for (const std::string image : {"12345.67", "   1e3  ", "-1234.56"}) {
        SCOPED_TRACE(image);
        ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
        EXPECT_EQ(DbeSetFieldRaw(t, "N", image.data(), static_cast<uint32_t>(image.size())),
                  DBE_SUCCESS)
            << LastError();
        ASSERT_EQ(DbeCancelUpdate(t), DBE_SUCCESS);
    }
}

TEST_F(Values, StringFieldsReadPaddedOrTrimmed) {
    DBEHANDLE t =
        MakeTable("pad.tbl", "S,String,10;CI,CIString,10", {}, {"S", "CI"}, {{"Abc", "x Y"}});
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "S", DBE_PADDED), "Abc       ");
    EXPECT_EQ(Text(t, "S", DBE_TRIMMED), "Abc");
    EXPECT_EQ(Text(t, "CI", DBE_PADDED), "x Y       ");
    EXPECT_EQ(Text(t, "CI", DBE_TRIMMED), "x Y");
}

// The empty encodings the record image promises; nullopt where it promises
// none (DbeIsEmpty still has to say so).
std::vector<std::pair<const char *, std::optional<std::string>>> EmptyImages() {
    const std::string zero4(4, '\0');
    return {
        {"L", " "},
        {"N", std::nullopt},
        {"D", zero4},
        {"D8", std::string(8, '\0')},
        {"S", std::string(10, '\0')},
        {"M", zero4},
        {"B", zero4},
        {"IM", zero4},
        {"V", zero4},
        {"CD", std::nullopt},
        {"DB", U32(0x20) + U32(0x80000000u)},
        {"I", U32(0x80000000u)},
        {"SH", U16(0x8000)},
        {"TI", U32(0xFFFFFFFFu)},
        {"R", std::string(6, '\0')},
        {"CU", U32(0x20) + U32(0x80000000u)},
        {"CI", std::string(10, '\0')},
        {"SL", std::string(300, '\0')},
    };
}

TEST_F(Values, EmptyEncodingOfEveryType) {
    DBEHANDLE t = MakeTable("empty.tbl", kAllTypes);
    // One record never given a value, one emptied field by field.
    ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
    for (const auto &[field, image] : EmptyImages()) {
        if (image) {
            EXPECT_EQ(Hex(Image(t, field)), Hex(*image)) << field << " before writing";
        }
    }
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
    const uint32_t neverSet = RecNo(t);
    ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
    for (const auto &c : ValueCases())
        ASSERT_EQ(DbeSetField(t, c.field, c.text.data(), static_cast<uint32_t>(c.text.size())),
                  DBE_SUCCESS);
    for (const char *blob : {"M", "B", "IM", "V"})
        ASSERT_EQ(DbeSetField(t, blob, "blob", 4), DBE_SUCCESS);
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
    const uint32_t emptied = RecNo(t);
    ASSERT_EQ(DbeGotoRecord(t, emptied), DBE_SUCCESS);
    for (const auto &e : EmptyImages())
        ASSERT_EQ(DbeSetEmpty(t, e.first), DBE_SUCCESS) << e.first;
    ASSERT_EQ(DbeSetEmpty(t, "TS"), DBE_SUCCESS);
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    t = Open("empty.tbl");

    uint32_t recordLength = 0;
    ASSERT_EQ(DbeGetRecordLength(t, &recordLength), DBE_SUCCESS);
    std::string nullRecord(recordLength, '\x55');
    uint32_t nullLength = recordLength;
    ASSERT_EQ(DbeGetNullRecord(t, nullRecord.data(), &nullLength), DBE_SUCCESS);

    for (uint32_t recno : {neverSet, emptied}) {
        SCOPED_TRACE(recno == neverSet ? "never set" : "emptied");
        ASSERT_EQ(DbeGotoRecord(t, recno), DBE_SUCCESS);
        for (const auto &[field, image] : EmptyImages()) {
            SCOPED_TRACE(field);
            uint16_t empty = 0;
            ASSERT_EQ(DbeIsEmpty(t, field, &empty), DBE_SUCCESS);
            EXPECT_EQ(empty, 1);
            if (!image) continue;
            EXPECT_EQ(Hex(Image(t, field)), Hex(*image));
            uint32_t offset = 0;
            ASSERT_EQ(DbeGetFieldOffset(t, field, &offset), DBE_SUCCESS);
            EXPECT_EQ(Hex(nullRecord.substr(offset, image->size())), Hex(*image)) << "null record";
        }
        EXPECT_EQ(Hex(Image(t, "TS").substr(0, 4)), Hex(std::string(4, '\0')));
        uint16_t empty = 0;
        ASSERT_EQ(DbeIsEmpty(t, "TS", &empty), DBE_SUCCESS);
        EXPECT_EQ(empty, 1);
    }
}

// --- memo and binary values -------------------------------------------------

std::string EveryByte(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i)
        s[i] = static_cast<char>((i * 131 + i / 256) & 0xFF);
    return s;
}

std::string ReadBlob(DBEHANDLE t, const char *field, bool memo) {
    uint32_t length = 12345;
    Ok(memo ? DbeGetMemoLength(t, field, &length) : DbeGetBinaryLength(t, field, &length),
       "blob length");
    std::string value(length + 1, '\x55');
    uint32_t got = length + 1;
    Ok(DbeGetField(t, field, value.data(), &got, DBE_PADDED), "DbeGetField of a blob");
    if (got != length) throw EngineFailure("DbeGetField length differs from the blob length");
    value.resize(got);
    return value;
}

TEST_F(Values, MemoAndBinaryValuesKeepEveryByte) {
    const std::string sizes[] = {std::string(), std::string("\xE4"), EveryByte(100000)};
    DBEHANDLE t = MakeTable("blob.tbl", "M,Memo;B,Binary");
    struct Written {
        const char *field;
        bool memo;
        const std::string *value;
        uint32_t recno;
    };
    std::vector<Written> written;
    for (const char *field : {"M", "B"})
        for (const auto &value : sizes) {
            ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
            ASSERT_EQ(DbeSetField(t, field, value.data(), static_cast<uint32_t>(value.size())),
                      DBE_SUCCESS);
            ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
            written.push_back({field, field[0] == 'M', &value, RecNo(t)});
        }
    for (bool reopened : {false, true}) {
        SCOPED_TRACE(reopened ? "reopened" : "writing handle");
        if (reopened) {
            ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
            t = Open("blob.tbl");
        }
        for (const auto &w : written) {
            SCOPED_TRACE(std::string(w.field) + " of " + std::to_string(w.value->size()) +
                         " bytes");
            ASSERT_EQ(DbeGotoRecord(t, w.recno), DBE_SUCCESS);
            EXPECT_TRUE(ReadBlob(t, w.field, w.memo) == *w.value);
            uint16_t empty = 9;
            ASSERT_EQ(DbeIsEmpty(t, w.field, &empty), DBE_SUCCESS);
            EXPECT_EQ(empty, w.value->empty() ? 1 : 0);
        }
    }
    // Replacing a large value by a small one leaves nothing of the large one.
    const auto &large = written[2];
    ASSERT_EQ(DbeGotoRecord(t, large.recno), DBE_SUCCESS);
    ASSERT_EQ(DbeSetField(t, "M", "xy", 2), DBE_SUCCESS);
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
    ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    t = Open("blob.tbl");
    ASSERT_EQ(DbeGotoRecord(t, large.recno), DBE_SUCCESS);
    EXPECT_EQ(ReadBlob(t, "M", true), "xy");
}

TEST_F(Values, MemoLengthAnswersForEveryCapacity) {
    const std::string memo = EveryByte(100);
    DBEHANDLE t = MakeTable("memo.tbl", "M,Memo");
    ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
    ASSERT_EQ(DbeSetField(t, "M", memo.data(), 100), DBE_SUCCESS);
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS);
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);

    std::string buffer(101, '\x55');
    uint32_t length = 101;
    EXPECT_EQ(DbeGetField(t, "M", buffer.data(), &length, DBE_PADDED), DBE_SUCCESS);
    EXPECT_EQ(length, 100u);
    EXPECT_TRUE(buffer.substr(0, 100) == memo);

    length = 40;
    EXPECT_EQ(DbeGetField(t, "M", buffer.data(), &length, DBE_PADDED), DBE_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, 100u);
}

// --- record numbers ---------------------------------------------------------

TEST_F(Values, RecordNumbersAreNeverReused) {
    Recnos r;
    DBEHANDLE t = MakeTable("recno.tbl", "NAME,String,10", {}, {"NAME"}, {{"A"}, {"B"}, {"C"}}, &r);
    ASSERT_EQ(DbeGotoRecord(t, r[2]), DBE_SUCCESS);
    ASSERT_EQ(DbeDeleteRecord(t), DBE_SUCCESS);
    const uint32_t d = AppendRow(t, {"NAME"}, {"D"});
    EXPECT_GT(d, r[2]);
    ASSERT_EQ(DbeGotoRecord(t, d), DBE_SUCCESS);
    ASSERT_EQ(DbeDeleteRecord(t), DBE_SUCCESS);
    ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    t = Open("recno.tbl");
    const uint32_t e = AppendRow(t, {"NAME"}, {"E"});
    EXPECT_GT(e, d);
    EXPECT_EQ(Walk(t, t), (Recnos{r[0], r[1], e}));
}

TEST_F(Values, GotoRecordOfAMissingNumberKeepsThePosition) {
    Recnos r;
    DBEHANDLE t = MakeTable("goto.tbl", "NAME,String,10", {}, {"NAME"}, {{"A"}, {"B"}, {"C"}}, &r);
    ASSERT_EQ(DbeGotoRecord(t, r[2]), DBE_SUCCESS);
    ASSERT_EQ(DbeDeleteRecord(t), DBE_SUCCESS);
    for (uint32_t missing : {r[2], r[2] + 1000}) {
        SCOPED_TRACE(missing);
        ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS);
        EXPECT_EQ(DbeGotoRecord(t, missing), DBE_E_RECORD_NOT_FOUND);
        EXPECT_EQ(LastErrorCode(), static_cast<uint32_t>(DBE_E_RECORD_NOT_FOUND));
        EXPECT_EQ(RecNo(t), r[1]);
        EXPECT_EQ(Text(t, "NAME"), "B");
    }
}

// Index order C(1) A(2) B(3) D(4) -> A B C D; the record B is deleted while
// the handle stands on it, by itself or by another handle.
TEST_F(Values, DeletedCurrentRecordIsInvisibleAndSkipsToItsNeighbour) {
    struct Case {
        bool byOther, byIndex;
        int step;
        const char *expected;
    };
    const Case cases[] = {
        {false, true, 1, "C"},   {false, true, -1, "A"}, {false, false, 1, "D"},
        {false, false, -1, "A"}, {true, true, 1, "C"},   {true, true, -1, "A"},
        {true, false, 1, "D"},   {true, false, -1, "A"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.byOther ? "other handle" : "same handle") +
                     (c.byIndex ? ", index order" : ", natural order") + ", step " +
                     std::to_string(c.step));
        Recnos r;
        const std::string name = "del" + std::to_string(++n) + ".tbl";
        DBEHANDLE t = MakeTable(name, "NAME,String,4", {{"NAME", "NAME"}}, {"NAME"},
                                {{"C"}, {"A"}, {"B"}, {"D"}}, &r);
        DBEHANDLE order = c.byIndex ? IndexOf(t, "NAME") : t;
        // Walk onto the record in the order under test, so that its
        // fetch-ahead is in play when the record goes.
        ASSERT_EQ(DbeGotoTop(order), DBE_SUCCESS);
        while (!AtEOF(order) && RecNo(t) != r[2])
            ASSERT_EQ(DbeSkip(order, 1), DBE_SUCCESS);
        ASSERT_EQ(RecNo(t), r[2]);
        uint16_t visible = 0;
        ASSERT_EQ(DbeIsRecordVisible(order, &visible), DBE_SUCCESS);
        ASSERT_EQ(visible, 1);
        if (c.byOther) {
            DBEHANDLE other = Open(name);
            ASSERT_EQ(DbeGotoRecord(other, r[2]), DBE_SUCCESS);
            ASSERT_EQ(DbeDeleteRecord(other), DBE_SUCCESS);
            ASSERT_EQ(DbeCloseTable(other), DBE_SUCCESS);
        } else {
            ASSERT_EQ(DbeDeleteRecord(t), DBE_SUCCESS);
        }
        ASSERT_EQ(DbeIsRecordVisible(order, &visible), DBE_SUCCESS);
        EXPECT_EQ(visible, 0);
        std::string record(64, '\0');
        uint32_t length = static_cast<uint32_t>(record.size());
        EXPECT_EQ(DbeGetRecord(t, record.data(), &length), DBE_E_RECORD_NOT_FOUND);
        ASSERT_EQ(DbeSkip(order, c.step), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "NAME"), c.expected);
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    }
}

// A walk under way must not deliver a record that another handle has
// deleted since, nor miss one appended ahead of it.
TEST_F(Values, WalkSeesChangesOfAnotherHandle) {
    Rows rows;
    for (int i = 0; i < 40; ++i)
        rows.push_back({std::to_string(i)});
    Recnos r;
    DBEHANDLE t = MakeTable("walk.tbl", "ID,Integer", {}, {"ID"}, rows, &r);
    ASSERT_EQ(DbeGotoTop(t), DBE_SUCCESS);
    ASSERT_EQ(DbeSkip(t, 5), DBE_SUCCESS);
    DBEHANDLE other = Open("walk.tbl");
    ASSERT_EQ(DbeGotoRecord(other, r[6]), DBE_SUCCESS);
    ASSERT_EQ(DbeDeleteRecord(other), DBE_SUCCESS);
    const uint32_t added = AppendRow(other, {"ID"}, {"40"});
    std::vector<uint32_t> rest;
    while (true) {
        ASSERT_EQ(DbeSkip(t, 1), DBE_SUCCESS);
        if (AtEOF(t)) break;
        rest.push_back(RecNo(t));
    }
    Recnos expected(r.begin() + 7, r.end());
    expected.push_back(added);
    EXPECT_EQ(rest, expected);
}

// --- auto-increment and unique tags ------------------------------------------

TEST_F(Values, AutoIncrementAssignsTakesAndNeverReusesValues) {
    DBEHANDLE t = MakeTable("ai.tbl", "AI,AutoInc;NAME,String,10");
    auto autoinc = [&] {
        uint32_t last = 0;
        Ok(DbeGetLastAutoinc(t, &last), "DbeGetLastAutoinc");
        uint32_t field = static_cast<uint32_t>(std::stoul(Text(t, "AI")));
        if (field != last) throw EngineFailure("DbeGetLastAutoinc differs from the field");
        return field;
    };
    AppendRow(t, {"NAME"}, {"a"});
    const uint32_t first = autoinc();
    AppendRow(t, {"NAME"}, {"b"});
    EXPECT_EQ(autoinc(), first + 1);
    AppendRow(t, {"NAME", "AI"}, {"explicit", "100"});
    EXPECT_EQ(Text(t, "AI"), "100");
    AppendRow(t, {"NAME"}, {"c"});
    EXPECT_EQ(autoinc(), 101u);
    ASSERT_EQ(DbeDeleteRecord(t), DBE_SUCCESS);
    AppendRow(t, {"NAME"}, {"d"});
    EXPECT_EQ(autoinc(), 102u);
    ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    t = Open("ai.tbl");
    AppendRow(t, {"NAME"}, {"e"});
    EXPECT_EQ(autoinc(), 103u);
}

TEST_F(Values, UniqueTagRefusesADuplicateAndWritesNothing) {
    struct Case {
        const char *field;
        const char *first, *second, *other;
        bool duplicate;
    };
    const Case cases[] = {
        {"K,String,6", "A1", "A1", "ZZ", true},  {"K,String,6", "A1", "A1  ", "ZZ", true},
        {"K,String,6", "a1", "A1", "ZZ", false}, {"K,CIString,6", "a1", "A1", "ZZ", true},
        {"K,Integer", "5", "5", "999", true},    {"K,Integer", "5", "6", "999", false},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(c.field) + ": " + c.first + " / " + c.second);
        const std::string name = "uniq" + std::to_string(++n) + ".tbl";
        DBEHANDLE t = MakeTable(name, std::string(c.field) + ";NAME,String,10",
                                {{"K", "K", DBE_INDEX_UNIQUE}}, {"K", "NAME"},
                                {{c.first, "first"}, {c.other, "other"}});
        // A second record with the key.
        ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
        ASSERT_EQ(DbeSetField(t, "K", c.second, static_cast<uint32_t>(std::strlen(c.second))),
                  DBE_SUCCESS);
        ASSERT_EQ(DbeSetField(t, "NAME", "second", 6), DBE_SUCCESS);
        const DBESTATUS rc = DbeWriteRecord(t);
        EXPECT_EQ(rc, c.duplicate ? DBE_E_DUPLICATE_KEY : DBE_SUCCESS);
        if (rc) DbeCancelUpdate(t);
        // An existing record changed to the key.
        uint16_t found = 0;
        ASSERT_EQ(DbeSeek(IndexOf(t, "K"), c.other, static_cast<uint16_t>(std::strlen(c.other)),
                          DBE_STRINGKEY, DBE_HARDSEEK, &found),
                  DBE_SUCCESS);
        ASSERT_EQ(Text(t, "NAME"), "other");
        ASSERT_EQ(DbeSetField(t, "K", c.first, static_cast<uint32_t>(std::strlen(c.first))),
                  DBE_SUCCESS);
        EXPECT_EQ(DbeWriteRecord(t), DBE_E_DUPLICATE_KEY);
        DbeCancelUpdate(t);

        DBEHANDLE fresh = Open(name);
        std::vector<std::string> names = WalkField(fresh, fresh, "NAME");
        const std::vector<std::string> expected =
            c.duplicate ? std::vector<std::string>{"first", "other"}
                        : std::vector<std::string>{"first", "other", "second"};
        EXPECT_EQ(names, expected);
        std::vector<std::string> keys = WalkField(fresh, fresh, "K");
        EXPECT_EQ(keys[1], c.other);
        DbeCloseTable(fresh);
        DbeCloseTable(t);
    }
}

// What a bulk load does: appends inside a transaction. A rollback leaves
// nothing; a commit keeps every row once; numbers and auto-increment values
// go on above everything handed out, an explicit value included; a refused
// duplicate leaves the transaction usable.
TEST_F(Values, TransactionsKeepAllOrNothingAndNumbersGoOnUpwards) {
    DBEHANDLE t = MakeTable("txn.tbl", "AI,AutoInc;NAME,String,10", {{"AI", "AI", DBE_INDEX_UNIQUE}});
    Ok(DbeBeginTransaction(conn_), "DbeBeginTransaction");
    for (const char *name : {"r1", "r2", "r3"}) AppendRow(t, {"NAME"}, {name});
    Ok(DbeRollbackTransaction(conn_), "DbeRollbackTransaction");
    EXPECT_TRUE(Walk(t, t).empty());

    Ok(DbeBeginTransaction(conn_), "DbeBeginTransaction");
    const uint32_t first = AppendRow(t, {"NAME"}, {"a"});
    const std::string firstId = Text(t, "AI");
    AppendRow(t, {"NAME", "AI"}, {"explicit", std::to_string(std::stoul(firstId) + 5)});
    AppendRow(t, {"NAME"}, {"b"});
    EXPECT_EQ(std::stoul(Text(t, "AI")), std::stoul(firstId) + 6);
    ASSERT_EQ(DbeAppendRecord(t), DBE_SUCCESS);
    ASSERT_EQ(DbeSetField(t, "AI", firstId.data(), static_cast<uint32_t>(firstId.size())), DBE_SUCCESS);
    EXPECT_EQ(DbeWriteRecord(t), DBE_E_DUPLICATE_KEY);
    DbeCancelUpdate(t);
    AppendRow(t, {"NAME"}, {"c"});
    Ok(DbeCommitTransaction(conn_), "DbeCommitTransaction");
    const uint32_t after = AppendRow(t, {"NAME"}, {"d"});
    EXPECT_EQ(std::stoul(Text(t, "AI")), std::stoul(firstId) + 8);

    DBEHANDLE fresh = Open("txn.tbl");
    EXPECT_EQ(WalkField(fresh, fresh, "NAME"),
              (std::vector<std::string>{"a", "explicit", "b", "c", "d"}));
    const Recnos recnos = Walk(fresh, fresh);
    EXPECT_EQ(recnos.front(), first);
    EXPECT_EQ(recnos.back(), after);
    EXPECT_TRUE(std::is_sorted(recnos.begin(), recnos.end()) &&
                std::adjacent_find(recnos.begin(), recnos.end()) == recnos.end());
}

} // namespace
} // namespace dbetest
