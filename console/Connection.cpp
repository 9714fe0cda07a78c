#include "console/Connection.h"

#include <unistd.h>

std::string SqliteConnectionString(const std::string& file) {
    return "Driver=SQLite3;Database=" + file;
}

std::string ConnectionString(const CommandLine& cmd, std::string& error, bool mustExist) {
    if (cmd.Has("connect") && cmd.Has("db")) {
        error = "give either --db FILE or --connect STRING, not both";
        return "";
    }
    if (cmd.Has("connect")) {
        std::string connect = cmd.Option("connect");
        if (connect.empty()) error = "--connect needs an ODBC connection string";
        return connect;
    }
    std::string file = cmd.Option("db");
    if (file.empty()) {
        error = "name the database with --db FILE (SQLite) or --connect STRING (ODBC)";
        return "";
    }
    if (file.find(';') != std::string::npos) {
        error = "a --db file name cannot hold ';' (it ends an ODBC attribute): " + file;
        return "";
    }
    // The SQLite driver would silently create a missing file: refuse instead.
    if (mustExist && access(file.c_str(), F_OK) != 0) {
        error = "database file not found: " + file;
        return "";
    }
    if (mustExist && access(file.c_str(), R_OK) != 0) {
        error = "database file not readable: " + file;
        return "";
    }
    return SqliteConnectionString(file);
}
