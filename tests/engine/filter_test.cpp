// Filters in the forms the database layer builds them.
#include "engine_fixture.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace dbetest {
namespace {

class Filter : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        if (IsSkipped()) return;
        uint16_t length = sizeof savedFormat_;
        ASSERT_EQ(DbeGetDateFormat(savedFormat_, &length), DBE_SUCCESS);
        ASSERT_EQ(DbeSetDateFormat("DD.MM.yyyy"), DBE_SUCCESS);
        table_ =
            MakeTable("flt.tbl", "ARTN,String,10;ID,Integer;LAART,Logical;BEZ,String,30;DAT,Date",
                      {{"ARTN", "ARTN"}}, {"ARTN", "ID", "LAART", "BEZ", "DAT"},
                      {{"A1", "5", "T", "a\"b", "20251224"},
                       {"A10", "6", "F", "ab", "20251225"},
                       {"", "7", "", "AB", ""},
                       {"ab", "5", "T", "x", "20251224"},
                       {"AB", "8", "F", "a", ""},
                       {"Z9", "9", "F",
                        "Gr\xF6\xDF"
                        "e (M4) AND Mutter",
                        ""}},
                      &recnos_);
    }
    void TearDown() override {
        DbeSetDateFormat(savedFormat_);
        EngineTest::TearDown();
    }

    Recnos Pick(std::initializer_list<int> rows) const {
        Recnos out;
        for (int r : rows)
            out.push_back(recnos_[r - 1]);
        return out;
    }

    char savedFormat_[32] = {};
    DBEHANDLE table_ = 0;
    Recnos recnos_;
};

TEST_F(Filter, ExpressionsOfTheDatabaseLayerSelectTheirRecords) {
    struct Case {
        const char *expression;
        uint16_t exact;
        std::initializer_list<int> rows;
    };
    const Case cases[] = {
        {R"((ARTN="A1"))", 1, {1}},
        {R"((ARTN="A1"))", 0, {1, 2}},
        {R"((ARTN="A"))", 0, {1, 2, 5}},
        {R"((ARTN="A"))", 1, {}},
        {R"((ID=5))", 1, {1, 4}},
        {R"((empty(ARTN)))", 1, {3}},
        {R"((UPPER(ARTN)=UPPER("ab")))", 1, {4, 5}},
        {R"((LAART=.TRUE.))", 1, {1, 4}},
        {R"((BEZ="a"+ Chr(34) + "b"))", 1, {1}},
        {R"((DAT=ctod("24.12.2025")))", 1, {1, 4}},
        {R"((ARTN="A1") AND (ID=5))", 0, {1}},
        {R"((ID=5) AND (LAART=.TRUE.) AND (UPPER(ARTN)=UPPER("AB")))", 1, {4}},
        // Brackets and AND inside a quoted text are text; UPPER folds umlauts.
        {"(BEZ=\"Gr\xF6\xDF"
         "e (M4) AND Mutter\")",
         1,
         {6}},
        {"(UPPER(BEZ)=UPPER(\"GR\xD6\xDF"
         "E (m4)\"))",
         0,
         {6}},
    };
    const DBEHANDLE index = IndexOf(table_, "ARTN");
    for (bool optimized : {false, true}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(optimized ? "DbeSetOptFilter " : "DbeSetFilter ") +
                         c.expression + " exact " + std::to_string(c.exact));
            ASSERT_EQ(DbeSetExact(table_, c.exact), DBE_SUCCESS);
            ASSERT_EQ(optimized ? DbeSetOptFilter(table_, c.expression, 0)
                                : DbeSetFilter(table_, c.expression),
                      DBE_SUCCESS)
                << LastError();
            const Recnos expected = Pick(c.rows);
            EXPECT_EQ(Walk(table_, table_, true), expected);
            Recnos backward = Walk(table_, table_, false);
            std::reverse(backward.begin(), backward.end());
            EXPECT_EQ(backward, expected);
            Recnos byIndex = Walk(index, table_, true);
            std::sort(byIndex.begin(), byIndex.end());
            EXPECT_EQ(byIndex, expected);
            ASSERT_EQ(optimized ? DbeClearOptFilter(table_) : DbeClearFilter(table_), DBE_SUCCESS);
        }
    }
    ASSERT_EQ(Walk(table_, table_).size(), recnos_.size());
}

// Few matches among many rows: the walk has to refill past long runs of
// rejected rows, forward and backward, in natural and index order.
// A value of another kind than its field holds is refused when the filter
// is set, with an engine error, never later as a C++ exception out of a
// walk.
TEST_F(Filter, ValueOfTheWrongKindForItsFieldIsRefused) {
    const DBEHANDLE memoTable = MakeTable("memo.tbl", "ARTN,String,10;M,Memo;N,Numeric,8,2", {},
                                          {"ARTN", "M", "N"}, {{"A1", "x", "1.5"}});
    const struct {
        DBEHANDLE table;
        const char *expression;
    } cases[] = {
        {table_, R"((ID="5"))"},
        {table_, R"((DAT="24.12.2025"))"},
        {table_, R"((LAART="T"))"},
        {table_, R"((ARTN=.TRUE.))"},
        {table_, R"((ARTN=ctod("24.12.2025")))"},
        {table_, R"((ARTN="A1") AND (ID="5"))"},
        {table_, R"((UPPER(ID)=UPPER("5")))"},
        {memoTable, R"((M="x"))"},
        {memoTable, R"((M=x))"},
        {memoTable, R"((N="1.5"))"},
        {memoTable, R"((N=.FALSE.))"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.expression);
        for (bool optimized : {false, true}) {
            EXPECT_EQ(optimized ? DbeSetOptFilter(c.table, c.expression, 0)
                                : DbeSetFilter(c.table, c.expression),
                      DBE_E_FILTER_SYNTAX);
            EXPECT_EQ(LastErrorCode(), uint32_t(DBE_E_FILTER_SYNTAX));
            EXPECT_NE(LastErrorText().find("does not suit"), std::string::npos) << LastErrorText();
        }
        ASSERT_EQ(DbeGotoTop(c.table), DBE_SUCCESS);
        uint16_t result = 9;
        EXPECT_EQ(DbeEvalLogicalExpr(c.table, c.expression, &result), DBE_E_FILTER_SYNTAX);
        EXPECT_EQ(Walk(c.table, c.table).size(), c.table == table_ ? recnos_.size() : 1u);
    }
}

TEST_F(Filter, SparseFilterOverManyRowsMeetsEveryMatchOnce) {
    Rows rows;
    for (int i = 0; i < 1300; ++i) {
        char artn[16];
        std::snprintf(artn, sizeof artn, "N%04d", (i * 37) % 1300);
        rows.push_back({artn, std::to_string(i % 100)});
    }
    Recnos recnos;
    DBEHANDLE t = MakeTable("sparse.tbl", "ARTN,String,10;GRP,Integer", {{"ARTN", "ARTN"}},
                            {"ARTN", "GRP"}, rows, &recnos);
    Recnos natural, byKey;
    std::vector<std::pair<std::string, uint32_t>> keyed;
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i][1] == "7") {
            natural.push_back(recnos[i]);
            keyed.push_back({rows[i][0], recnos[i]});
        }
    std::sort(keyed.begin(), keyed.end());
    for (const auto &k : keyed)
        byKey.push_back(k.second);
    ASSERT_EQ(natural.size(), 13u);

    ASSERT_EQ(DbeSetOptFilter(t, "(GRP=7)", 0), DBE_SUCCESS);
    for (DBEHANDLE order : {t, IndexOf(t, "ARTN")}) {
        const Recnos &expected = order == t ? natural : byKey;
        SCOPED_TRACE(order == t ? "natural" : "index");
        EXPECT_EQ(Walk(order, t, true), expected);
        Recnos backward = Walk(order, t, false);
        std::reverse(backward.begin(), backward.end());
        EXPECT_EQ(backward, expected);
    }
}

TEST_F(Filter, FilteredOutRecordIsNotVisible) {
    ASSERT_EQ(DbeSetExact(table_, 1), DBE_SUCCESS);
    ASSERT_EQ(DbeSetOptFilter(table_, R"((ID=5))", 0), DBE_SUCCESS);
    uint16_t visible = 9;
    ASSERT_EQ(DbeGotoRecord(table_, recnos_[1]), DBE_SUCCESS);
    ASSERT_EQ(DbeIsRecordVisible(table_, &visible), DBE_SUCCESS);
    EXPECT_EQ(visible, 0);
    ASSERT_EQ(DbeGotoRecord(table_, recnos_[3]), DBE_SUCCESS);
    ASSERT_EQ(DbeIsRecordVisible(table_, &visible), DBE_SUCCESS);
    EXPECT_EQ(visible, 1);
}

TEST_F(Filter, GetOptFilterTellsNoneFromTooSmall) {
    const char *expression = R"((ARTN="A1") AND (ID=5))";
    char buffer[128];
    uint16_t length = sizeof buffer;
    EXPECT_EQ(DbeGetOptFilter(table_, buffer, &length), DBE_E_NO_FILTER);
    length = 0;
    EXPECT_EQ(DbeGetOptFilter(table_, nullptr, &length), DBE_E_NO_FILTER);

    ASSERT_EQ(DbeSetOptFilter(table_, expression, 0), DBE_SUCCESS);
    length = 0;
    EXPECT_EQ(DbeGetOptFilter(table_, nullptr, &length), DBE_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(length, std::strlen(expression));
    length = sizeof buffer;
    EXPECT_EQ(DbeGetOptFilter(table_, buffer, &length), DBE_SUCCESS);
    EXPECT_STREQ(buffer, expression);
    // The two filters are separate.
    length = sizeof buffer;
    EXPECT_EQ(DbeGetFilter(table_, buffer, &length), DBE_E_NO_FILTER);

    ASSERT_EQ(DbeClearOptFilter(table_), DBE_SUCCESS);
    length = sizeof buffer;
    EXPECT_EQ(DbeGetOptFilter(table_, buffer, &length), DBE_E_NO_FILTER);
}

TEST_F(Filter, EvalLogicalExprJudgesTheCurrentRecord) {
    struct Case {
        const char *expression;
        uint16_t exact;
        uint16_t result;
    };
    const Case cases[] = {
        {R"((ARTN="A1"))", 1, 1},
        {R"((ID=6))", 1, 0},
        {R"((BEZ="a"+ Chr(34) + "b") AND (LAART=.TRUE.))", 1, 1},
        {R"((DAT=ctod("24.12.2025")))", 1, 1},
        {R"((DAT=ctod("25.12.2025")))", 1, 0},
        {R"((ARTN="A"))", 0, 1},
        {R"((ARTN="A"))", 1, 0},
        {R"((empty(ARTN)))", 1, 0},
    };
    ASSERT_EQ(DbeGotoRecord(table_, recnos_[0]), DBE_SUCCESS);
    for (DBEHANDLE order : {table_, IndexOf(table_, "ARTN")}) {
        for (const auto &c : cases) {
            SCOPED_TRACE(std::string(c.expression) + " exact " + std::to_string(c.exact));
            ASSERT_EQ(DbeSetExact(table_, c.exact), DBE_SUCCESS);
            uint16_t result = 9;
            ASSERT_EQ(DbeEvalLogicalExpr(order, c.expression, &result), DBE_SUCCESS) << LastError();
            EXPECT_EQ(result, c.result);
        }
    }
    EXPECT_EQ(RecNo(table_), recnos_[0]);
}

} // namespace
} // namespace dbetest
