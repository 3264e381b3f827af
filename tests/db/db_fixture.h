// Shared pieces of the database layer's tests: host tables in a temporary
// folder (laid out by tbltool, filled through the engine's C interface),
// and a form that owns a connection and the three cursors the way the main
// window does.
#pragma once

#include "db_connection.h"
#include "db_table.h"
#include "format_settings.h"

#include <gtest/gtest.h>

#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace dbtest {

// Column name and value in the engine's text form (bytes as they are
// stored: Windows-1252).
using Row = std::vector<std::pair<std::string, std::string>>;

// Windows-1252 bytes of a text.
std::string Ansi(const QString &text);

// The three empty host tables in a fresh folder.
class HostFolder {
public:
    HostFolder();
    QString Path() const { return dir_.path(); }
    // Appends the rows to the table (bare file name) and closes it again.
    void Append(const char *table, const std::vector<Row> &rows);
    // Creates an extra table with the engine's field list syntax.
    void CreateTable(const char *table, const char *fields, const std::vector<Row> &rows = {});

private:
    QTemporaryDir dir_;
};

// The articles every host test starts from. ID is the record number.
//   ID ARTN   BZK
//    1 B-200  Schraube
//    2 A-100  Mutter
//    3 B-200  Dübel
//    4 C-300  Nagel     (MATCH0 NAGEL, MATCH1 N1)
//    5 A-100  Scheibe
//    6 B-200  Haken
void FillHost(HostFolder &folder);
// The memo of setup.TBL's Ident 949 and one of exactly 100 bytes (Ident 100).
QString Memo949();
std::string Memo100();

// The main window's database components, named as on the window.
struct HostForm {
    explicit HostForm(const QString &path, bool connect = true);
    ~HostForm();
    std::unique_ptr<TComponent> owner;
    TDbConnection *connection;
    TDbTable *articles;  // Table_ARTMAIN
    TDbTable *bookings;  // Subtable
    TDbTable *settings;  // DbTableSettings
};

// Keeps the process format and the engine's process-wide settings as they
// were, whatever a test changes.
class ProcessSettingsGuard {
public:
    ProcessSettingsGuard();
    ~ProcessSettingsGuard();

private:
    TFormatSettings format_;
    std::string dateFormat_;
    uint16_t decimals_ = 0, deleted_ = 0;
};

// The ARTN values and IDs met walking the cursor from First to Eof.
std::vector<std::pair<QString, int>> Walk(TDbTable &table, const char *field = "ARTN");

}  // namespace dbtest

// Readable texts in assertion messages.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }
