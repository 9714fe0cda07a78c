// The nine report sections, in report order.
#pragma once

#include "sections/CReportSection.h"

// SystemOverview: the system overview rows, then manufacturer and model from BIOS row 0.
class CSystemOverviewSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// CPU_BIOS: processors, then BIOS rows.
class CCpuBiosSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// MotherBoard_Slots: mother boards, memory slots, system slots.
class CMotherBoardSlotsSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// NetworkAdapters: the adapters, each with its addresses.
class CNetworkAdaptersSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// VideoAdapters: video adapters, then monitors.
class CVideoAdaptersSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// DiskDrives: hard disks, logical disks, CD-ROM drives, floppy drives.
class CDiskDrivesSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// Printers.
class CPrintersSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// Peripherals: sound cards, keyboards, pointing devices, then the peripheral
// device types in the order modem, USB, infrared, parallel, serial, PCMCIA.
class CPeripheralsSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};

// Additional: the user-defined devices laid out as a grid of rows of at most
// two columns, grouped into boxes.
class CAdditionalHardwareSection : public CReportSection {
public:
    using CReportSection::CReportSection;
    void WriteSection(LONG nPCID, CString& strReport) override;
};
