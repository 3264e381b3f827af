#include "journal_commands.h"

#include "csv.h"
#include "engine_session.h"
#include "table_commands.h"
#include "tool_error.h"
#include "value_forms.h"

#include <QDateTime>
#include <QRegularExpression>

#include <algorithm>
#include <cstring>
#include <functional>
#include <set>

namespace tbltool {

namespace {

constexpr qint64 kMsPerDay = 86400000;
// The Julian day of 1970-01-01.
constexpr qint64 kUnixEpochDay = 2440588;

// The table's own fields come first in the journal; its three follow.
size_t ownFields(const Table &journal) {
    return journal.fields().size() - 3;
}

// Walks the journal in record number order; `visit` gets each entry with
// the journal standing on it.
void walkJournal(
    const Table &journal,
    const std::function<void(uint32_t recno, qint64 at, const QByteArray &record)> &visit) {
    const DBEHANDLE handle = journal.handle();
    const FieldInfo &deletedAt = journal.fields()[ownFields(journal)];
    QByteArray record(qsizetype(journal.recordLength()), '\0');
    checkEngine(Dbe().DbeGotoTop(handle), QStringLiteral("cannot read the journal"));
    for (;;) {
        uint16_t atEnd = 0;
        checkEngine(Dbe().DbeAtEOF(handle, &atEnd), QStringLiteral("cannot read the journal"));
        if (atEnd) break;
        uint32_t length = uint32_t(record.size()), recno = 0;
        checkEngine(Dbe().DbeGetRecord(handle, record.data(), &length),
                    QStringLiteral("cannot read an entry of the journal"));
        checkEngine(Dbe().DbeGetRecordNum(handle, 0, &recno),
                    QStringLiteral("cannot read an entry of the journal"));
        uint32_t day = 0, ms = 0;
        std::memcpy(&day, record.constData() + deletedAt.offset, 4);
        std::memcpy(&ms, record.constData() + deletedAt.offset + 4, 4);
        visit(recno, (qint64(day) - kUnixEpochDay) * kMsPerDay + ms, record);
        checkEngine(Dbe().DbeSkip(handle, 1), QStringLiteral("cannot read the journal"));
    }
}

bool selected(const JournalSelection &selection, uint32_t recno, qint64 at) {
    if (selection.since && at < *selection.since) return false;
    if (selection.before && at >= *selection.before) return false;
    if (!selection.recnos.empty())
        return std::find(selection.recnos.begin(), selection.recnos.end(), recno) !=
               selection.recnos.end();
    return true;
}

QString records(size_t count) {
    return count == 1 ? QStringLiteral("1 record") : QStringLiteral("%1 records").arg(count);
}

// Applies `step` to the selected entries in one transaction: all or none.
// Record numbers asked for by name must all be in the journal.
size_t changeJournal(const QString &tableArgument, const JournalSelection &selection,
                     const QString &verb,
                     const std::function<DBESTATUS(DBEHANDLE, uint32_t)> &step) {
    const TablePath path = resolveExistingTable(tableArgument);
    Connection connection(path.place);
    Table table(connection, path.file, 0);
    std::vector<uint32_t> chosen;
    std::set<uint32_t> present;
    {
        const Table journal = Table::deletedOf(table);
        walkJournal(journal, [&](uint32_t recno, qint64 at, const QByteArray &) {
            present.insert(recno);
            if (selected(selection, recno, at)) chosen.push_back(recno);
        });
    }
    for (uint32_t recno : selection.recnos)
        if (!present.count(recno))
            throw ToolError(
                QStringLiteral("record %1 is not in the journal of deleted records of %2")
                    .arg(recno)
                    .arg(path.file));
    checkEngine(Dbe().DbeBeginTransaction(connection.handle()),
                QStringLiteral("cannot start a transaction"));
    for (uint32_t recno : chosen) {
        const DBESTATUS status = step(table.handle(), recno);
        if (status == DBE_SUCCESS) continue;
        const QString text = engineLastError();
        Dbe().DbeRollbackTransaction(connection.handle());
        throw ToolError(QStringLiteral("nothing was %1: %2 (%3)").arg(verb, text).arg(status));
    }
    checkEngine(Dbe().DbeCommitTransaction(connection.handle()),
                QStringLiteral("nothing was %1: the transaction did not commit").arg(verb));
    return chosen.size();
}

} // namespace

qint64 parseLocalTime(const QString &text, const QString &option) {
    static const QRegularExpression form(QStringLiteral(
        R"(^(\d{4})-(\d{2})-(\d{2})(?:[T ](\d{2}):(\d{2})(?::(\d{2})(?:\.(\d{1,3}))?)?)?$)"));
    const QRegularExpressionMatch m = form.match(text);
    const QDate date =
        m.hasMatch() ? QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt())
                     : QDate();
    QTime time(0, 0);
    if (m.hasMatch() && !m.captured(4).isEmpty())
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(), m.captured(6).toInt(),
                     m.captured(7).leftJustified(3, u'0').toInt());
    if (!date.isValid() || !time.isValid())
        throw UsageError(QStringLiteral("%1 needs a local time such as 2026-12-11T14:00:00 or a "
                                        "date such as 2026-12-11, not '%2'")
                             .arg(option, text));
    return QDateTime(date, time).toMSecsSinceEpoch();
}

QString localTimeText(qint64 msSinceEpoch) {
    return QDateTime::fromMSecsSinceEpoch(msSinceEpoch)
        .toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz"));
}

void listDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out) {
    const TablePath path = resolveExistingTable(tableArgument);
    Connection connection(path.place);
    Table table(connection, path.file, DBE_READONLY);
    const Table journal = Table::deletedOf(table);
    const size_t own = ownFields(journal);

    QStringList header{QStringLiteral("DELETED_AT"), QStringLiteral("DELETED_BY"),
                       QStringLiteral("DELETED_HOST"), QStringLiteral("RECNO")};
    for (size_t i = 0; i < own; ++i)
        header << journal.fields()[i].name;
    writeText(out, csvLine(header));
    walkJournal(journal, [&](uint32_t recno, qint64 at, const QByteArray &record) {
        if (!selected(selection, recno, at)) return;
        QStringList cells{localTimeText(at)};
        for (size_t i = own + 1; i < own + 3; ++i)
            cells << cellFromImage(journal.fields()[i], record);
        cells << QString::number(recno);
        cells += exportCells(journal, own, record);
        writeText(out, csvLine(cells));
    });
}

void recallDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out) {
    const size_t n = changeJournal(
        tableArgument, selection, QStringLiteral("recalled"),
        [](DBEHANDLE table, uint32_t recno) { return Dbe().DbeRecallRecord(table, recno); });
    writeText(out, QStringLiteral("recalled %1\n").arg(records(n)));
}

void purgeDeleted(const QString &tableArgument, const JournalSelection &selection, FILE *out) {
    const size_t n = changeJournal(
        tableArgument, selection, QStringLiteral("purged"),
        [](DBEHANDLE table, uint32_t recno) { return Dbe().DbePurgeRecord(table, recno); });
    writeText(out, QStringLiteral("purged %1\n").arg(records(n)));
}

} // namespace tbltool
