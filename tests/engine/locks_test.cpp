// Open modes and record locks between handles of one process.
#include "engine_fixture.h"

namespace dbetest {
namespace {

class Locks : public EngineTest {};

TEST_F(Locks, ExclusiveOpenShutsOutEveryOtherOpen) {
    CreateTable("x.tbl", "NAME,String,10", {}, {"NAME"}, {{"one"}});
    struct Case {
        uint32_t first, second;
        DBESTATUS expected;
    };
    const Case cases[] = {
        {DBE_EXCLUSIVE, 0, DBE_E_TABLE_LOCKED},
        {DBE_EXCLUSIVE, DBE_EXCLUSIVE, DBE_E_TABLE_LOCKED},
        {DBE_EXCLUSIVE, DBE_READONLY, DBE_E_TABLE_LOCKED},
        {0, DBE_EXCLUSIVE, DBE_E_TABLE_LOCKED},
        {DBE_READONLY, DBE_EXCLUSIVE, DBE_E_TABLE_LOCKED},
        {0, 0, DBE_SUCCESS},
        {DBE_READONLY, 0, DBE_SUCCESS},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("first " + std::to_string(c.first) + ", second " + std::to_string(c.second));
        DBEHANDLE first = Open("x.tbl", c.first);
        DBEHANDLE second = 0;
        const DBESTATUS rc =
            DbeOpenTable(conn_, "x.tbl", nullptr, DBE_TBL, 0, 0, 0, c.second, &second);
        EXPECT_EQ(rc, c.expected);
        if (rc == DBE_SUCCESS) DbeCloseTable(second);
        ASSERT_EQ(DbeCloseTable(first), DBE_SUCCESS);
        // Once the first handle is gone, the second open goes through.
        DbeCloseTable(Open("x.tbl", c.second));
    }

    // The handle that creates a table holds it exclusively.
    DBEHANDLE creator = 0;
    ASSERT_EQ(DbeCreateTable(conn_, "y.tbl", "NAME,String,10", &creator), DBE_SUCCESS);
    DBEHANDLE other = 0;
    EXPECT_EQ(DbeOpenTable(conn_, "y.tbl", nullptr, DBE_TBL, 0, 0, 0, 0, &other),
              DBE_E_TABLE_LOCKED);
    ASSERT_EQ(DbeCloseTable(creator), DBE_SUCCESS);
    DbeCloseTable(Open("y.tbl"));
}

TEST_F(Locks, ReadOnlyOpenRefusesEveryWrite) {
    Recnos r;
    CreateTable("ro.tbl", "NAME,String,10", {}, {"NAME"}, {{"one"}, {"two"}}, &r);
    DBEHANDLE writable = Open("ro.tbl");
    uint32_t options = 0xFFFF;
    ASSERT_EQ(DbeGetTableOpenOptions(writable, &options), DBE_SUCCESS);
    EXPECT_EQ(options & DBE_READONLY, 0u);

    DBEHANDLE t = Open("ro.tbl", DBE_READONLY);
    ASSERT_EQ(DbeGetTableOpenOptions(t, &options), DBE_SUCCESS);
    EXPECT_NE(options & DBE_READONLY, 0u);

    // Refused at the first step that writes, whichever that is.
    auto change = [&] {
        DBESTATUS rc = DbeGotoRecord(t, r[1]);
        if (!rc) rc = DbeSetField(t, "NAME", "changed", 7);
        if (!rc) rc = DbeWriteRecord(t);
        DbeCancelUpdate(t);
        return rc;
    };
    auto empty = [&] {
        DBESTATUS rc = DbeGotoRecord(t, r[1]);
        if (!rc) rc = DbeSetEmpty(t, "NAME");
        if (!rc) rc = DbeWriteRecord(t);
        DbeCancelUpdate(t);
        return rc;
    };
    auto append = [&] {
        DBESTATUS rc = DbeAppendRecord(t);
        if (!rc) rc = DbeSetField(t, "NAME", "new", 3);
        if (!rc) rc = DbeWriteRecord(t);
        DbeCancelUpdate(t);
        return rc;
    };
    auto remove = [&] {
        DBESTATUS rc = DbeGotoRecord(t, r[1]);
        if (!rc) rc = DbeDeleteRecord(t);
        return rc;
    };
    EXPECT_EQ(change(), DBE_E_READ_ONLY);
    EXPECT_EQ(empty(), DBE_E_READ_ONLY);
    EXPECT_EQ(append(), DBE_E_READ_ONLY);
    EXPECT_EQ(remove(), DBE_E_READ_ONLY);

    EXPECT_EQ(WalkField(t, t, "NAME"), (std::vector<std::string>{"one", "two"}));
    EXPECT_EQ(WalkField(writable, writable, "NAME"), (std::vector<std::string>{"one", "two"}));
}

// Handle A locks record "two"; handle B of the same process must not get
// past that lock until A lets go, by unlocking or by closing.
TEST_F(Locks, RecordLockShutsOutAnotherHandleUntilReleased) {
    for (bool byClose : {false, true}) {
        SCOPED_TRACE(byClose ? "released by closing" : "released by unlocking");
        Recnos r;
        const std::string name = byClose ? "lockc.tbl" : "locku.tbl";
        CreateTable(name, "NAME,String,10", {}, {"NAME"}, {{"one"}, {"two"}}, &r);
        DBEHANDLE a = Open(name), b = Open(name);
        ASSERT_EQ(DbeGotoRecord(a, r[1]), DBE_SUCCESS);
        ASSERT_EQ(DbeLockRecord(a, 0), DBE_SUCCESS);

        uint16_t locked = 0;
        ASSERT_EQ(DbeIsRecordLocked(b, r[1], &locked), DBE_SUCCESS);
        EXPECT_EQ(locked, 1);
        EXPECT_EQ(DbeLockRecord(b, r[1]), DBE_E_RECORD_LOCKED);
        ASSERT_EQ(DbeGotoRecord(b, r[1]), DBE_SUCCESS);
        ASSERT_EQ(DbeSetField(b, "NAME", "theirs", 6), DBE_SUCCESS);
        EXPECT_EQ(DbeWriteRecord(b), DBE_E_RECORD_LOCKED);
        DbeCancelUpdate(b);
        EXPECT_EQ(DbeDeleteRecord(b), DBE_E_RECORD_LOCKED);
        // Other records stay free.
        EXPECT_EQ(DbeLockRecord(b, r[0]), DBE_SUCCESS);
        EXPECT_EQ(DbeUnlockRecord(b, r[0]), DBE_SUCCESS);
        // The holder itself writes.
        ASSERT_EQ(DbeSetField(a, "NAME", "mine", 4), DBE_SUCCESS);
        EXPECT_EQ(DbeWriteRecord(a), DBE_SUCCESS) << LastError();
        ASSERT_EQ(DbeGotoRecord(b, r[1]), DBE_SUCCESS);
        EXPECT_EQ(Text(b, "NAME"), "mine");

        ASSERT_EQ(byClose ? DbeCloseTable(a) : DbeUnlockRecord(a, r[1]), DBE_SUCCESS);
        ASSERT_EQ(DbeIsRecordLocked(b, r[1], &locked), DBE_SUCCESS);
        EXPECT_EQ(locked, 0);
        EXPECT_EQ(DbeLockRecord(b, r[1]), DBE_SUCCESS) << LastError();
        if (!byClose) {
            EXPECT_EQ(DbeLockRecord(a, r[1]), DBE_E_RECORD_LOCKED);
        }
        ASSERT_EQ(DbeGotoRecord(b, r[1]), DBE_SUCCESS);
        ASSERT_EQ(DbeDeleteRecord(b), DBE_SUCCESS) << LastError();
        DbeCloseTable(b);
        if (!byClose) DbeCloseTable(a);
    }
}

} // namespace
} // namespace dbetest
