// tbltool: creates, fills, dumps and describes the engine's tables, in a
// folder or on a server, so that the duplicate check can be tried and tested
// without the host suite.
#include "demo_data.h"
#include "host_layouts.h"
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
    "DIR is a folder, or a PostgreSQL connection string (\"host=H port=P dbname=D\") or\n"
    "postgresql:// URI whose current schema takes the tables. TABLE is the path of a\n"
    "table file, or such a connection followed by \"/\" and the table name, e.g.\n"
    "\"host=H dbname=D/ArtikelMain.TBL\" or postgresql://H/D/ArtikelMain.TBL.\n";

// Splits "--name value" options off the positional arguments.
struct Arguments {
    QStringList positional;
    QList<QPair<QString, QString>> options;

    Arguments(const QStringList &args, const QStringList &known) {
        for (qsizetype i = 0; i < args.size(); ++i) {
            const QString &arg = args.at(i);
            if (arg.startsWith(QStringLiteral("--"))) {
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

void run(const QStringList &args) {
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
    } else {
        throw UsageError(QStringLiteral("unknown command '%1'").arg(command));
    }
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
        run(args);
        if (std::fflush(stdout) != 0) {
            std::fputs("tbltool: cannot write the output\n", stderr);
            return 1;
        }
        return 0;
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
