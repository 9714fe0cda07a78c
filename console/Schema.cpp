#include "console/Schema.h"

#include <unistd.h>

#include <cctype>
#include <fstream>
#include <stdexcept>

std::string DefaultSchemaFolder() {
    char path[4096];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return "schema/";
    std::string exe(path, static_cast<size_t>(length));
    const size_t bin = exe.rfind('/');
    const size_t root =
        bin == std::string::npos || bin == 0 ? std::string::npos : exe.rfind('/', bin - 1);
    if (root == std::string::npos) return "schema/";
    return exe.substr(0, root + 1) + "schema/";
}

std::string DialectName(const CDatabase& db) {
    switch (db.GetDialect()) {
        case DbDialect::SQLite:
            return "sqlite";
        case DbDialect::PostgreSQL:
            return "postgresql";
        case DbDialect::SQLServer:
            return "sqlserver";
        case DbDialect::Generic:
            break;
    }
    std::string name;
    for (char c : db.GetDBMSName().str())
        if (isalnum(static_cast<unsigned char>(c)))
            name += static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return name.empty() ? "unknown" : name;
}

std::vector<std::string> ReadSchemaFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("schema file not found or not readable: " + path);
    std::vector<std::string> statements;
    std::string line, statement;
    auto flush = [&] {
        if (statement.find_first_not_of(" \t\r\n") != std::string::npos)
            statements.push_back(statement);
        statement.clear();
    };
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t first = line.find_first_not_of(" \t");
        if (first != std::string::npos && line.compare(first, 2, "--") == 0) continue;
        std::string trimmed = first == std::string::npos ? "" : line.substr(first);
        while (!trimmed.empty() && isspace(static_cast<unsigned char>(trimmed.back())))
            trimmed.pop_back();
        if (trimmed.size() == 2 && toupper(static_cast<unsigned char>(trimmed[0])) == 'G' &&
            toupper(static_cast<unsigned char>(trimmed[1])) == 'O') {
            flush();
            continue;
        }
        statement += line + "\n";
        if (!trimmed.empty() && trimmed.back() == ';') flush();
    }
    flush();
    if (statements.empty()) throw std::runtime_error("schema file holds no statement: " + path);
    return statements;
}
