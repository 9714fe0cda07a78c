#include "host/ReadOnlySql.h"

#include <strings.h>

#include <vector>

#include "host/SqlTokens.h"
#include "platform/QuerySession.h"

namespace {

using Code = std::vector<const SqlToken*>;

// Words that change data, schema, session or server state, or lock rows.
const char* const kRefusedWords[] = {
    "INSERT", "UPDATE",   "DELETE",  "MERGE",    "UPSERT", "INTO",      "DROP",    "CREATE",
    "ALTER",  "TRUNCATE", "RENAME",  "GRANT",    "REVOKE", "ATTACH",    "DETACH",  "PRAGMA",
    "VACUUM", "REINDEX",  "EXEC",    "EXECUTE",  "CALL",   "DO",        "COPY",    "LOCK",
    "SHARE",  "SET",      "COMMIT",  "ROLLBACK", "BEGIN",  "SAVEPOINT", "RELEASE", "DECLARE",
    "NOTIFY", "LISTEN",   "PREPARE", "SHUTDOWN", "KILL",   "BACKUP",    "RESTORE", "DBCC",
};

// Keywords that a '(' may follow without any function being called.
const char* const kWordsBeforeParenthesis[] = {
    "AS",    "IN",        "EXISTS",       "VALUES", "OVER",   "FILTER",  "GROUP",  "ON",
    "USING", "AND",       "OR",           "NOT",    "SELECT", "FROM",    "JOIN",   "WHERE",
    "BY",    "WHEN",      "THEN",         "ELSE",   "ALL",    "ANY",     "SOME",   "DISTINCT",
    "UNION", "INTERSECT", "EXCEPT",       "LIMIT",  "OFFSET", "HAVING",  "IS",     "LIKE",
    "ILIKE", "GLOB",      "BETWEEN",      "ARRAY",  "ROW",    "LATERAL", "ESCAPE", "CASE",
    "WITH",  "RECURSIVE", "MATERIALIZED", "TO",
};

template <size_t N>
bool IsOneOf(const std::string& word, const char* const (&list)[N]) {
    for (const char* entry : list)
        if (strcasecmp(word.c_str(), entry) == 0) return true;
    return false;
}

bool IsWord(const SqlToken* token, const char* word) {
    return token->kind == SqlToken::kWord && strcasecmp(token->text.c_str(), word) == 0;
}

bool IsSymbol(const SqlToken* token, char symbol) {
    return token->kind == SqlToken::kSymbol && token->text[0] == symbol;
}

std::string Shown(const SqlToken* token) {
    return token->kind == SqlToken::kQuotedName ? "\"" + token->text + "\"" : token->text;
}

// Statement-level problems: several statements, ODBC escapes, a refused
// word, anything but SELECT, unbalanced parentheses. "" when none.
std::string ShapeProblem(const Code& code) {
    int depth = 0;
    bool select = false;
    for (const SqlToken* token : code) {
        if (IsSymbol(token, ';'))
            return "only a single statement may run (found ';' before the end)";
        if (IsSymbol(token, '{') || IsSymbol(token, '}'))
            return "ODBC escape sequences ({...}) are not accepted";
        if (token->kind == SqlToken::kWord && IsOneOf(token->text, kRefusedWords)) {
            std::string word = token->text;
            for (char& ch : word) ch = static_cast<char>(toupper(static_cast<unsigned char>(ch)));
            return "a read-only query may not use " + word;
        }
        select = select || IsWord(token, "SELECT");
        depth += IsSymbol(token, '(') - IsSymbol(token, ')');
        if (depth < 0) break;
    }
    if (!IsWord(code[0], "SELECT") && !IsWord(code[0], "WITH"))
        return "only a SELECT statement may run (this one starts with " + Shown(code[0]) + ")";
    if (!select) return "a WITH query must end in a SELECT";
    if (depth != 0) return "the query's parentheses do not match";
    return "";
}

// Why the '(' at code[i] calls a function that a query may not call; "" when
// it calls an allowed one or none at all (a parenthesised expression, a
// keyword's list, an alias's column names, a type's size).
std::string RefusedCall(const Code& code, size_t i, bool postgres) {
    const SqlToken* callee = code[i - 1];
    if (callee->kind == SqlToken::kString) return "a string cannot be called as a function";
    if (callee->kind == SqlToken::kSymbol) return "";
    if (callee->kind == SqlToken::kWord && IsOneOf(callee->text, kWordsBeforeParenthesis))
        return "";
    if (i >= 2 && IsWord(code[i - 2], "AS")) return "";
    if (postgres && i >= 3 && IsSymbol(code[i - 2], ':') && IsSymbol(code[i - 3], ':')) return "";
    if (i >= 3 && IsSymbol(code[i - 2], '.'))
        return "a function may not be called through a schema (" + Shown(code[i - 3]) + "." +
               Shown(callee) + ")";
    if (!IsQueryFunction(callee->text))
        return "the function " + Shown(callee) + " is not one that a query may call";
    return "";
}

std::string CallProblem(const Code& code, bool postgres) {
    // WITH name(columns) AS (...): before the main SELECT, a name and its
    // column list are not calls.
    bool withList = IsWord(code[0], "WITH");
    int depth = 0;
    for (size_t i = 1; i < code.size(); ++i) {
        if (IsSymbol(code[i], '(')) {
            if (!(withList && depth == 0)) {
                const std::string why = RefusedCall(code, i, postgres);
                if (!why.empty()) return why;
            }
            ++depth;
        } else if (IsSymbol(code[i], ')')) {
            --depth;
        } else if (depth == 0 && IsWord(code[i], "SELECT")) {
            withList = false;
        }
    }
    return "";
}

bool CheckStatement(const std::string& sql, DbDialect dialect, std::string& statement,
                    std::string& error) {
    std::vector<SqlToken> tokens;
    if (!SplitSql(sql, dialect, tokens, error)) return false;
    Code code;
    for (const SqlToken& token : tokens)
        if (token.kind != SqlToken::kSpace && token.kind != SqlToken::kComment)
            code.push_back(&token);
    if (!code.empty() && IsSymbol(code.back(), ';')) code.pop_back();
    std::string why = code.empty() ? "the query is empty" : ShapeProblem(code);
    if (why.empty()) why = CallProblem(code, dialect == DbDialect::PostgreSQL);
    if (!why.empty()) {
        error = "refused: " + why;
        return false;
    }
    // What runs is what was checked: the same tokens, without comments.
    statement.clear();
    for (const SqlToken& token : tokens) {
        if (token.begin < code.front()->begin) continue;
        if (token.begin >= code.back()->end) break;
        if (token.kind == SqlToken::kComment)
            statement += ' ';
        else
            statement.append(sql, token.begin, token.end - token.begin);
    }
    return true;
}

}  // namespace

bool CheckReadOnlySelect(const CDatabase& database, const std::string& sql, std::string& statement,
                         std::string& error) {
    // The connection changes the text once more on its way to the server;
    // the check must see it as it will run, and that last change must be none.
    const CString prepared = database.PrepareSQLText(sql.c_str());
    if (!CheckStatement(prepared.str(), database.GetDialect(), statement, error)) return false;
    if (database.PrepareSQLText(statement.c_str()).str() != statement) {
        error =
            "refused: square brackets may only enclose names here, not stand in strings or "
            "comments";
        return false;
    }
    return true;
}
