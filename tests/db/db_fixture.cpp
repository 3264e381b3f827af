#include "db_fixture.h"

#include "dbe_dispatch.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QStringEncoder>

#include <stdexcept>

namespace dbtest {
namespace {

// The layer reads the application's folder (alias file); Qt wants one
// application object per process.
class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "db_test";
        static char *argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] ::testing::Environment *const gQt =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

void Ok(DBESTATUS rc, const std::string &what) {
    if (rc == 0) return;
    char text[601] = {};
    uint16_t length = sizeof text;
    uint32_t code = 0;
    DbeRealApi().DbeGetLastError(&code, text, &length);
    throw std::runtime_error(what + ": " + std::to_string(code) + " " + text);
}

QString ToolPath() {
    QByteArray bin = qgetenv("DBE_TEST_BIN");
    QDir dir(bin.isEmpty() ? QCoreApplication::applicationDirPath() + QStringLiteral("/../bin")
                           : QString::fromLocal8Bit(bin));
    return dir.filePath(QStringLiteral("tbltool"));
}

// Opens one table of the folder on a connection of its own.
class RawTable {
public:
    RawTable(const QString &folder, const char *table) {
        const auto api = DbeRealApi();
        Ok(api.DbeConnect(folder.toLocal8Bit().constData(), &connection_), "connect");
        Ok(api.DbeOpenTable(connection_, table, nullptr, DBE_TBL, 1, 1, 1, 0, &table_),
           std::string("open ") + table);
    }
    ~RawTable() {
        DbeRealApi().DbeCloseTable(table_);
        DbeRealApi().DbeDisconnect(connection_);
    }
    void Append(const Row &row) {
        const auto api = DbeRealApi();
        Ok(api.DbeAppendRecord(table_), "append");
        for (const auto &[column, value] : row)
            Ok(api.DbeSetField(table_, column.c_str(), value.data(), uint32_t(value.size())),
               "set " + column);
        Ok(api.DbeWriteRecord(table_), "write");
    }

private:
    DBEHANDLE connection_ = 0, table_ = 0;
};

}  // namespace

std::string Ansi(const QString &text) {
    QStringEncoder encoder("windows-1252");
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError()) throw std::runtime_error("not Windows-1252");
    return bytes.toStdString();
}

HostFolder::HostFolder() {
    if (!dir_.isValid()) throw std::runtime_error("no temporary folder");
    QProcess tool;
    tool.start(ToolPath(), {QStringLiteral("create-host"), dir_.path()});
    if (!tool.waitForFinished(-1) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        throw std::runtime_error("tbltool create-host failed: " +
                                 tool.readAllStandardError().toStdString() +
                                 tool.errorString().toStdString());
}

void HostFolder::Append(const char *table, const std::vector<Row> &rows) {
    RawTable t(Path(), table);
    for (const Row &row : rows) t.Append(row);
}

void HostFolder::CreateTable(const char *table, const char *fields, const std::vector<Row> &rows) {
    {
        const auto api = DbeRealApi();
        DBEHANDLE connection = 0, handle = 0;
        Ok(api.DbeConnect(Path().toLocal8Bit().constData(), &connection), "connect");
        Ok(api.DbeCreateTable(connection, table, fields, &handle), std::string("create ") + table);
        api.DbeCloseTable(handle);
        api.DbeDisconnect(connection);
    }
    Append(table, rows);
}

void FillHost(HostFolder &folder) {
    folder.Append("ArtikelMain.TBL", {
                                         {{"ARTN", "B-200"}, {"BZK", "Schraube"}},
                                         {{"ARTN", "A-100"}, {"BZK", "Mutter"}},
                                         {{"ARTN", "B-200"}, {"BZK", Ansi(QStringLiteral("Dübel"))}},
                                         {{"ARTN", "C-300"}, {"BZK", "Nagel"}, {"MATCH0", "NAGEL"}, {"MATCH1", "N1"}},
                                         {{"ARTN", "A-100"}, {"BZK", "Scheibe"}},
                                         {{"ARTN", "B-200"}, {"BZK", "Haken"}},
                                     });
    folder.Append("Artikelsub.TBL", {
                                        {{"ID_ART", "5"}, {"STK", "3"}},
                                        {{"ID_ART", "2"}, {"STK", "7"}},
                                        {{"ID_ART", "3"}, {"STK", "12"}},
                                    });
    folder.Append("setup.TBL", {
                                   {{"Ident", "1"}, {"stringItem", "eins"}},
                                   {{"Ident", "949"}, {"MemoItem", Ansi(Memo949())}},
                                   {{"Ident", "100"}, {"MemoItem", Memo100()}},
                               });
}

QString Memo949() { return QStringLiteral("[Währung]\r\nZeichen=€\r\nGrüße an \"alle\""); }

std::string Memo100() {
    std::string memo;
    for (int i = 0; memo.size() < 100; ++i) memo += static_cast<char>('a' + i % 26);
    return memo;
}

HostForm::HostForm(const QString &path, bool connect) : owner(std::make_unique<TComponent>()) {
    owner->SetName(QStringLiteral("FMain"));
    connection = new TDbConnection(owner.get());
    connection->SetName(QStringLiteral("DbConnection"));
    articles = new TDbTable(owner.get());
    articles->SetName(QStringLiteral("Table_ARTMAIN"));
    articles->SetTableName(QStringLiteral("ArtikelMain.TBL"));
    articles->SetDbConnection(connection);
    bookings = new TDbTable(owner.get());
    bookings->SetName(QStringLiteral("Subtable"));
    bookings->SetTableName(QStringLiteral("Artikelsub.TBL"));
    bookings->SetDbConnection(connection);
    settings = new TDbTable(owner.get());
    settings->SetName(QStringLiteral("DbTableSettings"));
    settings->SetTableName(QStringLiteral("setup.TBL"));
    settings->SetIndexName(QStringLiteral("IDENT"));
    settings->SetDbConnection(connection);
    // What the start-up handler writes (the server-type set goes straight
    // into the field).
    connection->SetIsConnected(false);
    connection->DbServerTypes = TDbServerTypes{TDbServerType::stDB_LOCAL};
    connection->SetConnectPath(path);
    if (connect) {
        connection->SetIsConnected(true);
        articles->SetActive(true);
        bookings->SetActive(true);
        settings->SetActive(true);
    }
}

HostForm::~HostForm() = default;

ProcessSettingsGuard::ProcessSettingsGuard() : format_(FormatSettings()) {
    const auto api = DbeRealApi();
    char format[32] = {};
    uint16_t length = sizeof format;
    api.DbeGetDateFormat(format, &length);
    dateFormat_ = format;
    api.DbeGetDecimals(&decimals_);
    api.DbeGetDeleted(&deleted_);
}

ProcessSettingsGuard::~ProcessSettingsGuard() {
    FormatSettings() = format_;
    const auto api = DbeRealApi();
    api.DbeSetDateFormat(dateFormat_.c_str());
    api.DbeSetDecimals(decimals_);
    api.DbeShowDeleted(deleted_);
}

std::vector<std::pair<QString, int>> Walk(TDbTable &table, const char *field) {
    std::vector<std::pair<QString, int>> out;
    table.First();
    while (!table.Eof()) {
        out.emplace_back(table.FieldByName(QString::fromLatin1(field))->AsString(),
                         table.FieldByName(QStringLiteral("ID"))->AsInteger());
        table.Next();
    }
    return out;
}

}  // namespace dbtest
