// Where the running program is installed: <root>/bin/<program>, with
// Components/, Styles/ and schema/ beside bin/. A build tree has the same
// shape. Every host asks here, so the tree has one answer.
#pragma once

#include <string>

// <root>/, ending in '/': the parent of the folder that holds the running
// program, from /proc/self/exe; "../" when the system cannot say.
std::string InstallationFolder();

// <root>/Styles/: the stylesheets, each report format a folder below it.
std::string InstallationStylesFolder();

// <root>/schema/: the DDL files init-db reads.
std::string InstallationSchemaFolder();
