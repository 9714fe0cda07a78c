// The body of the report: nine sections, always in the same order, each
// appending one section element (or nothing, when the PC has no rows for it).
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <vector>

#include "db/CReportDefaults.h"
#include "inventory/CInvItem.h"
#include "platform/CString.h"
#include "platform/DataConnection.h"

class CReportSection {
public:
    // Keeps the connection (not owned); m_pDefaults stays null until the
    // document sets it before WriteSection.
    explicit CReportSection(CDataConnection* pConnection) : m_pConnection(pConnection) {}
    virtual ~CReportSection() = default;
    CReportSection(const CReportSection&) = delete;
    CReportSection& operator=(const CReportSection&) = delete;

    // Appends the section's XML for PC nPCID to strReport. On a CDBException
    // the section element is closed if it was opened and the exception
    // rethrown; everything appended before stays.
    virtual void WriteSection(LONG nPCID, CString& strReport) = 0;

    CDataConnection* m_pConnection;
    const CReportDefaults* m_pDefaults = nullptr;

protected:
    // Writes all rows of `item` selected by nQueryMode (its key members set
    // by the caller), each inside strRowElement when that is not empty. The
    // first row found writes strSectionElement's start tag (when not empty)
    // and sets bStarted; no rows write nothing.
    void WriteRecordList(CInvItem& item, uint32_t nQueryMode, CString& strReport,
                         const CString& strRowElement, const CString& strSectionElement,
                         bool& bStarted);

    struct RecordList {
        CInvItem* pItem;
        uint32_t nQueryMode;
        const char* pszRowElement;
    };
    // A section made of record lists: the start tag before the first row of
    // the first list that has one, the end tag after the last, and the
    // database-exception rule.
    void WriteRecordLists(CString& strReport, const char* pszSectionElement,
                          std::initializer_list<RecordList> lists);

    // The database-exception rule of every section element: runs
    // write(bStarted), which sets bStarted once it has written the start tag,
    // then appends the end tag if the element was started, also when a
    // CDBException passes (which is then rethrown).
    template <class TWrite>
    static void WriteSectionElement(CString& strReport, const char* pszSectionElement,
                                    TWrite write);
};

// Appends "<name>\r\n" / "</name>\r\n".
void AppendStartTag(CString& strReport, const char* pszName);
void AppendEndTag(CString& strReport, const char* pszName);

// Creates the nine sections on pConnection, in report order, and appends
// them to `list`, which owns them.
void BuildSectionList(std::vector<std::unique_ptr<CReportSection>>& list,
                      CDataConnection* pConnection);

// The report defaults every section hands its writers: an empty missing-value text.
const CReportDefaults* GetReportDefaults();

template <class TWrite>
void CReportSection::WriteSectionElement(CString& strReport, const char* pszSectionElement,
                                         TWrite write) {
    bool bStarted = false;
    try {
        write(bStarted);
    } catch (const CDBException&) {
        if (bStarted) AppendEndTag(strReport, pszSectionElement);
        throw;
    }
    if (bStarted) AppendEndTag(strReport, pszSectionElement);
}
