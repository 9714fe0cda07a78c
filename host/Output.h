// Writing a command's result: to a file (created only once the content
// exists, so a failure never leaves an empty file) or to standard output.
#pragma once

#include <string>

// path "" or "-": standard output. Reports a failure on stderr and returns false.
bool WriteOutput(const std::string& path, const std::string& content);

// Writes `content` to a new file of a unique name beside `path`, flushes it to
// disk and renames it into place, so a reader never sees half a file and
// writers of the same path (threads or processes) each leave a whole one. A
// file it replaces keeps its mode; a link at `path` is replaced, never
// written through. False with `error` ("cannot write PATH: reason") set,
// leaving nothing behind. Every command that writes a file goes through here.
bool WriteFileAtomically(const std::string& path, const std::string& content, std::string& error);

// Creates `folder` and any missing parents. False with `error` set.
bool MakeFolders(const std::string& folder, std::string& error);

// The installation's Styles folder for a component at componentPath.
std::string StylesFolderOf(const std::string& componentPath);

// The local date and time as a page says when it was made: "2024-05-01 14:30".
std::string LocalTimeStamp();
