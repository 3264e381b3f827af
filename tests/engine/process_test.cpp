// Record locks, deletions and crashes across processes. Children are forked
// while this process holds no table open, so that no storage connection is
// shared over the fork; parent and child keep step through pipes.
#include "child_process.h"
#include "engine_fixture.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace dbetest {
namespace {

using testsupport::Child;
using testsupport::Hear;
using testsupport::Tell;


DBEHANDLE OpenInChild(const std::string &path, const std::string &name) {
    DBEHANDLE connection = 0;
    Ok(Connect(path, &connection), "Connect");
    return OpenTable(connection, name);
}

class Processes : public EngineTest {};

// The child locks record "two" and then lets go of it as the case says.
TEST_F(Processes, RecordLockHoldsAgainstAnotherProcessUntilReleased) {
    for (char release : {'u', 'c', 'k'}) {
        SCOPED_TRACE(release == 'u' ? "unlocked" : release == 'c' ? "closed" : "killed");
        Recnos r;
        const std::string name = std::string("lock_") + release + ".tbl";
        CreateTable(name, "NAME,String,10", {}, {"NAME"}, {{"one"}, {"two"}}, &r);
        const std::string path = ConnectPath();
        Child child([&](int in, int out) {
            DBEHANDLE t = OpenInChild(path, name);
            Ok(DbeGotoRecord(t, r[1]), "DbeGotoRecord");
            Ok(DbeLockRecord(t, 0), "DbeLockRecord");
            Tell(out, 'L');
            for (char command; (command = Hear(in)) != '\0';) {
                if (command == 'u') Ok(DbeUnlockRecord(t, r[1]), "DbeUnlockRecord");
                if (command == 'c') Ok(DbeCloseTable(t), "DbeCloseTable");
                Tell(out, 'k');
            }
            return 0;
        });
        ASSERT_EQ(child.Receive(), 'L') << "the child could not lock";

        DBEHANDLE t = Open(name);
        uint16_t locked = 0;
        ASSERT_EQ(DbeIsRecordLocked(t, r[1], &locked), DBE_SUCCESS);
        EXPECT_EQ(locked, 1);
        EXPECT_EQ(DbeLockRecord(t, r[1]), DBE_E_RECORD_LOCKED);
        ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS);
        ASSERT_EQ(DbeSetField(t, "NAME", "theirs", 6), DBE_SUCCESS);
        EXPECT_EQ(DbeWriteRecord(t), DBE_E_RECORD_LOCKED);
        DbeCancelUpdate(t);
        EXPECT_EQ(DbeDeleteRecord(t), DBE_E_RECORD_LOCKED);
        EXPECT_EQ(DbeLockRecord(t, r[0]), DBE_SUCCESS);
        ASSERT_EQ(DbeGotoRecord(t, r[1]), DBE_SUCCESS);
        EXPECT_EQ(Text(t, "NAME"), "two");

        if (release == 'k') {
            child.Kill();
        } else {
            child.Send(release);
            ASSERT_EQ(child.Receive(), 'k') << "the child could not release";
        }
        EXPECT_EQ(DbeLockRecord(t, r[1]), DBE_SUCCESS) << LastError();
        ASSERT_EQ(DbeSetField(t, "NAME", "mine", 4), DBE_SUCCESS);
        EXPECT_EQ(DbeWriteRecord(t), DBE_SUCCESS) << LastError();
        if (release != 'k') {
            EXPECT_EQ(child.Finish(), 0);
        }
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    }
}

// Index order A B C D; the parent stands on B when the child deletes it.
TEST_F(Processes, RecordDeletedByAnotherProcessIsInvisible) {
    GTEST_SKIP()
        << "engine bug: DbeIsRecordVisible trusts its cached row unless this process wrote";
    Recnos r;
    CreateTable("vis.tbl", "NAME,String,4", {{"NAME", "NAME"}}, {"NAME"},
                {{"C"}, {"A"}, {"B"}, {"D"}}, &r);
    const std::string path = ConnectPath();
    Child child([&](int in, int out) {
        if (Hear(in) != 'g') return 1;
        DBEHANDLE t = OpenInChild(path, "vis.tbl");
        Ok(DbeGotoRecord(t, r[2]), "DbeGotoRecord");
        Ok(DbeDeleteRecord(t), "DbeDeleteRecord");
        Ok(DbeCloseTable(t), "DbeCloseTable");
        Tell(out, 'd');
        return 0;
    });
    DBEHANDLE t = Open("vis.tbl");
    DBEHANDLE ix = IndexOf(t, "NAME");
    ASSERT_EQ(DbeGotoTop(ix), DBE_SUCCESS);
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    ASSERT_EQ(RecNo(t), r[2]);
    uint16_t visible = 0;
    ASSERT_EQ(DbeIsRecordVisible(ix, &visible), DBE_SUCCESS);
    ASSERT_EQ(visible, 1);

    child.Send('g');
    ASSERT_EQ(child.Receive(), 'd') << "the child could not delete";
    ASSERT_EQ(DbeIsRecordVisible(ix, &visible), DBE_SUCCESS);
    EXPECT_EQ(visible, 0);
    ASSERT_EQ(DbeSkip(ix, 1), DBE_SUCCESS);
    EXPECT_EQ(Text(t, "NAME"), "C");
    EXPECT_EQ(child.Finish(), 0);
}

// The child appends without end and reports every record once it is
// written; it dies by SIGKILL somewhere in the middle of a write.
TEST_F(Processes, KilledWriterLeavesASoundTableWithEveryReportedRecord) {
    CreateTable("crash.tbl", "NAME,String,20;M,Memo", {{"NAME", "NAME"}});
    const std::string path = ConnectPath();
    const std::string memo(300, 'm');
    Child child([&](int, int out) {
        DBEHANDLE t = OpenInChild(path, "crash.tbl");
        for (uint32_t i = 0;; ++i) {
            const std::string name = "row " + std::to_string(i);
            Ok(DbeAppendRecord(t), "DbeAppendRecord");
            Ok(DbeSetField(t, "NAME", name.data(), static_cast<uint32_t>(name.size())), "NAME");
            Ok(DbeSetField(t, "M", memo.data(), static_cast<uint32_t>(memo.size())), "M");
            Ok(DbeWriteRecord(t), "DbeWriteRecord");
            const uint32_t report[2] = {RecNo(t), i};
            if (::write(out, report, sizeof report) != sizeof report) return 1;
        }
    });
    std::map<uint32_t, uint32_t> reported; // record number -> row
    uint32_t report[2];
    while (reported.size() < 300) {
        ASSERT_TRUE(child.Read(report, sizeof report)) << "the child stopped writing";
        reported[report[0]] = report[1];
    }
    child.Kill();
    while (child.Read(report, sizeof report))
        reported[report[0]] = report[1];

    DBEHANDLE t = Open("crash.tbl");
    EXPECT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
    for (const auto &[recno, row] : reported) {
        ASSERT_EQ(DbeGotoRecord(t, recno), DBE_SUCCESS)
            << "record " << recno << ": " << LastError();
        EXPECT_EQ(Text(t, "NAME"), "row " + std::to_string(row));
        uint32_t length = 0;
        ASSERT_EQ(DbeGetMemoLength(t, "M", &length), DBE_SUCCESS);
        EXPECT_EQ(length, memo.size());
    }
    const Recnos all = Walk(IndexOf(t, "NAME"), t);
    EXPECT_GE(all.size(), reported.size());
    // Numbers stay unused even when the process that drew them died.
    const uint32_t next = AppendRow(t, {"NAME"}, {"after"});
    EXPECT_GT(next, reported.rbegin()->first);
    for (uint32_t recno : all)
        EXPECT_GT(next, recno);
}

// Two processes append the same keys to a unique tag at the same time, in
// the same order: every key lands exactly once, the loser of each race hears
// 5045, and nothing else goes wrong.
TEST_F(Processes, RacingAppendsOfOneKeyLeaveItOnce) {
    constexpr uint32_t kKeys = 400;
    CreateTable("race.tbl", "K,String,10;WHO,String,6", {{"K", "K", DBE_INDEX_UNIQUE}});
    const std::string path = ConnectPath();
    // Both append every key; the count of keys each got in is the answer.
    auto appendAll = [](DBEHANDLE t, const char *who) {
        uint32_t won = 0;
        for (uint32_t i = 0; i < kKeys; ++i) {
            const std::string key = "K" + std::to_string(i);
            Ok(DbeAppendRecord(t), "DbeAppendRecord");
            Ok(DbeSetField(t, "K", key.data(), static_cast<uint32_t>(key.size())), "K");
            Ok(DbeSetField(t, "WHO", who, static_cast<uint32_t>(std::strlen(who))), "WHO");
            const DBESTATUS rc = DbeWriteRecord(t);
            if (rc == DBE_SUCCESS) {
                ++won;
            } else if (rc == DBE_E_DUPLICATE_KEY) {
                DbeCancelUpdate(t);
            } else {
                throw EngineFailure("DbeWriteRecord " + key + " answered " + std::to_string(rc));
            }
        }
        return won;
    };
    Child child([&](int in, int out) {
        DBEHANDLE t = OpenInChild(path, "race.tbl");
        Tell(out, 'R');
        if (Hear(in) != 'G') return 1;
        const uint32_t won = appendAll(t, "child");
        return ::write(out, &won, sizeof won) == sizeof won ? 0 : 1;
    });
    ASSERT_EQ(child.Receive(), 'R') << "the child could not open the table";
    DBEHANDLE t = Open("race.tbl");
    child.Send('G');
    const uint32_t mine = appendAll(t, "parent");
    uint32_t theirs = 0;
    ASSERT_TRUE(child.Read(&theirs, sizeof theirs)) << "the child did not finish";
    EXPECT_EQ(child.Finish(), 0);
    EXPECT_EQ(mine + theirs, kKeys);
    std::vector<std::string> keys = WalkField(IndexOf(t, "K"), t, "K");
    EXPECT_EQ(keys.size(), kKeys);
    EXPECT_TRUE(std::adjacent_find(keys.begin(), keys.end()) == keys.end());
}

// A process deleting one record after another dies by SIGKILL at a moment
// of chance, several times over: every record is then in the table or in
// the journal of deleted records, never in both and never in neither; the
// journal holds every delete the process saw done, at most the one it was
// in the middle of besides, with the values the record had.
TEST_F(Processes, KilledDeleterLeavesEveryRecordInTheTableOrInTheJournal) {
    constexpr int kRows = 250, kRounds = 4;
    std::random_device seeds;
    const unsigned seed = seeds();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 chance(seed);
    auto memoOf = [](uint32_t row) {
        return "memo of row " + std::to_string(row) + std::string(200, '.');
    };
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        const std::string name = "deleting_" + std::to_string(round) + ".tbl";
        Rows rows;
        for (int i = 0; i < kRows; ++i)
            rows.push_back({"row " + std::to_string(i), memoOf(i)});
        Recnos r;
        CreateTable(name, "NAME,String,20;M,Memo", {{"NAME", "NAME"}}, {"NAME", "M"}, rows, &r);
        std::map<uint32_t, uint32_t> rowOf; // record number -> row
        for (int i = 0; i < kRows; ++i)
            rowOf[r[i]] = static_cast<uint32_t>(i);

        const std::string path = ConnectPath();
        Child child([&](int, int out) {
            DBEHANDLE t = OpenInChild(path, name);
            for (uint32_t recno : r) {
                Ok(DbeGotoRecord(t, recno), "DbeGotoRecord");
                Ok(DbeDeleteRecord(t), "DbeDeleteRecord");
                Ok(DbeWriteRecord(t), "DbeWriteRecord");
                if (::write(out, &recno, sizeof recno) != sizeof recno) return 1;
            }
            return 0;
        });
        std::set<uint32_t> reported;
        const size_t before = std::uniform_int_distribution<size_t>(1, kRows - 20)(chance);
        uint32_t recno = 0;
        while (reported.size() < before) {
            ASSERT_TRUE(child.Read(&recno, sizeof recno)) << "the child stopped deleting";
            reported.insert(recno);
        }
        // Somewhere inside one of the next deletes, as a rule.
        ::usleep(std::uniform_int_distribution<unsigned>(0, 3000)(chance));
        child.Kill();
        while (child.Read(&recno, sizeof recno))
            reported.insert(recno);

        // Held exclusively, the table is the dead process's no more: on the
        // server its session is gone, and nothing of it is still on the way.
        DBEHANDLE t = 0;
        for (int attempt = 0; attempt < 30 && !t; ++attempt)
            if (DbeOpenTable(conn_, name.c_str(), name.c_str(), DBE_TBL, 0, 0, 0, DBE_EXCLUSIVE,
                             &t) != DBE_SUCCESS)
                t = 0;
        ASSERT_NE(t, 0u) << LastError();
        EXPECT_EQ(DbeCheckTable(t), DBE_SUCCESS) << LastError();
        DBEHANDLE journal = 0;
        ASSERT_EQ(DbeOpenDeleted(t, &journal), DBE_SUCCESS) << LastError();
        const Recnos kept = Walk(t, t), deleted = Walk(journal, journal);
        std::set<uint32_t> inTable(kept.begin(), kept.end()),
            inJournal(deleted.begin(), deleted.end());
        for (uint32_t n : r)
            EXPECT_EQ(inTable.count(n) + inJournal.count(n), 1u) << "record " << n;
        EXPECT_EQ(inTable.size() + inJournal.size(), size_t(kRows));
        for (uint32_t n : reported)
            EXPECT_TRUE(inJournal.count(n)) << "reported record " << n;
        EXPECT_LE(inJournal.size(), reported.size() + 1);
        for (uint32_t n : deleted) {
            ASSERT_EQ(DbeGotoRecord(journal, n), DBE_SUCCESS) << LastError();
            EXPECT_EQ(Text(journal, "NAME"), "row " + std::to_string(rowOf[n]));
            EXPECT_EQ(Text(journal, "M"), memoOf(rowOf[n]));
        }
        // What was lost is all there: the table comes back whole.
        for (uint32_t n : deleted)
            ASSERT_EQ(DbeRecallRecord(t, n), DBE_SUCCESS) << LastError();
        EXPECT_EQ(Walk(t, t), r);
        ASSERT_EQ(DbeCloseTable(journal), DBE_SUCCESS);
        ASSERT_EQ(DbeCloseTable(t), DBE_SUCCESS);
    }
}

} // namespace
} // namespace dbetest
