// SQL scripts: the schema files and the tests' data files, run statement by
// statement through ODBC, which takes one statement at a time.
#pragma once

#include <string>
#include <vector>

// The statements of a script. A statement ends with ";" at the end of a line
// (trailing blanks allowed) or with a line holding only GO, SQL Server's
// batch separator; lines whose first non-blank characters are "--" are
// comments. Blank statements are dropped. A ";" inside a line, or at a line
// end inside a string literal, is not seen: scripts keep one to a line end.
std::vector<std::string> SplitSqlScript(const std::string& script);

// Reads the script file at `path` and splits it. False when the file cannot
// be read; an empty `statements` means the file holds none.
bool ReadSqlScript(const std::string& path, std::vector<std::string>& statements);
