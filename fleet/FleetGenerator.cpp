// The sample fleet: the user-defined device types once, then each PC's rows.
#include "fleet/FleetGenerator.h"

#include "fleet/PcWriter.h"
#include "fleet/RowWriter.h"

void FleetGenerator::WriteDeviceTypes(FleetSink& sink) const {
    fleet::RowWriter row(sink);
    struct Device {
        const char* name;
        int multiple, ownBox, order;
    };
    static const Device kDevices[] = {
        {"Asset label", 0, 0, 10},    {"Docking station", 0, 0, 20},
        {"External drive", 1, 0, 30}, {"UPS", 0, 1, 40},
        {"Service note", 0, 0, 50},   {"Smart card reader", 0, 0, 60},  // defined, never used
    };
    for (int d = 0; d < 6; ++d) {
        const Device& device = kDevices[d];
        row.Begin(kFleetAdditionalHardwareDevice).Long(d + 1).Text(device.name);
        row.Long(device.multiple).Long(device.ownBox).Long(device.order).End();
    }
    struct Property {
        int device;
        const char* name;
        int doubleWidth, order;
    };
    // Asset label's Location was added later: a higher id, shown third.
    static const Property kProperties[] = {
        {1, "Asset number", 0, 1},   {1, "Cost centre", 0, 2},      {1, "Purchased", 0, 4},
        {1, "Warranty until", 0, 5}, {1, "Location", 1, 3},         {2, "Model", 0, 1},
        {2, "Serial number", 0, 2},  {2, "Firmware", 0, 3},         {3, "Drive", 0, 1},
        {3, "Capacity", 0, 2},       {3, "Encrypted", 0, 3},        {4, "Model", 0, 1},
        {4, "Rated power", 0, 2},    {4, "Battery replaced", 0, 3}, {4, "Notes", 1, 4},
        {5, "Remark", 1, 1},         {5, "Technician", 0, 2},       {5, "Date", 0, 3},
        {6, "Model", 0, 1},
    };
    int32_t id = 1;
    for (const Property& property : kProperties) {
        row.Begin(kFleetAdditionalHardwareProperty).Long(id++).Long(property.device);
        row.Text(property.name).Long(property.doubleWidth).Long(property.order).End();
    }
}

void FleetGenerator::WritePc(int32_t id, FleetSink& sink) const {
    fleet::WritePcRows(m_seed, id, sink);
}
