// Inventories on disk: what a PATH on a command line names.
#pragma once

#include <string>
#include <vector>

#include "import/ImportRun.h"

namespace hwimport {

// The sources that `paths` name, in order: a file; a folder, every regular
// file in it by name; "-", standard input. A path that cannot be read
// becomes a source that fails with the reason. A file larger than
// `maxBytes` is refused before it is read.
std::vector<InventorySource> SourcesFromPaths(const std::vector<std::string>& paths,
                                              size_t maxBytes = kDefaultMaxInventoryBytes);

}  // namespace hwimport
