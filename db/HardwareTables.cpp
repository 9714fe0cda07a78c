#include "db/HardwareTables.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdarg>

#include "text/XmlText.h"

namespace {

CString Formatted(const char* pszFormat, ...) __attribute__((format(printf, 1, 2)));

CString Formatted(const char* pszFormat, ...) {
    CString str;
    va_list args;
    va_start(args, pszFormat);
    str.FormatV(pszFormat, args);
    va_end(args);
    return str;
}

// "<name>value</name>\r\n" with the value as it stands: numbers with their
// units, and the one text the report takes as markup.
void AppendRaw(CString& strOut, const char* pszName, const char* pszValue) {
    strOut.AppendFormat("<%s>%s</%s>\r\n", pszName, pszValue, pszName);
}

// As AppendElement, without the value's trailing white space.
void AppendTrimmed(CString& strOut, const char* pszName, const CString& strValue) {
    CString strTrimmed(strValue);
    strTrimmed.TrimRight();
    AppendElement(strOut, pszName, strTrimmed);
}

const char* MissingValue(const CReportDefaults* pDefaults) {
    return pDefaults ? pDefaults->m_strMissingValue.GetString() : "";
}

}  // namespace

// Per table: name, full key; the filters of mode 1 and mode 3; the table's
// own mode and its filter. Parameters are the leading key columns. The
// columns are each class's ExchangeColumns, and nowhere else.
// clang-format off
const HwTableDesc kBIOSTable = {
    "[dbo].[BIOS]", {"[ID]", "[BIOSID]"},
    {"ID = ? AND BIOSID = ?", 2}, {"ID = ?", 1},
    CDataBIOS::MODE_FROM_INSTANCE, {"ID = ? AND BIOSID >= ?", 2}};
const HwTableDesc kCPUTable = {
    "[dbo].[CPU]", {"[ID]", "[CPUID]"},
    {"ID = ? AND CPUID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kDiskDriveTable = {
    "[dbo].[DiskDrive]", {"[ID]", "[DeviceTypeID]", "[DiskDriveID]"},
    {"ID = ? AND DeviceTypeID = ? AND DiskDriveID = ?", 3}, {"ID = ?", 1},
    CDataDiskDrive::MODE_DEVICE_TYPE, {"ID = ? AND DeviceTypeID = ?", 2}};
const HwTableDesc kKeyboardTable = {
    "[dbo].[Keyboard]", {"[ID]", "[KeyboardID]"},
    {"ID = ? AND KeyboardID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kLogicalDiskTable = {
    "[dbo].[LogicalDisk]", {"[ID]", "[LogicalDiskID]"},
    {"ID = ? AND LogicalDiskID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kMonitorTable = {
    "[dbo].[Monitor]", {"[ID]", "[MonitorID]"},
    {"ID = ? AND MonitorID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kMotherBoardTable = {
    "[dbo].[MotherBoard]", {"[ID]", "[MotherBoardID]"},
    {"ID = ? AND MotherBoardID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kNetworkAdapterTable = {
    "[dbo].[NetworkAdapter]", {"[ID]", "[NetworkAdapterID]"},
    {"ID = ? AND NetworkAdapterID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kNetworkIPAddressTable = {
    "[dbo].[NetworkIPAddress]", {"[ID]", "[NetworkAdapterID]", "[IndexID]"},
    {"ID=? AND NetworkAdapterID=? AND IndexID=?", 3}, {"ID=?", 1},
    CDataNetworkIPAddress::MODE_ONE_ADAPTER, {"ID=? AND NetworkAdapterID=?", 2}};
const HwTableDesc kPeripheralDeviceTable = {
    "[dbo].[PeripheralDevice]", {"[ID]", "[DeviceTypeID]", "[DeviceID]"},
    {"ID = ? AND DeviceTypeID = ? AND DeviceID = ?", 3}, {"ID = ?", 1},
    CDataPeripheralDevice::MODE_DEVICE_TYPE, {"ID = ? AND DeviceTypeID = ?", 2}};
const HwTableDesc kPhysicalMemoryDeviceTable = {
    "[dbo].[PhysicalMemory]", {"[ID]", "[PhysicalmemoryID]"},
    {"ID = ? AND PhysicalmemoryID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kPointingDeviceTable = {
    "[dbo].[PointingDevice]", {"[ID]", "[PointingDeviceID]"},
    {"ID = ? AND PointingDeviceID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kPrinterTable = {
    "[dbo].[Printer]", {"[ID]", "[PrinterID]"},
    {"ID = ? AND PrinterID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kSoundCardTable = {
    "[dbo].[SoundCard]", {"[ID]", "[SoundCardID]"},
    {"ID = ? AND SoundCardID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kSystemOverviewTable = {
    "[dbo].[SystemOverview]", {"[ID]", "[OSID]"},
    {"ID = ? AND OSID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kSystemSlotTable = {
    "[dbo].[SystemSlot]", {"[ID]", "[SystemSlotID]"},
    {"ID = ? AND SystemSlotID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
const HwTableDesc kVideoAdapterTable = {
    "[dbo].[VideoAdapter]", {"[ID]", "[VideoAdapterID]"},
    {"ID = ? AND VideoAdapterID = ?", 2}, {"ID = ?", 1},
    0, {nullptr, 0}};
// clang-format on

// CHardwareTable

CHardwareTable::CHardwareTable(CDataConnection* pConnection, const HwTableDesc& desc, LONG* pKey1,
                               LONG* pKey2, LONG* pKey3)
    : CPCIDataRecord(pConnection), m_desc(desc), m_apKey{pKey1, pKey2, pKey3} {}

const HwFilter* CHardwareTable::FindFilter(uint32_t nQueryMode) const {
    static const HwFilter kNoFilter = {"", 0};
    if (nQueryMode == MODE_ALL) return &kNoFilter;
    if (nQueryMode == MODE_FULL_KEY) return &m_desc.fullKey;
    if (nQueryMode == MODE_ONE_PC) return &m_desc.onePC;
    if (m_desc.nOwnMode != 0 && nQueryMode == m_desc.nOwnMode) return &m_desc.ownFilter;
    return nullptr;
}

bool CHardwareTable::OpenFiltered(uint32_t nQueryMode, const HwFilter& filter) {
    if (IsOpen()) Close();
    m_nQueryMode = nQueryMode;
    m_nParams = static_cast<unsigned>(filter.nParams);
    m_strFilter = filter.pszText;
    Open(AFX_DB_USE_DEFAULT_TYPE, nullptr, none);
    return !IsEOF();
}

int CHardwareTable::OpenByKey(uint32_t nQueryMode, bool bKeepOpen) {
    if (nQueryMode != MODE_FULL_KEY) return -1;
    const bool bFound = OpenFiltered(nQueryMode, m_desc.fullKey);
    if (!bKeepOpen) Close();
    return bFound ? 1 : 0;
}

int CHardwareTable::Select(uint32_t nQueryMode) {
    // The full key is OpenByKey's: Select takes the multi-row modes only.
    const HwFilter* pFilter = nQueryMode == MODE_FULL_KEY ? nullptr : FindFilter(nQueryMode);
    if (!pFilter) return -1;
    return OpenFiltered(nQueryMode, *pFilter) ? 1 : 0;
}

void CHardwareTable::DoFieldExchange(CFieldExchange* pFX) {
    pFX->SetFieldType(CFieldExchange::outputColumn);
    ExchangeColumns(pFX);
    const HwFilter* pFilter = FindFilter(m_nQueryMode);
    if (!pFilter || pFilter->nParams == 0) return;
    pFX->SetFieldType(CFieldExchange::param);
    for (int i = 0; i < pFilter->nParams; ++i) RFX_Long(pFX, m_desc.apszKey[i], *m_apKey[i]);
}

// CDataBIOS

CDataBIOS::CDataBIOS(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kBIOSTable, &m_ID, &m_BIOSID) {}

void CDataBIOS::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[BIOSID]", m_BIOSID);
    RFX_Text(pFX, "[Version]", m_Version);
    RFX_Text(pFX, "[InstallDate]", m_InstallDate);
    RFX_Text(pFX, "[AssetTag]", m_AssetTag);
    RFX_Text(pFX, "[Manufacturer]", m_Manufacturer);
    RFX_Text(pFX, "[SystemMod]", m_SystemMod);
    RFX_Text(pFX, "[SystemMan]", m_SystemMan);
    RFX_Text(pFX, "[SerialNumber]", m_SerialNumber);
}

void CDataBIOS::WriteXml(CString& strOut, int /*nFormat*/, const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "AssetTag", m_AssetTag);
    AppendElement(strOut, "BIOSVersion", m_Version);
    AppendElement(strOut, "InstallDate", m_InstallDate);
    AppendElement(strOut, "BIOSManufacturer", m_Manufacturer);
    AppendElement(strOut, "SerialNumber", m_SerialNumber);
}

// CDataCPU

CDataCPU::CDataCPU(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kCPUTable, &m_ID, &m_CPUID) {}

void CDataCPU::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[CPUID]", m_CPUID);
    RFX_Long(pFX, "[Speed]", m_Speed);
    RFX_Text(pFX, "[Manufacturer]", m_Manufacturer);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataCPU::WriteXml(CString& strOut, int /*nFormat*/, const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    AppendElement(strOut, "CPUManufacturer", m_Manufacturer);
    AppendRaw(strOut, "ClockSpeed", Formatted("%d MHz", m_Speed));
}

// CDataDiskDrive

CDataDiskDrive::CDataDiskDrive(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kDiskDriveTable, &m_ID, &m_DeviceTypeID, &m_DiskDriveID) {}

void CDataDiskDrive::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[DeviceTypeID]", m_DeviceTypeID);
    RFX_Long(pFX, "[DiskDriveID]", m_DiskDriveID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[Drive]", m_Drive);
    RFX_Double(pFX, "[Capacity]", m_Capacity);
}

void CDataDiskDrive::WriteXml(CString& strOut, int /*nFormat*/,
                              const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    // Written only for a positive capacity (a NaN compares false too).
    if (m_Capacity > 0.0) AppendRaw(strOut, "Capacity", Formatted("%.2f GB", m_Capacity));
    if (!m_Drive.IsEmpty()) AppendTrimmed(strOut, "Drive", m_Drive);
}

// CDataKeyboard

CDataKeyboard::CDataKeyboard(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kKeyboardTable, &m_ID, &m_KeyboardID) {}

void CDataKeyboard::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[KeyboardID]", m_KeyboardID);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataKeyboard::WriteXml(CString& strOut, int /*nFormat*/,
                             const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
}

// CDataLogicalDisk

CDataLogicalDisk::CDataLogicalDisk(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kLogicalDiskTable, &m_ID, &m_LogicalDiskID) {}

void CDataLogicalDisk::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[LogicalDiskID]", m_LogicalDiskID);
    RFX_Long(pFX, "[DeviceTypeID]", m_DeviceTypeID);
    RFX_Long(pFX, "[DiskDriveID]", m_DiskDriveID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Double(pFX, "[Capacity]", m_Capacity);
    RFX_Double(pFX, "[FreeSpace]", m_FreeSpace);
    RFX_Text(pFX, "[FileSystem]", m_FileSystem);
}

void CDataLogicalDisk::WriteXml(CString& strOut, int /*nFormat*/,
                                const CReportDefaults* pDefaults) {
    AppendTrimmed(strOut, "FileSystem", m_FileSystem);
    AppendTrimmed(strOut, "DeviceID", m_Name);
    AppendRaw(strOut, "Size", Formatted("%.2f GB", m_Capacity));
    AppendRaw(strOut, "FreeSpace", Formatted("%.2f GB", m_FreeSpace));
    const double dPerCent = m_Capacity > 0.0 ? m_FreeSpace * 100.0 / m_Capacity : NAN;
    if (std::isnan(dPerCent)) {
        AppendElement(strOut, "FreePerCent", MissingValue(pDefaults));
    } else {
        // Truncates toward zero; absurd rows are held to the int range rather
        // than overflowing the conversion.
        const double dClamped =
            std::clamp(dPerCent, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX));
        AppendLongElement(strOut, "FreePerCent", static_cast<LONG>(dClamped));
    }
}

// CDataMonitor

CDataMonitor::CDataMonitor(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kMonitorTable, &m_ID, &m_MonitorID) {}

void CDataMonitor::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[MonitorID]", m_MonitorID);
    RFX_Text(pFX, "[Resolution]", m_Resolution);
    RFX_Long(pFX, "[RefreshRate]", m_RefreshRate);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataMonitor::WriteXml(CString& strOut, int /*nFormat*/,
                            const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    AppendElement(strOut, "Resolution", m_Resolution);
    AppendRaw(strOut, "RefreshRate", Formatted("%d Hz", m_RefreshRate));
}

// CDataMotherBoard

CDataMotherBoard::CDataMotherBoard(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kMotherBoardTable, &m_ID, &m_MotherBoardID) {}

void CDataMotherBoard::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[MotherBoardID]", m_MotherBoardID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[Version]", m_Version);
    RFX_Text(pFX, "[Product]", m_Product);
}

void CDataMotherBoard::WriteXml(CString& strOut, int /*nFormat*/,
                                const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    AppendElement(strOut, "Version", m_Version);
    AppendElement(strOut, "Product", m_Product);
}

// CDataNetworkAdapter

CDataNetworkAdapter::CDataNetworkAdapter(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kNetworkAdapterTable, &m_ID, &m_NetworkAdapterID) {}

void CDataNetworkAdapter::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[NetworkAdapterID]", m_NetworkAdapterID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[MacAddress]", m_MacAddress);
    RFX_Text(pFX, "[IPAddress]", m_IPAddress, 24);
    RFX_Text(pFX, "[DefaultIPGateway]", m_DefaultIPGateway);
    RFX_Text(pFX, "[DNSServer]", m_DNSServer);
    RFX_Text(pFX, "[AdapterType]", m_AdapterType, 128);
    RFX_Text(pFX, "[IPSubnet]", m_IPSubnet, 128);
    RFX_Text(pFX, "[WINSPrimaryServer]", m_WINSPrimaryServer, 128);
    RFX_Text(pFX, "[DHCPServer]", m_DHCPServer, 128);
}

void CDataNetworkAdapter::WriteXml(CString& strOut, int /*nFormat*/,
                                   const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    if (!m_IPAddress.IsEmpty()) {
        AppendElement(strOut, "IPAddress", m_IPAddress);
        AppendElement(strOut, "IPSubnet", m_IPSubnet);
    } else {
        // No address of its own: list the adapter's rows of the address table,
        // read on the same connection.
        strOut += "<IPAddresses>";
        CDataNetworkIPAddress addresses(m_pConnection);
        addresses.m_ID = m_ID;
        addresses.m_NetworkAdapterID = m_NetworkAdapterID;
        if (addresses.Select(CDataNetworkIPAddress::MODE_ONE_ADAPTER) > 0) {
            do {
                strOut += "<NetworkIPAddress>";
                AppendElement(strOut, "IPAddress", addresses.m_IPAddress);
                AppendElement(strOut, "IPSubnet", addresses.m_IPSubnet);
                strOut += "</NetworkIPAddress>";
            } while (addresses.MoveNext());
        }
        strOut += "</IPAddresses>";
    }
    AppendElement(strOut, "DNSServer", m_DNSServer);
    AppendElement(strOut, "DefaultIPGateway", m_DefaultIPGateway);
    AppendElement(strOut, "DHCPServer", m_DHCPServer);
    AppendElement(strOut, "MacAddress", m_MacAddress);
    AppendElement(strOut, "AdapterType", m_AdapterType);
    AppendElement(strOut, "WINSPrimaryServer", m_WINSPrimaryServer);
}

// CDataNetworkIPAddress

CDataNetworkIPAddress::CDataNetworkIPAddress(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kNetworkIPAddressTable, &m_ID, &m_NetworkAdapterID, &m_IndexID) {}

void CDataNetworkIPAddress::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[NetworkAdapterID]", m_NetworkAdapterID);
    RFX_Long(pFX, "[IndexID]", m_IndexID);
    RFX_Text(pFX, "[IPAddress]", m_IPAddress);
    RFX_Text(pFX, "[IPSubnet]", m_IPSubnet);
}

// CDataPeripheralDevice

CDataPeripheralDevice::CDataPeripheralDevice(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kPeripheralDeviceTable, &m_ID, &m_DeviceTypeID, &m_DeviceID) {}

void CDataPeripheralDevice::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[DeviceTypeID]", m_DeviceTypeID);
    RFX_Long(pFX, "[DeviceID]", m_DeviceID);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataPeripheralDevice::WriteXml(CString& strOut, int /*nFormat*/,
                                     const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
}

// CDataPhysicalMemoryDevice

CDataPhysicalMemoryDevice::CDataPhysicalMemoryDevice(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kPhysicalMemoryDeviceTable, &m_ID, &m_PhysicalmemoryID) {}

void CDataPhysicalMemoryDevice::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[PhysicalmemoryID]", m_PhysicalmemoryID);
    RFX_Text(pFX, "[DeviceLocator]", m_DeviceLocator);
    RFX_Long(pFX, "[Capacity]", m_Capacity);
}

void CDataPhysicalMemoryDevice::WriteXml(CString& strOut, int /*nFormat*/,
                                         const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_DeviceLocator);
    AppendRaw(strOut, "Capacity", Formatted("%d MB", m_Capacity));
}

// CDataPointingDevice

CDataPointingDevice::CDataPointingDevice(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kPointingDeviceTable, &m_ID, &m_PointingDeviceID) {}

void CDataPointingDevice::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[PointingDeviceID]", m_PointingDeviceID);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataPointingDevice::WriteXml(CString& strOut, int /*nFormat*/,
                                   const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
}

// CDataPrinter

CDataPrinter::CDataPrinter(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kPrinterTable, &m_ID, &m_PrinterID) {}

void CDataPrinter::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[PrinterID]", m_PrinterID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[PortName]", m_PortName);
    RFX_Long(pFX, "[State]", m_State);
}

void CDataPrinter::WriteXml(CString& strOut, int /*nFormat*/,
                            const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    AppendElement(strOut, "Location", m_PortName);
    AppendLongElement(strOut, "State", m_State != 0 ? 1 : 0);
}

// CDataSoundCard

CDataSoundCard::CDataSoundCard(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kSoundCardTable, &m_ID, &m_SoundCardID) {}

void CDataSoundCard::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[SoundCardID]", m_SoundCardID);
    RFX_Text(pFX, "[Name]", m_Name);
}

void CDataSoundCard::WriteXml(CString& strOut, int /*nFormat*/,
                              const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
}

// CDataSystemOverview

CDataSystemOverview::CDataSystemOverview(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kSystemOverviewTable, &m_ID, &m_OSID) {}

void CDataSystemOverview::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[OSID]", m_OSID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[OSName]", m_OSName);
    RFX_Text(pFX, "[Version]", m_Version);
    RFX_Text(pFX, "[UserName]", m_UserName);
    RFX_Long(pFX, "[Memory]", m_Memory);
    RFX_Text(pFX, "[ServicePack]", m_ServicePack);
    RFX_Text(pFX, "[SerialNumber]", m_SerialNumber);
    RFX_Text(pFX, "[TimeZone]", m_TimeZone);
    RFX_Text(pFX, "[Organisation]", m_Organisation);
    RFX_Text(pFX, "[LoggedOnUser]", m_LoggedOnUser);
    RFX_Text(pFX, "[WorkGroup]", m_WorkGroup);
    RFX_Text(pFX, "[SystemLanguage]", m_SystemLanguage);
    RFX_Text(pFX, "[DirectXVersion]", m_DirectXVersion);
    RFX_Text(pFX, "[SystemEnclosure]", m_SystemEnclosure);
}

void CDataSystemOverview::WriteXml(CString& strOut, int /*nFormat*/,
                                   const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "SystemName", m_Name);
    AppendElement(strOut, "Domain", m_WorkGroup);
    AppendElement(strOut, "OperatingSystem", m_OSName);
    AppendElement(strOut, "CSDVersion", m_ServicePack);
    AppendElement(strOut, "Version", m_Version);
    AppendElement(strOut, "SerialNumber", m_SerialNumber);
    AppendElement(strOut, "RegisteredUser", m_UserName);
    AppendElement(strOut, "Organization", m_Organisation);
    AppendElement(strOut, "Language", m_SystemLanguage);
    AppendElement(strOut, "TimeZone", m_TimeZone);
    AppendRaw(strOut, "PhysicalMemory", Formatted("%d MB", m_Memory));
    AppendElement(strOut, "LoggedOnUser", m_LoggedOnUser);
    AppendElement(strOut, "DXVersion", m_DirectXVersion);
    AppendElement(strOut, "SystemEnclosure", m_SystemEnclosure);
}

// CDataSystemSlot

CDataSystemSlot::CDataSystemSlot(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kSystemSlotTable, &m_ID, &m_SystemSlotID) {}

void CDataSystemSlot::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[SystemSlotID]", m_SystemSlotID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Text(pFX, "[InUse]", m_InUse);
}

void CDataSystemSlot::WriteXml(CString& strOut, int /*nFormat*/,
                               const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    // InUse goes out as stored, unescaped: the one value taken as markup.
    AppendRaw(strOut, "InUse", m_InUse);
}

// CDataVideoAdapter

CDataVideoAdapter::CDataVideoAdapter(CDataConnection* pConnection)
    : CHardwareTable(pConnection, kVideoAdapterTable, &m_ID, &m_VideoAdapterID) {}

void CDataVideoAdapter::ExchangeColumns(CFieldExchange* pFX) {
    RFX_Long(pFX, "[ID]", m_ID);
    RFX_Long(pFX, "[VideoAdapterID]", m_VideoAdapterID);
    RFX_Text(pFX, "[Name]", m_Name);
    RFX_Long(pFX, "[RAM]", m_RAM);
    RFX_Text(pFX, "[DACType]", m_DACType);
}

void CDataVideoAdapter::WriteXml(CString& strOut, int /*nFormat*/,
                                 const CReportDefaults* /*pDefaults*/) {
    AppendElement(strOut, "Name", m_Name);
    AppendRaw(strOut, "AdapterRAM", Formatted("%d MB", m_RAM));
    AppendElement(strOut, "DacType", m_DACType);
}
