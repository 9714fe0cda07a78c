// The sample fleet: the hardware rows an inventory scan would have recorded
// for a made-up office of desktops, laptops and servers, plus a few
// user-defined device types. The same seed always gives the same rows, in the
// same order, whatever the C++ library: all randomness comes from our own
// generator, and PC n's rows depend only on the seed and n.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum class FleetType { Long, Double, Text };

struct FleetColumn {
    const char* name;
    FleetType type;
};

// One table the fleet fills: its name (as in the schema files) and the
// columns the generator writes, in value order.
struct FleetTableInfo {
    const char* name;
    std::vector<FleetColumn> columns;
};

enum FleetTable {
    kFleetBIOS,
    kFleetCPU,
    kFleetDiskDrive,
    kFleetKeyboard,
    kFleetLogicalDisk,
    kFleetMonitor,
    kFleetMotherBoard,
    kFleetNetworkAdapter,
    kFleetNetworkIPAddress,
    kFleetPeripheralDevice,
    kFleetPhysicalMemory,
    kFleetPointingDevice,
    kFleetPrinter,
    kFleetSoundCard,
    kFleetSystemOverview,
    kFleetSystemSlot,
    kFleetVideoAdapter,
    kFleetAdditionalHardwareDevice,
    kFleetAdditionalHardwareProperty,
    kFleetAdditionalHardware,
    kFleetTableCount
};

// Indexed by FleetTable.
const std::vector<FleetTableInfo>& FleetTables();

// One value of a generated row; `kind` says which member holds it.
struct FleetValue {
    enum Kind { Null, Long, Double, Text };
    Kind kind = Null;
    int32_t number = 0;
    double real = 0.0;
    std::string text;
};

// Receives the rows. Values come in the table's column order; the array is
// only valid during the call.
class FleetSink {
public:
    virtual ~FleetSink() = default;
    virtual void AddRow(FleetTable table, const FleetValue* values, size_t count) = 0;
};

class FleetGenerator {
public:
    explicit FleetGenerator(uint64_t seed) : m_seed(seed) {}

    // The user-defined device types and their properties (written once,
    // before the PCs whose values refer to them).
    void WriteDeviceTypes(FleetSink& sink) const;

    // Every row of PC `id` (1, 2, ...), table by table, each table's rows in
    // key order.
    void WritePc(int32_t id, FleetSink& sink) const;

private:
    uint64_t m_seed;
};
