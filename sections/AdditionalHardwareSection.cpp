// The user-defined devices: a grid of rows with at most two columns, grouped
// into boxes (Additional elements).
#include "db/AdditionalQueries.h"
#include "sections/ReportSections.h"
#include "text/XmlText.h"

namespace {

// The grid being written: which elements are open and how full the row is.
class AdditionalLayout {
public:
    explicit AdditionalLayout(CString& report) : m_report(report) {}

    bool BoxOpen() const { return m_bBoxOpen; }
    bool RowOpen() const { return m_bRowOpen; }

    void OpenBox() {
        AppendStartTag(m_report, "Additional");
        m_bBoxOpen = true;
    }
    void CloseBox() {
        AppendEndTag(m_report, "Additional");
        m_bBoxOpen = false;
    }
    void OpenRow() {
        AppendStartTag(m_report, "DataRow");
        m_bRowOpen = true;
        m_nColumns = 0;
    }
    void CloseRow() {
        if (!m_bRowOpen) return;
        AppendEndTag(m_report, "DataRow");
        m_bRowOpen = false;
        m_nColumns = 0;
    }
    // One column: the header column of an instance carries no align attribute.
    void WriteColumn(bool bHeader, bool bDoubleWidth, const char* pszTitle, const char* pszValue) {
        std::string& text = m_report.str();
        text += "<DataCol";
        if (!bHeader) text += " align=\"left\"";
        if (bDoubleWidth) text += " DWidth=\"1\"";
        text += ">\r\n";
        AppendElement(m_report, "Name", pszTitle);
        AppendElement(m_report, "Value", pszValue);
        AppendEndTag(m_report, "DataCol");
        ++m_nColumns;
    }
    int Columns() const { return m_nColumns; }

private:
    CString& m_report;
    bool m_bBoxOpen = false;
    bool m_bRowOpen = false;
    int m_nColumns = 0;
};

}  // namespace

void CAdditionalHardwareSection::WriteSection(LONG nPCID, CString& strReport) {
    AdditionalLayout layout(strReport);
    try {
        CAdditionalDeviceQuery devices(m_pConnection, nPCID);
        if (devices.Execute(0, 0) <= 0) return;
        LONG nPreviousDevice = 0;
        bool bPreviousOwnBox = false;
        do {
            const bool bOwnBox = devices.m_nOwnBox != 0;
            if (layout.BoxOpen() && devices.m_nHardwareDeviceID != nPreviousDevice &&
                (bPreviousOwnBox || bOwnBox)) {
                layout.CloseRow();
                layout.CloseBox();
            }
            if (!layout.BoxOpen()) layout.OpenBox();
            nPreviousDevice = devices.m_nHardwareDeviceID;
            bPreviousOwnBox = bOwnBox;
            LONG nPreviousInstance = -1;

            CAdditionalValueQuery values(m_pConnection, nPCID, devices.m_nHardwareDeviceID);
            if (values.Execute(0, 0) > 0) {
                do {
                    const bool bDoubleWidth = values.m_nDoubleWidth != 0;
                    if (values.m_nIndexID != nPreviousInstance) {
                        nPreviousInstance = values.m_nIndexID;
                        layout.CloseRow();
                        layout.OpenRow();
                        CString title;
                        // Widened: the last instance number, 2147483647, is titled 2147483648.
                        if (devices.m_nMultipleAllowed != 0)
                            title.Format("%s%lld", values.m_strName.GetString(),
                                         static_cast<long long>(values.m_nIndexID) + 1);
                        else
                            title.Format("%s", values.m_strName.GetString());
                        layout.WriteColumn(true, bDoubleWidth, title, values.m_strDataValue);
                        if (bDoubleWidth) layout.CloseRow();
                    } else {
                        if (bDoubleWidth) layout.CloseRow();
                        if (!layout.RowOpen()) layout.OpenRow();
                        layout.WriteColumn(false, bDoubleWidth, values.m_strName,
                                           values.m_strDataValue);
                        if (layout.Columns() == 2 || bDoubleWidth) layout.CloseRow();
                    }
                } while (values.FetchNext());
            }
        } while (devices.FetchNext());
        layout.CloseRow();
        layout.CloseBox();
    } catch (const CDBException&) {
        // Only the box is closed: a row or column left open stays open.
        if (layout.BoxOpen()) AppendEndTag(strReport, "Additional");
        throw;
    }
}
