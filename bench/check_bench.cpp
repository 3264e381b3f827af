// check_bench: the whole duplicate check over the remote server beside the
// same check on local tables, and beside the query a user could type into
// psql instead.
//
//   check_bench --server CONNINFO [--articles N] [--seed S]   (N default 1,000,000)
//
// It fills the host's tables with `tbltool demo` twice with the same seed:
// once in a fresh temporary folder, once in a fresh schema of the server's
// database (dropped at the end). Then, in the same run, it times what the
// button "Überprüfen" does (the scan in article-number order and the booked
// quantities of every duplicate) through the database layer on each, and
// psql's GROUP BY query for duplicate article numbers on the server's copy.
// Each measurement runs twice and the faster run counts, so that neither
// side pays for a cold cache. It prints the times and the ratios; it
// enforces nothing. Both checks and the query must agree on the number of
// duplicate articles, or the run fails.
#include "article_check.h"
#include "check_ui.h"
#include "db_connection.h"
#include "db_table.h"
#include "result_table.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <libpq-fe.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// The check's window without a window.
class QuietUi : public TCheckUi {
public:
    void SetProgressMax(int) override {}
    void SetProgressPosition(int p) override { position_ = p; }
    int ProgressPosition() const override { return position_; }
    void SetStatus(const QString &) override {}
    void ShowInfo(const QString &s) override { std::fprintf(stderr, "check says: %s\n", qPrintable(s)); }
    bool AskQuestion(const QString &) override { return false; }
    void BusyCursorOn() override {}
    void BusyCursorOff() override {}
    void ProcessMessages() override {}
    std::optional<QString> InputNumber(const QString &) override { return std::nullopt; }
    void ClickCheckButton() override {}

private:
    int position_ = 0;
};

[[noreturn]] void Die(const QString &what) {
    std::fprintf(stderr, "check_bench: %s\n", qPrintable(what));
    std::exit(1);
}

// Runs a program to its end; its standard output.
QByteArray Run(const QString &program, const QStringList &args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(-1) || !p.waitForFinished(-1) || p.exitStatus() != QProcess::NormalExit ||
        p.exitCode() != 0)
        Die(program + QStringLiteral(" ") + args.join(u' ') + QStringLiteral(": ") +
            QString::fromLocal8Bit(p.readAllStandardError()));
    return p.readAllStandardOutput();
}

void Exec(PGconn *conn, const std::string &sql) {
    PGresult *r = PQexec(conn, sql.c_str());
    bool ok = PQresultStatus(r) == PGRES_COMMAND_OK;
    PQclear(r);
    if (!ok) Die(QString::fromUtf8(PQerrorMessage(conn)));
}

struct CheckRun {
    double ms = 0;
    int duplicates = 0;
};

// The scan and the booked quantities, as the button runs them, through the
// components the window holds.
CheckRun RunCheck(const QString &connectPath, TDbServerType serverType) {
    TComponent owner;
    auto *connection = new TDbConnection(&owner);
    connection->SetName(QStringLiteral("DbConnection"));
    connection->DbServerTypes = {serverType};
    connection->SetConnectPath(connectPath);
    connection->SetIsConnected(true);
    auto table = [&](const char *name, const char *file) {
        auto *t = new TDbTable(&owner);
        t->SetName(QString::fromLatin1(name));
        t->SetDbConnection(connection);
        t->SetTableName(QString::fromLatin1(file));
        t->SetActive(true);
        return t;
    };
    TDbTable *articles = table("Table_ARTMAIN", "ArtikelMain.TBL");
    TDbTable *bookings = table("Subtable", "Artikelsub.TBL");
    auto *km = new TResultTable(&owner);
    QuietUi ui;
    TArticleCheck check(articles, bookings, km, &ui);
    CheckRun best;
    for (int round = 0; round < 2; ++round) {
        QElapsedTimer clock;
        clock.start();
        check.CheckDuplicates();
        check.FillBookedQuantities();
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (round == 0 || ms < best.ms) best.ms = ms;
        best.duplicates = km->RecordCount();
    }
    return best;
}

}  // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    QString server;
    int articles = 1000000;
    QString seed = QStringLiteral("1");
    const QStringList args = app.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (i + 1 >= args.size()) Die(QStringLiteral("option %1 needs a value").arg(a));
        if (a == QStringLiteral("--server")) server = args.at(++i);
        else if (a == QStringLiteral("--articles")) articles = args.at(++i).toInt();
        else if (a == QStringLiteral("--seed")) seed = args.at(++i);
        else Die(QStringLiteral("unknown option %1").arg(a));
    }
    if (server.isEmpty() || articles <= 0)
        Die(QStringLiteral("usage: check_bench --server CONNINFO [--articles N] [--seed S]"));
    const QString tbltool = QCoreApplication::applicationDirPath() + QStringLiteral("/tbltool");

    PGconn *admin = PQconnectdb(server.toUtf8().constData());
    if (PQstatus(admin) != CONNECTION_OK) Die(QString::fromUtf8(PQerrorMessage(admin)));
    PQsetNoticeProcessor(admin, [](void *, const char *) {}, nullptr);
    const std::string schema = "check_bench_" + std::to_string(::getpid());
    Exec(admin, "CREATE SCHEMA " + schema);
    const QString remote = server + QStringLiteral(" options='-csearch_path=%1'").arg(QString::fromStdString(schema));

    QTemporaryDir dir;
    const QString local = dir.path() + QStringLiteral("/db");
    std::printf("check_bench: %d articles, seed %s\n", articles, qPrintable(seed));
    const QStringList demo = {QStringLiteral("--articles"), QString::number(articles),
                              QStringLiteral("--seed"), seed};
    QElapsedTimer clock;
    clock.start();
    Run(tbltool, QStringList{QStringLiteral("demo"), local} + demo);
    std::printf("  fill, local tables:  %8.1f s\n", static_cast<double>(clock.restart()) / 1000);
    Run(tbltool, QStringList{QStringLiteral("demo"), remote} + demo);
    std::printf("  fill, server:        %8.1f s\n", static_cast<double>(clock.restart()) / 1000);

    const CheckRun onLocal = RunCheck(local, TDbServerType::stDB_LOCAL);
    const CheckRun onServer = RunCheck(remote, TDbServerType::stDB_REMOTE);

    // What a user could type instead: the numbers that occur more than once.
    const QString query = QStringLiteral(
        "SELECT coalesce(sum(n), 0) FROM (SELECT count(*) AS n FROM \"ArtikelMain.TBL\""
        " GROUP BY \"ARTN\" HAVING count(*) > 1) AS d");
    double psqlMs = 0;
    int psqlDuplicates = 0;
    for (int round = 0; round < 2; ++round) {
        clock.restart();
        const QByteArray out = Run(QStringLiteral("psql"), {QStringLiteral("-XAtq"), remote,
                                                            QStringLiteral("-c"), query});
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (round == 0 || ms < psqlMs) psqlMs = ms;
        psqlDuplicates = out.trimmed().toInt();
    }
    Exec(admin, "DROP SCHEMA " + schema + " CASCADE");
    PQfinish(admin);

    std::printf("  check, local tables: %8.1f ms  (%d duplicate articles)\n", onLocal.ms, onLocal.duplicates);
    std::printf("  check, server:       %8.1f ms  (%d duplicate articles)\n", onServer.ms, onServer.duplicates);
    std::printf("  psql GROUP BY query: %8.1f ms  (%d duplicate articles)\n", psqlMs, psqlDuplicates);
    std::printf("  server / local:      %8.2fx\n", onServer.ms / onLocal.ms);
    std::printf("  server / psql query: %8.2fx\n", onServer.ms / psqlMs);
    if (onLocal.duplicates != onServer.duplicates || onServer.duplicates != psqlDuplicates) {
        std::fprintf(stderr, "check_bench: the three disagree on the duplicates\n");
        return 1;
    }
    return 0;
}
