#include "import/Inventory.h"

#include <nettle/sha2.h>

#include <cstring>
#include <stdexcept>

namespace hwimport {

namespace {

constexpr ColumnType L = ColumnType::Long;
constexpr ColumnType D = ColumnType::Double;
constexpr ColumnType T = ColumnType::Text;

const TableInfo kTables[kHwTableCount] = {
    {"BIOS",
     {{"BIOSID", L, 0},
      {"Version", T, 255},
      {"InstallDate", T, 255},
      {"AssetTag", T, 255},
      {"Manufacturer", T, 255},
      {"SystemMod", T, 255},
      {"SystemMan", T, 255},
      {"SerialNumber", T, 255}}},
    {"CPU", {{"CPUID", L, 0}, {"Speed", L, 0}, {"Manufacturer", T, 255}, {"Name", T, 255}}},
    {"DiskDrive",
     {{"DeviceTypeID", L, 0},
      {"DiskDriveID", L, 0},
      {"Name", T, 255},
      {"Drive", T, 255},
      {"Capacity", D, 0}}},
    {"Keyboard", {{"KeyboardID", L, 0}, {"Name", T, 255}}},
    {"LogicalDisk",
     {{"LogicalDiskID", L, 0},
      {"DeviceTypeID", L, 0},
      {"DiskDriveID", L, 0},
      {"Name", T, 255},
      {"Capacity", D, 0},
      {"FreeSpace", D, 0},
      {"FileSystem", T, 255}}},
    {"Monitor",
     {{"MonitorID", L, 0}, {"Resolution", T, 255}, {"RefreshRate", L, 0}, {"Name", T, 255}}},
    {"MotherBoard",
     {{"MotherBoardID", L, 0}, {"Name", T, 255}, {"Version", T, 255}, {"Product", T, 255}}},
    {"NetworkAdapter",
     {{"NetworkAdapterID", L, 0},
      {"Name", T, 255},
      {"MacAddress", T, 255},
      {"IPAddress", T, 24},
      {"DefaultIPGateway", T, 255},
      {"DNSServer", T, 255},
      {"AdapterType", T, 128},
      {"IPSubnet", T, 128},
      {"WINSPrimaryServer", T, 128},
      {"DHCPServer", T, 128}}},
    {"NetworkIPAddress",
     {{"NetworkAdapterID", L, 0}, {"IndexID", L, 0}, {"IPAddress", T, 255}, {"IPSubnet", T, 255}}},
    {"PeripheralDevice", {{"DeviceTypeID", L, 0}, {"DeviceID", L, 0}, {"Name", T, 255}}},
    {"PhysicalMemory", {{"PhysicalmemoryID", L, 0}, {"DeviceLocator", T, 255}, {"Capacity", L, 0}}},
    {"PointingDevice", {{"PointingDeviceID", L, 0}, {"Name", T, 255}}},
    {"Printer", {{"PrinterID", L, 0}, {"Name", T, 255}, {"PortName", T, 255}, {"State", L, 0}}},
    {"SoundCard", {{"SoundCardID", L, 0}, {"Name", T, 255}}},
    {"SystemOverview",
     {{"OSID", L, 0},
      {"Name", T, 255},
      {"OSName", T, 255},
      {"Version", T, 255},
      {"UserName", T, 255},
      {"Memory", L, 0},
      {"ServicePack", T, 255},
      {"SerialNumber", T, 255},
      {"TimeZone", T, 255},
      {"Organisation", T, 255},
      {"LoggedOnUser", T, 255},
      {"WorkGroup", T, 255},
      {"SystemLanguage", T, 255},
      {"DirectXVersion", T, 255},
      {"SystemEnclosure", T, 255}}},
    {"SystemSlot", {{"SystemSlotID", L, 0}, {"Name", T, 255}, {"InUse", T, 255}}},
    {"VideoAdapter",
     {{"VideoAdapterID", L, 0}, {"Name", T, 255}, {"RAM", L, 0}, {"DACType", T, 255}}},
};

// Display orders far after any device a user defines by hand, so that the
// imported boxes come last in the report's Additional section.
const ImportDeviceInfo kDevices[kImportDeviceCount] = {
    {"Asset data (agent)",
     0,
     1,
     9000,
     {"Asset tag", "UUID", "SKU number", "Motherboard serial", "Enclosure serial", "BIOS serial",
      "Virtualisation", "Architecture", "OS installed"}},
    {"Battery (agent)",
     1,
     1,
     9001,
     {"Battery", "Manufacturer", "Serial number", "Chemistry", "Design capacity",
      "Full charge capacity", "Voltage", "Manufactured"}},
};

bool Fits(Value::Kind kind, ColumnType type) {
    switch (kind) {
        case Value::Null:
            return true;
        case Value::Long:
            return type == ColumnType::Long;
        case Value::Double:
            return type == ColumnType::Double;
        case Value::Text:
            return type == ColumnType::Text;
    }
    return false;
}

// Feeds the digest a length-prefixed field, so that no two different
// sequences of values give the same bytes.
void Feed(sha256_ctx& ctx, char tag, const void* data, size_t size) {
    const uint64_t length = size;
    sha256_update(&ctx, 1, reinterpret_cast<const uint8_t*>(&tag));
    sha256_update(&ctx, sizeof length, reinterpret_cast<const uint8_t*>(&length));
    sha256_update(&ctx, size, static_cast<const uint8_t*>(data));
}

}  // namespace

const TableInfo& TableOf(HwTable table) {
    return kTables[static_cast<size_t>(table)];
}

const ImportDeviceInfo& DeviceOf(ImportDevice device) {
    return kDevices[static_cast<size_t>(device)];
}

size_t Utf8Prefix(const std::string& text, size_t maxBytes) {
    if (text.size() <= maxBytes) return text.size();
    size_t end = maxBytes;
    // Step back over continuation bytes to the start of the cut character.
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return end;
}

void Inventory::Add(HwTable table, Row row) {
    const TableInfo& info = TableOf(table);
    if (row.size() != info.columns.size())
        throw std::logic_error(std::string("a row of ") + info.name + " needs " +
                               std::to_string(info.columns.size()) + " values, not " +
                               std::to_string(row.size()));
    for (size_t i = 0; i < row.size(); ++i) {
        const ColumnInfo& column = info.columns[i];
        if (!Fits(row[i].kind, column.type))
            throw std::logic_error(std::string("wrong kind of value for ") + info.name + "." +
                                   column.name);
        if (row[i].kind == Value::Text)
            row[i].text.resize(Utf8Prefix(row[i].text, column.maxBytes));
    }
    m_rows[static_cast<size_t>(table)].push_back(std::move(row));
}

void Inventory::AddAdditional(ImportDevice device, std::string property, int32_t instance,
                              std::string value) {
    value.resize(Utf8Prefix(value, kAdditionalValueBytes));
    property.resize(Utf8Prefix(property, kAdditionalValueBytes));
    m_additional.push_back({device, std::move(property), instance, std::move(value)});
}

std::string Inventory::ContentDigest() const {
    sha256_ctx ctx;
    sha256_init(&ctx);
    for (size_t t = 0; t < kHwTableCount; ++t) {
        const uint64_t count = m_rows[t].size();
        Feed(ctx, 'T', &count, sizeof count);
        for (const Row& row : m_rows[t]) {
            for (const Value& value : row) {
                switch (value.kind) {
                    case Value::Null:
                        Feed(ctx, 'N', nullptr, 0);
                        break;
                    case Value::Long:
                        Feed(ctx, 'L', &value.number, sizeof value.number);
                        break;
                    case Value::Double:
                        Feed(ctx, 'D', &value.real, sizeof value.real);
                        break;
                    case Value::Text:
                        Feed(ctx, 'S', value.text.data(), value.text.size());
                        break;
                }
            }
        }
    }
    for (const AdditionalValue& value : m_additional) {
        const int32_t keys[2] = {static_cast<int32_t>(value.device), value.instance};
        Feed(ctx, 'A', keys, sizeof keys);
        Feed(ctx, 'P', value.property.data(), value.property.size());
        Feed(ctx, 'V', value.value.data(), value.value.size());
    }
    uint8_t digest[SHA256_DIGEST_SIZE];
    sha256_digest(&ctx, sizeof digest, digest);
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

}  // namespace hwimport
