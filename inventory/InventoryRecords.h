// The sixteen hardware record classes: each joins its table class (first
// base) with CInvItem (second base). CInvRecord holds what they share; each
// class names its table, its instance column and the answers that differ.
#pragma once

#include "db/HardwareTables.h"
#include "inventory/CInvItem.h"

template <class TTable, LONG TTable::*InstanceKey>
class CInvRecord : public TTable, public CInvItem {
public:
    explicit CInvRecord(CDataConnection* pConnection) : TTable(pConnection) {}

    bool ReadFromXml() override { return TTable::ReadXml(); }
    int FindInstance(LONG nPCID, LONG nInstance) override {
        this->m_ID = nPCID;
        this->*InstanceKey = nInstance;
        int found = TTable::OpenByKey(CPCIDataRecord::MODE_FULL_KEY, false);
        if (found > 0) m_bNew = false;
        return found;
    }
    int Save() override { return TTable::Store(0); }
    bool GetHistoryEntry(int, CString&, CString&) override { return false; }
    bool MoveNextItem() override { return TTable::MoveNext(); }
    int DeleteFrom(LONG, LONG) override { return 0; }
    CPCIDataRecord* GetRecordset() override { return this; }
    bool IsCategoryItem() const override { return true; }
    bool Describe(CString&, CString&, CString&) override { return false; }
    const char* GetDescriptiveColumn() const override { return "Name"; }
    bool ChangeCounts(int) override { return true; }
};

class CInvSystemOverview : public CInvRecord<CDataSystemOverview, &CDataSystemOverview::m_OSID> {
public:
    using CInvRecord::CInvRecord;
    bool IsCategoryItem() const override { return false; }
    const char* GetDescriptiveColumn() const override { return ""; }
};

class CInvBIOS : public CInvRecord<CDataBIOS, &CDataBIOS::m_BIOSID> {
public:
    using CInvRecord::CInvRecord;
    bool IsCategoryItem() const override { return false; }
    const char* GetDescriptiveColumn() const override { return ""; }
    // The system's manufacturer and model as the system overview shows them:
    // Manufacturer from SystemMan and Model from SystemMod, the missing-value
    // text standing in for an empty column.
    virtual void WriteSummaryXml(CString& strOut, const CReportDefaults* pDefaults);
};

class CInvCPU : public CInvRecord<CDataCPU, &CDataCPU::m_CPUID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvMotherBoard : public CInvRecord<CDataMotherBoard, &CDataMotherBoard::m_MotherBoardID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvPhysicalMemoryDevice
    : public CInvRecord<CDataPhysicalMemoryDevice, &CDataPhysicalMemoryDevice::m_PhysicalmemoryID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvSystemSlot : public CInvRecord<CDataSystemSlot, &CDataSystemSlot::m_SystemSlotID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvNetworkAdapter
    : public CInvRecord<CDataNetworkAdapter, &CDataNetworkAdapter::m_NetworkAdapterID> {
public:
    using CInvRecord::CInvRecord;
    // Name, MAC address and IP address of the adapter's current row.
    bool Describe(CString& strFirst, CString& strSecond, CString& strThird) override;
    const char* GetDescriptiveColumn() const override { return "MACAddress"; }
};

class CInvVideoAdapter
    : public CInvRecord<CDataVideoAdapter, &CDataVideoAdapter::m_VideoAdapterID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvMonitor : public CInvRecord<CDataMonitor, &CDataMonitor::m_MonitorID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvDiskDrive : public CInvRecord<CDataDiskDrive, &CDataDiskDrive::m_DiskDriveID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvLogicalDisk : public CInvRecord<CDataLogicalDisk, &CDataLogicalDisk::m_LogicalDiskID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvPrinter : public CInvRecord<CDataPrinter, &CDataPrinter::m_PrinterID> {
public:
    using CInvRecord::CInvRecord;
    // A printer's changes count only while it is in use.
    bool ChangeCounts(int) override { return m_State != 0; }
};

class CInvSoundCard : public CInvRecord<CDataSoundCard, &CDataSoundCard::m_SoundCardID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvKeyboard : public CInvRecord<CDataKeyboard, &CDataKeyboard::m_KeyboardID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvPointingDevice
    : public CInvRecord<CDataPointingDevice, &CDataPointingDevice::m_PointingDeviceID> {
public:
    using CInvRecord::CInvRecord;
};

class CInvPeripheralDevice
    : public CInvRecord<CDataPeripheralDevice, &CDataPeripheralDevice::m_DeviceID> {
public:
    using CInvRecord::CInvRecord;
};
