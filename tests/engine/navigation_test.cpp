// Moving through natural and index order, key order of every key type, and
// seeking.
#include "engine_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

namespace dbetest {
namespace {

class Navigation : public EngineTest {};

std::vector<std::string> Reversed(std::vector<std::string> v) {
    std::reverse(v.begin(), v.end());
    return v;
}

Recnos Reversed(Recnos v) {
    std::reverse(v.begin(), v.end());
    return v;
}

TEST_F(Navigation, NaturalOrderFollowsRecordNumbersAndIndexOrderKeysThenRecordNumbers) {
    // Equal keys far apart in record number show whether ties fall back on
    // the record number rather than on insertion accidents.
    DBEHANDLE t =
        MakeTable("nav.tbl", "ARTN,String,8;ID,Integer", {{"ARTN", "ARTN"}}, {"ARTN", "ID"},
                  {{"C", "1"}, {"A", "2"}, {"B", "3"}, {"A", "4"}, {"C", "5"}});
    DBEHANDLE ix = IndexOf(t, "ARTN");
    const std::vector<std::string> natural = {"1", "2", "3", "4", "5"};
    const std::vector<std::string> indexed = {"2", "4", "3", "1", "5"};
    EXPECT_EQ(WalkField(t, t, "ID"), natural);
    EXPECT_EQ(WalkField(t, t, "ID", false), Reversed(natural));
    EXPECT_EQ(WalkField(ix, t, "ID"), indexed);
    EXPECT_EQ(WalkField(ix, t, "ID", false), Reversed(indexed));
}

TEST_F(Navigation, EndsOfEveryOrder) {
    DBEHANDLE t = MakeTable("ends.tbl", "ARTN,String,8;ID,Integer", {{"ARTN", "ARTN"}},
                            {"ARTN", "ID"}, {{"B", "1"}, {"C", "2"}, {"A", "3"}});
    struct Order {
        const char *name;
        DBEHANDLE handle;
        const char *first, *last;
    };
    for (const Order &o :
         {Order{"natural", t, "1", "3"}, Order{"index", IndexOf(t, "ARTN"), "3", "2"}}) {
        SCOPED_TRACE(o.name);
        ASSERT_EQ(DbeGotoBOF(o.handle), DBE_SUCCESS);
        EXPECT_TRUE(AtBOF(o.handle));
        ASSERT_EQ(DbeSkip(o.handle, 1), DBE_SUCCESS);
        EXPECT_FALSE(AtBOF(o.handle));
        EXPECT_EQ(Text(t, "ID"), o.first);

        ASSERT_EQ(DbeGotoBottom(o.handle), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "ID"), o.last);
        ASSERT_EQ(DbeSkip(o.handle, 1), DBE_SUCCESS);
        EXPECT_TRUE(AtEOF(o.handle));
        std::string record(64, '\0');
        uint32_t length = static_cast<uint32_t>(record.size());
        EXPECT_EQ(DbeGetRecord(t, record.data(), &length), DBE_E_NO_CURRENT_RECORD);
        // Skipping past an end stays there.
        ASSERT_EQ(DbeSkip(o.handle, 1), DBE_SUCCESS);
        EXPECT_TRUE(AtEOF(o.handle));
        ASSERT_EQ(DbeSkip(o.handle, -1), DBE_SUCCESS);
        EXPECT_FALSE(AtEOF(o.handle));
        EXPECT_EQ(Text(t, "ID"), o.last);

        ASSERT_EQ(DbeGotoTop(o.handle), DBE_SUCCESS);
        ASSERT_EQ(DbeSkip(o.handle, -1), DBE_SUCCESS);
        EXPECT_TRUE(AtBOF(o.handle));
        ASSERT_EQ(DbeSkip(o.handle, -1), DBE_SUCCESS);
        EXPECT_TRUE(AtBOF(o.handle));
        ASSERT_EQ(DbeSkip(o.handle, 1), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "ID"), o.first);
    }
}

TEST_F(Navigation, EmptyTableIsAtBothEnds) {
    DBEHANDLE t = MakeTable("empty.tbl", "ARTN,String,8", {{"ARTN", "ARTN"}});
    for (DBEHANDLE order : {t, IndexOf(t, "ARTN")}) {
        for (auto go : {DbeGotoTop, DbeGotoBottom}) {
            ASSERT_EQ(go(order), DBE_SUCCESS);
            EXPECT_TRUE(AtEOF(order));
            EXPECT_TRUE(AtBOF(order));
            uint16_t visible = 7;
            EXPECT_EQ(DbeIsRecordVisible(order, &visible), DBE_E_NO_CURRENT_RECORD);
        }
    }
}

// Enough rows for several fetch-ahead refills in each direction, with keys
// repeating so that ties straddle the refill boundaries, and with empty
// numbers, which sort first and need their own continuation after a refill.
TEST_F(Navigation, LongWalksMeetEveryRecordOnceInEveryOrderAndDirection) {
    constexpr int kRows = 1300;
    struct Key {
        std::string text;
        std::optional<int> number; // nullopt: empty
        uint32_t recno;
    };
    std::vector<Key> keys;
    Rows rows;
    for (int i = 0; i < kRows; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "K%02d", (i * 7) % 41);
        std::optional<int> number;
        if (i % 3 != 0) number = (i * 13) % 50 - 25;
        rows.push_back({text, number ? std::to_string(*number) : std::string()});
        keys.push_back({text, number, 0});
    }
    Recnos recnos;
    DBEHANDLE t = MakeTable("long.tbl", "KEY,String,6;NUM,Integer",
                            {{"UP", "KEY"},
                             {"DOWN", "KEY", DBE_INDEX_DESCENDING},
                             {"NUM", "NUM"},
                             {"NUMDOWN", "NUM", DBE_INDEX_DESCENDING},
                             {"MIX", "KEY;NUM"}},
                            {"KEY", "NUM"}, rows, &recnos);
    for (int i = 0; i < kRows; ++i)
        keys[i].recno = recnos[i];

    // Empty numbers first, then by value; ties by record number.
    auto sorted = [&](auto less) {
        std::vector<Key> k = keys;
        std::sort(k.begin(), k.end(), [&](const Key &a, const Key &b) {
            if (less(a, b)) return true;
            if (less(b, a)) return false;
            return a.recno < b.recno;
        });
        Recnos out;
        for (const auto &x : k)
            out.push_back(x.recno);
        return out;
    };
    const Recnos natural = sorted([](const Key &, const Key &) { return false; });
    const Recnos byText = sorted([](const Key &a, const Key &b) { return a.text < b.text; });
    const Recnos byNumber = sorted([](const Key &a, const Key &b) { return a.number < b.number; });
    const Recnos byBoth = sorted([](const Key &a, const Key &b) {
        return std::tie(a.text, a.number) < std::tie(b.text, b.number);
    });

    struct Order {
        const char *name;
        DBEHANDLE handle;
        Recnos expected;
    };
    const Order orders[] = {{"natural", t, natural},
                            {"string tag", IndexOf(t, "UP"), byText},
                            {"descending string tag", IndexOf(t, "DOWN"), Reversed(byText)},
                            {"integer tag", IndexOf(t, "NUM"), byNumber},
                            {"descending integer tag", IndexOf(t, "NUMDOWN"), Reversed(byNumber)},
                            {"string and integer tag", IndexOf(t, "MIX"), byBoth}};
    for (const Order &o : orders) {
        SCOPED_TRACE(o.name);
        EXPECT_EQ(Walk(o.handle, t, true), o.expected);
        EXPECT_EQ(Walk(o.handle, t, false), Reversed(o.expected));

        // Turning round in the middle of a refill walks back over the same rows.
        ASSERT_EQ(DbeGotoTop(o.handle), DBE_SUCCESS);
        for (int i = 1; i <= 700; ++i) {
            ASSERT_EQ(DbeSkip(o.handle, 1), DBE_SUCCESS);
            ASSERT_EQ(RecNo(t), o.expected[i]) << "forward step " << i;
        }
        for (int i = 699; i >= 0; --i) {
            ASSERT_EQ(DbeSkip(o.handle, -1), DBE_SUCCESS);
            ASSERT_EQ(RecNo(t), o.expected[i]) << "backward step to " << i;
        }
        ASSERT_EQ(DbeSkip(o.handle, 650), DBE_SUCCESS);
        EXPECT_EQ(RecNo(t), o.expected[650]);
        ASSERT_EQ(DbeSkip(o.handle, -600), DBE_SUCCESS);
        EXPECT_EQ(RecNo(t), o.expected[50]);
    }

    // A seek leaves the walk going on from the sought record in both directions.
    DBEHANDLE up = IndexOf(t, "UP");
    uint16_t found = 0;
    ASSERT_EQ(DbeSeek(up, "K20", 3, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_SUCCESS);
    ASSERT_EQ(found, 1);
    const size_t start = std::find(byText.begin(), byText.end(), RecNo(t)) - byText.begin();
    ASSERT_LT(start, byText.size());
    EXPECT_EQ(Text(t, "KEY"), "K20");
    for (size_t i = start + 1; i < byText.size(); ++i) {
        ASSERT_EQ(DbeSkip(up, 1), DBE_SUCCESS);
        ASSERT_EQ(RecNo(t), byText[i]) << "after seek, forward to " << i;
    }
    ASSERT_EQ(DbeSkip(up, 1), DBE_SUCCESS);
    EXPECT_TRUE(AtEOF(up));
    ASSERT_EQ(DbeSeek(up, "K20", 3, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_SUCCESS);
    ASSERT_EQ(DbeSkip(up, -1), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "KEY"), "K19");
    for (size_t i = start - 1; i-- > 0;) {
        ASSERT_EQ(DbeSkip(up, -1), DBE_SUCCESS);
        ASSERT_EQ(RecNo(t), byText[i]) << "after seek, backward to " << i;
    }
    ASSERT_EQ(DbeSkip(up, -1), DBE_SUCCESS);
    EXPECT_TRUE(AtBOF(up));
}

// The check tool corrects keys while it walks: after a write the walk goes
// on from the written record's new place in the order.
TEST_F(Navigation, WalkGoesOnFromWhereAWriteMovedTheRecord) {
    Recnos r;
    DBEHANDLE t = MakeTable("moved.tbl", "ARTN,String,8", {{"ARTN", "ARTN"}}, {"ARTN"},
                            {{"A"}, {"C"}, {"E"}, {"G"}}, &r);
    DBEHANDLE ix = IndexOf(t, "ARTN");
    ASSERT_EQ(DbeGotoTop(ix), DBE_SUCCESS);
    ASSERT_EQ(DbeSetField(t, "ARTN", "F", 1), DBE_SUCCESS);
    ASSERT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
    EXPECT_EQ(RecNo(t), r[0]);
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "ARTN"), "G");
    ASSERT_EQ(DbeSkip(ix, -2), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "ARTN"), "E");

    AppendRow(t, {"ARTN"}, {"B"});
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "ARTN"), "C");
    ASSERT_EQ(DbeSkip(ix, -1), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "ARTN"), "B");
    ASSERT_EQ(DbeSkip(ix, -1), DBE_SUCCESS);
    EXPECT_TRUE(AtBOF(ix));
}

TEST_F(Navigation, MultiFieldKeyOrdersByEveryField) {
    DBEHANDLE t =
        MakeTable("match.tbl", "MATCH0,String,4;MATCH1,String,4;MATCH2,Integer;ID,Integer",
                  {{"MATCH0", "MATCH0;MATCH1;MATCH2"}}, {"MATCH0", "MATCH1", "MATCH2", "ID"},
                  {{"B", "A", "1", "1"},
                   {"A", "B", "2", "2"},
                   {"A", "B", "1", "3"},
                   {"A", "A", "9", "4"},
                   {"A", "B", "1", "5"},
                   {"A", "A", "-3", "6"}});
    EXPECT_EQ(WalkField(IndexOf(t, "MATCH0"), t, "ID"),
              (std::vector<std::string>{"6", "4", "3", "5", "2", "1"}));
}

struct KeyOrderCase {
    const char *name;
    const char *field; // definition of the one field V
    std::vector<std::string> values;
    std::vector<std::string> expected; // the same values in index order
};

TEST_F(Navigation, KeyOrderOfEveryKeyType) {
    const KeyOrderCase cases[] = {
        // Blank-padded bytes: a tab (0x09) sorts before the padding blank;
        // the euro sign is 0x80, before a-umlaut 0xE4, which Unicode order
        // would turn round.
        {"string",
         "V,String,6",
         {"Ab", "AB1", "\xE4", "AB", "z", "\x80", "A B", "", "AB\t"},
         {"", "A B", "AB\t", "AB", "AB1", "Ab", "z", "\x80", "\xE4"}},
        // Equal keys keep record-number order: "A" was appended before "a".
        {"case-insensitive string",
         "V,CIString,6",
         {"b", "A", "a", "B", "\xE4", "\xC4"},
         {"A", "a", "b", "B", "\xE4", "\xC4"}},
        {"integer",
         "V,Integer",
         {"10", "-5", "0", "2", "-100", ""},
         {"", "-100", "-5", "0", "2", "10"}},
        {"short integer", "V,ShortInt", {"-7", "300", "0", "-30000"}, {"-30000", "-7", "0", "300"}},
        {"numeric",
         "V,Numeric,8,2",
         {"9.5", "-1.25", "10", "0", "-10"},
         {"-10", "-1.25", "0", "9.5", "10"}},
        {"double",
         "V,Double",
         {"9.5", "-1.25", "10", "0", "1e3", "-0.5"},
         {"-1.25", "-0.5", "0", "9.5", "10", "1e3"}},
        {"currency", "V,CurDouble", {"-0.5", "0.25", "-12", "100"}, {"-12", "-0.5", "0.25", "100"}},
        {"date",
         "V,Date",
         {"20251224", "19991231", "", "20000101", "20000102"},
         {"", "19991231", "20000101", "20000102", "20251224"}},
        {"compact date",
         "V,CompactDate",
         {"20251224", "19991231", "20000101", "20250901"},
         {"19991231", "20000101", "20250901", "20251224"}},
        {"logical", "V,Logical", {"T", "", "F", "T", "F"}, {"", "F", "F", "T", "T"}},
        {"timestamp",
         "V,TimeStamp",
         {"2025-12-24 10:00:00", "2025-12-24 09:59:59.999", "2024-01-01 00:00:00"},
         {"2024-01-01 00:00:00", "2025-12-24 09:59:59.999", "2025-12-24 10:00:00"}},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Rows rows;
        for (const auto &v : c.values)
            rows.push_back({v});
        Recnos recnos;
        DBEHANDLE t = MakeTable("order" + std::to_string(++n) + ".tbl", c.field, {{"V", "V"}},
                                {"V"}, rows, &recnos);
        std::map<uint32_t, std::string> valueOf;
        for (size_t i = 0; i < recnos.size(); ++i)
            valueOf[recnos[i]] = c.values[i];
        std::vector<std::string> walked;
        for (uint32_t r : Walk(IndexOf(t, "V"), t))
            walked.push_back(valueOf[r]);
        EXPECT_EQ(walked, c.expected);
        DbeCloseTable(t);
    }
}

// --- seeks ----------------------------------------------------------------

struct Segment {
    enum How { Full, Prefix, Image, TextForm } how;
    const char *field;
    std::string text;
    int32_t number = 0;
};

struct SeekCase {
    const char *name;
    const char *tag;
    std::vector<Segment> segments; // a raw key built from these
    const char *stringKey;         // or a string key
    uint16_t seekType;
    uint16_t found;
    int row; // 1-based row of the fixture where the seek stands, 0 for EOF
};

class Seek : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped()) return;
        table_ = MakeTable("seek.tbl", "ARTN,String,10;ID,Integer",
                           {{"ARTN", "ARTN"}, {"ID", "ID"}, {"ARTID", "ARTN;ID"}}, {"ARTN", "ID"},
                           {{"C3", "300"},
                            {"B2", "949"},
                            {"A1", "100"},
                            {"B20", "949"},
                            {"B2", "200"},
                            {"AB", "50"}},
                           &recnos_);
    }

    // Seeks as the case says; answers the found flag.
    uint16_t Run(const SeekCase &c) {
        DBEHANDLE ix = IndexOf(table_, c.tag);
        uint16_t found = 99;
        if (c.stringKey) {
            Ok(DbeSeek(ix, c.stringKey, static_cast<uint16_t>(std::strlen(c.stringKey)),
                       DBE_STRINGKEY, c.seekType, &found),
               "DbeSeek");
            return found;
        }
        Ok(DbeInitRawKey(ix), "DbeInitRawKey");
        for (const Segment &s : c.segments) {
            std::string value = s.text;
            switch (s.how) {
            case Segment::Full:
                value.resize(10, ' ');
                [[fallthrough]];
            case Segment::Prefix:
            case Segment::TextForm:
                Ok(DbeSetField(ix, s.field, value.data(), static_cast<uint32_t>(value.size())),
                   "DbeSetField on the index");
                break;
            case Segment::Image:
                Ok(DbeSetFieldRaw(ix, s.field, &s.number, sizeof s.number),
                   "DbeSetFieldRaw on the index");
                break;
            }
        }
        char key[64];
        uint16_t length = sizeof key;
        Ok(DbeBuildRawKey(ix, key, &length), "DbeBuildRawKey");
        Ok(DbeSeek(ix, key, length, DBE_RAWKEY, c.seekType, &found), "DbeSeek");
        return found;
    }

    DBEHANDLE table_ = 0;
    Recnos recnos_;
};

// Index orders of the fixture:
//   ARTN:  A1(3) AB(6) B2(2) B2(5) B20(4) C3(1)
//   ID:    50(6) 100(3) 200(5) 300(1) 949(2) 949(4)
//   ARTID: A1/100(3) AB/50(6) B2/200(5) B2/949(2) B20/949(4) C3/300(1)
TEST_F(Seek, LandsWhereTheKeyBelongs) {
    using S = Segment;
    const uint16_t soft = DBE_SOFTSEEK, hard = DBE_HARDSEEK;
    // clang-format off
    const SeekCase cases[] = {
        {"full key, duplicates: lowest record number", "ARTN", {{S::Full, "ARTN", "B2"}}, nullptr, hard, 1, 2},
        {"full key soft", "ARTN", {{S::Full, "ARTN", "B2"}}, nullptr, soft, 1, 2},
        {"full key between: soft lands on next greater", "ARTN", {{S::Full, "ARTN", "B3"}}, nullptr, soft, 0, 1},
        {"full key miss: hard lands at EOF", "ARTN", {{S::Full, "ARTN", "B3"}}, nullptr, hard, 0, 0},
        {"full key shorter than a stored one", "ARTN", {{S::Full, "ARTN", "A"}}, nullptr, soft, 0, 3},
        {"full key past the last", "ARTN", {{S::Full, "ARTN", "Z"}}, nullptr, soft, 0, 0},
        {"full key other case", "ARTN", {{S::Full, "ARTN", "b2"}}, nullptr, hard, 0, 0},
        {"prefix", "ARTN", {{S::Prefix, "ARTN", "B"}}, nullptr, hard, 1, 2},
        {"prefix of two keys", "ARTN", {{S::Prefix, "ARTN", "B2"}}, nullptr, hard, 1, 2},
        {"prefix of one key", "ARTN", {{S::Prefix, "ARTN", "B20"}}, nullptr, hard, 1, 4},
        {"prefix miss hard", "ARTN", {{S::Prefix, "ARTN", "B3"}}, nullptr, hard, 0, 0},
        {"prefix miss soft", "ARTN", {{S::Prefix, "ARTN", "B3"}}, nullptr, soft, 0, 1},
        {"integer image, duplicates", "ID", {{S::Image, "ID", "", 949}}, nullptr, hard, 1, 2},
        {"integer image between", "ID", {{S::Image, "ID", "", 250}}, nullptr, soft, 0, 1},
        {"integer image below all", "ID", {{S::Image, "ID", "", -1}}, nullptr, soft, 0, 6},
        {"integer image above all", "ID", {{S::Image, "ID", "", 950}}, nullptr, soft, 0, 0},
        {"integer in text form", "ID", {{S::TextForm, "ID", "949"}}, nullptr, hard, 1, 2},
        {"two segments", "ARTID", {{S::Full, "ARTN", "B2"}, {S::Image, "ID", "", 949}}, nullptr, hard, 1, 2},
        {"two segments between", "ARTID", {{S::Full, "ARTN", "B2"}, {S::Image, "ID", "", 300}}, nullptr, soft, 0, 2},
        {"first segment only", "ARTID", {{S::Full, "ARTN", "B2"}}, nullptr, hard, 1, 5},
        {"prefix of the first segment", "ARTID", {{S::Prefix, "ARTN", "B"}}, nullptr, hard, 1, 5},
        {"string key on an integer tag", "ID", {}, "949", hard, 1, 2},
        {"string key on an integer tag between", "ID", {}, "250", soft, 0, 1},
        {"string key on an integer tag miss", "ID", {}, "251", hard, 0, 0},
        {"string key on a string tag", "ARTN", {}, "B2", hard, 1, 2},
        {"string key miss soft", "ARTN", {}, "B3", soft, 0, 1},
    };
    // clang-format on
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        // Start from elsewhere so that a seek that does not move shows.
        ASSERT_EQ(DbeGotoBottom(table_), DBE_SUCCESS);
        EXPECT_EQ(Run(c), c.found);
        if (c.row == 0) {
            EXPECT_TRUE(AtEOF(table_));
        } else {
            EXPECT_FALSE(AtEOF(table_));
            EXPECT_EQ(RecNo(table_), recnos_[c.row - 1]);
        }
    }
}

TEST_F(Seek, WalkGoesOnInIndexOrderFromTheSoughtRecord) {
    DBEHANDLE ix = IndexOf(table_, "ARTN");
    uint16_t found = 0;
    ASSERT_EQ(DbeSeek(ix, "B2", 2, DBE_STRINGKEY, DBE_HARDSEEK, &found), DBE_SUCCESS);
    EXPECT_EQ(RecNo(table_), recnos_[1]);
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    EXPECT_EQ(RecNo(table_), recnos_[4]);
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    EXPECT_EQ(RecNo(table_), recnos_[3]);
    ASSERT_EQ(DbeSkip(ix, -3), DBE_SUCCESS);
    EXPECT_EQ(RecNo(table_), recnos_[5]);
}

// In descending order a prefix seek lands on the greatest key that starts
// with the prefix, letters above 'Z' and either case included.
TEST_F(Navigation, DescendingPrefixSeekLandsOnTheGreatestKeyWithThePrefix) {
    struct Case {
        const char *type, *prefix, *expected;
    };
    // "AB\xC4" is AB followed by an A umlaut in Windows-1252.
    int n = 0;
    for (const Case &c : {Case{"String", "AB", "AB\xC4"}, Case{"CIString", "ab", "AB\xC4"},
                          Case{"CIString", "AB\xE4", "AB\xC4"}, Case{"String", "AC", "AC"}}) {
        SCOPED_TRACE(std::string(c.type) + " " + c.prefix);
        DBEHANDLE t = MakeTable("down" + std::to_string(++n) + ".tbl", std::string("KEY,") + c.type + ",6",
                                {{"DOWN", "KEY", DBE_INDEX_DESCENDING}}, {"KEY"},
                                {{"AA"}, {"AB\xC4"}, {"ABZ"}, {"AC"}, {"AB"}});
        uint16_t found = 0;
        ASSERT_EQ(DbeSeek(IndexOf(t, "DOWN"), c.prefix, static_cast<uint16_t>(std::strlen(c.prefix)),
                          DBE_STRINGKEY, DBE_SOFTSEEK, &found),
                  DBE_SUCCESS);
        EXPECT_EQ(Text(t, "KEY"), c.expected);
        DbeCloseTable(t);
    }
}

} // namespace
} // namespace dbetest
