// The neutral form of one inventoried PC, whatever agent or format it came
// from: who the PC is, its rows for every hardware table, and the values of
// the user-defined devices that the import owns. The readers and the mapping
// fill it; the writer stores it. Plain data: copy and move freely.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace hwimport {

// The seventeen hardware tables, in the order of schema/*.sql.
enum class HwTable {
    BIOS,
    CPU,
    DiskDrive,
    Keyboard,
    LogicalDisk,
    Monitor,
    MotherBoard,
    NetworkAdapter,
    NetworkIPAddress,
    PeripheralDevice,
    PhysicalMemory,
    PointingDevice,
    Printer,
    SoundCard,
    SystemOverview,
    SystemSlot,
    VideoAdapter,
};
constexpr size_t kHwTableCount = 17;

enum class ColumnType { Long, Double, Text };

struct ColumnInfo {
    const char* name;
    ColumnType type;
    size_t maxBytes;  // text columns: the column's width; 0 for numbers
};

// A table as the writer sees it: its name and every column after [ID], in
// schema order (the item key columns first).
struct TableInfo {
    const char* name;
    std::vector<ColumnInfo> columns;
};

const TableInfo& TableOf(HwTable table);

// One column value of a row.
struct Value {
    enum Kind { Null, Long, Double, Text };
    Value() = default;
    Value(int32_t n) : kind(Long), number(n) {}  // NOLINT: rows read as lists of values
    Value(double d) : kind(Double), real(d) {}   // NOLINT
    Value(std::string s) : kind(Text), text(std::move(s)) {}  // NOLINT
    Value(const char* s) : kind(Text), text(s) {}             // NOLINT

    Kind kind = Null;
    int32_t number = 0;
    double real = 0.0;
    std::string text;
};
using Row = std::vector<Value>;

// Who the PC is. Empty texts are stored as NULL.
struct PcIdentity {
    std::string deviceId;  // the agent's own identifier of the machine
    std::string uuid;      // hardware UUID, upper case
    std::string hostName;
    std::string serialNumber;  // the system's serial number
    std::string manufacturer;  // the system's manufacturer
    std::string assetTag;
    std::string inventoryTime;  // ISO 8601 UTC, "2017-06-09T09:00:49Z"
    std::string agent;          // the agent and its version
};

// The user-defined devices the import fills, each a device type of the
// AdditionalHardwareDevice table that the writer finds by name or creates.
enum class ImportDevice { Asset, Battery };
constexpr size_t kImportDeviceCount = 2;

struct ImportDeviceInfo {
    const char* name;
    int32_t multipleAllowed;
    int32_t ownBox;
    int32_t displayOrder;
    std::vector<const char*> properties;  // in display order
};

const ImportDeviceInfo& DeviceOf(ImportDevice device);

// One value of a user-defined device. A property that is not among the
// device's fixed ones (an agent's own account fields) is created after them.
struct AdditionalValue {
    ImportDevice device;
    std::string property;
    int32_t instance;  // IndexID: 0 for the first instance
    std::string value;
};

class Inventory {
public:
    PcIdentity identity;
    std::vector<std::string> warnings;  // numbers that did not parse, and the like

    // Appends a row. Its values must match the table's columns in number and
    // kind (a Null fits any column): a mismatch is a programming error and
    // throws std::logic_error. Texts longer than their column are cut on a
    // UTF-8 character boundary.
    void Add(HwTable table, Row row);
    const std::vector<Row>& Rows(HwTable table) const { return m_rows[static_cast<size_t>(table)]; }

    // Values longer than a user-defined value holds are cut likewise.
    void AddAdditional(ImportDevice device, std::string property, int32_t instance,
                       std::string value);
    const std::vector<AdditionalValue>& Additional() const { return m_additional; }

    // SHA-256 (hex) of everything the report shows of this PC: every row and
    // every user-defined value, not the identity. Equal digests mean an
    // import would write the same rows.
    std::string ContentDigest() const;

private:
    std::array<std::vector<Row>, kHwTableCount> m_rows;
    std::vector<AdditionalValue> m_additional;
};

// The length of the longest prefix of `text` that has at most `maxBytes`
// bytes and does not end inside a UTF-8 character.
size_t Utf8Prefix(const std::string& text, size_t maxBytes);

// The width of a user-defined value (AdditionalHardware.DataValue).
constexpr size_t kAdditionalValueBytes = 255;

}  // namespace hwimport
