// What the record writers put where a value is missing. The report path
// leaves the text empty, so a missing value yields an empty element.
#pragma once

#include "platform/CString.h"

struct CReportDefaults {
    CString m_strMissingValue;  // written (escaped) in place of a missing value
};
