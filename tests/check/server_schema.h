// Host tables of one test alone on the test server that DBE_TEST_PG names.
#pragma once

#include "test_server.h"

#include <QString>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <unistd.h>

// A schema of the test's own on the test server, dropped afterwards.
class ServerSchema {
public:
    // False without a server.
    bool Create() {
        const char *server = testsupport::TestServer();
        if (!server) return false;
        server_ = server;
        schema_ = "artnr_check_" + std::to_string(::getpid()) + '_' +
                  std::to_string(std::random_device{}() % 1000000);
        EXPECT_EQ(testsupport::ExecuteSql(server_, "CREATE SCHEMA " + schema_), "");
        created_ = true;
        conninfo = QString::fromStdString(testsupport::WithSearchPath(server_, schema_));
        return true;
    }
    ~ServerSchema() {
        if (created_) {
            EXPECT_EQ(testsupport::ExecuteSql(server_, "DROP SCHEMA " + schema_ + " CASCADE"), "");
        }
    }

    QString conninfo;

private:
    std::string server_, schema_;
    bool created_ = false;
};
