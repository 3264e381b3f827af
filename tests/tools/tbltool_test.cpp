// tbltool end to end: the built program on real table files, and on a
// PostgreSQL server when DBE_TEST_PG names one.
#include "dbe.h"
#include "test_server.h"

#include <gtest/gtest.h>
#include <libpq-fe.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>

#include <map>
#include <set>

#include <pwd.h>
#include <unistd.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    QString out;
    QString err;
};

QString toolPath() {
    const QByteArray bin = qgetenv("DBE_TEST_BIN");
    return QDir(bin.isEmpty() ? QStringLiteral(".") : QString::fromLocal8Bit(bin))
        .filePath(QStringLiteral("tbltool"));
}

ToolRun tbltool(const QStringList &args, const QString &workingDirectory = QString()) {
    QProcess process;
    if (!workingDirectory.isEmpty()) process.setWorkingDirectory(workingDirectory);
    process.start(toolPath(), args);
    ToolRun run;
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit) {
        run.err = QStringLiteral("tbltool did not run: ") + process.errorString();
        return run;
    }
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

void writeFile(const QString &path, const QString &text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.toUtf8());
}

// A plain reader for the exported CSV, independent of the tool's own.
std::vector<QStringList> parseCsv(const QString &text) {
    std::vector<QStringList> rows;
    QStringList row;
    QString cell;
    bool quoted = false, any = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        any = true;
        if (quoted) {
            if (c == u'"' && i + 1 < text.size() && text.at(i + 1) == u'"')
                cell += u'"', ++i;
            else if (c == u'"')
                quoted = false;
            else
                cell += c;
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            row << cell;
            cell.clear();
        } else if (c == u'\n') {
            row << cell;
            rows.push_back(row);
            row.clear();
            cell.clear();
            any = false;
        } else {
            cell += c;
        }
    }
    if (any) rows.push_back(row << cell);
    return rows;
}

// One column of an exported table, by header name.
QStringList column(const std::vector<QStringList> &rows, const QString &name) {
    QStringList values;
    if (rows.empty()) return values;
    const qsizetype at = rows.front().indexOf(name);
    if (at < 0) return values;
    for (size_t i = 1; i < rows.size(); ++i)
        values << rows[i].value(at);
    return values;
}

// Deletes, through the engine as the database layer does (the record, then
// the write), the records of `table` in `place` whose `field` reads as one
// of `values`; answers their record numbers.
std::vector<uint32_t> deleteRecords(const QString &place, uint16_t serverType, const QString &table,
                                    const char *field, const QStringList &values) {
    std::vector<uint32_t> recnos;
    DBEHANDLE connection = 0, handle = 0;
    EXPECT_EQ(DbeConnectEx(place.toLocal8Bit().constData(), serverType, "", "", 0, &connection), 0);
    const QByteArray name = (place + u'/' + table).toLocal8Bit();
    EXPECT_EQ(DbeOpenTable(connection, name.constData(), nullptr, DBE_TBL, 0, 0, 0, 0, &handle), 0);
    EXPECT_EQ(DbeGotoTop(handle), 0);
    for (uint16_t atEnd = 0; DbeAtEOF(handle, &atEnd) == 0 && !atEnd; DbeSkip(handle, 1)) {
        char text[256] = {};
        uint32_t length = sizeof text - 1;
        EXPECT_EQ(DbeGetField(handle, field, text, &length, DBE_TRIMMED), 0);
        if (!values.contains(QString::fromLatin1(text, int(length)))) continue;
        uint32_t recno = 0;
        EXPECT_EQ(DbeGetRecordNum(handle, 0, &recno), 0);
        EXPECT_EQ(DbeDeleteRecord(handle), 0);
        EXPECT_EQ(DbeWriteRecord(handle), 0);
        recnos.push_back(recno);
    }
    EXPECT_EQ(DbeDisconnect(connection), 0);
    return recnos;
}

// Local time as TIME takes it, to the millisecond, once the clock has
// passed every moment before this call.
QString localTimeAfterNow() {
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    while (QDateTime::currentMSecsSinceEpoch() <= now) {
    }
    return QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

QString userName() {
    const passwd *entry = ::getpwuid(::geteuid());
    return entry ? QString::fromLocal8Bit(entry->pw_name) : QString();
}

QString hostName() {
    char name[256] = {};
    ::gethostname(name, sizeof name - 1);
    return QString::fromLocal8Bit(name);
}

constexpr const char *kAllTypes =
    "ID,AutoInc;L,Logical;N,Numeric,8,2;D,Date;S,String,30;M,Memo;B,Binary;I,Image;"
    "V,VarChar,30;CD,CompactDate;DB,Double;IN,Integer;SI,ShortInt;T,Time;TS,TimeStamp;R,Raw,4;"
    "CU,CurDouble;CI,CIString,10";

class TbltoolTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString path(const QString &name) const { return dir_.filePath(name); }

    // A table with one field of every type; the host layout has only some.
    // `place` is a folder, or a connection string when `serverType` says so.
    QString createAllTypesTable(const QString &name, QString place = {},
                                uint16_t serverType = DBE_LOCAL_SERVER) {
        if (place.isEmpty()) place = dir_.path();
        const QString table = place + u'/' + name;
        DBEHANDLE connection = 0, handle = 0;
        EXPECT_EQ(DbeConnectEx(place.toLocal8Bit().constData(), serverType, "", "", 0, &connection),
                  0);
        EXPECT_EQ(DbeCreateTable(connection, table.toLocal8Bit().constData(), kAllTypes, &handle),
                  0);
        DBEHANDLE index = 0;
        EXPECT_EQ(DbeCreateIndex(handle, "ID", "ID", DBE_INDEX_UNIQUE, &index), 0);
        EXPECT_EQ(DbeDisconnect(connection), 0);
        return table;
    }

    QString createHost() {
        const ToolRun run = tbltool({QStringLiteral("create-host"), dir_.path()});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return path(QStringLiteral("ArtikelMain.TBL"));
    }

    QString exported(const QString &table, const QStringList &extra = {}) {
        const ToolRun run = tbltool(QStringList{QStringLiteral("export"), table} + extra);
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        return run.out;
    }

    void roundTripEveryFieldForm(const QString &table, const QString &copy);
    // The journal of deleted records through the tool, with the tables in
    // `place` (a folder, or a connection string for DBE_REMOTE_SERVER).
    void deletedListsWhatRecallPutsBack(const QString &place, uint16_t serverType);
    void sinceAndBeforeSplitTheJournal(const QString &place, uint16_t serverType);
    void aTakenKeyRecallsNothing(const QString &place, uint16_t serverType);

    QTemporaryDir dir_;
};

// Imports one row of every field form into `table`, then the export into
// `copy`; both must export the same.
void TbltoolTest::roundTripEveryFieldForm(const QString &table, const QString &copy) {
    const QString header = QStringLiteral("ID,L,N,D,S,M,B,I,V,CD,DB,IN,SI,T,TS,R,CU,CI\n");
    // Column names in another case and order on import; alternative spellings
    // (1/0, "+", trailing zeros) come back in the tool's one form.
    const QString input =
        QStringLiteral(
            "cu,ci,id,l,n,d,s,m,b,i,v,cd,db,in,si,t,ts,r\n"
            "1234.5,Müller,,1,12.5,2024-02-29,Größe „XL“ €,"
            "\"Zeile 1\nZeile \"\"2\"\", mit Komma\",base64:AAEC/w==,base64:iVBORw0K,vär,"
            "1999-12-31,0.1,-2147483647,-32767,23:59:59.999,2024-01-02 03:04:05.678,"
            "base64:AQI=\n"
            "-0.25,ab,7,0,-3,0001-01-01,\" Anfang mit Leerzeichen\",\"\r\nCRLF\r\n\",,,,,"
            "1e21,+42,32767,00:00:00,1970-01-01 00:00:00,\n"
            ",,9,F") +
        QString(14, u',') + u'\n';
    const QString expected =
        header +
        QStringLiteral("1,T,12.50,2024-02-29,Größe „XL“ €,\"Zeile 1\nZeile \"\"2\"\", mit Komma\","
                       "base64:AAEC/w==,base64:iVBORw0K,vär,1999-12-31,0.1,-2147483647,-32767,"
                       "23:59:59.999,2024-01-02 03:04:05.678,base64:AQI=,1234.5,Müller\n"
                       "7,F,-3.00,0001-01-01, Anfang mit Leerzeichen,\"\r\nCRLF\r\n\",,,,,1e+21,42,"
                       "32767,00:00:00,1970-01-01 00:00:00,,-0.25,ab\n"
                       "9,F") +
        QString(16, u',') + u'\n';
    writeFile(path(QStringLiteral("in.csv")), input);

    const ToolRun run = tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QString first = exported(table);
    EXPECT_EQ(first.toStdString(), expected.toStdString());

    // The export is itself valid input that reproduces the table.
    writeFile(path(QStringLiteral("again.csv")), first);
    const ToolRun again =
        tbltool({QStringLiteral("import"), copy, path(QStringLiteral("again.csv"))});
    ASSERT_EQ(again.exitCode, 0) << again.err.toStdString();
    EXPECT_EQ(exported(copy).toStdString(), expected.toStdString());
}

TEST_F(TbltoolTest, ImportExportRoundTripsEveryFieldForm) {
    roundTripEveryFieldForm(createAllTypesTable(QStringLiteral("Alltypes.TBL")),
                            createAllTypesTable(QStringLiteral("Copy.TBL")));
}

struct BadCell {
    const char *table; // "host" or "all"
    const char *column;
    const char *good;
    const char *bad;    // as written in the CSV file
    const char *reason; // part of the message
};

void PrintTo(const BadCell &c, std::ostream *os) {
    *os << c.column << " = " << c.bad;
}

class RejectedRowTest : public TbltoolTest, public ::testing::WithParamInterface<BadCell> {};

TEST_P(RejectedRowTest, LeavesTheTableEmptyAndNamesRowAndColumn) {
    const BadCell c = GetParam();
    const QString table = QString::fromLatin1(c.table) == u"host"
                              ? createHost()
                              : createAllTypesTable(QStringLiteral("Alltypes.TBL"));
    const QString column = QString::fromUtf8(c.column);
    writeFile(path(QStringLiteral("in.csv")),
              QStringLiteral("%1\n%2\n%3\n%2\n")
                  .arg(column, QString::fromUtf8(c.good), QString::fromUtf8(c.bad)));

    const ToolRun run = tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("row 2 (line 3), column %1").arg(column)))
        << run.err.toStdString();
    EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.reason))) << run.err.toStdString();
    EXPECT_EQ(parseCsv(exported(table)).size(), 1u) << "only the header may be left";
}

INSTANTIATE_TEST_SUITE_P(
    Cells, RejectedRowTest,
    ::testing::Values(BadCell{"host", "BZK", "Schraube 5 €", "Schraube Ω", "'Ω' (U+03A9)"},
                      BadCell{"host", "ARTN", "A-1",
                              "A-123456789012345678901234567890123456789012345678901",
                              "the field holds 50"},
                      BadCell{"host", "BST", "12.5", "\"12,5\"", "not a number"},
                      BadCell{"host", "LAART", "T", "ja", "not a logical"},
                      BadCell{"host", "GRUP", "3", "40000", "outside"},
                      BadCell{"host", "ID", "4", "x", "not a whole number"},
                      BadCell{"all", "D", "2024-02-28", "2023-02-29", "not a date"},
                      BadCell{"all", "TS", "2024-01-01 10:00:00", "2024-01-01", "not a timestamp"},
                      BadCell{"all", "B", "base64:AAEC", "AAEC", "base64:"},
                      BadCell{"all", "N", "99999.99", "100000", "does not fit"}));

TEST_F(TbltoolTest, AFailedWriteRollsBackTheRowsBeforeIt) {
    const QString table = createHost();
    // Only the unique ID tag can catch the third row, so the first two are
    // already written when it fails.
    writeFile(path(QStringLiteral("in.csv")), QStringLiteral("ID,ARTN\n5,A-5\n6,A-6\n5,A-7\n"));
    const ToolRun run = tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("row 3"))) << run.err.toStdString();
    EXPECT_EQ(parseCsv(exported(table)).size(), 1u);
}

TEST_F(TbltoolTest, ImportRejectsAnUnknownColumn) {
    const QString table = createHost();
    writeFile(path(QStringLiteral("in.csv")), QStringLiteral("ARTN,Preis\nA-1,3\n"));
    const ToolRun run = tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("Preis"))) << run.err.toStdString();
}

TEST_F(TbltoolTest, ExportFollowsTheRequestedIndexTag) {
    const QString table = createHost();
    writeFile(path(QStringLiteral("in.csv")),
              QStringLiteral("ARTN,BZK\nK-3,eins\nA-2,zwei\nB-1,drei\nA-2,vier\n"));
    const ToolRun run = tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();

    const struct {
        QStringList options;
        QStringList order;
    } cases[] = {
        {{}, {"eins", "zwei", "drei", "vier"}},
        // Equal keys keep record order.
        {{"--index", "ARTN"}, {"zwei", "vier", "drei", "eins"}},
        {{"--index", "artn"}, {"zwei", "vier", "drei", "eins"}},
        {{"--index", "BZK"}, {"drei", "eins", "vier", "zwei"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(column(parseCsv(exported(table, c.options)), QStringLiteral("BZK")), c.order)
            << c.options.join(u' ').toStdString();

    const ToolRun unknown = tbltool(
        {QStringLiteral("export"), table, QStringLiteral("--index"), QStringLiteral("NOPE")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("NOPE"))) << unknown.err.toStdString();
}

TEST_F(TbltoolTest, CreateHostLaysOutTheHostTablesOnce) {
    createHost();
    const ToolRun info = tbltool({QStringLiteral("info"), path(QStringLiteral("ArtikelMain.TBL"))});
    ASSERT_EQ(info.exitCode, 0) << info.err.toStdString();
    const QString text = info.out;
    EXPECT_TRUE(text.contains(path(QStringLiteral("ArtikelMain.TBL")))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Records: 0"))) << text.toStdString();
    for (const QString &line :
         {QStringLiteral("ARTN  *4 String  +50"), QStringLiteral("GEK  *17 CurDouble"),
          QStringLiteral("MATCH0  +MATCH0;MATCH1;MATCH2;MATCH3;MATCH4  +no"),
          QStringLiteral("ID  +ID  +yes")}) {
        EXPECT_TRUE(text.contains(QRegularExpression(line))) << line.toStdString() << "\n"
                                                             << text.toStdString();
    }
    EXPECT_EQ(parseCsv(exported(path(QStringLiteral("Artikelsub.TBL")))).front(),
              QStringList({"ID", "ID_ART", "STK"}));
    EXPECT_EQ(parseCsv(exported(path(QStringLiteral("setup.TBL")))).front(),
              QStringList({"ID", "Ident", "MemoItem", "stringItem", "logo"}));

    const ToolRun again = tbltool({QStringLiteral("create-host"), dir_.path()});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(again.err.contains(QStringLiteral("exists already"))) << again.err.toStdString();
}

TEST_F(TbltoolTest, DemoHoldsTheDuplicatesTheCheckLooksFor) {
    const auto demo = [&](const QString &name, const QString &seed) {
        const QString folder = path(name);
        const ToolRun run = tbltool({QStringLiteral("demo"), folder, QStringLiteral("--articles"),
                                     QStringLiteral("60"), QStringLiteral("--seed"), seed});
        EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
        QStringList exports;
        for (const char *table : {"ArtikelMain.TBL", "Artikelsub.TBL", "setup.TBL"})
            exports << exported(QDir(folder).filePath(QString::fromLatin1(table)));
        return exports;
    };
    const QStringList one = demo(QStringLiteral("one"), QStringLiteral("7"));
    EXPECT_EQ(demo(QStringLiteral("two"), QStringLiteral("7")), one) << "same seed, same data";
    EXPECT_NE(demo(QStringLiteral("three"), QStringLiteral("8")).front(), one.front());

    const auto articles = parseCsv(one.at(0));
    ASSERT_EQ(articles.size(), 61u);
    std::map<QString, int> counts;
    for (const QString &number : column(articles, QStringLiteral("ARTN")))
        ++counts[number];
    EXPECT_EQ(counts[QString()], 2);
    EXPECT_EQ(counts[QStringLiteral("ab-100")], 1);
    EXPECT_EQ(counts[QStringLiteral("AB-100")], 1);
    int pairs = 0, triples = 0, longPairs = 0;
    for (const auto &[number, count] : counts) {
        if (number.isEmpty()) continue;
        if (count == 2) ++pairs;
        if (count == 3) ++triples;
        if (count == 2 && number.size() > 30) ++longPairs;
    }
    EXPECT_GE(pairs, 2);
    EXPECT_EQ(triples, 1);
    EXPECT_EQ(longPairs, 1);

    const QStringList ids = column(articles, QStringLiteral("ID"));
    const std::set<QString> known(ids.begin(), ids.end());
    const auto bookings = parseCsv(one.at(1));
    ASSERT_GT(bookings.size(), 1u);
    bool fractional = false;
    for (const QString &id : column(bookings, QStringLiteral("ID_ART")))
        EXPECT_TRUE(known.count(id)) << id.toStdString();
    for (const QString &quantity : column(bookings, QStringLiteral("STK")))
        fractional = fractional || quantity.contains(u'.');
    EXPECT_TRUE(fractional);

    const auto setup = parseCsv(one.at(2));
    const QStringList idents = column(setup, QStringLiteral("Ident"));
    const qsizetype at = idents.indexOf(QStringLiteral("949"));
    ASSERT_GE(at, 0);
    EXPECT_EQ(column(setup, QStringLiteral("stringItem")).at(at), QStringLiteral("1,5"));
}

// A relative DIR or TABLE is taken from the working directory, by every
// command, however it is spelled.
TEST_F(TbltoolTest, RelativePathsAreTakenFromTheWorkingDirectory) {
    QTemporaryDir work;
    auto run = [&](const QStringList &args) {
        const ToolRun r = tbltool(args, work.path());
        EXPECT_EQ(r.exitCode, 0) << args.join(u' ').toStdString() << ": " << r.err.toStdString();
        return r;
    };
    run({"demo", "shop", "--articles", "20"});
    EXPECT_TRUE(QFile::exists(work.filePath(QStringLiteral("shop/ArtikelMain.TBL"))));
    run({"create-host", "./empty"});
    EXPECT_TRUE(QFile::exists(work.filePath(QStringLiteral("empty/setup.TBL"))));
    const ToolRun info = run({"info", "shop/../shop/ArtikelMain.TBL"});
    EXPECT_TRUE(info.out.contains(QStringLiteral("Records: 20"))) << info.out.toStdString();
    const ToolRun exported = run({"export", "shop/ArtikelMain.TBL", "--index", "ID"});
    writeFile(work.filePath(QStringLiteral("articles.csv")), exported.out);
    run({"import", "empty/ArtikelMain.TBL", "articles.csv"});
    EXPECT_EQ(run({"export", "./empty//ArtikelMain.TBL", "--index", "ID"}).out, exported.out);
}

void TbltoolTest::deletedListsWhatRecallPutsBack(const QString &place, uint16_t serverType) {
    const QString table = createAllTypesTable(QStringLiteral("Journal.TBL"), place, serverType);
    writeFile(path(QStringLiteral("rows.csv")),
              QStringLiteral(
                  "S,M,B,N,TS,CI\n"
                  "eins,\"Zeile 1\nZeile 2\",base64:AAEC/w==,1.5,2024-01-02 03:04:05.678,Müller\n"
                  "zwei,,,,,\n"
                  "drei,€ und ä,base64:iVBORw0K,-3,,x\n"));
    const ToolRun import =
        tbltool({QStringLiteral("import"), table, path(QStringLiteral("rows.csv"))});
    ASSERT_EQ(import.exitCode, 0) << import.err.toStdString();
    const auto before = parseCsv(exported(table));
    ASSERT_EQ(before.size(), 4u);

    const QString start = localTimeAfterNow();
    const std::vector<uint32_t> gone =
        deleteRecords(place, serverType, QStringLiteral("Journal.TBL"), "S",
                      {QStringLiteral("eins"), QStringLiteral("drei")});
    ASSERT_EQ(gone.size(), 2u);
    const QString end = localTimeAfterNow();
    EXPECT_EQ(parseCsv(exported(table)), (std::vector<QStringList>{before[0], before[2]}));

    const ToolRun listed = tbltool({QStringLiteral("deleted"), table});
    ASSERT_EQ(listed.exitCode, 0) << listed.err.toStdString();
    const auto rows = parseCsv(listed.out);
    ASSERT_EQ(rows.size(), 3u) << listed.out.toStdString();
    EXPECT_EQ(rows[0],
              QStringList({"DELETED_AT", "DELETED_BY", "DELETED_HOST", "RECNO"}) + before[0]);
    for (size_t i = 1; i < rows.size(); ++i) {
        SCOPED_TRACE(rows[i].join(u',').toStdString());
        const QString at = rows[i].value(0);
        EXPECT_TRUE(QDateTime::fromString(at, QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).isValid());
        EXPECT_LE(start, at);
        EXPECT_LE(at, end);
        EXPECT_EQ(rows[i].value(1), userName());
        EXPECT_EQ(rows[i].value(2), hostName());
        EXPECT_EQ(rows[i].value(3), QString::number(gone[i - 1]));
        EXPECT_EQ(rows[i].mid(4), before[i == 1 ? 1 : 3]) << "the record as export wrote it";
    }
    const ToolRun info = tbltool({QStringLiteral("info"), table});
    EXPECT_TRUE(info.out.contains(QStringLiteral("Records: 1\nDeleted: 2 ")))
        << info.out.toStdString();

    const ToolRun one = tbltool(
        {QStringLiteral("recall"), table, QStringLiteral("--recno"), QString::number(gone[1])});
    ASSERT_EQ(one.exitCode, 0) << one.err.toStdString();
    EXPECT_EQ(one.out, QStringLiteral("recalled 1 record\n"));
    EXPECT_EQ(parseCsv(exported(table)),
              (std::vector<QStringList>{before[0], before[2], before[3]}));
    EXPECT_EQ(
        column(parseCsv(tbltool({QStringLiteral("deleted"), table}).out), QStringLiteral("RECNO")),
        QStringList{QString::number(gone[0])});

    const ToolRun all = tbltool({QStringLiteral("recall"), table});
    ASSERT_EQ(all.exitCode, 0) << all.err.toStdString();
    EXPECT_EQ(all.out, QStringLiteral("recalled 1 record\n"));
    EXPECT_EQ(parseCsv(exported(table)), before) << "numbers, values and IDs as they were";
    EXPECT_EQ(parseCsv(tbltool({QStringLiteral("deleted"), table}).out).size(), 1u);
    EXPECT_TRUE(
        tbltool({QStringLiteral("info"), table}).out.contains(QStringLiteral("Deleted: 0 ")));
}

void TbltoolTest::sinceAndBeforeSplitTheJournal(const QString &place, uint16_t serverType) {
    const QString table = createAllTypesTable(QStringLiteral("Times.TBL"), place, serverType);
    writeFile(path(QStringLiteral("rows.csv")), QStringLiteral("S\nfrüh\nspät\nnoch später\n"));
    ASSERT_EQ(tbltool({QStringLiteral("import"), table, path(QStringLiteral("rows.csv"))}).exitCode,
              0);
    const auto before = parseCsv(exported(table));
    auto names = [&](const QStringList &args) {
        const ToolRun run = tbltool(args);
        EXPECT_EQ(run.exitCode, 0)
            << args.join(u' ').toStdString() << ": " << run.err.toStdString();
        return column(parseCsv(run.out), QStringLiteral("S"));
    };
    const QString table0 = QStringLiteral("Times.TBL");
    deleteRecords(place, serverType, table0, "S", {QStringLiteral("früh")});
    const QString split = localTimeAfterNow();
    deleteRecords(place, serverType, table0, "S", {QStringLiteral("spät")});

    EXPECT_EQ(names({"deleted", table, "--since", split}), QStringList{"spät"});
    EXPECT_EQ(names({"deleted", table, "--since", split.left(10)}), (QStringList{"früh", "spät"}))
        << "a date alone is its midnight";
    const ToolRun back =
        tbltool({QStringLiteral("recall"), table, QStringLiteral("--since"), split});
    ASSERT_EQ(back.exitCode, 0) << back.err.toStdString();
    EXPECT_EQ(names({"export", table}), (QStringList{"spät", "noch später"}));
    EXPECT_EQ(names({"deleted", table}), QStringList{"früh"});

    deleteRecords(place, serverType, table0, "S", {QStringLiteral("noch später")});
    const ToolRun purged =
        tbltool({QStringLiteral("purge"), table, QStringLiteral("--before"), split});
    ASSERT_EQ(purged.exitCode, 0) << purged.err.toStdString();
    EXPECT_EQ(purged.out, QStringLiteral("purged 1 record\n"));
    EXPECT_EQ(names({"deleted", table}), QStringList{"noch später"});
    const ToolRun none = tbltool(
        {QStringLiteral("recall"), table, QStringLiteral("--since"), QStringLiteral("2999-01-01")});
    EXPECT_EQ(none.out, QStringLiteral("recalled 0 records\n"));
    ASSERT_EQ(tbltool({QStringLiteral("purge"), table}).exitCode, 0);
    EXPECT_TRUE(names({"deleted", table}).isEmpty());
    EXPECT_EQ(names({"export", table}), (QStringList{"spät"}));
    EXPECT_EQ(parseCsv(exported(table)).at(1), before.at(2)) << "the recalled record as it was";
}

void TbltoolTest::aTakenKeyRecallsNothing(const QString &place, uint16_t serverType) {
    const ToolRun host = tbltool({QStringLiteral("create-host"), place});
    ASSERT_EQ(host.exitCode, 0) << host.err.toStdString();
    const QString table = place + QStringLiteral("/ArtikelMain.TBL");
    writeFile(path(QStringLiteral("in.csv")), QStringLiteral("ID,ARTN\n5,A-5\n6,A-6\n7,A-7\n"));
    ASSERT_EQ(tbltool({QStringLiteral("import"), table, path(QStringLiteral("in.csv"))}).exitCode,
              0);
    const std::vector<uint32_t> gone =
        deleteRecords(place, serverType, QStringLiteral("ArtikelMain.TBL"), "ARTN",
                      {QStringLiteral("A-5"), QStringLiteral("A-6")});
    ASSERT_EQ(gone.size(), 2u);
    // Article ID 6 exists again, under another number.
    writeFile(path(QStringLiteral("again.csv")), QStringLiteral("ID,ARTN\n6,B-6\n"));
    ASSERT_EQ(
        tbltool({QStringLiteral("import"), table, path(QStringLiteral("again.csv"))}).exitCode, 0);
    const QString kept = exported(table);

    const ToolRun refused = tbltool({QStringLiteral("recall"), table});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("nothing was recalled")))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("record %1 ").arg(gone[1])))
        << refused.err.toStdString();
    EXPECT_TRUE(refused.err.contains(QStringLiteral("tag ID"))) << refused.err.toStdString();
    EXPECT_EQ(exported(table), kept) << "the record recalled before the refusal went back too";
    EXPECT_EQ(
        column(parseCsv(tbltool({QStringLiteral("deleted"), table}).out), QStringLiteral("ARTN")),
        (QStringList{"A-5", "A-6"}));

    const ToolRun unknown =
        tbltool({QStringLiteral("recall"), table, QStringLiteral("--recno"),
                 QString::number(gone[0]), QStringLiteral("--recno"), QStringLiteral("999")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_TRUE(unknown.err.contains(QStringLiteral("record 999 is not in the journal")))
        << unknown.err.toStdString();
    EXPECT_EQ(exported(table), kept);

    const ToolRun first = tbltool(
        {QStringLiteral("recall"), table, QStringLiteral("--recno"), QString::number(gone[0])});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_EQ(column(parseCsv(exported(table, {QStringLiteral("--index"), QStringLiteral("ID")})),
                     QStringLiteral("ARTN")),
              (QStringList{"A-5", "B-6", "A-7"}));
}

TEST_F(TbltoolTest, DeletedListsWhatRecallPutsBack) {
    deletedListsWhatRecallPutsBack(dir_.path(), DBE_LOCAL_SERVER);
}

TEST_F(TbltoolTest, SinceAndBeforeSplitTheJournal) {
    sinceAndBeforeSplitTheJournal(dir_.path(), DBE_LOCAL_SERVER);
}

TEST_F(TbltoolTest, ATakenKeyRecallsNothing) {
    aTakenKeyRecallsNothing(dir_.path(), DBE_LOCAL_SERVER);
}

TEST_F(TbltoolTest, BadUsageExitsWithTwoAndTheUsage) {
    const QStringList cases[] = {
        {},
        {"frobnicate"},
        {"import", "only-one"},
        {"export"},
        {"export", "t.TBL", "--index"},
        {"export", "t.TBL", "--order", "ARTN"},
        {"info", "a.TBL", "b.TBL"},
        {"demo", "d", "--articles", "viele"},
        {"check"},
        {"check", "d", "--keep"},
        {"deleted", "t.TBL", "--before", "2026-01-01"},
        {"deleted", "t.TBL", "--since", "gestern"},
        {"recall", "t.TBL", "--since", "2026-02-30"},
        {"recall", "t.TBL", "--since", "2026-01-01", "--recno", "4"},
        {"recall", "t.TBL", "--recno", "vier"},
        {"purge", "t.TBL", "--since", "2026-01-01"},
        {"purge", "t.TBL", "--before", "2026-01-01T25:00"},
    };
    for (const QStringList &args : cases) {
        const ToolRun run = tbltool(args);
        EXPECT_EQ(run.exitCode, 2) << args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QStringLiteral("usage: tbltool")))
            << args.join(u' ').toStdString();
    }
}

// Runs SQL of the test's own on the server, past the engine; answers the
// server's message, empty when it went through.
QString execute(const QByteArray &conninfo, const QString &sql) {
    return QString::fromStdString(testsupport::ExecuteSql(conninfo.toStdString(), sql.toStdString()));
}

QString quotedConninfoValue(const QString &value) {
    return QString::fromStdString(testsupport::QuotedConninfoValue(value.toStdString()));
}

// The commands on the PostgreSQL server that DBE_TEST_PG names, each test in
// a schema of its own, reached both as a keyword connection string and as a
// URI.
class TbltoolServerTest : public TbltoolTest {
protected:
    void SetUp() override {
        TbltoolTest::SetUp();
        base_ = qgetenv("DBE_TEST_PG");
        if (base_.isEmpty())
            GTEST_SKIP() << "DBE_TEST_PG names no PostgreSQL server (scripts/test.sh starts one)";
        const QString schema =
            QStringLiteral("tbltool_") + QUuid::createUuid().toString(QUuid::Id128);
        ASSERT_EQ(execute(base_, QStringLiteral("CREATE SCHEMA ") + schema).toStdString(), "");
        schema_ = schema;

        char *error = nullptr;
        PQconninfoOption *options = PQconninfoParse(base_.constData(), &error);
        const QString message = QString::fromLocal8Bit(error);
        PQfreemem(error);
        ASSERT_TRUE(options) << "DBE_TEST_PG: " << message.toStdString();
        QStringList keywords, query;
        QString database, serverOptions;
        for (const PQconninfoOption *o = options; o->keyword; ++o) {
            if (!o->val || !*o->val) continue;
            const QString key = QString::fromLatin1(o->keyword);
            const QString value = QString::fromLocal8Bit(o->val);
            if (key == u"options") {
                serverOptions = value + u' ';
                continue;
            }
            keywords << key + u'=' + quotedConninfoValue(value);
            if (key == u"dbname")
                database = value;
            else
                query << key + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
        }
        PQconninfoFree(options);
        serverOptions += QStringLiteral("-csearch_path=") + schema;
        keywords << QStringLiteral("options=") + quotedConninfoValue(serverOptions);
        query << QStringLiteral("options=") +
                     QString::fromLatin1(QUrl::toPercentEncoding(serverOptions));
        keyword_ = keywords.join(u' ');
        uri_ = QStringLiteral("postgresql:///") +
               QString::fromLatin1(QUrl::toPercentEncoding(database)) + u'?' + query.join(u'&');
    }

    void TearDown() override {
        if (schema_.isEmpty()) return;
        const QString error = execute(base_, QStringLiteral("DROP SCHEMA %1 CASCADE").arg(schema_));
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    }

    QString createServerTable(const QString &name, const QString &place) {
        return createAllTypesTable(name, place, DBE_REMOTE_SERVER);
    }

    QByteArray base_;
    QString schema_, keyword_, uri_;
};

TEST_F(TbltoolServerTest, DemoExportsAndDescribesAsOnAFolder) {
    const QString folder = path(QStringLiteral("folder"));
    for (const QString &place : {folder, keyword_}) {
        const ToolRun run =
            tbltool({QStringLiteral("demo"), place, QStringLiteral("--articles"),
                     QStringLiteral("60"), QStringLiteral("--seed"), QStringLiteral("7")});
        ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    }
    const struct {
        const char *table;
        QStringList options;
        bool uri;
    } cases[] = {
        {"ArtikelMain.TBL", {"--index", "ARTN"}, false},
        {"ArtikelMain.TBL", {"--index", "MATCH0"}, true},
        {"ArtikelMain.TBL", {}, true},
        {"Artikelsub.TBL", {"--index", "ID_ART"}, true},
        {"setup.TBL", {}, false},
    };
    for (const auto &c : cases) {
        const QString table = QString::fromLatin1(c.table);
        const QString local = exported(QDir(folder).filePath(table), c.options);
        EXPECT_GT(parseCsv(local).size(), 1u) << c.table;
        EXPECT_EQ(exported((c.uri ? uri_ : keyword_) + u'/' + table, c.options).toStdString(),
                  local.toStdString())
            << c.table << " " << c.options.join(u' ').toStdString();
    }

    // Past the lines that name the place, the descriptions agree.
    const ToolRun local =
        tbltool({QStringLiteral("info"), QDir(folder).filePath(QStringLiteral("ArtikelMain.TBL"))});
    const ToolRun remote =
        tbltool({QStringLiteral("info"), uri_ + QStringLiteral("/ArtikelMain.TBL")});
    ASSERT_EQ(remote.exitCode, 0) << remote.err.toStdString();
    const QStringList lines = remote.out.split(u'\n');
    EXPECT_EQ(lines.value(0), QStringLiteral("Table:   ArtikelMain.TBL"));
    EXPECT_TRUE(lines.value(1).startsWith(QStringLiteral("Server:  ")));
    EXPECT_FALSE(lines.value(1).contains(schema_)) << "the connection string is not for show";
    EXPECT_EQ(lines.mid(2).join(u'\n').toStdString(), local.out.section(u'\n', 1).toStdString());
}

TEST_F(TbltoolServerTest, ImportExportRoundTripsEveryFieldForm) {
    roundTripEveryFieldForm(createServerTable(QStringLiteral("Alltypes.TBL"), keyword_),
                            createServerTable(QStringLiteral("Copy.TBL"), uri_));
}

TEST_F(TbltoolServerTest, DeletedListsWhatRecallPutsBack) {
    deletedListsWhatRecallPutsBack(keyword_, DBE_REMOTE_SERVER);
}

TEST_F(TbltoolServerTest, SinceAndBeforeSplitTheJournal) {
    sinceAndBeforeSplitTheJournal(uri_, DBE_REMOTE_SERVER);
}

TEST_F(TbltoolServerTest, ATakenKeyRecallsNothing) {
    aTakenKeyRecallsNothing(keyword_, DBE_REMOTE_SERVER);
}

TEST_F(TbltoolServerTest, RefusalsLeaveTheServerAsItWas) {
    const QString setup = createServerTable(QStringLiteral("setup.TBL"), keyword_);
    writeFile(path(QStringLiteral("twice.csv")), QStringLiteral("ID,S\n5,a\n6,b\n5,c\n"));
    writeFile(path(QStringLiteral("unknown.csv")), QStringLiteral("S,Preis\na,3\n"));
    const struct {
        QStringList args;
        const char *message;
    } cases[] = {
        // Asked before anything is created, so ArtikelMain.TBL must not appear.
        {{"create-host", uri_}, "setup.TBL exists already"},
        {{"info", keyword_ + QStringLiteral("/ArtikelMain.TBL")}, "ArtikelMain.TBL"},
        // Only the unique ID tag catches the third row, after two were written.
        {{"import", setup, path(QStringLiteral("twice.csv"))}, "row 3"},
        {{"import", setup, path(QStringLiteral("unknown.csv"))}, "Preis"},
        {{"export", setup, "--index", "NOPE"}, "NOPE"},
        {{"export", keyword_}, "names no table"},
    };
    for (const auto &c : cases) {
        const ToolRun run = tbltool(c.args);
        EXPECT_EQ(run.exitCode, 1) << c.args.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.message))) << run.err.toStdString();
    }
    EXPECT_EQ(parseCsv(exported(setup)).size(), 1u) << "only the header may be left";
}

} // namespace
