// The name catalogue of the sample office: four sites of one company with
// their people, printers and rooms, and the models, processors, operating
// systems, monitors and disks each kind of PC carries. Vendors and models are
// made up; names come in several scripts, with markup characters, as real
// inventories have them.
#pragma once

namespace fleet {

enum PcKind { kDesktop, kLaptop, kServer };

struct Person {
    const char* name;
    const char* login;
};

struct Site {
    const char* code;
    const char* language;
    const char* timeZone;
    int subnet;  // second octet of the site's 10.x.0.0/16
    Person people[6];
    const char* printers[3];
    const char* rooms[4];
};

inline const Site kSites[] = {
    {"HAM",
     "German (Germany)",
     "W. Europe Standard Time",
     10,
     {{"Jürgen Weiß", "jweiss"},
      {"Anna Müller", "amueller"},
      {"Grete Schäfer", "gschaefer"},
      {"Lukas Groß", "lgross"},
      {"Mehmet Yılmaz", "myilmaz"},
      {"Sabine Koch", "skoch"}},
     {"Drucker Büro 2.OG", "Kyomera TaskPro 3253ci KX", "Etiketten Versand"},
     {"Büro 2.14", "Raum 3.07, Große Straße 5", "Empfang", "Lager Süd"}},
    {"LYO",
     "French (France)",
     "Romance Standard Time",
     20,
     {{"Renée Dubois", "rdubois"},
      {"François Lefèvre", "flefevre"},
      {"Hélène Garçon", "hgarcon"},
      {"Noël Martin", "nmartin"},
      {"Chloé Bernard", "cbernard"},
      {"Amélie Roux", "aroux"}},
     {"Imprimante Accueil", "Brotec HL-L6400DW series", "Traceur bât. B"},
     {"Bureau 104", "Open space, bât. B", "Salle de réunion Été", "Accueil"}},
    {"OSA",
     "Japanese (Japan)",
     "Tokyo Standard Time",
     30,
     {{"山田 太郎", "yamada"},
      {"佐藤 花子", "sato"},
      {"Kenji Watanabe", "kwatanabe"},
      {"鈴木 一郎", "suzuki"},
      {"高橋 美咲", "takahashi"},
      {"Yuki Tanaka", "ytanaka"}},
     {"複合機 3F", "Kyomera TaskPro 4054ci KX", "Lexa MS821dn"},
     {"3F 会議室", "2F 総務部", "受付", "5F サーバ室"}},
    {"LDS",
     "English (United Kingdom)",
     "GMT Standard Time",
     40,
     {{"Oliver O'Brien", "oobrien"},
      {"Priya Patel", "ppatel"},
      {"Tom Hughes", "thughes"},
      {"Siobhán Kelly", "skelly"},
      {"Grace Okafor", "gokafor"},
      {"Daniel Evans", "devans"}},
     {"Sales & Marketing Colour", "Reception Mono", "Brotec MFC-L8900CDW"},
     {"Floor 1, Desk 12", "Finance office", "Meeting room <Dales>", "Warehouse"}},
};

struct Model {
    PcKind kind;
    const char* vendor;
    const char* model;
    const char* board;
    const char* biosVendor;
    const char* biosPrefix;
    const char* serialPrefix;
    const char* enclosure;
};

// White-box machines keep their board maker's placeholders: that is what a
// scan of them really shows.
inline const char kToBeFilled[] = "To Be Filled By O.E.M.";

inline const Model kModels[] = {
    {kDesktop, "Norvik Computer", "Norvik Officeline 420", "8767", "Norvik Computer", "N1", "NVK",
     "Small Form Factor"},
    {kDesktop, "Norvik Computer", "Norvik Officeline 640 Tower", "8769", "Norvik Computer", "N2",
     "NVK", "Mini Tower"},
    {kDesktop, "Altamira Systems", "Altamira Vega 5", "0K8JP2", "Altamira Systems", "A", "ALT",
     "Desktop"},
    {kDesktop, "Kestrel Data", "Kestrel WorkCentre 7", "KWC7-MB", "Meridian Megafirm Inc.", "F",
     "KD", "Mini Tower"},
    {kDesktop, "Tamura Denki", "Tamura Compact D5", "TD5-M", "Tamura Denki", "R0", "TMD",
     "All in One"},
    {kDesktop, kToBeFilled, kToBeFilled, "B560M-HDV", "Meridian Megafirm Inc.", "P", "", "Desktop"},
    {kLaptop, "Norvik Computer", "Norvik Travelbook 14 G3", "8A3D", "Norvik Computer", "T7", "NVK",
     "Notebook"},
    {kLaptop, "Altamira Systems", "Altamira Aero 13", "0R3XW1", "Altamira Systems", "1.", "ALT",
     "Notebook"},
    {kLaptop, "Tamura Denki", "Tamura Slimbook 13", "TSB13", "Tamura Denki", "V1", "TMD",
     "Convertible"},
    {kLaptop, "Kestrel Data", "Kestrel Field 15", "KF15-MB", "Meridian Megafirm Inc.", "E", "KD",
     "Notebook"},
    {kServer, "Norvik Computer", "Norvik RackServ 360 Gen10", "ProLine 360", "Norvik Computer", "U",
     "NVK", "Rack Mount Chassis"},
    {kServer, "Altamira Systems", "Altamira PowerRack R740", "06WXJT", "Altamira Systems", "2.",
     "ALT", "Rack Mount Chassis"},
    {kServer, "Kestrel Data", "Kestrel Titan T2", "KT2-SB", "Meridian Megafirm Inc.", "S", "KD",
     "Tower"},
};

struct Cpu {
    const char* maker;
    const char* name;
    int speed;
};

inline const Cpu kDesktopCpus[] = {
    {"GenuineCorvid", "Corvid(R) Core(TM) c5-10500 CPU @ 3.10GHz", 3100},
    {"GenuineCorvid", "Corvid(R) Core(TM) c7-12700 CPU @ 2.10GHz", 2100},
    {"GenuineCorvid", "Corvid(R) Core(TM) c3-9100 CPU @ 3.60GHz", 3600},
    {"GenuineCorvid", "Corvid(R) Core(TM) c5-8500 CPU @ 3.00GHz", 3000},
    {"AuthenticAurion", "Aurion Ryve 5 5600G with Integrated Graphics", 3900},
    {"AuthenticAurion", "Aurion Ryve 7 PRO 4750G", 3600},
};
inline const Cpu kLaptopCpus[] = {
    {"GenuineCorvid", "11th Gen Corvid(R) Core(TM) c5-1135G7 @ 2.40GHz", 2400},
    {"GenuineCorvid", "12th Gen Corvid(R) Core(TM) c7-1260P", 2100},
    {"GenuineCorvid", "Corvid(R) Core(TM) c5-8265U CPU @ 1.60GHz", 1800},
    {"AuthenticAurion", "Aurion Ryve 7 5825U with Integrated Graphics", 2000},
};
inline const Cpu kServerCpus[] = {
    {"GenuineCorvid", "Corvid(R) Xenon(R) Silver 4214R CPU @ 2.40GHz", 2400},
    {"GenuineCorvid", "Corvid(R) Xenon(R) Gold 6230 CPU @ 2.10GHz", 2100},
    {"AuthenticAurion", "Aurion EPIK 7302 16-Core Processor", 3000},
};

struct Os {
    const char* name;
    const char* version;
    const char* servicePack;  // null: the column stays NULL
    const char* directX;
    bool linux;
};

inline const Os kDesktopOs[] = {
    {"Microsoft Windows 11 Pro", "10.0.22631", "", "12", false},
    {"Microsoft Windows 11 Pro", "10.0.22631", "", "12", false},
    {"Microsoft Windows 10 Pro", "10.0.19045", "", "12", false},
    {"Microsoft Windows 10 Pro", "10.0.19045", "", "12", false},
    {"Microsoft Windows 10 Enterprise LTSC", "10.0.17763", "", "12", false},
    {"Microsoft Windows 7 Professional", "6.1.7601", "Service Pack 1", "11", false},
};
inline const Os kLaptopOs[] = {
    {"Microsoft Windows 11 Pro", "10.0.22631", "", "12", false},
    {"Microsoft Windows 11 Pro", "10.0.22621", "", "12", false},
    {"Microsoft Windows 10 Pro", "10.0.19045", "", "12", false},
};
inline const Os kServerOs[] = {
    {"Microsoft Windows Server 2019 Standard", "10.0.17763", "", "12", false},
    {"Microsoft Windows Server 2022 Standard", "10.0.20348", "", "12", false},
    {"Microsoft Windows Server 2022 Datacenter", "10.0.20348", "", "12", false},
    {"Microsoft Windows Server 2016 Standard", "10.0.14393", "", "12", false},
    {"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64", nullptr, "", true},
};

struct Monitor {
    const char* name;
    const char* resolution;
    int refresh;
};

inline const Monitor kDesktopMonitors[] = {
    {"Generic PnP Monitor", "1920 x 1080", 60},     {"Generic PnP Monitor", "1920 x 1080", 60},
    {"Vistara VX2458-MHD", "1920 x 1080", 75},      {"Halden P2419H", "1920 x 1080", 60},
    {"Ikari 27Q Pro", "2560 x 1440", 60},           {"Halden U2720Q", "3840 x 2160", 60},
    {"Vistara VA2246 (Analog)", "1680 x 1050", 60},
};

struct Disk {
    const char* name;
    int gb;
};

inline const Disk kDesktopDisks[] = {
    {"Stellar SSD 870 EVO 500GB", 500},     {"Kioxa KXG60ZNV512G NVMe 512GB", 512},
    {"Westmark WM10EZEX ATA Device", 1000}, {"Stellar SSD 860 PRO 256GB", 256},
    {"Kioxa KBG40ZNS256G NVMe 256GB", 256}, {"Seacliff ST2000DM008 ATA Device", 2000},
};
inline const Disk kLaptopDisks[] = {
    {"Kioxa KBG40ZNS512G NVMe 512GB", 512},
    {"Stellar PM9A1 NVMe 1TB", 1024},
    {"Kioxa KBG40ZNS256G NVMe 256GB", 256},
};
inline const Disk kServerDisks[] = {
    {"Storix MegaStor Virtual Disk SCSI Disk Device", 960},
    {"Storix MegaStor Virtual Disk SCSI Disk Device", 3840},
    {"Norvik LOGICAL VOLUME SCSI Disk Device", 1200},
    {"Seacliff ST4000NM0035 SAS", 4000},
};

inline const char* const kUsbDevices[] = {
    "USB Root Hub (USB 3.0)", "Generic USB Hub",         "USB Composite Device",
    "USB Input Device",       "USB Mass Storage Device", "Generic SuperSpeed USB Hub",
    "USB Printing Support",   "Smart Card Reader (USB)",
};

}  // namespace fleet
