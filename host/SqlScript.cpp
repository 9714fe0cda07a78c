#include "host/SqlScript.h"

#include <cctype>
#include <fstream>
#include <sstream>

std::vector<std::string> SplitSqlScript(const std::string& script) {
    std::vector<std::string> statements;
    std::istringstream in(script);
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
    return statements;
}

bool ReadSqlScript(const std::string& path, std::vector<std::string>& statements) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream text;
    text << in.rdbuf();
    statements = SplitSqlScript(text.str());
    return true;
}
