#include "db/AdditionalQueries.h"

namespace {

// Text values hold at most 127 bytes; longer ones arrive cut.
constexpr int kTextWidth = 128;

// The identifiers are formatted into the text; the statements have no
// parameters. The runs of blanks are part of the stored statements.
const char kDeviceListSQL[] =
    "SELECT DISTINCT AdditionalHardwareDevice.HardwareDeviceID,AdditionalHardwareDevice.Name,      "
    "         AdditionalHardwareDevice.MultipleAllowed, AdditionalHardwareDevice.OwnBox "
    ",AdditionalHardwareDevice.DisplayOrder                FROM "
    "AdditionalHardware,AdditionalHardwareDevice WHERE AdditionalHardware.ID = %d                "
    "AND AdditionalHardware.HardwareDeviceID = AdditionalHardwareDevice.HardwareDeviceID           "
    "     ORDER BY AdditionalHardwareDevice.DisplayOrder ASC";

const char kValueListSQL[] =
    "SELECT AdditionalHardware.IndexID,AdditionalHardwareProperty.Name,               "
    "AdditionalHardware.DataValue,AdditionalHardwareProperty.DoubleWidth,"
    "AdditionalHardwareProperty.DisplayOrder                FROM "
    "AdditionalHardware,AdditionalHardwareProperty WHERE AdditionalHardware.ID = %d                "
    "AND AdditionalHardware.HardwareDeviceID = %d AND AdditionalHardware.HardwarePropertyID = "
    "AdditionalHardwareProperty.HardwarePropertyID                AND "
    "AdditionalHardwareProperty.HardwareDeviceID = %d               ORDER BY "
    "AdditionalHardware.IndexID ASC,AdditionalHardwareProperty.DisplayOrder ASC";

}  // namespace

CAdditionalDeviceQuery::CAdditionalDeviceQuery(CDataConnection* pConnection, LONG nPCID)
    : CDynamicQuery(pConnection), m_nPCID(nPCID) {
    SetRowsetSize(50);
    m_nDefaultTextWidth = kTextWidth;
    AddLong(&m_nHardwareDeviceID);
    AddText(&m_strName);
    AddLong(&m_nMultipleAllowed);
    AddLong(&m_nOwnBox);
    AddLong(&m_nDisplayOrder);
}

CString CAdditionalDeviceQuery::BuildSQL() {
    CString sql;
    sql.Format(kDeviceListSQL, m_nPCID);
    return sql;
}

CAdditionalValueQuery::CAdditionalValueQuery(CDataConnection* pConnection, LONG nPCID,
                                             LONG nDeviceID)
    : CDynamicQuery(pConnection), m_nPCID(nPCID), m_nDeviceID(nDeviceID) {
    SetRowsetSize(50);
    m_nDefaultTextWidth = kTextWidth;
    AddLong(&m_nIndexID);
    AddText(&m_strName);
    AddText(&m_strDataValue);
    AddLong(&m_nDoubleWidth);
    AddLong(&m_nDisplayOrder);
}

CString CAdditionalValueQuery::BuildSQL() {
    CString sql;
    sql.Format(kValueListSQL, m_nPCID, m_nDeviceID, m_nDeviceID);
    return sql;
}
