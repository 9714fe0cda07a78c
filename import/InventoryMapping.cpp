#include "import/InventoryMapping.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <initializer_list>
#include <map>

#include "db/DeviceTypes.h"
#include "import/Placeholders.h"
#include "text/XmlText.h"

namespace hwimport {

namespace {

struct Unit {
    const char* suffix;  // compared without case
    double factor;       // to the field's base unit
};

// Sizes in MB (2^20 bytes), as the report's "MB" values and the agents' memory.
const std::initializer_list<Unit> kMegabytes = {
    {"", 1},
    {"MB", 1},
    {"MiB", 1},
    {"M", 1},
    {"GB", 1024},
    {"GiB", 1024},
    {"G", 1024},
    {"TB", 1024 * 1024},
    {"KB", 1.0 / 1024},
    {"KiB", 1.0 / 1024},
    {"bytes", 1.0 / (1 << 20)},
    {"B", 1.0 / (1 << 20)},
};
const std::initializer_list<Unit> kMegahertz = {{"", 1}, {"MHz", 1}, {"GHz", 1000}};
const std::initializer_list<Unit> kPlain = {{"", 1}};

// Returns the number in `text` in the base unit, or false when `text` is
// not a number followed by one of `units`.
bool ParseNumber(const std::string& text, std::initializer_list<Unit> units, double& value) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+') ++begin;
    double number = 0;
    const std::from_chars_result parsed = std::from_chars(begin, end, number);
    if (parsed.ec == std::errc::result_out_of_range) {
        value = HUGE_VAL;
        return true;
    }
    if (parsed.ec != std::errc() || parsed.ptr == begin) return false;
    std::string unit(parsed.ptr, end);
    const size_t first = unit.find_first_not_of(' ');
    unit = first == std::string::npos ? "" : unit.substr(first);
    for (const Unit& u : units) {
        if (strcasecmp(unit.c_str(), u.suffix) == 0) {
            value = number * u.factor;
            return true;
        }
    }
    return false;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

bool ContainsNoCase(const std::string& text, const char* word) {
    return Lower(text).find(word) != std::string::npos;
}

// "MM/DD/YYYY" (or "DD/MM/YYYY" with dayFirst) and "YYYY-MM-DD..." become
// "YYYY-MM-DD"; anything else is kept as it is.
std::string IsoDate(const std::string& text, bool dayFirst) {
    int a = 0, b = 0, year = 0;
    char tail = 0;
    if (sscanf(text.c_str(), "%2d/%2d/%4d%c", &a, &b, &year, &tail) == 3 && year >= 1900) {
        const int month = dayFirst ? b : a;
        const int day = dayFirst ? a : b;
        if (month >= 1 && month <= 12 && day >= 1 && day <= 31) {
            char iso[32];
            snprintf(iso, sizeof iso, "%04d-%02d-%02d", year, month, day);
            return iso;
        }
    }
    return text;
}

// The first of the named fields that is not empty.
const std::string& FirstOf(const AgentItem& item, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const std::string& value = item.Get(name);
        if (!value.empty()) return value;
    }
    return item.Get("");  // absent: ""
}

// The escaped form of a value that the report writes without escaping,
// cut to `maxBytes` without splitting a character or an entity.
std::string EscapedForRawColumn(const std::string& value, size_t maxBytes) {
    CString escaped;
    AppendEscapedText(escaped, value.c_str());
    std::string text = escaped.str();
    size_t cut = Utf8Prefix(text, maxBytes);
    const size_t amp = text.rfind('&', cut == 0 ? 0 : cut - 1);
    if (cut < text.size() && amp != std::string::npos && text.find(';', amp) >= cut) cut = amp;
    text.resize(cut);
    return text;
}

class Mapper {
public:
    Mapper(const AgentInventory& agent, const MappingContext& context, Inventory& out)
        : m_agent(agent), m_context(context), m_out(out) {}

    void Run() {
        for (const std::string& warning : m_agent.warnings) Warn(warning);
        Identity();
        SystemOverview();
        Bios();
        Cpus();
        Memories();
        Slots();
        Networks();
        Videos();
        Monitors();
        Storages();
        Drives();
        Printers();
        Sounds();
        Inputs();
        Peripherals();
        AssetData();
        Batteries();
        if (m_suppressed > 0)
            m_out.warnings.push_back("... and " + std::to_string(m_suppressed) +
                                     " more warnings like these");
    }

private:
    static constexpr size_t kMaxWarnings = 20;

    void Warn(const std::string& text) {
        if (m_out.warnings.size() < kMaxWarnings)
            m_out.warnings.push_back(text);
        else
            ++m_suppressed;
    }

    // A count or size of the report's 32-bit columns: not a number, negative
    // or beyond the column's range gives 0 and a warning.
    int32_t Long(const AgentItem& item, const char* section, const char* field,
                 std::initializer_list<Unit> units = kPlain) {
        return LongOf(item.Get(field), std::string(section) + "/" + field, units);
    }

    int32_t LongOf(const std::string& text, const std::string& where,
                   std::initializer_list<Unit> units = kPlain) {
        if (text.empty()) return 0;
        double value = 0;
        if (!ParseNumber(text, units, value)) {
            Warn(where + " \"" + text + "\" is not a number: 0 stored");
            return 0;
        }
        if (value < 0) {
            Warn(where + " " + text + " is negative: 0 stored");
            return 0;
        }
        if (!(value <= INT32_MAX)) {
            Warn(where + " " + text + " is out of range: 0 stored");
            return 0;
        }
        return static_cast<int32_t>(value);
    }

    // A size in GB (2^30 bytes) from a field in `bytesPerUnit` units.
    double Gigabytes(const AgentItem& item, const char* section, const char* field,
                     double bytesPerUnit) {
        const std::string& text = item.Get(field);
        if (text.empty()) return 0.0;
        double value = 0;
        const std::string where = std::string(section) + "/" + field;
        if (!ParseNumber(text, kPlain, value)) {
            Warn(where + " \"" + text + "\" is not a number: 0 stored");
            return 0.0;
        }
        if (value < 0 || !std::isfinite(value) || value > 1e18) {
            Warn(where + " " + text + (value < 0 ? " is negative" : " is out of range") +
                 ": 0 stored");
            return 0.0;
        }
        return value * bytesPerUnit / (1024.0 * 1024.0 * 1024.0);
    }

    const AgentItem& Hardware() const { return m_agent.Single("HARDWARE"); }
    const AgentItem& Os() const { return m_agent.Single("OPERATINGSYSTEM"); }
    const AgentItem& BiosItem() const { return m_agent.Single("BIOS"); }

    std::string AccountTag() const {
        for (const AgentItem& info : m_agent.Section("ACCOUNTINFO"))
            if (info.Get("KEYNAME") == "TAG" && !info.Get("KEYVALUE").empty())
                return info.Get("KEYVALUE");
        return m_agent.tag;
    }

    void Identity() {
        PcIdentity& id = m_out.identity;
        id.deviceId = m_agent.deviceId;
        id.hostName = Hardware().Get("NAME");
        if (id.hostName.empty())
            id.hostName = Os().Get("FQDN").substr(0, Os().Get("FQDN").find('.'));
        id.uuid = NormaliseUuid(Hardware().Get("UUID"));
        id.serialNumber = BiosItem().Get("SSN");
        id.manufacturer = BiosItem().Get("SMANUFACTURER");
        id.assetTag = AccountTag();
        if (id.assetTag.empty() && !IsPlaceholderSerial(BiosItem().Get("ASSETTAG")))
            id.assetTag = BiosItem().Get("ASSETTAG");
        const std::string& logDate = m_agent.Single("ACCESSLOG").Get("LOGDATE");
        id.inventoryTime = ToUtcTimestamp(logDate, Os().Get("TIMEZONE/OFFSET"));
        if (id.inventoryTime.empty()) {
            if (!logDate.empty())
                Warn("ACCESSLOG/LOGDATE \"" + logDate +
                     "\" is not a date and time: the import time is recorded instead");
            id.inventoryTime = m_context.importTime;
        }
        id.agent = m_agent.Single("VERSIONCLIENT").Get("");
        if (id.agent.empty()) {
            const AgentItem& provider = m_agent.Single("VERSIONPROVIDER");
            id.agent = provider.Get("NAME");
            if (!provider.Get("VERSION").empty())
                id.agent += (id.agent.empty() ? "" : " ") + provider.Get("VERSION");
        }
        if (id.agent.empty()) id.agent = m_context.agent;
    }

    void SystemOverview() {
        const AgentItem& hw = Hardware();
        const AgentItem& os = Os();
        const std::string osName =
            FirstOf(os, {"FULL_NAME"}).empty() ? hw.Get("OSNAME") : os.Get("FULL_NAME");
        std::string servicePack = os.Get("SERVICE_PACK");
        // OSCOMMENTS is the service pack on Windows (and a kernel build date elsewhere).
        if (servicePack.empty() && ContainsNoCase(osName, "windows"))
            servicePack = hw.Get("OSCOMMENTS");
        std::string timeZone = os.Get("TIMEZONE/NAME");
        const std::string& offset = os.Get("TIMEZONE/OFFSET");
        if (!offset.empty() && offset != timeZone)
            timeZone += (timeZone.empty() ? "" : " ") + offset;
        m_out.Add(HwTable::SystemOverview,
                  {0, hw.Get("NAME").empty() ? m_out.identity.hostName : hw.Get("NAME"), osName,
                   FirstOf(os, {"VERSION"}).empty() ? hw.Get("OSVERSION") : os.Get("VERSION"),
                   hw.Get("WINOWNER"), Long(hw, "HARDWARE", "MEMORY", kMegabytes), servicePack,
                   hw.Get("WINPRODID"), timeZone, hw.Get("WINCOMPANY"), hw.Get("LASTLOGGEDUSER"),
                   FirstOf(hw, {"WORKGROUP"}).empty() ? os.Get("DNS_DOMAIN") : hw.Get("WORKGROUP"),
                   hw.Get("WINLANG"), "",
                   FirstOf(hw, {"CHASSIS_TYPE"}).empty() ? BiosItem().Get("TYPE")
                                                         : hw.Get("CHASSIS_TYPE")});
    }

    void Bios() {
        const AgentItem& b = BiosItem();
        m_out.Add(HwTable::BIOS,
                  {0, b.Get("BVERSION"), IsoDate(b.Get("BDATE"), false), b.Get("ASSETTAG"),
                   b.Get("BMANUFACTURER"), b.Get("SMODEL"), b.Get("SMANUFACTURER"), b.Get("SSN")});
        if (!b.Get("MMANUFACTURER").empty() || !b.Get("MMODEL").empty())
            m_out.Add(HwTable::MotherBoard, {0, b.Get("MMANUFACTURER"), "", b.Get("MMODEL")});
    }

    void Cpus() {
        int32_t id = 0;
        for (const AgentItem& cpu : m_agent.Section("CPUS")) {
            // The older agents name the processor in TYPE.
            m_out.Add(HwTable::CPU, {id++, Long(cpu, "CPUS", "SPEED", kMegahertz),
                                     cpu.Get("MANUFACTURER"), FirstOf(cpu, {"NAME", "TYPE"})});
        }
        const AgentItem& hw = Hardware();
        if (id > 0 || hw.Get("PROCESSORT").empty()) return;
        // No CPUS section: the summary the HARDWARE section keeps.
        const int32_t count =
            std::min<int32_t>(std::max(1, Long(hw, "HARDWARE", "PROCESSORN")), 256);
        const int32_t speed = Long(hw, "HARDWARE", "PROCESSORS", kMegahertz);
        for (; id < count; ++id) m_out.Add(HwTable::CPU, {id, speed, "", hw.Get("PROCESSORT")});
    }

    void Memories() {
        int32_t id = 0;
        for (const AgentItem& memory : m_agent.Section("MEMORIES")) {
            // An empty slot is listed with no capacity, "No" or "empty": it
            // keeps its row with 0 MB, as the report shows free slots.
            const std::string& capacity = memory.Get("CAPACITY");
            const bool empty = capacity.empty() || !strcasecmp(capacity.c_str(), "No") ||
                               ContainsNoCase(capacity, "empty") ||
                               ContainsNoCase(memory.Get("DESCRIPTION"), "empty");
            std::string locator = FirstOf(memory, {"CAPTION", "DESCRIPTION"});
            if (locator.empty() && !memory.Get("NUMSLOTS").empty())
                locator = "Slot " + memory.Get("NUMSLOTS");
            m_out.Add(
                HwTable::PhysicalMemory,
                {id++, locator, empty ? 0 : Long(memory, "MEMORIES", "CAPACITY", kMegabytes)});
        }
    }

    void Slots() {
        int32_t id = 0;
        for (const AgentItem& slot : m_agent.Section("SLOTS")) {
            std::string status = slot.Get("STATUS");
            if (!strcasecmp(status.c_str(), "used")) status = "In Use";
            if (!strcasecmp(status.c_str(), "free")) status = "Available";
            // The report writes InUse without escaping: it is stored escaped.
            m_out.Add(
                HwTable::SystemSlot,
                {id++, FirstOf(slot, {"NAME", "DESIGNATION", "DESCRIPTION"}),
                 EscapedForRawColumn(status, TableOf(HwTable::SystemSlot).columns[2].maxBytes)});
        }
    }

    void Networks() {
        struct Adapter {
            std::string name, mac, type, gateway, dhcp;
            std::vector<std::pair<std::string, std::string>> addresses;  // address, mask
        };
        std::vector<Adapter> adapters;
        for (const AgentItem& net : m_agent.Section("NETWORKS")) {
            // Loopback and placeholder MAC addresses are not adapters. VIRTUALDEV
            // is no guide: the macOS agent sets it on every interface.
            const std::string& name = net.Get("DESCRIPTION");
            if (!strcasecmp(net.Get("TYPE").c_str(), "loopback") || name == "lo" ||
                IsPlaceholderMac(net.Get("MACADDR")))
                continue;
            const std::string mac = NormaliseMac(net.Get("MACADDR"));
            // An agent lists an adapter once per address.
            auto it = std::find_if(adapters.begin(), adapters.end(), [&](const Adapter& a) {
                return a.name == name && a.mac == mac;
            });
            if (it == adapters.end()) {
                adapters.push_back({name, mac, net.Get("TYPE"), "", "", {}});
                it = adapters.end() - 1;
            }
            if (it->gateway.empty()) it->gateway = net.Get("IPGATEWAY");
            if (it->dhcp.empty()) it->dhcp = net.Get("IPDHCP");
            const std::pair<std::string, std::string> v4{net.Get("IPADDRESS"), net.Get("IPMASK")};
            const std::pair<std::string, std::string> v6{net.Get("IPADDRESS6"), net.Get("IPMASK6")};
            for (const auto& address : {v4, v6})
                if (!address.first.empty() && std::find(it->addresses.begin(), it->addresses.end(),
                                                        address) == it->addresses.end())
                    it->addresses.push_back(address);
        }
        std::string dns = Hardware().Get("DNS");
        std::replace(dns.begin(), dns.end(), '/', ',');
        const size_t ipWidth = TableOf(HwTable::NetworkAdapter).columns[3].maxBytes;
        int32_t id = 0;
        for (const Adapter& a : adapters) {
            // One address that fits goes into the adapter row; several (or an
            // IPv6 one) go to the address list, which the report reads when
            // the row's own address is empty.
            const bool single = a.addresses.size() == 1 && a.addresses[0].first.size() <= ipWidth;
            m_out.Add(HwTable::NetworkAdapter,
                      {id, a.name, a.mac, single ? a.addresses[0].first : "", a.gateway,
                       a.addresses.empty() ? "" : dns, a.type, single ? a.addresses[0].second : "",
                       "", a.dhcp});
            if (!single) {
                int32_t index = 0;
                for (const auto& address : a.addresses)
                    m_out.Add(HwTable::NetworkIPAddress,
                              {id, index++, address.first, address.second});
            }
            ++id;
        }
    }

    void Videos() {
        int32_t id = 0;
        for (const AgentItem& video : m_agent.Section("VIDEOS"))
            m_out.Add(HwTable::VideoAdapter,
                      {id++, FirstOf(video, {"NAME", "CHIPSET"}),
                       Long(video, "VIDEOS", "MEMORY", kMegabytes), video.Get("CHIPSET")});
    }

    void Monitors() {
        const std::vector<AgentItem>& monitors = m_agent.Section("MONITORS");
        const std::vector<AgentItem>& videos = m_agent.Section("VIDEOS");
        // The agents give the resolution per video adapter; with one adapter
        // and one monitor it is that monitor's.
        const std::string resolution =
            monitors.size() == 1 && videos.size() == 1 ? videos[0].Get("RESOLUTION") : "";
        int32_t id = 0;
        for (const AgentItem& monitor : monitors)
            m_out.Add(HwTable::Monitor,
                      {id++, resolution, 0, FirstOf(monitor, {"NAME", "CAPTION", "MANUFACTURER"})});
    }

    static int32_t StorageType(const AgentItem& storage) {
        const std::string kind = Lower(storage.Get("TYPE") + " " + storage.Get("DESCRIPTION") +
                                       " " + storage.Get("NAME") + " " + storage.Get("MODEL"));
        if (kind.find("floppy") != std::string::npos) return DeviceType::kFloppy;
        for (const char* word : {"cd", "dvd", "optical", "blu-ray", "bd-r"})
            if (kind.find(word) != std::string::npos) return DeviceType::kCDROM;
        return DeviceType::kHardDisk;
    }

    void Storages() {
        int32_t next[3] = {0, 0, 0};
        for (const AgentItem& storage : m_agent.Section("STORAGES")) {
            const std::string& name = storage.Get("NAME");
            // RAM and loop devices are not drives.
            if (name.compare(0, 4, "zram") == 0 || name.compare(0, 4, "loop") == 0 ||
                (name.compare(0, 3, "ram") == 0 && name.size() > 3 && isdigit(name[3])))
                continue;
            const int32_t type = StorageType(storage);
            const std::string& model = storage.Get("MODEL");
            // DISKSIZE is in MB of 10^6 bytes.
            m_out.Add(HwTable::DiskDrive,
                      {type, next[type]++,
                       model.empty() ? FirstOf(storage, {"NAME", "DESCRIPTION"}) : model,
                       model.empty() ? "" : name, Gigabytes(storage, "STORAGES", "DISKSIZE", 1e6)});
        }
    }

    void Drives() {
        int32_t id = 0;
        for (const AgentItem& drive : m_agent.Section("DRIVES")) {
            const std::string& letter = drive.Get("LETTER");
            const std::string& mount = drive.Get("TYPE");
            std::string name;
            if (letter.size() >= 2 && letter[1] == ':' &&
                isalpha(static_cast<unsigned char>(letter[0])))
                name = letter.substr(0, 2);
            else if (!mount.empty() && mount[0] == '/')
                name = mount;
            else
                name = FirstOf(drive, {"LETTER", "VOLUMN", "LABEL"});
            const std::string fs = drive.Get("FILESYSTEM");
            const bool cd = ContainsNoCase(mount, "cd") || !strcasecmp(fs.c_str(), "CDFS") ||
                            !strcasecmp(fs.c_str(), "iso9660") || !strcasecmp(fs.c_str(), "udf");
            // TOTAL and FREE are in MB of 2^20 bytes.
            m_out.Add(HwTable::LogicalDisk, {id++, cd ? DeviceType::kCDROM : DeviceType::kHardDisk,
                                             0, name, Gigabytes(drive, "DRIVES", "TOTAL", 1 << 20),
                                             Gigabytes(drive, "DRIVES", "FREE", 1 << 20), fs});
        }
    }

    void Printers() {
        int32_t id = 0;
        for (const AgentItem& printer : m_agent.Section("PRINTERS")) {
            // State is a flag in the report: set for a printer that needs attention.
            const std::string status = Lower(printer.Get("STATUS"));
            const bool attention = !printer.Get("ERRSTATUS").empty() ||
                                   status.find("error") != std::string::npos ||
                                   status.find("offline") != std::string::npos ||
                                   status.find("paused") != std::string::npos ||
                                   status.find("stopped") != std::string::npos;
            m_out.Add(HwTable::Printer, {id++, FirstOf(printer, {"NAME", "DESCRIPTION"}),
                                         printer.Get("PORT"), attention ? 1 : 0});
        }
    }

    void Sounds() {
        int32_t id = 0;
        for (const AgentItem& sound : m_agent.Section("SOUNDS")) {
            // Without a caption (lspci's form) NAME is the device class and
            // MANUFACTURER holds maker and device.
            std::string name = sound.Get("CAPTION");
            if (name.empty()) {
                name = sound.Get("NAME");
                const std::string& maker = sound.Get("MANUFACTURER");
                if (!maker.empty() && name.find(maker) == std::string::npos)
                    name = maker + (name.empty() ? "" : " " + name);
            }
            m_out.Add(HwTable::SoundCard, {id++, name});
        }
    }

    void Inputs() {
        int32_t keyboards = 0, pointers = 0;
        for (const AgentItem& input : m_agent.Section("INPUTS")) {
            const std::string name = FirstOf(input, {"CAPTION", "NAME", "DESCRIPTION"});
            const std::string type = Lower(input.Get("TYPE"));
            const std::string lowerName = Lower(name);
            const bool pointing = type.find("point") != std::string::npos ||
                                  type.find("mouse") != std::string::npos ||
                                  input.Has("POINTINGTYPE") ||
                                  (type.find("keyboard") == std::string::npos &&
                                   (lowerName.find("mouse") != std::string::npos ||
                                    lowerName.find("touchpad") != std::string::npos ||
                                    lowerName.find("trackpad") != std::string::npos ||
                                    lowerName.find("trackpoint") != std::string::npos));
            const bool keyboard =
                !pointing && (type.find("keyboard") != std::string::npos || input.Has("LAYOUT") ||
                              lowerName.find("keyboard") != std::string::npos);
            // Power buttons, video buses and the like are neither.
            if (pointing) m_out.Add(HwTable::PointingDevice, {pointers++, name});
            if (keyboard) m_out.Add(HwTable::Keyboard, {keyboards++, name});
        }
    }

    void Peripherals() {
        std::map<int32_t, int32_t> next;
        auto add = [&](int32_t type, const std::string& name) {
            m_out.Add(HwTable::PeripheralDevice, {type, next[type]++, name});
        };
        for (const AgentItem& usb : m_agent.Section("USBDEVICES")) {
            std::string name = FirstOf(usb, {"NAME", "CAPTION"});
            if (name.empty()) {
                name = usb.Get("MANUFACTURER");
                if (!usb.Get("VENDORID").empty())
                    name += (name.empty() ? "" : " ") +
                            ("(" + usb.Get("VENDORID") + ":" + usb.Get("PRODUCTID") + ")");
            }
            add(DeviceType::kUSB, name);
        }
        for (const AgentItem& modem : m_agent.Section("MODEMS"))
            add(DeviceType::kModem, FirstOf(modem, {"NAME", "MODEL", "DESCRIPTION"}));
        // Of the ports only those the report lists: connectors on the board
        // (USB, audio, network) are not devices.
        for (const AgentItem& port : m_agent.Section("PORTS")) {
            const std::string kind = Lower(port.Get("TYPE") + " " + port.Get("NAME") + " " +
                                           port.Get("CAPTION") + " " + port.Get("DESCRIPTION"));
            const std::string name = FirstOf(port, {"NAME", "CAPTION", "DESCRIPTION"});
            if (kind.find("parallel") != std::string::npos)
                add(DeviceType::kParallelPort, name);
            else if (kind.find("serial") != std::string::npos)
                add(DeviceType::kSerialPort, name);
            else if (kind.find("infrared") != std::string::npos ||
                     kind.find("irda") != std::string::npos)
                add(DeviceType::kInfrared, name);
        }
        for (const AgentItem& controller : m_agent.Section("CONTROLLERS")) {
            const std::string kind = Lower(controller.Get("TYPE") + " " + controller.Get("NAME"));
            const std::string name = FirstOf(controller, {"CAPTION", "NAME"});
            if (kind.find("cardbus") != std::string::npos ||
                kind.find("pcmcia") != std::string::npos)
                add(DeviceType::kPCMCIA, name);
            else if (kind.find("infrared") != std::string::npos ||
                     kind.find("irda") != std::string::npos)
                add(DeviceType::kInfrared, name);
        }
    }

    void AddValue(ImportDevice device, const char* property, int32_t instance,
                  const std::string& value) {
        if (!value.empty()) m_out.AddAdditional(device, property, instance, value);
    }

    void AssetData() {
        const AgentItem& b = BiosItem();
        const std::string& vm = Hardware().Get("VMSYSTEM");
        AddValue(ImportDevice::Asset, "Asset tag", 0, AccountTag());
        AddValue(ImportDevice::Asset, "UUID", 0, m_out.identity.uuid);
        AddValue(ImportDevice::Asset, "SKU number", 0, b.Get("SKUNUMBER"));
        AddValue(ImportDevice::Asset, "Motherboard serial", 0, b.Get("MSN"));
        AddValue(ImportDevice::Asset, "Enclosure serial", 0, b.Get("ENCLOSURESERIAL"));
        AddValue(ImportDevice::Asset, "BIOS serial", 0, b.Get("BIOSSERIAL"));
        AddValue(ImportDevice::Asset, "Virtualisation", 0,
                 strcasecmp(vm.c_str(), "Physical") == 0 ? "" : vm);
        AddValue(ImportDevice::Asset, "Architecture", 0, Os().Get("ARCH"));
        AddValue(ImportDevice::Asset, "OS installed", 0, Os().Get("INSTALL_DATE"));
        // The agent's account fields other than the tag, under their own names.
        for (const AgentItem& info : m_agent.Section("ACCOUNTINFO")) {
            const std::string& key = info.Get("KEYNAME");
            if (key.empty() || key == "TAG") continue;
            AddValue(ImportDevice::Asset, key.c_str(), 0, info.Get("KEYVALUE"));
        }
    }

    // A bare number gets the agents' unit; a value with its own unit keeps it.
    static std::string WithUnit(const std::string& value, const char* unit) {
        double number = 0;
        return ParseNumber(value, kPlain, number) ? value + " " + unit : value;
    }

    void Batteries() {
        int32_t instance = 0;
        for (const AgentItem& battery : m_agent.Section("BATTERIES")) {
            const ImportDevice d = ImportDevice::Battery;
            AddValue(d, "Battery", instance, FirstOf(battery, {"NAME", "MODEL"}));
            AddValue(d, "Manufacturer", instance, battery.Get("MANUFACTURER"));
            AddValue(d, "Serial number", instance, battery.Get("SERIAL"));
            AddValue(d, "Chemistry", instance, battery.Get("CHEMISTRY"));
            AddValue(d, "Design capacity", instance, WithUnit(battery.Get("CAPACITY"), "mWh"));
            AddValue(d, "Full charge capacity", instance,
                     WithUnit(battery.Get("REAL_CAPACITY"), "mWh"));
            AddValue(d, "Voltage", instance, WithUnit(battery.Get("VOLTAGE"), "mV"));
            AddValue(d, "Manufactured", instance, IsoDate(battery.Get("DATE"), true));
            ++instance;
        }
    }

    const AgentInventory& m_agent;
    const MappingContext& m_context;
    Inventory& m_out;
    size_t m_suppressed = 0;
};

}  // namespace

std::string ToUtcTimestamp(const std::string& local, const std::string& offset) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char separator = 0;
    int consumed = 0;
    if (sscanf(local.c_str(), "%4d-%2d-%2d%c%2d:%2d:%2d%n", &year, &month, &day, &separator, &hour,
               &minute, &second, &consumed) != 7 ||
        (separator != ' ' && separator != 'T') || month < 1 || month > 12 || day < 1 || day > 31 ||
        hour > 23 || minute > 59 || second > 60)
        return std::string();
    std::string zone = local.substr(static_cast<size_t>(consumed));
    if (zone.empty() || zone == "Z") zone = offset;
    // "+0200", "+02:00", "-05", "Z" or nothing (taken as UTC).
    long shift = 0;
    if (!zone.empty() && (zone[0] == '+' || zone[0] == '-')) {
        int h = 0, m = 0;
        if (sscanf(zone.c_str() + 1, "%2d:%2d", &h, &m) < 2 &&
            sscanf(zone.c_str() + 1, "%2d%2d", &h, &m) < 1)
            h = m = 0;
        shift = (zone[0] == '-' ? -1 : 1) * (h * 3600L + m * 60L);
    }
    std::tm tm = {};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    const time_t utc = timegm(&tm) - shift;
    std::tm out = {};
    gmtime_r(&utc, &out);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &out);
    return text;
}

std::string UtcNow() {
    const time_t now = time(nullptr);
    std::tm out = {};
    gmtime_r(&now, &out);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &out);
    return text;
}

Inventory MapInventory(const AgentInventory& agent, const MappingContext& context) {
    Inventory inventory;
    Mapper(agent, context, inventory).Run();
    return inventory;
}

}  // namespace hwimport
