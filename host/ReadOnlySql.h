// The first line in front of `hwconsole query`: only one SELECT passes, and it
// may call only the functions of IsQueryFunction. The database enforces the
// rest (platform/QuerySession.h); this check refuses early and says why.
#pragma once

#include <string>

#include "platform/Database.h"

// True when `sql`, read as `database`'s dialect reads it, is a single SELECT
// (or WITH ... SELECT) statement: one trailing ';' is allowed; no
// data-changing keyword, ODBC escape ({...}) or call of a function outside
// IsQueryFunction (quoted or not, never through a schema) may appear outside
// string literals and quoted names. `statement` receives the text to run on
// `database`: the same tokens as the database will see them (PostgreSQL's
// connection drops the brackets of [names] first), comments left out,
// without the trailing ';'. Otherwise false with `error` ("refused: ...").
bool CheckReadOnlySelect(const CDatabase& database, const std::string& sql, std::string& statement,
                         std::string& error);
