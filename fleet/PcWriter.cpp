// One PC of the sample office: a desktop (about two thirds), a laptop (a
// quarter) or a server, with what such a machine carries. The data keeps the
// mess real inventories have: empty and NULL values, white-box firmware
// strings, trailing blanks, values longer than a report column.
#include "fleet/PcWriter.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fleet/FleetCatalogue.h"
#include "fleet/FleetRandom.h"
#include "fleet/RowWriter.h"

namespace fleet {

namespace {

std::string Printf(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Printf(const char* format, ...) {
    char buffer[512];
    va_list args;
    va_start(args, format);
    vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// Sizes as the scan reports them: bytes the vendor sold as `gb` decimal
// gigabytes, shown in binary gigabytes.
double SoldGigabytes(int gb) {
    return static_cast<double>(static_cast<uint64_t>(gb) * 1000000000ull) / 1073741824.0;
}

class PcWriter {
public:
    PcWriter(uint64_t seed, int32_t id, FleetSink& sink)
        : m_random(SplitMix(seed ^ SplitMix(static_cast<uint64_t>(id)))), m_id(id), m_row(sink) {
        const uint32_t kind = m_random.Below(100);
        m_kind = kind < 65 ? kDesktop : kind < 90 ? kLaptop : kServer;
        m_site = &m_random.Pick(kSites);
        do {
            m_model = &m_random.Pick(kModels);
        } while (m_model->kind != m_kind);
        m_person = &m_site->people[m_random.Below(6)];
        m_os = m_kind == kDesktop  ? &m_random.Pick(kDesktopOs)
               : m_kind == kLaptop ? &m_random.Pick(kLaptopOs)
                                   : &m_random.Pick(kServerOs);
    }

    void Write() {
        // Each table's rows first, in the order the tables are listed: the
        // loader's statements stay in key order table by table.
        Bios();
        Cpus();
        Disks();
        Keyboards();
        LogicalDisks();
        Monitors();
        MotherBoard();
        NetworkAdapters();
        Peripherals();
        Memory();
        PointingDevices();
        Printers();
        SoundCards();
        SystemOverview();
        SystemSlots();
        VideoAdapters();
        Additional();
    }

private:
    // Things several tables share, fixed before any row is written.
    struct Volume {
        int32_t disk;
        std::string name;
        double capacity;
    };

    bool WhiteBox() const { return m_model->vendor == kToBeFilled; }

    std::string ComputerName() {
        if (m_site->subnet == 30 && m_random.PerMille(15))
            return Printf("大阪-受付-%02d", m_id % 100);
        const char kind = m_kind == kDesktop ? 'D' : m_kind == kLaptop ? 'L' : 'S';
        return Printf("%s-%c%05d", m_site->code, kind, m_id);
    }

    std::string Serial(int length) {
        static const char kChars[] = "0123456789ABCDEFGHJKLMNPQRSTUVWXYZ";
        std::string serial = m_model->serialPrefix;
        for (int i = 0; i < length; ++i) serial += kChars[m_random.Below(sizeof kChars - 1)];
        return serial;
    }

    // Every draw is its own statement: the order in which a call's arguments
    // are evaluated is the compiler's, and the fleet must not depend on it.
    std::string Date(int firstYear, int lastYear) {
        const int year = m_random.Between(firstYear, lastYear);
        const int month = m_random.Between(1, 12);
        const int day = m_random.Between(1, 28);
        return Printf("%04d-%02d-%02d", year, month, day);
    }

    void Bios() {
        m_row.Begin(kFleetBIOS).Long(m_id).Long(0);
        const int major = m_random.Between(1, 2);
        const int minor = m_random.Between(0, 30);
        const int build = m_random.Between(0, 9);
        m_row.Text(Printf("%s%d.%d.%d", m_model->biosPrefix, major, minor, build));
        m_row.Text(Date(2017, 2024));
        const uint32_t tag = m_random.Below(100);
        if (tag < 55)
            m_row.Text(Printf("BR-%06d", m_id));
        else if (tag < 85)
            m_row.Text("");
        else if (tag < 93)
            m_row.Null();
        else
            m_row.Text(WhiteBox() ? "Default string" : "No Asset Tag");
        m_row.Text(m_model->biosVendor);
        m_row.Text(m_model->model).Text(m_model->vendor);
        m_row.Text(WhiteBox() ? (m_random.Percent(50) ? "Default string" : "System Serial Number")
                              : Serial(7));
        m_row.End();
        // A second firmware entry: the RAID controller's option ROM on some
        // servers, an old video BIOS on a few desktops.
        if ((m_kind == kServer && m_random.Percent(30)) ||
            (m_kind == kDesktop && m_random.PerMille(15))) {
            const bool server = m_kind == kServer;
            m_row.Begin(kFleetBIOS).Long(m_id).Long(1);
            m_row.Text(server ? "MegaStor 7.17.0.0" : "VGA BIOS 86.04.1F.00.E1");
            m_row.Text(server ? "2022-06-01" : "");
            m_row.Text("").Text(server ? "Storix" : "Lumina").Text("").Text("").Null();
            m_row.End();
        }
    }

    void Cpus() {
        const Cpu& cpu = m_kind == kDesktop  ? m_random.Pick(kDesktopCpus)
                         : m_kind == kLaptop ? m_random.Pick(kLaptopCpus)
                                             : m_random.Pick(kServerCpus);
        const int count = m_kind == kServer ? 2 : 1;
        // The scan sometimes reads the clock it found, not the rated one.
        const int speed = m_random.Percent(10) ? cpu.speed - m_random.Between(1, 12) : cpu.speed;
        for (int i = 0; i < count; ++i) {
            m_row.Begin(kFleetCPU).Long(m_id).Long(i).Long(speed);
            m_row.Text(m_random.PerMille(20) ? "" : cpu.maker).Text(cpu.name).End();
        }
    }

    void Disks() {
        // Hard disks (device type 0) and the volumes on them.
        int disks = 1;
        if (m_kind == kDesktop && m_random.Percent(20)) disks = 2;
        if (m_kind == kServer) disks = m_random.Between(2, 4);
        char letter = 'C';
        for (int d = 0; d < disks; ++d) {
            const Disk& disk = m_kind == kDesktop  ? m_random.Pick(kDesktopDisks)
                               : m_kind == kLaptop ? m_random.Pick(kLaptopDisks)
                                                   : m_random.Pick(kServerDisks);
            const double capacity = SoldGigabytes(disk.gb);
            m_row.Begin(kFleetDiskDrive).Long(m_id).Long(0).Long(d).Text(disk.name);
            std::string drive = m_os->linux ? Printf("/dev/sd%c", 'a' + d) : Printf("%c:", letter);
            const uint32_t mess = m_random.Below(100);
            if (mess < 6)
                drive += "   ";
            else if (mess < 9)
                drive = "";
            else if (mess < 10)
                drive = "  ";
            m_row.Text(drive).Double(capacity).End();
            Partition(d, capacity, letter);
        }
        // Optical (1) and floppy (2) drives take the next letters.
        const int cdPercent = m_kind == kDesktop ? 40 : m_kind == kLaptop ? 5 : 20;
        if (m_random.Percent(cdPercent)) {
            static const char* const kOptical[] = {"Lumos DVD-RW DH16NS40", "Lumos BD-RE BH16NS55",
                                                   "Optiq DVD A DS8A8SH", "Virtual CD-ROM Drive"};
            m_hasCd = true;
            m_cdLetter = letter++;
            m_row.Begin(kFleetDiskDrive).Long(m_id).Long(1).Long(0).Text(m_random.Pick(kOptical));
            m_row.Text(Printf("%c:", m_cdLetter));
            if (m_random.Percent(10))
                m_row.Null();
            else
                m_row.Double(0.0);
            m_row.End();
        }
        if ((m_kind == kDesktop && m_random.PerMille(25)) ||
            (m_kind == kServer && m_random.Percent(3))) {
            m_row.Begin(kFleetDiskDrive).Long(m_id).Long(2).Long(0).Text("Floppy disk drive");
            m_row.Text("A:").Double(1474560.0 / 1073741824.0).End();
        }
    }

    void Partition(int32_t disk, double capacity, char& letter) {
        const double usable = capacity - (m_kind == kServer ? 0.5 : 0.98);
        if (m_os->linux) {
            if (disk == 0) {
                m_volumes.push_back({disk, "/", usable * 0.3});
                m_volumes.push_back({disk, "/var", usable * 0.7});
            } else {
                m_volumes.push_back({disk, Printf("/srv/data%d", disk), usable});
            }
            return;
        }
        if (disk == 0 && m_kind != kLaptop && m_random.Percent(20)) {
            const double system = m_kind == kServer ? 120.0 : usable * 0.4;
            m_volumes.push_back({disk, Printf("%c:", letter++), system});
            m_volumes.push_back({disk, Printf("%c:", letter++), usable - system});
        } else {
            m_volumes.push_back({disk, Printf("%c:", letter++), usable});
        }
    }

    void LogicalDisks() {
        int32_t id = 0;
        for (const Volume& volume : m_volumes) {
            const bool first = id == 0;
            m_row.Begin(kFleetLogicalDisk).Long(m_id).Long(id++).Long(0).Long(volume.disk);
            std::string name = volume.name;
            if (m_random.Percent(3)) name += "  ";
            // About one volume in eight is nearly full.
            const int freePerMille =
                m_random.Percent(12) ? m_random.Between(5, 95) : m_random.Between(100, 850);
            const double free = volume.capacity * freePerMille / 1000.0;
            m_row.Text(name).Double(volume.capacity).Double(free);
            std::string fs = m_os->linux                              ? (first ? "ext4" : "xfs")
                             : (m_kind == kServer && volume.disk > 0) ? "ReFS"
                                                                      : "NTFS";
            const uint32_t mess = m_random.Below(100);
            if (mess < 5)
                fs += "    ";
            else if (mess < 6)
                fs = m_random.Percent(50) ? "FAT32" : "exFAT";
            else if (mess < 7)
                fs = "";
            m_row.Text(fs).End();
        }
        // A disc in the optical drive shows as a volume; an empty drive as
        // one of size 0.
        if (m_hasCd && m_random.Percent(15)) {
            const bool disc = m_random.Percent(50);
            m_row.Begin(kFleetLogicalDisk).Long(m_id).Long(id++).Long(1).Long(0);
            m_row.Text(Printf("%c:", m_cdLetter));
            m_row.Double(disc ? 4.37 : 0.0).Double(0.0).Text(disc ? "CDFS" : "").End();
        }
    }

    void Keyboards() {
        int32_t id = 0;
        if (m_kind == kLaptop) {
            m_row.Begin(kFleetKeyboard).Long(m_id).Long(id++).Text("Standard PS/2 Keyboard").End();
            if (!m_random.Percent(30)) return;
        }
        const char* name = m_kind == kServer      ? "Standard PS/2 Keyboard"
                           : m_random.Percent(85) ? "HID Keyboard Device"
                                                  : "Tastatur (HID) – Deutsch";
        m_row.Begin(kFleetKeyboard).Long(m_id).Long(id).Text(name).End();
    }

    void Monitors() {
        int32_t id = 0;
        if (m_kind == kLaptop) {
            m_row.Begin(kFleetMonitor).Long(m_id).Long(id++);
            m_row.Text(m_random.Percent(70) ? "1920 x 1080" : "1920 x 1200").Long(60);
            m_row.Text(m_random.Percent(60) ? "Built-in Display" : "Generic PnP Monitor").End();
            if (!m_random.Percent(40)) return;
        }
        if (m_kind == kServer) {
            if (!m_random.Percent(50)) return;
            m_row.Begin(kFleetMonitor).Long(m_id).Long(id).Text("1024 x 768").Long(60);
            m_row.Text(m_random.Percent(80) ? "Generic Non-PnP Monitor"
                                            : "Default Monitor <no EDID>");
            m_row.End();
            return;
        }
        const int count = m_kind == kDesktop && m_random.Percent(35) ? 2 : 1;
        const Monitor& monitor = m_random.Pick(kDesktopMonitors);
        for (int i = 0; i < count; ++i) {
            m_row.Begin(kFleetMonitor).Long(m_id).Long(id++).Text(monitor.resolution);
            m_row.Long(monitor.refresh).Text(monitor.name).End();
        }
    }

    void MotherBoard() {
        m_row.Begin(kFleetMotherBoard).Long(m_id).Long(0).Text("Base Board");
        static const char* const kVersions[] = {"A01", "1.0", "Rev 1.xx", "", "X00"};
        m_row.MaybeText(m_random, 20, m_random.Pick(kVersions));
        m_row.Text(m_model->board).End();
    }

    void NetworkAdapters() {
        const int subnet = m_site->subnet;
        const int hostHigh = m_kind == kServer ? 0 : 1 + (m_id / 250) % 254;
        const int hostLow = 2 + m_id % 250;
        // An adapter without an address of its own is still connected when
        // its addresses are listed in NetworkIPAddress.
        auto adapter = [&](int32_t adapterId, const char* name, const std::string& ip, bool dhcp,
                           bool listed) {
            m_row.Begin(kFleetNetworkAdapter).Long(m_id).Long(adapterId).Text(name);
            const uint32_t mac = m_random.Below(0xFFFFFFFFu);
            m_row.Text(Printf("00:1B:%02X:%02X:%02X:%02X", mac >> 24, (mac >> 16) & 0xFF,
                              (mac >> 8) & 0xFF, mac & 0xFF));
            m_row.Text(ip);
            const bool connected = !ip.empty() || listed;
            m_row.Text(connected ? Printf("10.%d.0.1", subnet) : "");
            m_row.Text(connected ? Printf("10.%d.0.10,10.%d.0.11", subnet, subnet) : "");
            m_row.Text(strstr(name, "VPN") ? "Wide Area Network (WAN)" : "Ethernet 802.3");
            m_row.Text(ip.empty() ? "" : "255.255.0.0");
            const uint32_t wins = m_random.Below(10);
            if (wins < 7)
                m_row.Text("");
            else if (wins < 9)
                m_row.Text(Printf("10.%d.0.12", subnet));
            else
                m_row.Null();
            m_row.Text(dhcp && connected ? Printf("10.%d.0.10", subnet) : "").End();
        };
        // Adapters whose addresses are listed in NetworkIPAddress, with the
        // number of addresses each has there.
        std::vector<std::pair<int32_t, int>> listed;
        const std::string ip = Printf("10.%d.%d.%d", subnet, hostHigh, hostLow);
        if (m_kind == kServer) {
            const int adapters = m_random.Between(2, 4);
            for (int a = 0; a < adapters; ++a) {
                const char* name = a < 2 ? "Norlan Ethernet 10G 2P X710 Adapter"
                                         : "Norlan Ethernet Controller I350-T4";
                if (a == 0 && m_random.Percent(60)) {
                    adapter(a, name, "", false, true);
                    listed.push_back({a, m_random.Between(1, 3)});
                } else {
                    adapter(a, name, a == 0 ? ip : Printf("192.168.%d.%d", 100 + a, hostLow), false,
                            false);
                }
            }
        } else if (m_kind == kLaptop) {
            // The cable is usually unplugged: no address and nothing listed.
            adapter(0, "Norlan Ethernet Connection (13) I219-LM", "", true, false);
            adapter(1, "Wavelink Wi-Fi 6 AX201 160MHz", ip, true, false);
            if (m_random.Percent(20)) {
                adapter(2, "SecureLink VPN Virtual Adapter", "", false, true);
                listed.push_back({2, 1});
            }
        } else {
            static const char* const kNics[] = {"Norlan Ethernet Connection I219-V",
                                                "Realstar PCIe GbE Family Controller",
                                                "Norlan Gigabit CT Desktop Adapter"};
            const char* name = m_random.Pick(kNics);
            if (m_random.Percent(20)) {
                adapter(0, name, "", true, true);
                listed.push_back({0, m_random.Between(1, 3)});
            } else {
                adapter(0, name, ip, true, false);
            }
        }
        for (const auto& entry : listed) {
            for (int i = 0; i < entry.second; ++i) {
                m_row.Begin(kFleetNetworkIPAddress).Long(m_id).Long(entry.first).Long(i);
                if (i == 0) {
                    m_row.Text(ip).Text("255.255.0.0");
                } else if (i == 1) {
                    const uint32_t suffix = m_random.Below(0xFFFFFFFFu);
                    m_row.Text(Printf("fe80::21b:%xff:fe%02x:%x", suffix >> 24,
                                      (suffix >> 16) & 0xFF, suffix & 0xFFFF));
                    m_row.Text("64");
                } else {
                    m_row.Text(Printf("10.%d.250.%d", subnet, 2 + m_id % 250));
                    m_row.MaybeText(m_random, 300, "255.255.255.0");
                }
                m_row.End();
            }
        }
    }

    void Peripherals() {
        auto device = [&](int32_t type, int32_t id, const char* name) {
            m_row.Begin(kFleetPeripheralDevice).Long(m_id).Long(type).Long(id).Text(name).End();
        };
        // Rows go in device type order: 5 USB, 6 modem, 14 parallel, 15
        // serial, 16 infrared, 17 PCMCIA.
        const int usb = m_kind == kServer ? m_random.Between(1, 2) : m_random.Between(2, 5);
        for (int i = 0; i < usb; ++i)
            device(5, i, i == 0 ? "USB Root Hub (USB 3.0)" : m_random.Pick(kUsbDevices));
        if (m_kind == kLaptop && m_random.Percent(30))
            device(6, 0,
                   m_random.Percent(50) ? "Telora LTE Modem EM7455" : "Mobile Broadband Device");
        else if (m_kind == kDesktop && m_random.Percent(4))
            device(6, 0, "Standard 56000 bps V92 Modem");
        if ((m_kind == kDesktop && m_random.Percent(20)) ||
            (m_kind == kServer && m_random.Percent(30)))
            device(14, 0, m_random.Percent(70) ? "ECP Printer Port (LPT1)" : "Printer Port (LPT1)");
        int serial = 0;
        if (m_kind == kServer && m_random.Percent(80)) serial = 2;
        if (m_kind == kDesktop && m_random.Percent(35)) serial = m_random.Percent(30) ? 2 : 1;
        if (m_kind == kLaptop && m_random.Percent(5)) {
            device(15, 0, "USB Serial Port (COM3)");
        } else {
            for (int i = 0; i < serial; ++i)
                device(15, i, i == 0 ? "Communications Port (COM1)" : "Communications Port (COM2)");
        }
        if ((m_kind == kLaptop && m_random.Percent(40)) ||
            (m_kind == kDesktop && m_random.PerMille(10)))
            device(16, 0, m_kind == kLaptop ? "IrDA Fast Infrared Port" : "USB-IrDA Adapter");
        if (m_kind == kLaptop && m_random.Percent(35))
            device(17, 0,
                   m_random.Percent(50) ? "Ricola PCI-to-CardBus Controller"
                                        : "Generic CardBus Controller");
    }

    void Memory() {
        int modules = 0, size = 0;
        if (m_kind == kDesktop) {
            modules = m_random.Between(1, 4);
            static const int kSizes[] = {4096, 8192, 8192, 16384};
            size = m_random.Pick(kSizes);
        } else if (m_kind == kLaptop) {
            modules = m_random.Between(1, 2);
            size = m_random.Percent(60) ? 8192 : 16384;
        } else {
            modules = 2 * m_random.Between(2, 6);
            size = m_random.Percent(50) ? 16384 : 32768;
        }
        for (int i = 0; i < modules; ++i) {
            m_row.Begin(kFleetPhysicalMemory).Long(m_id).Long(i);
            if (m_kind == kServer)
                m_row.Text(Printf("PROC %d DIMM %d", 1 + i % 2, 1 + i / 2));
            else if (m_kind == kLaptop)
                m_row.Text(Printf("Channel%c-DIMM0", 'A' + i));
            else
                m_row.Text(WhiteBox() ? Printf("DIMM%d", i + 1)
                                      : Printf("Channel%c-DIMM%d", 'A' + i % 2, i / 2));
            if (m_random.PerMille(10)) {
                m_row.Null();
            } else {
                m_row.Long(size);
                m_memory += size;
            }
            m_row.End();
        }
    }

    void PointingDevices() {
        int32_t id = 0;
        if (m_kind == kLaptop) {
            m_row.Begin(kFleetPointingDevice).Long(m_id).Long(id++);
            m_row.Text("Synapse Precision TouchPad").End();
            if (!m_random.Percent(50)) return;
        }
        m_row.Begin(kFleetPointingDevice).Long(m_id).Long(id);
        m_row.Text(m_kind == kServer ? "PS/2 Compatible Mouse" : "HID-compliant mouse").End();
    }

    void Printers() {
        int count = 0;
        if (m_kind == kDesktop && m_random.Percent(60)) count = m_random.Between(1, 3);
        if (m_kind == kLaptop && m_random.Percent(70)) count = m_random.Between(1, 4);
        // The odd print server carries the whole site's queues.
        if (m_kind == kServer && m_random.Percent(10)) count = m_random.Between(5, 8);
        for (int i = 0; i < count; ++i) {
            m_row.Begin(kFleetPrinter).Long(m_id).Long(i);
            const uint32_t which = m_random.Below(10);
            if (which < 6) {
                m_row.Text(m_site->printers[which % 3]);
                m_row.Text(Printf("IP_10.%d.5.%d", m_site->subnet, 20 + which % 3));
            } else if (which < 8) {
                m_row.Text("PDF Writer").Text("PORTPROMPT:");
            } else if (which < 9) {
                m_row.Text("Fax").Text("SHRFAX:");
            } else {
                m_row.Text(Printf("\\\\PRINTSRV-%s\\Floor%d", m_site->code, 1 + i));
                m_row.Text(m_random.Percent(50) ? "USB001" : "LPT1:");
            }
            m_row.Long(m_random.Percent(85) ? 0 : 3).End();
        }
    }

    void SoundCards() {
        const int percent = m_kind == kDesktop ? 90 : m_kind == kLaptop ? 100 : 5;
        if (!m_random.Percent(percent)) return;
        m_row.Begin(kFleetSoundCard).Long(m_id).Long(0);
        m_row.Text(m_random.Percent(60) ? "Sonora High Definition Audio"
                                        : "High Definition Audio Device");
        m_row.End();
        if (m_kind != kServer && m_random.Percent(30))
            m_row.Begin(kFleetSoundCard).Long(m_id).Long(1).Text("Corvid Display Audio").End();
    }

    void SystemOverview() {
        m_row.Begin(kFleetSystemOverview).Long(m_id).Long(0);
        m_row.Text(ComputerName()).Text(m_os->name).Text(m_os->version);
        m_row.Text(m_random.PerMille(30) ? "" : m_person->name);
        // An unreadable module makes the scan's total wrong now and then.
        m_row.Long(m_random.PerMille(3) ? -1 : m_memory);
        if (m_os->servicePack)
            m_row.Text(m_os->servicePack);
        else
            m_row.Null();
        const uint32_t product = m_random.Below(10000);
        const uint32_t batch = m_random.Below(100000);
        const uint32_t unit = m_random.Below(1000);
        m_row.Text(m_os->linux ? std::string()
                               : Printf("00330-8%04u-%05u-AA%03u", product, batch, unit));
        m_row.Text(m_site->timeZone);
        const uint32_t org = m_random.Below(100);
        m_row.Text(org < 80   ? "Brenner & Söhne GmbH"
                   : org < 90 ? "Brenner & Soehne"
                   : org < 97 ? ""
                              : "Brenner IT <Lab>");
        if (m_kind == kServer)
            m_row.Text(m_random.Percent(50) ? "BRENNER\\svc-backup" : "");
        else
            m_row.MaybeText(m_random, 50, Printf("BRENNER\\%s", m_person->login));
        m_row.Text(m_random.Percent(3) ? "WORKGROUP" : "BRENNER");
        m_row.Text(m_site->language).Text(m_os->directX).Text(m_model->enclosure).End();
    }

    void SystemSlots() {
        int count = 0;
        if (m_kind == kDesktop) count = m_random.Between(2, 5);
        if (m_kind == kLaptop) count = m_random.Between(0, 2);
        if (m_kind == kServer) count = m_random.Between(4, 7);
        for (int i = 0; i < count; ++i) {
            m_row.Begin(kFleetSystemSlot).Long(m_id).Long(i);
            if (m_kind == kLaptop)
                m_row.Text(i == 0 ? "M.2 Slot 1 (SSD)" : "M.2 Slot 2 (WLAN)");
            else if (m_kind == kServer)
                m_row.Text(Printf("PCIe Slot %d (x%d, CPU%d)", i + 1, i < 2 ? 16 : 8, 1 + i % 2));
            else
                m_row.Text(i == 0 ? "PCI Express x16 Slot 1 (PCIEX16_1)"
                                  : Printf("PCI Express x1 Slot %d (PCIEX1_%d)", i + 1, i));
            const uint32_t use = m_random.Below(10);
            m_row.Text(m_kind == kLaptop || use < 4 ? "In Use" : use < 9 ? "Available" : "Unknown");
            m_row.End();
        }
    }

    void VideoAdapters() {
        auto video = [&](int32_t id, const char* name, int ram, const char* dac) {
            m_row.Begin(kFleetVideoAdapter).Long(m_id).Long(id).Text(name).Long(ram);
            if (dac)
                m_row.Text(dac);
            else
                m_row.Null();
            m_row.End();
        };
        if (m_kind == kServer) {
            video(0, "Server Management VGA Adapter", 16, m_random.Percent(50) ? nullptr : "");
            return;
        }
        if (m_kind == kDesktop && m_random.Percent(25)) {
            // Cards of 4 GB and more overflow the scan's 32-bit byte count.
            video(0, "Lumina Vertex T600", m_random.Percent(10) ? 4095 : 4096, "Integrated RAMDAC");
            return;
        }
        video(0, m_kind == kLaptop ? "Corvid(R) Iris(R) Xe Graphics" : "Corvid(R) UHD Graphics 630",
              1024, "Internal");
    }

    void Additional() {
        // Values of one device instance: property id, value (null: NULL).
        auto value = [&](int32_t device, int32_t property, int32_t index, const char* text) {
            m_row.Begin(kFleetAdditionalHardware).Long(m_id).Long(device).Long(property);
            m_row.Long(index);
            if (text)
                m_row.Text(text);
            else
                m_row.Null();
            m_row.End();
        };

        // 1 Asset label: 1 Asset number, 2 Cost centre, 3 Purchased,
        // 4 Warranty until, 5 Location.
        if (m_random.Percent(85)) {
            static const char* const kCostCentres[] = {"1000 Verwaltung", "2100 Vertrieb", "R&D",
                                                       "3100 Produktion", "4000 IT",       ""};
            value(1, 1, 0, Printf("BR-%06d", m_id).c_str());
            value(1, 2, 0, m_random.Pick(kCostCentres));
            const std::string purchased = Date(2016, 2024);
            value(1, 3, 0, purchased.c_str());
            const std::string warranty = Printf("%d-12-31", atoi(purchased.c_str()) + 3);
            value(1, 4, 0, m_random.Percent(10) ? nullptr : warranty.c_str());
            value(1, 5, 0, m_site->rooms[m_random.Below(4)]);
        }
        // 2 Docking station: 6 Model, 7 Serial number, 8 Firmware (not
        // every dock reports one: then there is no row at all).
        if (m_kind == kLaptop && m_random.Percent(60)) {
            value(2, 6, 0, m_random.Percent(50) ? "Norvik USB-C Dock G5" : "Thunderlink Dock TB4");
            value(2, 7, 0, Serial(10).c_str());
            if (m_random.Percent(70)) value(2, 8, 0, m_random.Percent(80) ? "1.0.12" : "");
        }
        // 3 External drive, several allowed: 9 Drive, 10 Capacity, 11 Encrypted.
        if (m_kind != kServer && m_random.Percent(15)) {
            static const char* const kDrives[] = {"Westmark Passport 2TB", "Stellar T7 Shield 1TB",
                                                  "USB-Stick 64 GB (grün)"};
            static const char* const kSizes[] = {"2 TB", "1 TB", "64 GB"};
            static const char* const kEncrypted[] = {"Yes", "No", ""};
            const int instances = m_random.Between(1, 3);
            int picks[3];
            for (int i = 0; i < instances; ++i) picks[i] = static_cast<int>(m_random.Below(3));
            // Key order: property before instance.
            for (int i = 0; i < instances; ++i) value(3, 9, i, kDrives[picks[i]]);
            for (int i = 0; i < instances; ++i) value(3, 10, i, kSizes[picks[i]]);
            for (int i = 0; i < instances; ++i) value(3, 11, i, m_random.Pick(kEncrypted));
        }
        // 4 UPS, own box: 12 Model, 13 Rated power, 14 Battery replaced, 15 Notes.
        if ((m_kind == kServer && m_random.Percent(90)) ||
            (m_kind == kDesktop && m_random.Percent(3))) {
            const bool big = m_kind == kServer;
            value(4, 12, 0, big ? "Voltra SmartUPS 3000 RM" : "Voltra Back-UPS 700");
            value(4, 13, 0, big ? "3000 VA / 2700 W" : "700 VA");
            const std::string replaced = m_random.Percent(40) ? Date(2019, 2024) : "";
            value(4, 14, 0, replaced.c_str());
            static const char* const kNotes[] = {"Runtime at load < 40 %: 25 min",
                                                 "Replace battery & run self-test yearly", "",
                                                 "Shuts the host down after 5 min on battery"};
            value(4, 15, 0, m_random.Percent(5) ? nullptr : m_random.Pick(kNotes));
        }
        // 5 Service note: 16 Remark (double width), 17 Technician, 18 Date.
        if (m_random.Percent(10)) {
            static const char* const kRemarks[] = {
                "Fan replaced",
                "Lüfter getauscht, Staub entfernt",
                "Display hinge loose – collect for repair",
                "キーボード交換済み",
                "Reimaged after malware alert; user data restored from the nightly backup of the "
                "file server, except the local mail archive which the user keeps on a USB "
                "stick that was not available at the time",
            };
            value(5, 16, 0, m_random.Pick(kRemarks));
            value(5, 17, 0, m_site->people[m_random.Below(6)].name);
            value(5, 18, 0, Date(2020, 2024).c_str());
        }
    }

    Random m_random;
    int32_t m_id;
    RowWriter m_row;
    PcKind m_kind;
    const Site* m_site;
    const Model* m_model;
    const Person* m_person;
    const Os* m_os;
    std::vector<Volume> m_volumes;
    int32_t m_memory = 0;
    bool m_hasCd = false;
    char m_cdLetter = 'D';
};

}  // namespace

void WritePcRows(uint64_t seed, int32_t id, FleetSink& sink) {
    PcWriter(seed, id, sink).Write();
}

}  // namespace fleet
