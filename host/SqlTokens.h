// SQL text split into tokens the way the database reads it: string literals
// (PostgreSQL's E'...' escapes and $tag$...$tag$ bodies too), quoted names
// ("..." everywhere; [...] and `...` on SQLite), comments and the rest.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/Database.h"

struct SqlToken {
    enum Kind {
        kWord,        // a name, keyword or number, unquoted
        kQuotedName,  // "name", [name], `name`: `text` holds the name itself
        kString,      // '...', E'...', $tag$...$tag$
        kSymbol,      // one character of punctuation or an operator
        kSpace,
        kComment,
    };
    Kind kind;
    size_t begin;  // the token is sql[begin, end)
    size_t end;
    std::string text;  // kWord, kSymbol: as written; kQuotedName: unquoted
};

// Splits `sql` as `dialect` reads it. False with `error` ("refused: ...") for
// an unclosed quote or comment, and, on PostgreSQL, for the few spellings that
// its ODBC driver splits differently from the server (a backslash in a
// string glued to a name such as E'\'', a dollar quote tag other than letters
// and digits, a $1 parameter): the text that runs must read the same to both.
bool SplitSql(const std::string& sql, DbDialect dialect, std::vector<SqlToken>& tokens,
              std::string& error);
