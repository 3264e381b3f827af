// A host database in a temporary folder, opened the way the tool opens it,
// and a check wired to a window stand-in that records what the check shows.
#pragma once

#include "article_check.h"
#include "db_connection.h"
#include "db_settings.h"
#include "db_table.h"
#include "dbe.h"

#include <QCoreApplication>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>

// Failures show texts as texts, not as lists of characters.
inline void PrintTo(const QString &text, std::ostream *os) { *os << '"' << text.toStdString() << '"'; }

struct Article {
    QString number;
    QString text = QStringLiteral("Artikel");
};

class RecordingUi : public TCheckUi {
public:
    void SetProgressMax(int max) override { progressMax = max; }
    void SetProgressPosition(int p) override { position = p; }
    int ProgressPosition() const override { return position; }
    void SetStatus(const QString &s) override { statuses << s; }
    void ShowInfo(const QString &s) override { infos << s; }
    bool AskQuestion(const QString &s) override {
        questions << s;
        if (onAsk) onAsk();
        return answer;
    }
    void BusyCursorOn() override { ++cursorDepth; }
    void BusyCursorOff() override { --cursorDepth; }
    void ProcessMessages() override {
        ++messagePumps;
        if (onPump) onPump();
    }
    std::optional<QString> InputNumber(const QString &initial) override {
        offered << initial;
        return input;
    }
    void ClickCheckButton() override {
        ++checkClicks;
        if (onCheckClick) onCheckClick();
    }

    int progressMax = -1, position = 0, cursorDepth = 0, messagePumps = 0, checkClicks = 0;
    bool answer = true;
    std::optional<QString> input;
    QStringList statuses, infos, questions, offered;
    std::function<void()> onPump, onCheckClick, onAsk;
};

class HostDatabase {
public:
    // The host tables in a fresh folder or, given a connection string, in
    // the current schema of that database on the server.
    explicit HostDatabase(const QString &conninfo = QString())
        : path(conninfo.isEmpty() ? dir.path() : conninfo),
          servers{conninfo.isEmpty() ? TDbServerType::stDB_LOCAL : TDbServerType::stDB_REMOTE} {
        const QString bin = qEnvironmentVariable("DBE_TEST_BIN");
        QProcess p;
        p.start(bin + QStringLiteral("/tbltool"), {QStringLiteral("create-host"), path});
        p.waitForFinished(60000);
        EXPECT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    }

    DBESTATUS Connect(DBEHANDLE *connection) const {
        return DbeConnectEx(path.toLocal8Bit().constData(), servers.EngineMask(), "", "", 0, connection);
    }

    // Appends articles through the engine; the record number order is the
    // order given. Answers their IDs.
    std::vector<int> AddArticles(const std::vector<Article> &articles) {
        std::vector<int> ids;
        DBEHANDLE c = 0, t = 0;
        EXPECT_EQ(Connect(&c), 0);
        EXPECT_EQ(DbeOpenTable(c, "ArtikelMain.TBL", nullptr, 3, 1, 1, 1, 0, &t), 0);
        EXPECT_EQ(DbeBeginTransaction(c), 0);
        for (const Article &a : articles) {
            QByteArray n = a.number.toLatin1(), bz = a.text.toLatin1();
            EXPECT_EQ(DbeAppendRecord(t), 0);
            if (!n.isEmpty()) {
                EXPECT_EQ(DbeSetField(t, "ARTN", n.constData(), uint32_t(n.size())), 0);
            }
            EXPECT_EQ(DbeSetField(t, "BZK", bz.constData(), uint32_t(bz.size())), 0);
            EXPECT_EQ(DbeWriteRecord(t), 0);
            char id[16] = {};
            uint32_t len = sizeof id;
            EXPECT_EQ(DbeGetField(t, "ID", id, &len, DBE_TRIMMED), 0);
            ids.push_back(QByteArray(id).toInt());
        }
        EXPECT_EQ(DbeCommitTransaction(c), 0);
        DbeDisconnect(c);
        return ids;
    }

    void AddBooking(int articleId, double quantity) {
        DBEHANDLE c = 0, t = 0;
        EXPECT_EQ(Connect(&c), 0);
        EXPECT_EQ(DbeOpenTable(c, "Artikelsub.TBL", nullptr, 3, 1, 1, 1, 0, &t), 0);
        QByteArray id = QByteArray::number(articleId), q = QByteArray::number(quantity, 'g', 17);
        EXPECT_EQ(DbeAppendRecord(t), 0);
        EXPECT_EQ(DbeSetField(t, "ID_ART", id.constData(), uint32_t(id.size())), 0);
        EXPECT_EQ(DbeSetField(t, "STK", q.constData(), uint32_t(q.size())), 0);
        EXPECT_EQ(DbeWriteRecord(t), 0);
        DbeDisconnect(c);
    }

    QTemporaryDir dir;
    const QString path;  // the connect path: the folder or the connection string
    const TDbServerTypes servers;
};

// The components as the main window holds them, opened on a host database.
class CheckHarness {
public:
    explicit CheckHarness(const QString &path, TDbServerTypes servers = {TDbServerType::stDB_LOCAL}) {
        owner.SetName(QStringLiteral("FMain"));
        connection = new TDbConnection(&owner);
        connection->SetName(QStringLiteral("DbConnection"));
        connection->DbServerTypes = servers;
        connection->SetConnectPath(path);
        connection->SetIsConnected(true);
        articles = MakeTable(QStringLiteral("Table_ARTMAIN"), QStringLiteral("ArtikelMain.TBL"));
        bookings = MakeTable(QStringLiteral("Subtable"), QStringLiteral("Artikelsub.TBL"));
        km = new TResultTable(&owner);
        check = std::make_unique<TArticleCheck>(articles, bookings, km, &ui);
    }

    // The result table's rows as "ID:ARTN".
    QStringList Rows() {
        QStringList rows;
        km->First();
        while (!km->Eof()) {
            rows << km->FieldByName(QStringLiteral("ID"))->AsString() + u':' +
                        km->FieldByName(QStringLiteral("ARTN"))->AsString();
            km->Next();
        }
        km->First();
        return rows;
    }

    // The article IDs left in the table, in ID order.
    QList<int> ArticleIds() {
        QList<int> ids;
        articles->SetIndexName(QStringLiteral("ID"));
        articles->First();
        while (!articles->Eof()) {
            ids << articles->FieldByName(QStringLiteral("ID"))->AsInteger();
            articles->Next();
        }
        return ids;
    }

    TComponent owner;
    TDbConnection *connection;
    TDbTable *articles;
    TDbTable *bookings;
    TResultTable *km;
    RecordingUi ui;
    std::unique_ptr<TArticleCheck> check;

private:
    TDbTable *MakeTable(const QString &name, const QString &table) {
        auto *t = new TDbTable(&owner);
        t->SetName(name);
        t->SetDbConnection(connection);
        t->SetTableName(table);
        t->SetActive(true);
        return t;
    }
};
