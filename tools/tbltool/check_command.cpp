#include "check_command.h"

#include "article_check.h"
#include "csv.h"
#include "db_connection.h"
#include "db_table.h"
#include "exceptions.h"
#include "format_settings.h"
#include "table_commands.h"
#include "tool_error.h"
#include "value_forms.h"

#include <QRegularExpression>

namespace tbltool {

namespace {

// The window's part in the check, on a console: the message box and the
// status line become text on standard error; there is nothing to ask, no
// cursor, no events and no button.
class ConsoleCheckUi : public TCheckUi {
public:
    explicit ConsoleCheckUi(FILE *err) : err_(err) {}

    void SetProgressMax(int) override {}
    void SetProgressPosition(int position) override { position_ = position; }
    int ProgressPosition() const override { return position_; }
    void SetStatus(const QString &miniHtml) override { status = miniHtml; }
    void ShowInfo(const QString &miniHtml) override {
        writeText(err_, plainText(miniHtml) + u'\n');
    }
    bool AskQuestion(const QString &) override { return false; }
    void BusyCursorOn() override {}
    void BusyCursorOff() override {}
    void ProcessMessages() override {}
    std::optional<QString> InputNumber(const QString &) override { return std::nullopt; }
    void ClickCheckButton() override {}

    std::optional<QString> status;

private:
    FILE *err_;
    int position_ = 0;
};

} // namespace

QString plainText(const QString &miniHtml) {
    static const QRegularExpression bold(QStringLiteral("</?[Bb]>"));
    QString text = miniHtml;
    text.replace(QStringLiteral("<BR>"), QStringLiteral("\n"));
    return text.remove(bold);
}

int runCheck(const Place &place, bool survivors, FILE *out, FILE *err) {
    try {
        TComponent owner;
        owner.SetName(QStringLiteral("tbltool"));
        auto *connection = new TDbConnection(&owner);
        connection->SetName(QStringLiteral("DbConnection"));
        connection->DbServerTypes = {place.server ? TDbServerType::stDB_REMOTE
                                                  : TDbServerType::stDB_LOCAL};
        connection->LoginPrompt = false;
        connection->SetConnectPath(place.connectPath);
        connection->SetIsConnected(true);
        auto table = [&](const QString &name, const QString &tableName) {
            auto *t = new TDbTable(&owner);
            t->SetName(name);
            t->SetDbConnection(connection);
            t->SetTableName(tableName);
            t->SetActive(true);
            return t;
        };
        TDbTable *articles =
            table(QStringLiteral("Table_ARTMAIN"), QStringLiteral("ArtikelMain.TBL"));
        TDbTable *bookings = table(QStringLiteral("Subtable"), QStringLiteral("Artikelsub.TBL"));
        auto *km = new TResultTable(&owner);
        ConsoleCheckUi ui(err);
        TArticleCheck check(articles, bookings, km, &ui);

        // As "Überprüfen" runs them.
        check.CheckDuplicates();
        if (!ui.status)
            throw ToolError(QStringLiteral("the scan of ArtikelMain.TBL ended before its end"));
        check.FillBookedQuantities();
        const QSet<int> deleted = survivors ? check.DeletedByDeleteRun() : QSet<int>();

        QStringList header{QStringLiteral("ID"), QStringLiteral("ARTN"), QStringLiteral("BZK"),
                           QStringLiteral("STK")};
        if (survivors) header << QStringLiteral("KEEP");
        writeText(out, csvLine(header));
        int rows = 0;
        for (km->First(); !km->Eof(); km->Next(), ++rows) {
            const int id = km->FieldByName(QStringLiteral("ID"))->AsInteger();
            const QString booked = km->FieldByName(QStringLiteral("STK"))->AsString();
            QStringList cells{QString::number(id), check.FullNumber(id),
                              km->FieldByName(QStringLiteral("BZ"))->AsString(),
                              booked.isEmpty() ? QString()
                                               : shortestDouble(TextToFloatOrZero(booked))};
            if (survivors)
                cells << (deleted.contains(id) ? QStringLiteral("0") : QStringLiteral("1"));
            writeText(out, csvLine(cells));
        }
        writeText(err, plainText(*ui.status) + u'\n');
        return rows == 0 ? kCheckUnique : kCheckDuplicates;
    } catch (const Exception &e) {
        throw ToolError(e.message());
    }
}

} // namespace tbltool
