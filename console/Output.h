// Writing a command's result: to a file (created only once the content
// exists, so a failure never leaves an empty file) or to standard output.
#pragma once

#include <string>

// path "" or "-": standard output. Reports a failure on stderr and returns false.
bool WriteOutput(const std::string& path, const std::string& content);

// The installation's Styles folder for a component at componentPath.
std::string StylesFolderOf(const std::string& componentPath);
