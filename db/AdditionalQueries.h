// The two queries of user-defined devices: the device types a PC has, and
// the property values of one such device on that PC.
#pragma once

#include "db/DynamicQuery.h"

// Each additional device type with at least one value for the PC, once, in the
// devices' display order.
class CAdditionalDeviceQuery : public CDynamicQuery {
public:
    CAdditionalDeviceQuery(CDataConnection* pConnection, LONG nPCID);
    CString BuildSQL() override;

    LONG m_nPCID;
    LONG m_nHardwareDeviceID = 0;
    CString m_strName;
    LONG m_nMultipleAllowed = 0;
    LONG m_nOwnBox = 0;
    LONG m_nDisplayOrder = 0;
};

// The values of one device type on the PC, grouped by instance (IndexID) and
// within an instance in the properties' display order.
class CAdditionalValueQuery : public CDynamicQuery {
public:
    CAdditionalValueQuery(CDataConnection* pConnection, LONG nPCID, LONG nDeviceID);
    CString BuildSQL() override;

    LONG m_nPCID;
    LONG m_nDeviceID;
    LONG m_nIndexID = 0;
    CString m_strName;  // the property's name
    CString m_strDataValue;
    LONG m_nDoubleWidth = 0;
    LONG m_nDisplayOrder = 0;
};
