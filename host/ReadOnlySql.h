// The guard in front of `hwconsole query`: only one read-only SELECT passes.
// The connection is read-only as well; this check refuses early and names
// what it found, and covers drivers that cannot enforce read-only sessions.
#pragma once

#include <string>

// True when `sql` is a single SELECT (or WITH ... SELECT) statement: comments
// and surrounding white space are dropped, one trailing ';' is allowed, and
// no data- or schema-changing keyword may appear outside string literals and
// quoted names. `statement` receives the text to run (without comments and
// the trailing ';'). Otherwise false with `error` saying why.
bool CheckReadOnlySelect(const std::string& sql, std::string& statement, std::string& error);
