// tbltool: creates, fills, dumps and describes the engine's tables, in a
// folder or on a server, so that the duplicate check can be tried and tested
// without the host suite.
#include "check_command.h"
#include "demo_data.h"
#include "host_layouts.h"
#include "journal_commands.h"
#include "table_commands.h"
#include "tool_error.h"

#include <QStringList>

#include <cstdio>

namespace {

using tbltool::UsageError;

constexpr const char *kUsage =
    "usage: tbltool COMMAND ARGUMENTS\n"
    "  create-host DIR                     create the host's empty tables ArtikelMain.TBL,\n"
    "                                      Artikelsub.TBL and setup.TBL in DIR\n"
    "  import TABLE CSV                    append the rows of a UTF-8 CSV file to TABLE\n"
    "                                      (all rows or none)\n"
    "  export TABLE [--index TAG]          write TABLE as UTF-8 CSV to standard output,\n"
    "                                      in natural order or in the order of TAG\n"
    "  info TABLE                          show path or server, record count, fields and\n"
    "                                      index tags\n"
    "  demo DIR [--articles N] [--seed S]  create the host tables in DIR and fill them with\n"
    "                                      demo articles (N defaults to 200, S to 1)\n"
    "  check DIR [--survivors]             the check of \"Überprüfen\": the articles whose number\n"
    "                                      occurs more than once as CSV (ID,ARTN,BZK,STK;\n"
    "                                      with --survivors a column KEEP: 1 for the article\n"
    "                                      \"Alle doppelten löschen\" keeps, 0 for those it\n"
    "                                      deletes), the verdict on standard error; exit\n"
    "                                      code 0 when all numbers are unique, 3 when not\n"
    "  deleted TABLE [--since TIME]        write the journal of deleted records as CSV:\n"
    "                                      DELETED_AT,DELETED_BY,DELETED_HOST,RECNO and\n"
    "                                      the fields as export writes them\n"
    "  recall TABLE [--since TIME | --recno N ...]\n"
    "                                      put deleted records back with their record\n"
    "                                      numbers and values (all of the journal, those\n"
    "                                      deleted since TIME, or records N): all or none\n"
    "  purge TABLE [--before TIME]         empty the journal (or drop the entries deleted\n"
    "                                      before TIME) for good\n"
    "DIR is a folder, or a PostgreSQL connection string (\"host=H port=P dbname=D\") or\n"
    "postgresql:// URI whose current schema takes the tables. TABLE is the path of a\n"
    "table file, or such a connection followed by \"/\" and the table name, e.g.\n"
    "\"host=H dbname=D/ArtikelMain.TBL\" or postgresql://H/D/ArtikelMain.TBL.\n"
    "TIME is local time in ISO 8601, 2026-12-11T14:00:00 (seconds optional), or a date\n"
    "alone (its midnight).\n";

// Splits "--name value" options off the positional arguments.
struct Arguments {
    QStringList positional;
    QList<QPair<QString, QString>> options;

    // `known` options take a value, `flags` stand alone.
    Arguments(const QStringList &args, const QStringList &known, const QStringList &flags = {}) {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString &arg = args.at(i);
            if (arg.startsWith(QStringLiteral("--"))) {
                if (flags.contains(arg)) {
                    options.append({arg, QString()});
                    continue;
                }
                if (!known.contains(arg))
                    throw UsageError(QStringLiteral("unknown option %1").arg(arg));
                if (i + 1 >= args.size())
                    throw UsageError(QStringLiteral("option %1 needs a value").arg(arg));
                options.append({arg, args.at(++i)});
            } else {
                positional << arg;
            }
        }
    }

    bool has(const QString &name) const {
        for (const auto &option : options)
            if (option.first == name) return true;
        return false;
    }

    // Every value given for a repeatable option.
    QStringList values(const QString &name) const {
        QStringList all;
        for (const auto &[key, given] : options)
            if (key == name) all << given;
        return all;
    }

    QString option(const QString &name, const QString &fallback = {}) const {
        QString value = fallback;
        for (const auto &[key, given] : options)
            if (key == name) value = given;
        return value;
    }

    void expect(qsizetype count, const QString &command) const {
        if (positional.size() != count)
            throw UsageError(QStringLiteral("%1 takes %2 argument(s), %3 given")
                                 .arg(command)
                                 .arg(count)
                                 .arg(positional.size()));
    }
};

qulonglong number(const QString &text, const QString &option, qulonglong lowest,
                  qulonglong highest) {
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok);
    if (!ok || value < lowest || value > highest)
        throw UsageError(QStringLiteral("%1 needs a whole number from %2 to %3, not '%4'")
                             .arg(option)
                             .arg(lowest)
                             .arg(highest)
                             .arg(text));
    return value;
}

tbltool::JournalSelection selection(const Arguments &a, const QStringList &allowed) {
    tbltool::JournalSelection s;
    const QString since = QStringLiteral("--since"), before = QStringLiteral("--before"),
                  recno = QStringLiteral("--recno");
    if (allowed.contains(since) && a.has(since))
        s.since = tbltool::parseLocalTime(a.option(since), since);
    if (allowed.contains(before) && a.has(before))
        s.before = tbltool::parseLocalTime(a.option(before), before);
    if (allowed.contains(recno))
        for (const QString &value : a.values(recno))
            s.recnos.push_back(uint32_t(number(value, recno, 1, 0xFFFFFFFFu)));
    if (s.since && !s.recnos.empty())
        throw UsageError(QStringLiteral("--since and --recno do not go together"));
    return s;
}

// Answers the exit code.
int run(const QStringList &args) {
    if (args.isEmpty()) throw UsageError(QStringLiteral("no command given"));
    const QString command = args.front();
    const QStringList rest = args.mid(1);

    if (command == u"create-host") {
        const Arguments a(rest, {});
        a.expect(1, command);
        tbltool::createHostTables(tbltool::resolvePlace(a.positional.at(0)));
    } else if (command == u"import") {
        const Arguments a(rest, {});
        a.expect(2, command);
        tbltool::importCsv(a.positional.at(0), a.positional.at(1));
    } else if (command == u"export") {
        const Arguments a(rest, {QStringLiteral("--index")});
        a.expect(1, command);
        tbltool::exportCsv(a.positional.at(0), a.option(QStringLiteral("--index")), stdout);
    } else if (command == u"info") {
        const Arguments a(rest, {});
        a.expect(1, command);
        tbltool::printInfo(a.positional.at(0), stdout);
    } else if (command == u"demo") {
        const Arguments a(rest, {QStringLiteral("--articles"), QStringLiteral("--seed")});
        a.expect(1, command);
        const auto articles = number(a.option(QStringLiteral("--articles"), QStringLiteral("200")),
                                     QStringLiteral("--articles"), 0, 1000000);
        const auto seed = number(a.option(QStringLiteral("--seed"), QStringLiteral("1")),
                                 QStringLiteral("--seed"), 0, ~0ull);
        tbltool::writeDemoDatabase(tbltool::resolvePlace(a.positional.at(0)), int(articles), seed);
    } else if (command == u"check") {
        const Arguments a(rest, {}, {QStringLiteral("--survivors")});
        a.expect(1, command);
        return tbltool::runCheck(tbltool::resolvePlace(a.positional.at(0)),
                                 a.has(QStringLiteral("--survivors")), stdout, stderr);
    } else if (command == u"deleted") {
        const Arguments a(rest, {QStringLiteral("--since")});
        a.expect(1, command);
        tbltool::listDeleted(a.positional.at(0), selection(a, {QStringLiteral("--since")}), stdout);
    } else if (command == u"recall") {
        const Arguments a(rest, {QStringLiteral("--since"), QStringLiteral("--recno")});
        a.expect(1, command);
        tbltool::recallDeleted(a.positional.at(0),
                               selection(a, {QStringLiteral("--since"), QStringLiteral("--recno")}),
                               stdout);
    } else if (command == u"purge") {
        const Arguments a(rest, {QStringLiteral("--before")});
        a.expect(1, command);
        tbltool::purgeDeleted(a.positional.at(0), selection(a, {QStringLiteral("--before")}),
                              stdout);
    } else {
        throw UsageError(QStringLiteral("unknown command '%1'").arg(command));
    }
    return 0;
}

} // namespace

int main(int argc, char **argv) {
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    if (args.size() == 1 && (args.front() == u"--help" || args.front() == u"-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    try {
        const int code = run(args);
        if (std::fflush(stdout) != 0) {
            std::fputs("tbltool: cannot write the output\n", stderr);
            return 1;
        }
        return code;
    } catch (const UsageError &error) {
        std::fprintf(stderr, "tbltool: %s\n%s", error.message().toLocal8Bit().constData(), kUsage);
        return 2;
    } catch (const tbltool::ToolError &error) {
        std::fprintf(stderr, "tbltool: %s\n", error.message().toLocal8Bit().constData());
        return 1;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "tbltool: %s\n", error.what());
        return 1;
    }
}
