#include "host/ReadOnlySql.h"

#include <cctype>
#include <cstring>

namespace {

// Words that change data, schema, session or server state, or reach outside
// the database. Some are functions that a read-only session still runs.
const char* const kRefusedWords[] = {
    "INSERT",
    "UPDATE",
    "DELETE",
    "MERGE",
    "UPSERT",
    "DROP",
    "CREATE",
    "ALTER",
    "TRUNCATE",
    "RENAME",
    "GRANT",
    "REVOKE",
    "ATTACH",
    "DETACH",
    "PRAGMA",
    "VACUUM",
    "REINDEX",
    "EXEC",
    "EXECUTE",
    "CALL",
    "DO",
    "COPY",
    "LOCK",
    "INTO",
    "SET",
    "COMMIT",
    "ROLLBACK",
    "BEGIN",
    "SAVEPOINT",
    "RELEASE",
    "DECLARE",
    "SHUTDOWN",
    "KILL",
    "BACKUP",
    "RESTORE",
    "DBCC",
    "OPENROWSET",
    "OPENQUERY",
    "OPENDATASOURCE",
    "LOAD_EXTENSION",
    "NEXTVAL",
    "SETVAL",
    "SET_CONFIG",
    "PG_TERMINATE_BACKEND",
    "PG_CANCEL_BACKEND",
    "PG_RELOAD_CONF",
    "LO_IMPORT",
    "LO_EXPORT",
    "PG_READ_FILE",
    "PG_READ_BINARY_FILE",
    "PG_LS_DIR",
    "DBLINK",
    "DBLINK_EXEC",
};

bool IsWordChar(char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) || ch == '_' || ch == '$';
}

std::string Upper(std::string text) {
    for (char& ch : text) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    return text;
}

}  // namespace

bool CheckReadOnlySelect(const std::string& sql, std::string& statement, std::string& error) {
    // `text` is the statement as it will run; `code` is the same with the
    // insides of literals and quoted names blanked, for the keyword checks.
    std::string text, code;
    const size_t n = sql.size();
    size_t i = 0;
    while (i < n) {
        const char ch = sql[i];
        if (ch == '-' && i + 1 < n && sql[i + 1] == '-') {
            while (i < n && sql[i] != '\n') ++i;
            text += ' ';
            code += ' ';
            continue;
        }
        if (ch == '/' && i + 1 < n && sql[i + 1] == '*') {
            const size_t end = sql.find("*/", i + 2);
            if (end == std::string::npos) {
                error = "refused: the query has an unterminated /* comment";
                return false;
            }
            i = end + 2;
            text += ' ';
            code += ' ';
            continue;
        }
        if (ch == '\'' || ch == '"' || ch == '[') {
            const char close = ch == '[' ? ']' : ch;
            size_t j = i + 1;
            while (true) {
                if (j >= n) {
                    error = ch == '\'' ? "refused: the query has an unterminated string literal"
                                       : "refused: the query has an unterminated quoted name";
                    return false;
                }
                if (sql[j] == close) {
                    if (j + 1 < n && sql[j + 1] == close) {  // a doubled quote stays inside
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            text.append(sql, i, j + 1 - i);
            code += ch;
            code.append(j - i - 1, ' ');
            code += close;
            i = j + 1;
            continue;
        }
        text += ch;
        code += ch;
        ++i;
    }

    // Surrounding white space and one trailing ';' go.
    auto trim = [](std::string& s) {
        const size_t first = s.find_first_not_of(" \t\r\n\f\v");
        if (first == std::string::npos) {
            s.clear();
            return;
        }
        s = s.substr(first, s.find_last_not_of(" \t\r\n\f\v") - first + 1);
    };
    trim(text);
    trim(code);
    if (!code.empty() && code.back() == ';') {
        code.pop_back();
        text.pop_back();
        trim(code);
        trim(text);
    }
    if (code.empty()) {
        error = "refused: the query is empty";
        return false;
    }
    if (code.find(';') != std::string::npos) {
        error = "refused: only a single statement may run (found ';' before the end)";
        return false;
    }

    std::string first;
    bool sawSelect = false;
    for (size_t pos = 0; pos < code.size();) {
        if (!IsWordChar(code[pos])) {
            ++pos;
            continue;
        }
        size_t end = pos;
        while (end < code.size() && IsWordChar(code[end])) ++end;
        const std::string word = Upper(code.substr(pos, end - pos));
        pos = end;
        if (first.empty()) first = word;
        if (word == "SELECT") sawSelect = true;
        for (const char* refused : kRefusedWords) {
            if (word == refused) {
                error = "refused: a read-only query may not use " + word;
                return false;
            }
        }
    }
    if (first != "SELECT" && first != "WITH") {
        error = "refused: only a SELECT statement may run (this one starts with " +
                (first.empty() ? std::string("'") + code[0] + "'" : first) + ")";
        return false;
    }
    if (!sawSelect) {
        error = "refused: a WITH query must end in a SELECT";
        return false;
    }
    statement = text;
    return true;
}
