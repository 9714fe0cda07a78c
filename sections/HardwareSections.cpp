// The eight sections built from record lists.
#include "db/DeviceTypes.h"
#include "inventory/InventoryRecords.h"
#include "sections/ReportSections.h"

namespace {

using namespace DeviceType;

const uint32_t kOnePC = CPCIDataRecord::MODE_ONE_PC;
const uint32_t kOnePCByType = CDataDiskDrive::MODE_DEVICE_TYPE;
static_assert(kOnePCByType == uint32_t{CDataPeripheralDevice::MODE_DEVICE_TYPE},
              "one mode selects by device type in both tables");

template <class TRecord>
void SetKey(TRecord& record, LONG nPCID) {
    record.m_ID = nPCID;
}

template <class TRecord>
void SetKey(TRecord& record, LONG nPCID, LONG nDeviceType) {
    record.m_ID = nPCID;
    record.m_DeviceTypeID = nDeviceType;
}

}  // namespace

void CSystemOverviewSection::WriteSection(LONG nPCID, CString& strReport) {
    const char* const kSection = "SystemOverview";
    WriteSectionElement(strReport, kSection, [&](bool& bStarted) {
        CInvSystemOverview overview(m_pConnection);
        SetKey(overview, nPCID);
        WriteRecordList(overview, kOnePC, strReport, "", kSection, bStarted);

        // Manufacturer and model always come from BIOS row 0.
        CInvBIOS bios(m_pConnection);
        bios.m_ID = nPCID;
        bios.m_BIOSID = 0;
        if (bios.OpenByKey(CPCIDataRecord::MODE_FULL_KEY, false) != 0) {
            if (!bStarted) {
                AppendStartTag(strReport, kSection);
                bStarted = true;
            }
            bios.WriteSummaryXml(strReport, m_pDefaults);
        }
    });
}

void CCpuBiosSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvCPU cpu(m_pConnection);
    CInvBIOS bios(m_pConnection);
    SetKey(cpu, nPCID);
    SetKey(bios, nPCID);
    WriteRecordLists(strReport, "CPU_BIOS", {{&cpu, kOnePC, "CPU"}, {&bios, kOnePC, "BIOS"}});
}

void CMotherBoardSlotsSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvMotherBoard board(m_pConnection);
    CInvPhysicalMemoryDevice memory(m_pConnection);
    CInvSystemSlot slot(m_pConnection);
    SetKey(board, nPCID);
    SetKey(memory, nPCID);
    SetKey(slot, nPCID);
    WriteRecordLists(strReport, "MotherBoard_Slots",
                     {{&board, kOnePC, "MotherBoard"},
                      {&memory, kOnePC, "MemorySlot"},
                      {&slot, kOnePC, "SystemSlot"}});
}

void CNetworkAdaptersSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvNetworkAdapter adapter(m_pConnection);
    SetKey(adapter, nPCID);
    WriteRecordLists(strReport, "NetworkAdapters", {{&adapter, kOnePC, "NetworkAdapter"}});
}

void CVideoAdaptersSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvVideoAdapter video(m_pConnection);
    CInvMonitor monitor(m_pConnection);
    SetKey(video, nPCID);
    SetKey(monitor, nPCID);
    WriteRecordLists(strReport, "VideoAdapters",
                     {{&video, kOnePC, "VideoAdapter"}, {&monitor, kOnePC, "Monitor"}});
}

void CDiskDrivesSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvDiskDrive hardDisks(m_pConnection);
    CInvLogicalDisk logicalDisks(m_pConnection);
    CInvDiskDrive cdroms(m_pConnection);
    CInvDiskDrive floppies(m_pConnection);
    SetKey(hardDisks, nPCID, kHardDisk);
    SetKey(logicalDisks, nPCID);
    SetKey(cdroms, nPCID, kCDROM);
    SetKey(floppies, nPCID, kFloppy);
    WriteRecordLists(strReport, "DiskDrives",
                     {{&hardDisks, kOnePCByType, "HardDisk"},
                      {&logicalDisks, kOnePC, "LogicalDisk"},
                      {&cdroms, kOnePCByType, "CDROM"},
                      {&floppies, kOnePCByType, "Floppy"}});
}

void CPrintersSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvPrinter printer(m_pConnection);
    SetKey(printer, nPCID);
    WriteRecordLists(strReport, "Printers", {{&printer, kOnePC, "Printer"}});
}

void CPeripheralsSection::WriteSection(LONG nPCID, CString& strReport) {
    CInvSoundCard sound(m_pConnection);
    CInvKeyboard keyboard(m_pConnection);
    CInvPointingDevice pointer(m_pConnection);
    CInvPeripheralDevice modems(m_pConnection);
    CInvPeripheralDevice usb(m_pConnection);
    CInvPeripheralDevice infrared(m_pConnection);
    CInvPeripheralDevice parallel(m_pConnection);
    CInvPeripheralDevice serial(m_pConnection);
    CInvPeripheralDevice pcmcia(m_pConnection);
    SetKey(sound, nPCID);
    SetKey(keyboard, nPCID);
    SetKey(pointer, nPCID);
    SetKey(modems, nPCID, kModem);
    SetKey(usb, nPCID, kUSB);
    SetKey(infrared, nPCID, kInfrared);
    SetKey(parallel, nPCID, kParallelPort);
    SetKey(serial, nPCID, kSerialPort);
    SetKey(pcmcia, nPCID, kPCMCIA);
    WriteRecordLists(strReport, "Peripherals",
                     {{&sound, kOnePC, "SoundCard"},
                      {&keyboard, kOnePC, "Keyboard"},
                      {&pointer, kOnePC, "Pointer"},
                      {&modems, kOnePCByType, "Modem"},
                      {&usb, kOnePCByType, "USB"},
                      {&infrared, kOnePCByType, "Infrared"},
                      {&parallel, kOnePCByType, "ParallelPort"},
                      {&serial, kOnePCByType, "SerialPort"},
                      {&pcmcia, kOnePCByType, "PCMCIADevice"}});
}
