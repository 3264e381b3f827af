// The PostgreSQL server of the tests: DBE_TEST_PG names it (scripts/test.sh
// starts a throw-away one). Tests that need server tables give themselves a
// schema of their own there and reach it through WithSearchPath.
#pragma once

#include <libpq-fe.h>

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace testsupport {

// The server's conninfo, or null when the tests have no server.
inline const char *TestServer() {
    const char *server = std::getenv("DBE_TEST_PG");
    return server && *server ? server : nullptr;
}

// Runs SQL of the test's own on the server, past the engine; the server's
// message, empty when it went through.
inline std::string ExecuteSql(const std::string &conninfo, const std::string &sql) {
    PGconn *pg = PQconnectdb(conninfo.c_str());
    std::string error;
    if (PQstatus(pg) != CONNECTION_OK) {
        error = PQerrorMessage(pg);
    } else {
        // The notices of a cascading drop would bury the test's own output.
        PQsetNoticeProcessor(pg, [](void *, const char *) {}, nullptr);
        PGresult *result = PQexec(pg, sql.c_str());
        if (PQresultStatus(result) != PGRES_COMMAND_OK) error = PQresultErrorMessage(result);
        PQclear(result);
    }
    PQfinish(pg);
    return error;
}

// A value in a keyword connection string.
inline std::string QuotedConninfoValue(const std::string &value) {
    std::string out = "'";
    for (char c : value) {
        if (c == '\\' || c == '\'') out += '\\';
        out += c;
    }
    return out + "'";
}

// The conninfo with `schema` as its whole search path. It is parsed and
// written out again, so that a URI, and server options of its own, work as
// well. Throws std::runtime_error when it does not parse.
inline std::string WithSearchPath(const std::string &conninfo, const std::string &schema) {
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.c_str(), &error);
    if (!options) {
        const std::string message = error ? error : "out of memory";
        PQfreemem(error);
        throw std::runtime_error("DBE_TEST_PG: " + message);
    }
    std::string out, serverOptions;
    for (PQconninfoOption *o = options; o->keyword; ++o) {
        if (!o->val) continue;
        if (std::string(o->keyword) == "options")
            serverOptions = std::string(o->val) + ' ';
        else
            out += std::string(o->keyword) + '=' + QuotedConninfoValue(o->val) + ' ';
    }
    PQconninfoFree(options);
    return out + "options=" + QuotedConninfoValue(serverOptions + "-csearch_path=" + schema);
}

}  // namespace testsupport
