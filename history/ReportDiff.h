// The structural difference of two report documents: each section's rows
// matched by what identifies them (a memory slot by its locator, a disk by
// name and drive, an adapter by its MAC address, a logical disk by its drive
// or mount point, ...), giving the rows added, removed and changed with the
// old and new value of every changed field. The text of the documents plays
// no part: line ends, declarations and empty-element forms are all alike.
#pragma once

#include <string>
#include <vector>

namespace hwhistory {

struct ReportField {
    std::string name;
    std::string value;
};

// One row of a report: an element of a section (a MemorySlot, a HardDisk), a
// section that is one row itself (SystemOverview), or one instance of a
// user-defined device in the Additional boxes.
struct ReportRow {
    std::string section;  // the section's element: "MotherBoard_Slots"
    std::string item;     // the row's element: "MemorySlot"; a device: "Additional"
    std::string key;      // what identifies it among the section's rows of its item
    std::vector<ReportField> fields;  // in document order; nested lists as one value
};

// A report document's rows, in document order.
struct ReportModel {
    std::vector<ReportRow> rows;
};

// Reads a report document (the component's, in any encoding declaration it
// is stored with). Throws std::runtime_error when it is not well formed or
// has no HARDWARE root.
ReportModel ReadReport(const std::string& document);

// Values that change all the time: free space and free per cent of a logical
// disk, the logged-on user.
bool IsVolatile(const std::string& item, const std::string& field);

// SHA-256 (hex) of a document as the component writes it, less the text of
// its volatile values: equal for two documents that differ at most in those.
// Reads the text once, without parsing it.
std::string ReportDigest(const std::string& document);

struct FieldChange {
    std::string name;
    std::string oldValue;  // "" for an added row
    std::string newValue;  // "" for a removed row
};

struct RowChange {
    enum Kind { kAdded, kRemoved, kChanged } kind = kChanged;
    std::string section, item, key;
    std::vector<FieldChange> fields;  // added/removed: its values but the empty; changed: the changed ones
};

// "added", "removed", "changed".
const char* KindName(RowChange::Kind kind);

// What changed from `before` to `after`, section by section in report order;
// within a section the rows of `before` (removed, changed) in their order,
// then the added ones. Volatile values count only with `includeVolatile`.
std::vector<RowChange> DiffReports(const ReportModel& before, const ReportModel& after,
                                   bool includeVolatile);

}  // namespace hwhistory
