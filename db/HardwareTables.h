// The seventeen hardware tables the report reads, one class per table, all of
// one shape: CHardwareTable holds what they share (query modes, the opening
// rules, parameter binding) and reads the rest from each table's descriptor.
// Each class lists its columns in binding order and writes its row as XML.
//
// Public members are named after their columns (m_ID, m_CPUID, m_Speed, ...):
// callers set the key members before OpenByKey / Select and read the row
// from the members afterwards.
#pragma once

#include <cstdint>

#include "db/CPCIDataRecord.h"
#include "db/CReportDefaults.h"

// One filter: its text, and how many leading key columns are its parameters.
struct HwFilter {
    const char* pszText;
    int nParams;
};

// What sets one hardware table apart from the others, apart from its columns
// (ExchangeColumns lists those; the recordset counts them as it binds).
struct HwTableDesc {
    const char* pszTable;    // the default SQL: the bracketed table name
    const char* apszKey[3];  // full key columns in order; the parameters' names
    HwFilter fullKey;        // mode 1, for OpenByKey
    HwFilter onePC;          // mode 3
    uint32_t nOwnMode;       // the table's own mode (7, 44, 55), 0 for none
    HwFilter ownFilter;
};

class CHardwareTable : public CPCIDataRecord {
public:
    int OpenByKey(uint32_t nQueryMode, bool bKeepOpen) override;
    int Select(uint32_t nQueryMode) override;
    CString GetDefaultSQL() override { return CString(m_desc.pszTable); }
    // Output columns in table order, then the current mode's key parameters.
    void DoFieldExchange(CFieldExchange* pFX) override;

protected:
    // The key pointers are the derived table's own members, in key order.
    CHardwareTable(CDataConnection* pConnection, const HwTableDesc& desc, LONG* pKey1, LONG* pKey2,
                   LONG* pKey3 = nullptr);
    // Binds every column of the table, in binding order, to its member.
    virtual void ExchangeColumns(CFieldExchange* pFX) = 0;

private:
    const HwFilter* FindFilter(uint32_t nQueryMode) const;
    // Reopens the recordset on `filter`; true when a row is current.
    bool OpenFiltered(uint32_t nQueryMode, const HwFilter& filter);

    const HwTableDesc& m_desc;
    LONG* m_apKey[3];
};

// [dbo].[BIOS]
class CDataBIOS : public CHardwareTable {
public:
    enum : uint32_t { MODE_FROM_INSTANCE = 44 };  // "ID = ? AND BIOSID >= ?"

    explicit CDataBIOS(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_BIOSID = 0;
    CString m_Version;
    CString m_InstallDate;
    CString m_AssetTag;
    CString m_Manufacturer;
    CString m_SystemMod;
    CString m_SystemMan;
    CString m_SerialNumber;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[CPU]
class CDataCPU : public CHardwareTable {
public:
    explicit CDataCPU(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_CPUID = 0;
    LONG m_Speed = 0;
    CString m_Manufacturer;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[DiskDrive]
class CDataDiskDrive : public CHardwareTable {
public:
    enum : uint32_t { MODE_DEVICE_TYPE = 7 };  // "ID = ? AND DeviceTypeID = ?"

    explicit CDataDiskDrive(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_DeviceTypeID = 0;
    LONG m_DiskDriveID = 0;
    CString m_Name;
    CString m_Drive;
    double m_Capacity = 0.0;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[Keyboard]
class CDataKeyboard : public CHardwareTable {
public:
    explicit CDataKeyboard(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_KeyboardID = 0;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[LogicalDisk]
class CDataLogicalDisk : public CHardwareTable {
public:
    explicit CDataLogicalDisk(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_LogicalDiskID = 0;
    LONG m_DeviceTypeID = 0;
    LONG m_DiskDriveID = 0;
    CString m_Name;
    double m_Capacity = 0.0;
    double m_FreeSpace = 0.0;
    CString m_FileSystem;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[Monitor]
class CDataMonitor : public CHardwareTable {
public:
    explicit CDataMonitor(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_MonitorID = 0;
    CString m_Resolution;
    LONG m_RefreshRate = 0;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[MotherBoard]
class CDataMotherBoard : public CHardwareTable {
public:
    explicit CDataMotherBoard(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_MotherBoardID = 0;
    CString m_Name;
    CString m_Version;
    CString m_Product;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[NetworkAdapter]
class CDataNetworkAdapter : public CHardwareTable {
public:
    explicit CDataNetworkAdapter(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_NetworkAdapterID = 0;
    CString m_Name;
    CString m_MacAddress;
    CString m_IPAddress;
    CString m_DefaultIPGateway;
    CString m_DNSServer;
    CString m_AdapterType;
    CString m_IPSubnet;
    CString m_WINSPrimaryServer;
    CString m_DHCPServer;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[NetworkIPAddress]
class CDataNetworkIPAddress : public CHardwareTable {
public:
    explicit CDataNetworkIPAddress(CDataConnection* pConnection);
    // Its rows are written by CDataNetworkAdapter; it writes nothing itself.
    enum : uint32_t { MODE_ONE_ADAPTER = 55 };  // "ID=? AND NetworkAdapterID=?"

    LONG m_ID = 0;
    LONG m_NetworkAdapterID = 0;
    LONG m_IndexID = 0;
    CString m_IPAddress;
    CString m_IPSubnet;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[PeripheralDevice]
class CDataPeripheralDevice : public CHardwareTable {
public:
    enum : uint32_t { MODE_DEVICE_TYPE = 7 };  // "ID = ? AND DeviceTypeID = ?"

    explicit CDataPeripheralDevice(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_DeviceTypeID = 0;
    LONG m_DeviceID = 0;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[PhysicalMemory]
class CDataPhysicalMemoryDevice : public CHardwareTable {
public:
    explicit CDataPhysicalMemoryDevice(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_PhysicalmemoryID = 0;
    CString m_DeviceLocator;
    LONG m_Capacity = 0;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[PointingDevice]
class CDataPointingDevice : public CHardwareTable {
public:
    explicit CDataPointingDevice(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_PointingDeviceID = 0;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[Printer]
class CDataPrinter : public CHardwareTable {
public:
    explicit CDataPrinter(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_PrinterID = 0;
    CString m_Name;
    CString m_PortName;
    LONG m_State = 0;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[SoundCard]
class CDataSoundCard : public CHardwareTable {
public:
    explicit CDataSoundCard(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_SoundCardID = 0;
    CString m_Name;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[SystemOverview]
class CDataSystemOverview : public CHardwareTable {
public:
    explicit CDataSystemOverview(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_OSID = 0;
    CString m_Name;
    CString m_OSName;
    CString m_Version;
    CString m_UserName;
    LONG m_Memory = 0;
    CString m_ServicePack;
    CString m_SerialNumber;
    CString m_TimeZone;
    CString m_Organisation;
    CString m_LoggedOnUser;
    CString m_WorkGroup;
    CString m_SystemLanguage;
    CString m_DirectXVersion;
    CString m_SystemEnclosure;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[SystemSlot]
class CDataSystemSlot : public CHardwareTable {
public:
    explicit CDataSystemSlot(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_SystemSlotID = 0;
    CString m_Name;
    CString m_InUse;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};

// [dbo].[VideoAdapter]
class CDataVideoAdapter : public CHardwareTable {
public:
    explicit CDataVideoAdapter(CDataConnection* pConnection);
    void WriteXml(CString& strOut, int nFormat, const CReportDefaults* pDefaults) override;

    LONG m_ID = 0;
    LONG m_VideoAdapterID = 0;
    CString m_Name;
    LONG m_RAM = 0;
    CString m_DACType;

protected:
    void ExchangeColumns(CFieldExchange* pFX) override;
};
