#include "host/Connection.h"

#include <strings.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstring>

std::string SqliteConnectionString(const std::string& file) {
    return "Driver=SQLite3;Database=" + file;
}

std::string SqliteReadOnlyConnectionString(const std::string& file) {
    // Every byte but unreserved ones and '/' is escaped, so '?', '#' and '%'
    // in a name stay part of it; a second leading '/' would start an authority.
    std::string uri = "file:";
    for (size_t i = 0; i < file.size(); ++i) {
        const unsigned char ch = static_cast<unsigned char>(file[i]);
        if (isalnum(ch) || strchr("-._~", ch) || (ch == '/' && !(i == 1 && file[0] == '/'))) {
            uri += static_cast<char>(ch);
        } else {
            char escaped[4];
            snprintf(escaped, sizeof escaped, "%%%02X", ch);
            uri += escaped;
        }
    }
    return SqliteConnectionString(uri + "?mode=ro");
}

std::string ConnectionString(const DatabaseChoice& choice, std::string& error, bool mustExist) {
    if (choice.connect && choice.file) {
        error = "give either --db FILE or --connect STRING, not both";
        return "";
    }
    if (choice.connect) {
        if (choice.connect->empty()) error = "--connect needs an ODBC connection string";
        return *choice.connect;
    }
    const std::string file = choice.file.value_or("");
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

std::string DatabaseName(const DatabaseChoice& choice) {
    if (!choice.connect) return choice.file.value_or("");
    // Messages end up in logs: never repeat a password.
    const std::string& connect = *choice.connect;
    std::string shown;
    size_t pos = 0;
    while (pos < connect.size()) {
        size_t end = connect.find(';', pos);
        if (end == std::string::npos) end = connect.size();
        std::string part = connect.substr(pos, end - pos);
        const size_t equals = part.find('=');
        if (equals != std::string::npos) {
            std::string key = part.substr(0, equals);
            while (!key.empty() && key.front() == ' ') key.erase(0, 1);
            while (!key.empty() && key.back() == ' ') key.pop_back();
            if (!strcasecmp(key.c_str(), "PWD") || !strcasecmp(key.c_str(), "Password"))
                part = part.substr(0, equals + 1) + "***";
        }
        if (!shown.empty()) shown += ';';
        shown += part;
        pos = end + 1;
    }
    return shown;
}

bool OpenConnection(CDataConnection& connection, const std::string& connect,
                    const std::string& name, uint32_t options) {
    try {
        connection.Open(connect.c_str(), options);
        return true;
    } catch (const CDBException& e) {
        fprintf(stderr, "hwconsole: cannot connect to %s: %s\n", name.c_str(), e.what());
        return false;
    }
}
