// The engine calls the layer makes, in order, for the operations the tool
// relies on. The recorder forwards to the real engine unless a test answers
// in its place.
#include "db_errors.h"
#include "db_fixture.h"
#include "db_settings.h"
#include "dbe_recorder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dbtest;

namespace {

std::string Num(uint32_t v) { return std::to_string(v); }

uint32_t IndexHandle(const TDbTable &table, const char *tag) {
    DBEHANDLE h = 0;
    EXPECT_EQ(DbeRealApi().DbeGetIndexHandle(table.TableHandle(), tag, &h), 0) << tag;
    return h;
}

std::string FieldNo(TDbTable &table, const char *name) {
    return "#" + std::to_string(table.FieldByName(QString::fromLatin1(name))->FieldNo());
}

bool Contains(const std::vector<std::string> &calls, const std::string &pattern) {
    for (const auto &c : calls)
        if (Glob(pattern, c)) return true;
    return false;
}

class HostCalls : public ::testing::Test {
protected:
    void SetUp() override {
        FillHost(folder);
        form = std::make_unique<HostForm>(folder.Path());
        form->articles->SetIndexName(QStringLiteral("ARTN"));
        vars = {{"T", Num(form->articles->TableHandle())},
                {"ARTN", Num(IndexHandle(*form->articles, "ARTN"))},
                {"ID", Num(IndexHandle(*form->articles, "ID"))},
                {"DIR", folder.Path().toStdString()}};
    }

    int CurrentId() { return form->articles->FieldByName(QStringLiteral("ID"))->AsInteger(); }

    ProcessSettingsGuard guard;
    HostFolder folder;
    std::unique_ptr<HostForm> form;
    DbeRecorder rec;
    Vars vars;
};

// --- settings ---------------------------------------------------------------

TEST(SettingsCalls, TheMainWindowsFormValuesReachTheEngineInOrder) {
    ProcessSettingsGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = u'.';
    DbeRecorder rec;
    rec.hooks.DbeGetDecimals = [](uint16_t *d) { return *d = 2, 0; };
    rec.hooks.DbeGetDeleted = [](uint16_t *d) { return *d = 1, 0; };
    rec.Start();
    TDbSettings settings;
    // What reading the form file does: every published value, in order.
    settings.BeginLoading();
    settings.SetDateFormat(QStringLiteral("DD.MM.yyyy"));
    settings.SetNumDecimals(2);
    settings.SetSetProcessDate(true);
    settings.SetShowDeleted(true);
    settings.SetDbServerTypes({TDbServerType::stDB_REMOTE, TDbServerType::stDB_INTERNET});
    settings.SetNumCachedTables(0);
    settings.SetNumCachedCursors(25);
    settings.EndLoading();

    // Decimals and deleted records are sent although they equal what the
    // engine reported; server types and cache sizes equal to the current
    // values are not.
    EXPECT_TRUE(CallsMatch(rec.Calls(), {
                                            "DbeCacheOpenCursors(25)",
                                            R"(DbeSetDateFormat("dd.mm.yyyy"))",
                                            "DbeGetDecimals(*)",
                                            "DbeGetDeleted(*)",
                                            "DbeSetServerType(6)",
                                            R"(DbeSetDateFormat("DD.MM.yyyy"))",
                                            "DbeSetDecimals(2)",
                                            "DbeShowDeleted(1)",
                                        }));
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("DD.MM.yyyy"));
    EXPECT_EQ(FormatSettings().DateSeparator, QChar(u'.'));
    EXPECT_EQ(settings.DateFormat(), QStringLiteral("DD.MM.yyyy"));
    EXPECT_EQ(settings.NumDecimals(), 2);
    EXPECT_TRUE(settings.ShowDeleted());
}

TEST(SettingsCalls, ARefusedProcessDateFormatFallsBackToTheEnginesDefault) {
    ProcessSettingsGuard guard;
    DbeRecorder rec;
    rec.Fail("DbeSetDateFormat", DBE_E_INVALID_ARGUMENT, {}, 1);
    rec.Start();
    TDbSettings settings;
    const auto formats = rec.CallsOf("DbeSetDateFormat");
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[1], R"(DbeSetDateFormat("MM/dd/ccyy"))");
    EXPECT_EQ(settings.DateFormat(), QStringLiteral("MM/dd/ccyy"));
}

// --- opening ----------------------------------------------------------------

TEST(OpenCalls, OpeningTheSettingsTableTakesItsStepsInOrder) {
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path(), false);
    form.connection->SetIsConnected(true);
    DbeRecorder rec;
    rec.Start();
    form.settings->SetActive(true);
    rec.Stop();
    ASSERT_TRUE(form.settings->Active());

    const Vars vars = {{"C", Num(form.connection->ConnectionHandle())},
                       {"T", Num(form.settings->TableHandle())},
                       {"I", Num(IndexHandle(*form.settings, "IDENT"))},
                       {"DIR", folder.Path().toStdString()}};
    // The bookmark length is read more than once while the order settles;
    // what counts is that it is read for the index finally chosen.
    std::vector<std::string> calls;
    for (const auto &c : rec.Calls())
        if (c.rfind("DbeGetBookmarkLength(", 0) != 0) calls.push_back(c);
    std::vector<std::string> expected = {
        R"(DbeOpenTable($C,"$DIR/setup.TBL",null,3,1,1,1,0,*))",
        "DbeGetRecordLength($T,*)",
        "DbeGetTableOpenOptions($T,*)",
        "DbeGetAllIndexes($T,*,&1)",
        "DbeGetIndexPageSize($I,*)",
        "DbeGetNumFields($T,*)",
    };
    for (int f = 1; f <= 5; ++f) {
        const std::string n = std::to_string(f);
        expected.push_back("DbeGetFieldType($T,#" + n + ",*)");
        expected.push_back("DbeGetFieldLength($T,#" + n + ",*)");
        expected.push_back("DbeGetFieldName($T," + n + ",buf,*)");
        expected.push_back("DbeGetFieldOffset($T,#" + n + ",*)");
        expected.push_back("DbeGetColumnPermissions($T,#" + n + ",*)");
    }
    for (const char *c : {
             "DbeGetNumIndexes($T,*)",
             "DbeGetAllIndexes($T,*,&1)",
             "DbeGetIndexName($I,buf,*)",
             "DbeGetNumSegments($I,*)",
             "DbeGetSegmentFieldname($I,1,buf,*)",
             "DbeIsIndexUnique($I,*)",
             "DbeIsIndexDescending($I,*)",
             "DbeIsIndexPrimaryKey($I,*)",
             R"(DbeGetIndexHandle($T,"IDENT",*))",
             "DbeGotoBOF($I)",
             // The framework moves to the first record.
             "DbeGotoBOF($I)",
             "DbeSkip($I,1)",
             "DbeGetNumFields($T,*)",
             "DbeAtEOF($T,*)",
             "DbeAtBOF($T,*)",
             "DbeIsRecordVisible($I,*)",
             "DbeGetRecord($T,buf,*)",
             "DbeGetBookmarkEx($I,buf,*)",
             "DbeIsEmpty($T,#3,*)",
             "DbeIsEmpty($T,#5,*)",
             "DbeGetRecordNum($T,2,*)",
         })
        expected.push_back(c);
    EXPECT_TRUE(CallsMatch(calls, expected, vars));
    const auto handle = From(rec.Calls(), R"(DbeGetIndexHandle($T,"IDENT",*))", vars);
    ASSERT_GE(handle.size(), 2u);
    EXPECT_TRUE(Glob(Expand("DbeGetBookmarkLength($I,*)", vars), handle[1])) << handle[1];
}

// --- locate -----------------------------------------------------------------

struct IndexLocateCase {
    const char *name;
    const char *fields;
    QVariant value;
    TLocateOptions options;
    std::string setKey;  // the key segment call
    bool found;
    int id;  // current afterwards
};
void PrintTo(const IndexLocateCase &c, std::ostream *os) { *os << c.name; }

class LocateThroughIndex : public HostCalls, public ::testing::WithParamInterface<IndexLocateCase> {};

TEST_P(LocateThroughIndex, SeeksTheQualifyingIndexWithARawKey) {
    const IndexLocateCase &c = GetParam();
    form->articles->First();
    form->articles->Next();  // A-100, ID 5
    rec.Start();
    EXPECT_EQ(form->articles->Locate(QString::fromLatin1(c.fields), c.value, c.options), c.found);
    rec.Stop();
    EXPECT_EQ(CurrentId(), c.id);
    ASSERT_FALSE(rec.Calls().empty());
    EXPECT_TRUE(Glob(Expand("DbeGetBookmark($T,*)", vars), rec.Calls().front()));
    const auto seek = UpTo(From(rec.Calls(), "DbeInitRawKey(*"), "DbeSeek(*");
    EXPECT_TRUE(CallsMatch(seek, {
                                     "DbeInitRawKey($" + std::string(c.fields) + ")",
                                     c.setKey,
                                     "DbeBuildRawKey($" + std::string(c.fields) + ",buf,&4082)",
                                     "DbeSeek($" + std::string(c.fields) + ",*,*,1,1,*)",
                                 },
                           vars));
    for (const char *filterCall : {"DbeSetOptFilter(*", "DbeSetFilter(*", "DbeGetOptFilter(*"})
        EXPECT_FALSE(Contains(rec.Calls(), filterCall)) << filterCall;
    if (!c.found) {
        EXPECT_TRUE(Contains(rec.Calls(), Expand("DbeGotoBookmark($T,5)", vars)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Keys, LocateThroughIndex,
    ::testing::Values(
        IndexLocateCase{"IdFound", "ID", 3, 0, R"(DbeSetFieldRaw($ID,"ID","\x03\x00\x00\x00",4))",
                        true, 3},
        IndexLocateCase{"IdMissing", "ID", 99, 0,
                        R"(DbeSetFieldRaw($ID,"ID","c\x00\x00\x00",4))", false, 5},
        IndexLocateCase{"ArtnWhole", "ARTN", QStringLiteral("C-300"), 0,
                        "DbeSetField($ARTN,\"ARTN\"," + Quoted(Padded("C-300", 50)) + ",50)", true,
                        4},
        IndexLocateCase{"ArtnPrefixWithoutPartial", "ARTN", QStringLiteral("B-2"), 0,
                        "DbeSetField($ARTN,\"ARTN\"," + Quoted(Padded("B-2", 50)) + ",50)", false,
                        5},
        IndexLocateCase{"ArtnPartial", "ARTN", QStringLiteral("B-2"), loPartialKey,
                        R"(DbeSetField($ARTN,"ARTN","B-2",3))", true, 1}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(LocateCalls, TheBookingTableUsesItsActiveIndexWithoutLookingFurther) {
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path());
    form.bookings->SetIndexName(QStringLiteral("ID_ART"));
    DbeRecorder rec;
    const Vars vars = {{"T", Num(form.bookings->TableHandle())},
                       {"I", Num(IndexHandle(*form.bookings, "ID_ART"))}};
    rec.Start();
    ASSERT_TRUE(form.bookings->Locate(QStringLiteral("ID_ART"), 3, 0));
    rec.Stop();
    EXPECT_EQ(form.bookings->FieldByName(QStringLiteral("STK"))->AsInteger(), 12);
    EXPECT_TRUE(CallsMatch(UpTo(rec.Calls(), "DbeSeek(*"),
                           {
                               "DbeGetBookmark($T,*)",
                               "DbeClearRecordBuffer($T,buf,*)",
                               "DbeGetScope($I,1,*)",
                               "DbeGetScope($I,2,*)",
                               "DbeGetIndexCondition($I,*)",
                               "DbeIsIndexUnique($I,*)",
                               "DbeIsIndexCustom($I,*)",
                               "DbeInitRawKey($I)",
                               R"(DbeSetFieldRaw($I,"ID_ART","\x03\x00\x00\x00",4))",
                               "DbeBuildRawKey($I,buf,&4082)",
                               "DbeSeek($I,*,*,1,1,*)",
                           },
                           vars));
}

TEST_F(HostCalls, KeyFieldsInAnyOrderUseAnIndexThatStartsWithThem) {
    vars["MATCH0"] = Num(IndexHandle(*form->articles, "MATCH0"));
    rec.Start();
    ASSERT_TRUE(form->articles->Locate(QStringLiteral("MATCH1;MATCH0"),
                                       QVariantList{QStringLiteral("N1"), QStringLiteral("NAGEL")}, 0));
    rec.Stop();
    EXPECT_EQ(CurrentId(), 4);
    EXPECT_TRUE(CallsMatch(UpTo(From(rec.Calls(), "DbeInitRawKey(*"), "DbeSeek(*"),
                           {
                               "DbeInitRawKey($MATCH0)",
                               "DbeSetField($MATCH0,\"MATCH1\"," + Quoted(Padded("N1", 10)) + ",10)",
                               "DbeSetField($MATCH0,\"MATCH0\"," + Quoted(Padded("NAGEL", 50)) + ",50)",
                               "DbeBuildRawKey($MATCH0,buf,&4082)",
                               "DbeSeek($MATCH0,*,*,1,1,*)",
                           },
                           vars));
}

TEST_F(HostCalls, AFieldThatNoIndexStartsWithIsSearchedByFilter) {
    form->articles->First();
    rec.Start();
    ASSERT_TRUE(form->articles->Locate(QStringLiteral("MATCH1"), QStringLiteral("N1"), 0));
    rec.Stop();
    EXPECT_EQ(CurrentId(), 4);
    EXPECT_FALSE(Contains(rec.Calls(), "DbeInitRawKey(*"));
    EXPECT_TRUE(Contains(rec.Calls(), Expand(R"x(DbeSetOptFilter($T,"(MATCH1=\"N1\")",2))x", vars)));
}

// The expression built for each kind of value, on a table without indexes.
struct ExpressionCase {
    const char *name;
    const char *fields;
    QVariant values;
    TLocateOptions options;
    std::string expression;
    QString foundName;
};
void PrintTo(const ExpressionCase &c, std::ostream *os) { *os << c.name; }

class FilterExpressions : public ::testing::TestWithParam<ExpressionCase> {};

TEST_P(FilterExpressions, RenderEachValueByItsEngineType) {
    const ExpressionCase &c = GetParam();
    ProcessSettingsGuard guard;
    FormatSettings().ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    FormatSettings().DateSeparator = u'.';
    ASSERT_EQ(DbeRealApi().DbeSetDateFormat("dd.mm.ccyy"), 0);
    HostFolder folder;
    folder.CreateTable("Typen.TBL",
                       "NAME,String,20;MENGE,Integer;AKTIV,Logical;DATUM,Date;CI,CIString,10",
                       {{{"NAME", "Sch\"raube"}, {"MENGE", "12"}, {"AKTIV", "T"}, {"DATUM", "20240309"}},
                        {{"MENGE", "4"}, {"AKTIV", "F"}},
                        {{"NAME", "X"}, {"MENGE", "3"}, {"AKTIV", "F"}, {"CI", "Abc"}}});
    TComponent owner;
    TDbConnection connection(&owner);
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_LOCAL};
    connection.SetConnectPath(folder.Path());
    TDbTable table(&owner);
    table.SetName(QStringLiteral("Typen"));
    table.SetTableName(QStringLiteral("Typen.TBL"));
    table.SetDbConnection(&connection);
    table.SetActive(true);
    DbeRecorder rec;
    rec.Start();
    EXPECT_TRUE(table.Locate(QString::fromLatin1(c.fields), c.values, c.options));
    rec.Stop();
    EXPECT_EQ(rec.CallsOf("DbeSetOptFilter"),
              std::vector<std::string>{"DbeSetOptFilter(" + std::to_string(table.TableHandle()) + "," +
                                       Quoted(c.expression) + ",2)"});
    EXPECT_EQ(table.FieldByName(QStringLiteral("NAME"))->AsString(), c.foundName);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FilterExpressions,
    ::testing::Values(
        ExpressionCase{"QuoteInText", "NAME", QStringLiteral("Sch\"raube"), 0,
                       R"x((NAME="Sch"+ Chr(34) + "raube"))x", QStringLiteral("Sch\"raube")},
        ExpressionCase{"Integer", "MENGE", 12, 0, "(MENGE=12)", QStringLiteral("Sch\"raube")},
        ExpressionCase{"IntegerIgnoringCase", "MENGE", 3, loCaseInsensitive, "(MENGE=3)",
                       QStringLiteral("X")},
        ExpressionCase{"Logical", "AKTIV", true, 0, "(AKTIV=.TRUE.)", QStringLiteral("Sch\"raube")},
        ExpressionCase{"Null", "NAME", QVariant(), 0, "(empty(NAME))", QString()},
        ExpressionCase{"TwoFields", "NAME;MENGE", QVariantList{QStringLiteral("X"), 3}, 0,
                       R"x((NAME="X") AND (MENGE=3))x", QStringLiteral("X")},
        ExpressionCase{"CaseInsensitiveString", "CI", QStringLiteral("aBC"), loCaseInsensitive,
                       R"x((UPPER(CI)=UPPER("aBC")))x", QStringLiteral("X")},
        ExpressionCase{"Date", "DATUM", EncodeDate(2024, 3, 9), 0, R"x((DATUM=ctod("09.03.2024")))x",
                       QStringLiteral("Sch\"raube")}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostCalls, RecordCountAsksTheActiveOrderWithTheDefaultOption) {
    rec.Start();
    EXPECT_EQ(form->articles->RecordCount(), 6);
    EXPECT_TRUE(CallsMatch(rec.Calls(), {"DbeGetRecordCount($ARTN,2,*)"}, vars));
}

// The filter path, with the answers of the probe of existing filters.
struct FilterLocateCase {
    const char *name;
    QString value;
    TLocateOptions options;
    int32_t optFilter;    // DbeGetOptFilter's answer
    int32_t plainFilter;  // DbeGetFilter's answer
    std::vector<std::string> tail;  // from DbeGetOptFilter on
};
void PrintTo(const FilterLocateCase &c, std::ostream *os) { *os << c.name; }

class LocateThroughFilter : public HostCalls,
                            public ::testing::WithParamInterface<FilterLocateCase> {};

TEST_P(LocateThroughFilter, ProbesSetsAndRestoresTheFilters) {
    const FilterLocateCase &c = GetParam();
    if (c.optFilter != DBE_E_NO_FILTER) rec.Fail("DbeGetOptFilter", c.optFilter);
    if (c.plainFilter != DBE_E_NO_FILTER) rec.Fail("DbeGetFilter", c.plainFilter);
    rec.hooks.DbeGetExact = [](DBEHANDLE, uint16_t *exact) { return *exact = 0, 0; };
    rec.Start();
    EXPECT_TRUE(form->articles->Locate(QStringLiteral("ARTN"), c.value, c.options));
    rec.Stop();
    EXPECT_EQ(CurrentId(), 1);  // the first B-200 in ARTN order
    EXPECT_TRUE(CallsMatch(UpTo(From(rec.Calls(), "DbeGetOptFilter(*"), "DbeSetExact($T,0)", vars),
                           c.tail, vars));
    if (c.optFilter == DBE_E_NO_FILTER) {
        EXPECT_TRUE(Contains(rec.Calls(), Expand("DbeClearOptFilter($T)", vars)));
    } else if (c.plainFilter == DBE_E_NO_FILTER) {
        EXPECT_TRUE(Contains(rec.Calls(), Expand("DbeClearFilter($T)", vars)));
    }
    EXPECT_FALSE(Contains(rec.Calls(), "DbeSeek(*"));
}

const std::string kUpperB200 = R"x("(UPPER(ARTN)=UPPER(\"b-200\"))")x";

INSTANTIATE_TEST_SUITE_P(
    Filters, LocateThroughFilter,
    ::testing::Values(
        FilterLocateCase{"NoFilterSet", QStringLiteral("b-200"), loCaseInsensitive,
                         DBE_E_NO_FILTER, DBE_E_NO_FILTER,
                         {
                             "DbeGetOptFilter($T,null,&0)",
                             "DbeGetFilter($T,null,&0)",
                             "DbeGetExact($T,*)",
                             "DbeSetExact($T,1)",
                             "DbeSetOptFilter($T," + kUpperB200 + ",2)",
                             "DbeGotoTop($ARTN)",
                             "DbeAtEOF($T,*)",
                             "DbeSetExact($T,0)",
                         }},
        FilterLocateCase{"PartialTurnsExactOff", QStringLiteral("b-2"),
                         loCaseInsensitive | loPartialKey, DBE_E_NO_FILTER, DBE_E_NO_FILTER,
                         {
                             "DbeGetOptFilter($T,null,&0)",
                             "DbeGetFilter($T,null,&0)",
                             "DbeGetExact($T,*)",
                             "DbeSetExact($T,0)",
                         }},
        FilterLocateCase{"OptimizedFilterSet", QStringLiteral("b-200"), loCaseInsensitive,
                         DBE_E_BUFFER_TOO_SMALL, DBE_E_NO_FILTER,
                         {
                             "DbeGetOptFilter($T,null,&0)",
                             "DbeGetFilter($T,null,&0)",
                             "DbeGetExact($T,*)",
                             "DbeSetExact($T,1)",
                             "DbeSetFilter($T," + kUpperB200 + ")",
                             "DbeGotoTop($ARTN)",
                             "DbeAtEOF($T,*)",
                             "DbeSetExact($T,0)",
                         }},
        FilterLocateCase{"BothFiltersSet", QStringLiteral("b-200"), loCaseInsensitive,
                         DBE_E_BUFFER_TOO_SMALL, DBE_E_BUFFER_TOO_SMALL,
                         {
                             "DbeGetOptFilter($T,null,&0)",
                             "DbeGetFilter($T,null,&0)",
                             "DbeGetExact($T,*)",
                             "DbeSetExact($T,1)",
                             // Evaluated record by record: A-100, A-100, B-200.
                             "DbeGotoTop($ARTN)",
                             "DbeAtEOF($T,*)",
                             "DbeEvalLogicalExpr($ARTN," + kUpperB200 + ",*)",
                             "DbeSkip($ARTN,1)",
                             "DbeAtEOF($T,*)",
                             "DbeEvalLogicalExpr($ARTN," + kUpperB200 + ",*)",
                             "DbeSkip($ARTN,1)",
                             "DbeAtEOF($T,*)",
                             "DbeEvalLogicalExpr($ARTN," + kUpperB200 + ",*)",
                             "DbeSetExact($T,0)",
                         }}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostCalls, TheFilterPathLeavesNoFilterBehindWhenNothingIsFound) {
    form->articles->First();
    rec.Start();
    EXPECT_FALSE(form->articles->Locate(QStringLiteral("ARTN"), QStringLiteral("zz"), loCaseInsensitive));
    rec.Stop();
    EXPECT_EQ(CurrentId(), 2);
    const auto tail = From(rec.Calls(), "DbeSetExact($T,*)", vars);
    ASSERT_FALSE(tail.empty());
    EXPECT_TRUE(Contains(tail, Expand("DbeClearOptFilter($T)", vars)));
    EXPECT_TRUE(Contains(tail, Expand("DbeGotoBookmark($T,2)", vars)));
    // Walking afterwards sees every record again.
    EXPECT_EQ(Walk(*form->articles).size(), 6u);
}

TEST_F(HostCalls, AFailingSearchStepPutsFiltersExactnessAndPositionBack) {
    form->articles->First();  // ID 2
    rec.hooks.DbeGetExact = [](DBEHANDLE, uint16_t *exact) { return *exact = 0, 0; };
    rec.Fail("DbeGotoTop", DBE_E_IO, {}, 1);
    rec.Start();
    try {
        form->articles->Locate(QStringLiteral("ARTN"), QStringLiteral("b-200"), loCaseInsensitive);
        ADD_FAILURE() << "no error";
    } catch (const EDbEngineError &e) {
        EXPECT_EQ(e.ErrorCode(), DBE_E_IO);
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Table_ARTMAIN: ")));
    }
    rec.Stop();
    EXPECT_TRUE(CallsMatch(From(rec.Calls(), "DbeGotoTop(*"),
                           {"DbeGotoTop($ARTN)", "DbeGetLastError(*)", "DbeSetExact($T,0)",
                            "DbeClearOptFilter($T)", "DbeGotoBookmark($T,2)"},
                           vars));
    EXPECT_EQ(form->articles->State(), TDataSetState::dsBrowse);
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(Walk(*form->articles).size(), 6u);
}

// --- editing ----------------------------------------------------------------

struct PostCase {
    const char *name;
    std::vector<std::pair<const char *, QString>> writes;
    std::vector<std::string> fieldCalls;  // between positioning and writing
};
void PrintTo(const PostCase &c, std::ostream *os) { *os << c.name; }

class PostCalls : public HostCalls, public ::testing::WithParamInterface<PostCase> {};

TEST_P(PostCalls, WritesModifiedFieldsLastToFirstThenUnlocks) {
    const PostCase &c = GetParam();
    vars["ARTN_NO"] = FieldNo(*form->articles, "ARTN");
    vars["BZK_NO"] = FieldNo(*form->articles, "BZK");
    vars["EINH_NO"] = FieldNo(*form->articles, "EINH");
    ASSERT_TRUE(form->articles->Locate(QStringLiteral("ID"), 2, 0));
    rec.Start();
    form->articles->Edit();
    EXPECT_TRUE(CallsMatch(UpTo(rec.Calls(), "DbeLockRecord(*"), {"DbeLockRecord($T,2)"}, vars));
    for (const auto &[field, value] : c.writes)
        form->articles->FieldByName(QString::fromLatin1(field))->SetAsString(value);
    rec.Start();
    form->articles->Post();
    std::vector<std::string> expected = {"DbeGotoRecord($T,2)"};
    expected.insert(expected.end(), c.fieldCalls.begin(), c.fieldCalls.end());
    expected.push_back("DbeWriteRecord($T)");
    expected.push_back("DbeUnlockRecord($T,2)");
    EXPECT_TRUE(CallsMatch(UpTo(rec.Calls(), "DbeUnlockRecord(*"), expected, vars));
    EXPECT_EQ(form->articles->State(), TDataSetState::dsBrowse);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, PostCalls,
    ::testing::Values(
        PostCase{"ThreeFields",
                 {{"BZK", QStringLiteral("Neu")},
                  {"ARTN", QStringLiteral("X-1")},
                  {"EINH", QStringLiteral("   ")}},
                 {
                     "DbeSetEmpty($T,$EINH_NO)",
                     "DbeSetField($T,$ARTN_NO," + Quoted(Padded("X-1", 50)) + ",50)",
                     "DbeSetField($T,$BZK_NO," + Quoted(Padded("Neu", 50)) + ",50)",
                 }},
        PostCase{"Umlauts", {{"ARTN", QStringLiteral("Ä-ß")}},
                 {"DbeSetField($T,$ARTN_NO," + Quoted(Padded("\xC4-\xDF", 50)) + ",50)"}},
        PostCase{"NothingWritten", {}, {}}),
    [](const auto &info) { return std::string(info.param.name); });

struct DeleteCase {
    const char *name;
    uint16_t shown;  // DbeGetDeleted's answer
    std::vector<std::string> calls;
};
void PrintTo(const DeleteCase &c, std::ostream *os) { *os << c.name; }

class DeleteCalls : public HostCalls, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteCalls, DeletesWritesAndSkipsOnlyWhenDeletedRecordsAreHidden) {
    const DeleteCase &c = GetParam();
    const uint16_t shown = c.shown;
    rec.hooks.DbeGetDeleted = [shown](uint16_t *show) { return *show = shown, 0; };
    ASSERT_TRUE(form->articles->Locate(QStringLiteral("ID"), 3, 0));
    rec.Start();
    form->articles->Delete();
    rec.Stop();
    EXPECT_TRUE(CallsMatch(UpTo(rec.Calls(), c.calls.back(), vars), c.calls, vars));
    EXPECT_EQ(CurrentId(), 6);
    EXPECT_EQ(form->articles->RecordCount(), 5);
}

INSTANTIATE_TEST_SUITE_P(
    Shown, DeleteCalls,
    ::testing::Values(DeleteCase{"DeletedShown",
                                 1,
                                 {"DbeGotoRecord($T,3)", "DbeDeleteRecord($T)",
                                  "DbeWriteRecord($T)", "DbeGetDeleted(*)", "DbeGetNumFields(*)"}},
                      DeleteCase{"DeletedHidden",
                                 0,
                                 {"DbeGotoRecord($T,3)", "DbeDeleteRecord($T)",
                                  "DbeWriteRecord($T)", "DbeGetDeleted(*)", "DbeSkip($ARTN,1)"}}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostCalls, AFailedDeleteCancelsTheEnginesUpdate) {
    ASSERT_TRUE(form->articles->Locate(QStringLiteral("ID"), 3, 0));
    rec.Fail("DbeWriteRecord", DBE_E_RECORD_LOCKED, {}, 1);
    rec.Start();
    EXPECT_THROW(form->articles->Delete(), EDbEngineError);
    rec.Stop();
    EXPECT_TRUE(CallsMatch(
        UpTo(rec.Calls(), "DbeCancelUpdate(*"),
        {"DbeGotoRecord($T,3)", "DbeDeleteRecord($T)", "DbeWriteRecord($T)", "DbeCancelUpdate($T)"},
        vars));
}

// The buffered article 3 is deleted through another handle; then a lookup
// moves the engine to article 5, or a locate of article 3 itself finds
// nothing and leaves the engine on the next one, 6, since the way back to 3
// fails. Delete goes to the buffered record number and fails there: the
// engine is never asked to delete the record it stands on.
TEST_F(HostCalls, DeleteGoesToTheBufferedRecordAndFailsWhenItIsGone) {
    struct Case {
        const char *name;
        std::function<void(TDbTable &)> reposition;
    };
    const Case cases[] = {
        {"a lookup",
         [](TDbTable &t) { t.Lookup(QStringLiteral("ID"), 5, QStringLiteral("ARTN")); }},
        {"a locate that finds nothing",
         [](TDbTable &t) { EXPECT_FALSE(t.Locate(QStringLiteral("ID"), 3, 0)); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        HostFolder fresh;
        FillHost(fresh);
        HostForm here(fresh.Path()), elsewhere(fresh.Path());
        here.articles->SetIndexName(QStringLiteral("ARTN"));
        const Vars v = {{"T", Num(here.articles->TableHandle())}};
        ASSERT_TRUE(here.articles->Locate(QStringLiteral("ID"), 3, 0));
        ASSERT_TRUE(elsewhere.articles->Locate(QStringLiteral("ID"), 3, 0));
        elsewhere.articles->Delete();
        c.reposition(*here.articles);
        rec.Start();
        try {
            here.articles->Delete();
            ADD_FAILURE() << "a delete of the gone record went through";
        } catch (const EDbEngineError &e) {
            EXPECT_EQ(e.ErrorCode(), DBE_E_RECORD_NOT_FOUND);
            EXPECT_EQ(e.message(),
                      QStringLiteral("Table_ARTMAIN: The record does not exist. record 3"));
        }
        rec.Stop();
        EXPECT_TRUE(CallsMatch(From(rec.Calls(), "DbeGotoRecord(*"),
                               {"DbeGotoRecord($T,3)", "DbeGetLastError(*"}, v));
        EXPECT_TRUE(rec.CallsOf("DbeDeleteRecord").empty());
        EXPECT_EQ(here.articles->RecordCount(), 5);
        for (int id : {1, 2, 4, 5, 6})
            EXPECT_TRUE(here.articles->Locate(QStringLiteral("ID"), id, 0)) << id;
    }
}

// --- SeekKey ----------------------------------------------------------------

struct SeekCase {
    const char *name;
    const char *key;
    bool exact;
    const char *seek;
    bool found;
    int ident;
};
void PrintTo(const SeekCase &c, std::ostream *os) { *os << c.name; }

class SeekKeyCalls : public ::testing::TestWithParam<SeekCase> {};

TEST_P(SeekKeyCalls, SeeksWithATextKeyAndAsksForTheEnds) {
    const SeekCase &c = GetParam();
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path());
    form.settings->SetIndexName(QStringLiteral("Ident"));
    DbeRecorder rec;
    const Vars vars = {{"T", Num(form.settings->TableHandle())},
                       {"I", Num(IndexHandle(*form.settings, "IDENT"))}};
    rec.Start();
    EXPECT_EQ(form.settings->SeekKey(QString::fromLatin1(c.key), c.exact), c.found);
    rec.Stop();
    EXPECT_TRUE(CallsMatch(UpTo(rec.Calls(), "DbeAtBOF(*"),
                           {c.seek, "DbeAtEOF($T,*)", "DbeAtBOF($T,*)"}, vars));
    EXPECT_EQ(form.settings->FieldByName(QStringLiteral("Ident"))->AsInteger(), c.ident);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, SeekKeyCalls,
    ::testing::Values(SeekCase{"ExactFound", "949", true, R"(DbeSeek($I,"949",3,2,2,*))", true, 949},
                      SeekCase{"NearestFound", "949", false, R"(DbeSeek($I,"949",3,2,1,*))", true,
                               949},
                      // A hard seek on a missing key ends at EOF: the last record.
                      SeekCase{"ExactMissing", "500", true, R"(DbeSeek($I,"500",3,2,2,*))", false,
                               949},
                      // A soft seek stands on the next greater key.
                      SeekCase{"NearestMissing", "50", false, R"(DbeSeek($I,"50",2,2,1,*))", false,
                               100}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(SeekKeyCallsNatural, InNaturalOrderTheSeekGoesToHandleMinusOneAndFails) {
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path());
    form.settings->SetIndexName(QString());
    DbeRecorder rec;
    rec.Start();
    try {
        form.settings->SeekKey(QStringLiteral("949"), true);
        ADD_FAILURE() << "no error";
    } catch (const EDbEngineError &e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("DbTableSettings: "))) << e.what();
        EXPECT_EQ(e.ErrorCode(), DBE_E_INVALID_HANDLE);
    }
    ASSERT_FALSE(rec.Calls().empty());
    EXPECT_TRUE(Glob(R"(DbeSeek(4294967295,"949",3,2,2,*))", rec.Calls().front()))
        << rec.Calls().front();
}

// --- blobs ------------------------------------------------------------------

class BlobCalls : public ::testing::Test {
protected:
    void SetUp() override {
        FillHost(folder);
        form = std::make_unique<HostForm>(folder.Path());
        form->settings->SetIndexName(QStringLiteral("Ident"));
        memo = form->settings->FieldByName(QStringLiteral("MemoItem"));
        vars = {{"T", Num(form->settings->TableHandle())}, {"M", "#" + Num(memo->FieldNo())}};
    }

    HostFolder folder;
    std::unique_ptr<HostForm> form;
    TField *memo = nullptr;
    DbeRecorder rec;
    Vars vars;
};

TEST_F(BlobCalls, AMemoOfLength100IsReadWithACacheOf101AndYields100Bytes) {
    ASSERT_TRUE(form->settings->SeekKey(QStringLiteral("100"), true));
    rec.Start();
    auto stream = form->settings->CreateBlobStream(memo, TBlobStreamMode::bmRead);
    rec.Stop();
    EXPECT_TRUE(CallsMatch(rec.Calls(),
                           {
                               "DbeGetFieldType($T,$M,*)",
                               "DbeGetRecordNum($T,2,*)",
                               "DbeGetFieldType($T,$M,*)",
                               "DbeGetMemoDataType($T,$M,*)",
                               "DbeGetMemoLength($T,$M,*)",
                               "DbeGetField($T,$M,buf,&101,0)",
                           },
                           vars));
    EXPECT_EQ(stream->Size(), 100);
    EXPECT_EQ(stream->ReadAll().toStdString(), Memo100());
}

TEST_F(BlobCalls, ASecondStreamOnTheSameRecordReusesTheCacheFromTheStart) {
    ASSERT_TRUE(form->settings->SeekKey(QStringLiteral("100"), true));
    auto first = form->settings->CreateBlobStream(memo, TBlobStreamMode::bmRead);
    char buffer[10];
    ASSERT_EQ(first->Read(buffer, 10), 10);
    rec.Start();
    auto second = form->settings->CreateBlobStream(memo, TBlobStreamMode::bmRead);
    rec.Stop();
    EXPECT_TRUE(CallsMatch(rec.Calls(), {"DbeGetFieldType($T,$M,*)"}, vars));
    EXPECT_EQ(second->ReadAll().toStdString(), Memo100());
}

struct BlobFailure {
    const char *name;
    const char *call;
    int32_t code;
};
void PrintTo(const BlobFailure &c, std::ostream *os) { *os << c.name; }

class BlobLoadFailures : public BlobCalls, public ::testing::WithParamInterface<BlobFailure> {};

TEST_P(BlobLoadFailures, ARecordTheEngineNoLongerHasGivesAnEmptyStream) {
    const BlobFailure &c = GetParam();
    ASSERT_TRUE(form->settings->SeekKey(QStringLiteral("949"), true));
    // Another record number makes the load position the engine first.
    rec.hooks.DbeGetRecordNum = [](DBEHANDLE, uint16_t, uint32_t *n) { return *n = 1, 0; };
    rec.Fail(c.call, c.code);
    rec.Start();
    auto stream = form->settings->CreateBlobStream(memo, TBlobStreamMode::bmRead);
    rec.Stop();
    ASSERT_TRUE(stream);
    EXPECT_EQ(stream->Size(), 0);
    EXPECT_TRUE(stream->ReadAll().isEmpty());
    EXPECT_EQ(rec.CallsOf(c.call).size(), 1u);
    EXPECT_TRUE(Contains(rec.Calls(), Expand("DbeGotoRecord($T,2)", vars)));
}

INSTANTIATE_TEST_SUITE_P(
    Answers, BlobLoadFailures,
    ::testing::Values(BlobFailure{"GotoRecordNotFound", "DbeGotoRecord", DBE_E_RECORD_NOT_FOUND},
                      BlobFailure{"MemoLengthNoCurrentRecord", "DbeGetMemoLength",
                                  DBE_E_NO_CURRENT_RECORD},
                      BlobFailure{"MemoLengthNotFound", "DbeGetMemoLength", DBE_E_RECORD_NOT_FOUND},
                      BlobFailure{"GetFieldNotFound", "DbeGetField", DBE_E_RECORD_NOT_FOUND},
                      BlobFailure{"GetFieldNoCurrentRecord", "DbeGetField",
                                  DBE_E_NO_CURRENT_RECORD}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BlobCalls, OtherFailuresWhileLoadingAreRaisedWithTheCursorsName) {
    ASSERT_TRUE(form->settings->SeekKey(QStringLiteral("949"), true));
    rec.Fail("DbeGetField", DBE_E_IO);
    try {
        form->settings->CreateBlobStream(memo, TBlobStreamMode::bmRead);
        ADD_FAILURE() << "no error";
    } catch (const EDbEngineError &e) {
        EXPECT_EQ(e.ErrorCode(), DBE_E_IO);
        EXPECT_EQ(e.message(), QStringLiteral("DbTableSettings: ") + QString::fromLatin1(DbeStatusText(DBE_E_IO)));
    }
}

}  // namespace
