// How engine results and the layer's own checks become exceptions, and the
// settings component's checks.
#include "db_errors.h"
#include "db_fixture.h"
#include "db_settings.h"
#include "dbe_recorder.h"

#include <gtest/gtest.h>

#include <functional>

using namespace dbtest;

namespace {

QString EngineText(int32_t code) { return QString::fromLatin1(DbeStatusText(code)); }

// The thread's last error text as the engine keeps it.
QString LastErrorText() {
    char text[601] = {};
    uint16_t length = sizeof text;
    uint32_t code = 0;
    DbeRealApi().DbeGetLastError(&code, text, &length);
    return QString::fromLatin1(text);
}

template <typename E>
E Caught(const std::function<void()> &action) {
    try {
        action();
    } catch (const E &e) {
        return e;
    } catch (const std::exception &e) {
        ADD_FAILURE() << "another exception: " << e.what();
        throw;
    }
    ADD_FAILURE() << "no exception";
    throw std::runtime_error("no exception");
}

class HostErrors : public ::testing::Test {
protected:
    void SetUp() override {
        FillHost(folder);
        form = std::make_unique<HostForm>(folder.Path());
        form->articles->SetIndexName(QStringLiteral("ARTN"));
    }

    HostFolder folder;
    std::unique_ptr<HostForm> form;
    DbeRecorder rec;
};

// --- engine errors ----------------------------------------------------------

TEST_F(HostErrors, AFailedPostNamesTheCursorAndCarriesTheEnginesCode) {
    TDbTable &t = *form->articles;
    ASSERT_TRUE(t.Locate(QStringLiteral("ID"), 2, 0));
    t.Edit();
    t.FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("NEU-1"));
    rec.Fail("DbeWriteRecord", DBE_E_RECORD_LOCKED, {}, 1);
    const auto e = Caught<EDbEngineError>([&] { t.Post(); });
    EXPECT_EQ(e.message(), QStringLiteral("Table_ARTMAIN: ") + EngineText(DBE_E_RECORD_LOCKED));
    EXPECT_EQ(e.ErrorCode(), DBE_E_RECORD_LOCKED);
    EXPECT_EQ(e.CursorName(), QStringLiteral("Table_ARTMAIN"));
    EXPECT_EQ(e.OwnerName(), QStringLiteral("FMain"));
    EXPECT_EQ(e.TableName(), QStringLiteral("ArtikelMain.TBL"));
    EXPECT_EQ(e.DatabasePath(), folder.Path());
    // The cursor stays in edit state with the value in its buffer.
    EXPECT_EQ(t.State(), TDataSetState::dsEdit);
    EXPECT_EQ(t.FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("NEU-1"));
    t.Post();
    EXPECT_EQ(t.FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("NEU-1"));
}

TEST_F(HostErrors, TheCodeTheEngineReportsReplacesTheResult) {
    rec.hooks.DbeGetRecordCount = [](DBEHANDLE, uint16_t, uint32_t *) {
        return DbeRealApi().DbeSetLastError(DBE_E_IO, "disk on fire"), 1;
    };
    const auto e = Caught<EDbEngineError>([&] { form->articles->RecordCount(); });
    EXPECT_EQ(e.ErrorCode(), DBE_E_IO);
    EXPECT_EQ(e.message(), QStringLiteral("Table_ARTMAIN: disk on fire"));
}

TEST(ConnectionErrors, AFailedConnectHasTheEnginesTextWithoutPrefix) {
    HostFolder folder;
    TComponent owner;
    TDbConnection connection(&owner);
    connection.SetName(QStringLiteral("DbConnection"));
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_REMOTE};
    connection.SetConnectPath(folder.Path());
    const auto e = Caught<EDbEngineError>([&] { connection.SetIsConnected(true); });
    EXPECT_EQ(e.ErrorCode(), DBE_E_SERVER_UNAVAILABLE);
    EXPECT_FALSE(e.message().isEmpty());
    EXPECT_EQ(e.message(), LastErrorText());
    EXPECT_TRUE(e.CursorName().isEmpty());
    EXPECT_FALSE(connection.IsConnected());
}

// A cursor whose class lookup, which the building of an error makes, runs
// a failing engine call: the engine fails while the error is being built.
class TablePoisoningItsOwnError : public TDbTable {
public:
    using TDbTable::TDbTable;
    const QMetaObject *metaObject() const override {
        if (armed) {
            armed = false;
            const int32_t rc = Dbe().DbeGotoTop(0xDEAD);
            innerResult = rc;
            try {
                DbeCheck(const_cast<TablePoisoningItsOwnError *>(this), rc);
                innerReturned = true;
            } catch (...) {
                innerRaised = true;
            }
            const EDbEngineError nested(const_cast<TablePoisoningItsOwnError *>(this),
                                        QStringLiteral("nested"), 77);
            nestedMessage = nested.message();
            nestedCode = nested.ErrorCode();
        }
        return TDbTable::metaObject();
    }
    mutable bool armed = false, innerReturned = false, innerRaised = false;
    mutable int32_t innerResult = 0, nestedCode = -1;
    mutable QString nestedMessage = QStringLiteral("unset");
};

TEST(ErrorGuard, AnEngineFailureWhileBuildingAnErrorRaisesNothingMore) {
    HostFolder folder;
    TComponent owner;
    owner.SetName(QStringLiteral("FMain"));
    TDbConnection connection(&owner);
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_LOCAL};
    connection.SetConnectPath(folder.Path());
    TablePoisoningItsOwnError table(&owner);
    table.SetName(QStringLiteral("Table_ARTMAIN"));
    table.SetTableName(QStringLiteral("ArtikelMain.TBL"));
    table.SetDbConnection(&connection);
    table.SetActive(true);

    table.armed = true;
    const auto e = Caught<EDbEngineError>([&] { DbeCheck(&table, Dbe().DbeSkip(0xBEEF, 1)); });
    EXPECT_FALSE(table.armed) << "the error was built without asking the cursor's class";
    EXPECT_EQ(table.innerResult, DBE_E_INVALID_HANDLE);
    EXPECT_TRUE(table.innerReturned);
    EXPECT_FALSE(table.innerRaised);
    EXPECT_TRUE(table.nestedMessage.isEmpty());
    // The outer error keeps its message, code and the details gathered
    // after the failure.
    EXPECT_TRUE(e.message().startsWith(QStringLiteral("Table_ARTMAIN: ") +
                                       EngineText(DBE_E_INVALID_HANDLE)))
        << e.what();
    EXPECT_EQ(e.ErrorCode(), DBE_E_INVALID_HANDLE);
    EXPECT_EQ(e.TableName(), QStringLiteral("ArtikelMain.TBL"));
    // Afterwards errors are built again.
    const auto next = Caught<EDbEngineError>([&] { DbeCheck(&table, Dbe().DbeSkip(0xBEEF, 1)); });
    EXPECT_EQ(next.ErrorCode(), DBE_E_INVALID_HANDLE);
    EXPECT_FALSE(next.message().isEmpty());
}

// --- the layer's own messages -------------------------------------------------

struct LayerCase {
    const char *name;
    std::function<void(HostForm &, DbeRecorder &)> action;
    QString message;  // after "Table_ARTMAIN: " unless `bare`
    int32_t code = kLayerErrorCode;
    bool bare = false;  // raised without a cursor
};
void PrintTo(const LayerCase &c, std::ostream *os) { *os << c.name; }

class LayerMessages : public ::testing::TestWithParam<LayerCase> {};

TEST_P(LayerMessages, CarryTheCursorsNameAndTheirCode) {
    const LayerCase &c = GetParam();
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path());
    DbeRecorder rec;
    const auto e = Caught<EDbEngineError>([&] { c.action(form, rec); });
    EXPECT_EQ(e.message(), (c.bare ? QString() : QStringLiteral("Table_ARTMAIN: ")) + c.message);
    EXPECT_EQ(e.ErrorCode(), c.code);
}

// Opens the cursor's table a second time through the opening hook.
class OpenTwice : public TDbTable {
public:
    using TDbTable::TDbTable;
    void OpenAgain() { InternalOpen(); }
};

void ReopenArticles(HostForm &form) {
    auto *t = new OpenTwice(form.owner.get());
    t->SetName(QStringLiteral("Table_ARTMAIN"));
    t->SetTableName(QStringLiteral("ArtikelMain.TBL"));
    t->SetDbConnection(form.connection);
    t->SetActive(true);
    t->OpenAgain();
}

void FreshArticles(HostForm &form, const QString &tableName, bool withConnection) {
    auto *t = new TDbTable(form.owner.get());
    t->SetName(QStringLiteral("Table_ARTMAIN"));
    t->SetTableName(tableName);
    if (withConnection) t->SetDbConnection(form.connection);
    t->SetActive(true);
}

TField *Field(HostForm &form, const char *name) {
    return form.articles->FieldByName(QString::fromLatin1(name));
}

INSTANTIATE_TEST_SUITE_P(
    Messages, LayerMessages,
    ::testing::Values(
        LayerCase{"AlreadyOpen", [](HostForm &f, DbeRecorder &) { ReopenArticles(f); },
                  QStringLiteral("Table is already open.")},
        LayerCase{"MissingTableName",
                  [](HostForm &f, DbeRecorder &) { FreshArticles(f, QString(), true); },
                  QStringLiteral("Missing TableName property")},
        LayerCase{"NoPath",
                  [](HostForm &f, DbeRecorder &) {
                      FreshArticles(f, QStringLiteral("ArtikelMain.TBL"), false);
                  },
                  QStringLiteral("One of the DatabaseName property or the DbConnection property "
                                 "must have a value.")},
        LayerCase{"TableNameWhileOpen",
                  [](HostForm &f, DbeRecorder &) { f.articles->SetTableName(QStringLiteral("x.TBL")); },
                  QStringLiteral("Cannot perform this operation on an open dataset")},
        LayerCase{"ConnectionWhileOpen",
                  [](HostForm &f, DbeRecorder &) { f.articles->SetDbConnection(nullptr); },
                  QStringLiteral("Table must not be Active.")},
        LayerCase{"IndexFieldNames",
                  [](HostForm &f, DbeRecorder &) {
                      f.articles->SetIndexFieldNames(QStringLiteral("EINH;GRUP"));
                  },
                  QStringLiteral("Not a valid index field name:EINH;GRUP")},
        LayerCase{"WriteInBrowse",
                  [](HostForm &f, DbeRecorder &) { Field(f, "ARTN")->SetAsString(QStringLiteral("X")); },
                  QStringLiteral("Dataset not in edit mode")},
        LayerCase{"UnknownFieldType",
                  [](HostForm &f, DbeRecorder &r) {
                      r.hooks.DbeGetFieldType = [](DBEHANDLE t, const char *field, uint16_t *type) {
                          const int32_t rc = DbeRealApi().DbeGetFieldType(t, field, type);
                          if (field == DBE_FIELD(2)) *type = 99;
                          return rc;
                      };
                      FreshArticles(f, QStringLiteral("ArtikelMain.TBL"), true);
                  },
                  QStringLiteral("Unknown field type (99) encountered.")},
        LayerCase{"BlobWriteInBrowse",
                  [](HostForm &f, DbeRecorder &) {
                      f.articles->CreateBlobStream(Field(f, "MEM"), TBlobStreamMode::bmWrite);
                  },
                  QStringLiteral("Table must be in Edit or Insert state to open blob stream in Write "
                                 "Mode.")},
        LayerCase{"BlobOnString",
                  [](HostForm &f, DbeRecorder &) {
                      f.articles->CreateBlobStream(Field(f, "ARTN"), TBlobStreamMode::bmRead);
                  },
                  QStringLiteral("Invalid blob open on non-blob field.")},
        LayerCase{"WriteToReadStream",
                  [](HostForm &f, DbeRecorder &) {
                      auto s = f.articles->CreateBlobStream(Field(f, "MEM"), TBlobStreamMode::bmRead);
                      s->Write("x", 1);
                  },
                  QStringLiteral("Error modifying read only blob."), kLayerErrorCode, true},
        LayerCase{"NoUpdatePermission",
                  [](HostForm &f, DbeRecorder &r) {
                      r.hooks.DbeGetTableOpenOptions = [](DBEHANDLE, uint32_t *o) {
                          return *o = DBE_INSERT_ALLOWED, 0;
                      };
                      f.articles->Close();
                      f.articles->Open();
                      f.articles->Edit();
                  },
                  QStringLiteral("Update permission not granted on this table."),
                  DBE_E_PERMISSION_DENIED},
        LayerCase{"StaticView",
                  [](HostForm &f, DbeRecorder &r) {
                      r.Fail("DbeLockRecord", DBE_E_STATIC_VIEW);
                      f.articles->Edit();
                  },
                  QStringLiteral("This table is based on a static VIEW. Static VIEWs can not be "
                                 "updated."),
                  DBE_E_STATIC_VIEW}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(HostErrors, AnUnknownIndexFieldListKeepsThePreviousOrder) {
    EXPECT_THROW(form->articles->SetIndexFieldNames(QStringLiteral("EINH")), EDbEngineError);
    EXPECT_EQ(form->articles->IndexName(), QStringLiteral("ARTN"));
    const auto walk = Walk(*form->articles);
    ASSERT_EQ(walk.size(), 6u);
    EXPECT_EQ(walk.front().second, 2);
    EXPECT_EQ(walk.back().second, 4);
}

TEST_F(HostErrors, AnUnknownFieldTypeLeavesTheCursorClosedAndTheTableReleased) {
    form->articles->Close();
    rec.hooks.DbeGetFieldType = [](DBEHANDLE t, const char *field, uint16_t *type) {
        const int32_t rc = DbeRealApi().DbeGetFieldType(t, field, type);
        *type = 99;
        return rc;
    };
    rec.Start();
    EXPECT_THROW(form->articles->Open(), EDbEngineError);
    rec.Stop();
    EXPECT_FALSE(form->articles->Active());
    EXPECT_EQ(form->articles->TableHandle(), UINT32_MAX);
    EXPECT_EQ(rec.CallsOf("DbeCloseTable").size(), 1u);
    rec.hooks.DbeGetFieldType = nullptr;
    form->articles->Open();
    EXPECT_EQ(form->articles->RecordCount(), 6);
}

TEST_F(HostErrors, AnOptimisticPostNoticesAChangeByAnotherCursor) {
    TDbTable &mine = *form->articles;
    mine.DbTableOptions().DbRecordLockingMode = TDbTableOptions::lmOptimistic;
    ASSERT_TRUE(mine.Locate(QStringLiteral("ID"), 4, 0));
    mine.Edit();
    mine.FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("MEIN"));
    {
        HostForm other(folder.Path());
        ASSERT_TRUE(other.articles->Locate(QStringLiteral("ID"), 4, 0));
        other.articles->Edit();
        other.articles->FieldByName(QStringLiteral("ARTN"))->SetAsString(QStringLiteral("DEIN"));
        other.articles->Post();
    }
    rec.Start();
    const auto e = Caught<EDbEngineError>([&] { mine.Post(); });
    EXPECT_EQ(e.message(), QStringLiteral("Table_ARTMAIN: Record was changed by another user."));
    EXPECT_EQ(e.ErrorCode(), DBE_E_RECORD_CHANGED);
    // The lock taken for the check is given back.
    const auto unlocks = rec.CallsOf("DbeUnlockRecord");
    ASSERT_EQ(unlocks.size(), 1u);
    EXPECT_EQ(unlocks[0], "DbeUnlockRecord(" + std::to_string(mine.TableHandle()) + ",4)");
    mine.Cancel();
    EXPECT_EQ(mine.FieldByName(QStringLiteral("ARTN"))->AsString(), QStringLiteral("DEIN"));
}

// --- connection -------------------------------------------------------------

TEST(ConnectionErrors, ConnectingWithoutPathFailsAndStaysDisconnected) {
    TDbConnection connection;
    DbeRecorder rec;
    rec.Start();
    const auto e = Caught<DbConnectionError>([&] { connection.SetIsConnected(true); });
    EXPECT_EQ(e.message(),
              QStringLiteral("Must specify connection string before getting a server connection."));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(rec.Calls().empty());
}

// A path cut to the engine's 254 characters could lead somewhere else: a
// server's connection string would lose its schema.
TEST(ConnectionErrors, AConnectPathTooLongForTheEngineIsRefusedNotCut) {
    const QString server = QStringLiteral("host=127.0.0.1 dbname=firma ") + QString(200, u' ') +
                           QStringLiteral("options='-csearch_path=shop'");
    TDbConnection connection;
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_REMOTE};
    connection.SetConnectPath(server);
    DbeRecorder rec;
    rec.Start();
    const auto e = Caught<DbConnectionError>([&] { connection.SetIsConnected(true); });
    EXPECT_EQ(e.message(), QStringLiteral("The connect path is longer than 254 characters."));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(rec.CallsOf("DbeConnectEx").empty());
}

TEST(ConnectionErrors, ThePathCannotChangeWhileConnected) {
    HostFolder folder;
    TDbConnection connection;
    connection.DbServerTypes = TDbServerTypes{TDbServerType::stDB_LOCAL};
    connection.SetConnectPath(folder.Path());
    connection.SetIsConnected(true);
    const auto e = Caught<DbConnectionError>([&] { connection.SetConnectPath(QStringLiteral("/tmp")); });
    EXPECT_EQ(e.message(), QStringLiteral(
                               "The TDbConnection.ConnectPath may not be changed when IsConnected is TRUE"));
    EXPECT_EQ(connection.ConnectPath(), folder.Path());
    EXPECT_TRUE(connection.IsConnected());
}

TEST(ConnectionErrors, AFailedDisconnectStillDisconnectsAndThenRaises) {
    HostFolder folder;
    FillHost(folder);
    HostForm form(folder.Path());
    bool afterDisconnect = false;
    form.connection->AfterDisconnect = [&](QObject *) { afterDisconnect = true; };
    DbeRecorder rec;
    rec.Fail("DbeDisconnect", DBE_E_INVALID_CONNECTION, {}, 1);
    const auto e = Caught<dbconnect::DbError>([&] { form.connection->SetIsConnected(false); });
    EXPECT_EQ(e.ErrorCode(), DBE_E_INVALID_CONNECTION);
    EXPECT_EQ(e.message(), EngineText(DBE_E_INVALID_CONNECTION));
    EXPECT_FALSE(form.connection->IsConnected());
    EXPECT_EQ(form.connection->ConnectionHandle(), 0u);
    EXPECT_TRUE(afterDisconnect);
    EXPECT_FALSE(form.articles->Active());
}

// --- settings ---------------------------------------------------------------

class SettingsChecks : public ::testing::Test {
protected:
    ProcessSettingsGuard guard;
};

TEST_F(SettingsChecks, CachedTablesRefuseNegativeCountsAndAcceptZero) {
    TDbSettings settings;
    DbeRecorder rec;
    rec.Start();
    settings.SetNumCachedTables(3);
    settings.SetNumCachedTables(0);
    EXPECT_EQ(settings.NumCachedTables(), 0);
    const auto e = Caught<Exception>([&] { settings.SetNumCachedTables(-1); });
    EXPECT_EQ(e.message(), QStringLiteral("NumCachedTables value must be greater than zero."));
    EXPECT_EQ(settings.NumCachedTables(), 0);
    EXPECT_TRUE(CallsMatch(rec.Calls(), {"DbeCacheOpenTables(3)", "DbeCacheOpenTables(0)"}));
}

TEST_F(SettingsChecks, ACenturyDateFormatBecomesTheProcessFormat) {
    TDbSettings settings;
    DbeRecorder rec;
    rec.Start();
    settings.SetDateFormat(QStringLiteral("MM/DD/CCYY"));
    EXPECT_TRUE(CallsMatch(rec.Calls(), {R"(DbeSetDateFormat("MM/DD/CCYY"))"}));
    EXPECT_EQ(FormatSettings().ShortDateFormat, QStringLiteral("MM/DD/yyyy"));
    EXPECT_EQ(FormatSettings().DateSeparator, QChar(u'/'));
    EXPECT_EQ(settings.DateFormat(), QStringLiteral("MM/DD/CCYY"));
    // The framework's date texts follow.
    EXPECT_EQ(DateToStr(EncodeDate(2024, 3, 9)), QStringLiteral("03/09/2024"));
}

TEST_F(SettingsChecks, OnlyOneSettingsComponentPerProcess) {
    {
        TDbSettings first;
        const auto e = Caught<Exception>([] { TDbSettings second; });
        EXPECT_EQ(e.message(),
                  QStringLiteral("Only one DbSettings component is allowed per application"));
        EXPECT_EQ(TDbSettings::ProcessSettings(), &first);
    }
    EXPECT_NO_THROW(TDbSettings again);
}

TEST_F(SettingsChecks, ASettingsComponentWhoseCreationFailedDoesNotCount) {
    {
        DbeRecorder rec;
        rec.Fail("DbeGetDecimals", DBE_E_IO, "decimals unreadable");
        const auto e = Caught<dbsettings::DbError>([] { TDbSettings failing; });
        EXPECT_EQ(e.message(), QStringLiteral("decimals unreadable"));
        EXPECT_EQ(e.ErrorCode(), DBE_E_IO);
    }
    EXPECT_EQ(TDbSettings::InstanceCount(), 0);
    EXPECT_NO_THROW(TDbSettings after);
}

TEST_F(SettingsChecks, ASettingsErrorTakesItsTextFromTheEnginesErrorString) {
    TDbSettings settings;
    const int before = settings.NumDecimals();
    DbeRecorder rec;
    rec.hooks.DbeShowError = [](const char *) { return 0; };  // keeps the test output clean
    rec.Fail("DbeSetDecimals", DBE_E_INVALID_ARGUMENT, "too many decimals");
    auto e = Caught<dbsettings::DbError>([&] { settings.SetNumDecimals(40); });
    EXPECT_EQ(e.message(), QStringLiteral("too many decimals"));
    EXPECT_EQ(e.ErrorCode(), DBE_E_INVALID_ARGUMENT);
    EXPECT_EQ(settings.NumDecimals(), before);
    // When even the text cannot be had, the engine shows its own error.
    rec.Fail("DbeGetErrorString", DBE_E_IO);
    rec.Start();
    e = Caught<dbsettings::DbError>([&] { settings.SetNumDecimals(40); });
    EXPECT_TRUE(e.message().isEmpty());
    EXPECT_EQ(rec.CallsOf("DbeShowError"),
              std::vector<std::string>{R"(DbeShowError("Dbe Exception Error"))"});
}

TEST_F(SettingsChecks, AServerTypeSetWithoutTypesIsRefusedAndTheOldOneKept) {
    TDbSettings settings;
    const auto e = Caught<DbSettingsError>([&] { settings.SetDbServerTypes(TDbServerTypes{}); });
    EXPECT_EQ(e.message(), QStringLiteral("At least one server type must be selected."));
    EXPECT_EQ(settings.DbServerTypes(),
              (TDbServerTypes{TDbServerType::stDB_REMOTE, TDbServerType::stDB_INTERNET}));
}

}  // namespace
