// The index a batch writes beside its report files: one page per sort
// column, each a plain HTML table (name, model, operating system, last
// inventory) whose headings link to the others, so it sorts without script.
#pragma once

#include <string>
#include <vector>

#include "host/FleetList.h"

struct BatchIndexPage {
    std::string folder;     // ends in '/'
    std::string extension;  // of the report files: "html", "txt", "xml"
    std::string company;    // shown in the heading when not empty
};

// Writes index.html (by name) and index-model.html, index-os.html and
// index-inventory.html (newest first) into page.folder, each listing every
// row with a link to its pc-ID file. Each file is written whole or not at
// all. False with `error` set.
bool WriteBatchIndex(const BatchIndexPage& page, const std::vector<FleetRow>& rows,
                     std::string& error);
