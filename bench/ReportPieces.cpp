#include "bench/ReportPieces.h"

#include <memory>
#include <stdexcept>

#include "db/AdditionalQueries.h"
#include "db/HardwareTables.h"
#include "report/ReportGenerator.h"

namespace bench {

namespace {

// Rows of one list: Select on the mode, then MoveNext to the end, as
// CReportSection::WriteRecordList does without writing.
template <class TTable>
size_t ReadList(TTable& table, uint32_t nMode) {
    size_t rows = 0;
    if (table.Select(nMode) > 0) {
        do {
            ++rows;
        } while (table.MoveNext());
    }
    return rows;
}

template <class TTable>
size_t ReadOnePc(CDataConnection* pConnection, LONG nPCID) {
    TTable table(pConnection);
    table.m_ID = nPCID;
    return ReadList(table, CPCIDataRecord::MODE_ONE_PC);
}

template <class TTable>
size_t ReadByType(CDataConnection* pConnection, LONG nPCID, LONG nType) {
    TTable table(pConnection);
    table.m_ID = nPCID;
    table.m_DeviceTypeID = nType;
    return ReadList(table, TTable::MODE_DEVICE_TYPE);
}

}  // namespace

size_t ReadReportRows(CDataConnection& connection, int32_t pcId) {
    CDataConnection* c = &connection;
    size_t rows = 0;
    // SystemOverview, then BIOS row 0 for manufacturer and model.
    rows += ReadOnePc<CDataSystemOverview>(c, pcId);
    {
        CDataBIOS bios(c);
        bios.m_ID = pcId;
        bios.m_BIOSID = 0;
        rows += static_cast<size_t>(bios.OpenByKey(CPCIDataRecord::MODE_FULL_KEY, false));
    }
    rows += ReadOnePc<CDataCPU>(c, pcId);
    rows += ReadOnePc<CDataBIOS>(c, pcId);
    rows += ReadOnePc<CDataMotherBoard>(c, pcId);
    rows += ReadOnePc<CDataPhysicalMemoryDevice>(c, pcId);
    rows += ReadOnePc<CDataSystemSlot>(c, pcId);
    {
        // An adapter without an address of its own has its rows read from the
        // address table while it is current.
        CDataNetworkAdapter adapter(c);
        adapter.m_ID = pcId;
        if (adapter.Select(CPCIDataRecord::MODE_ONE_PC) > 0) {
            do {
                ++rows;
                if (adapter.m_IPAddress.IsEmpty()) {
                    CDataNetworkIPAddress addresses(c);
                    addresses.m_ID = adapter.m_ID;
                    addresses.m_NetworkAdapterID = adapter.m_NetworkAdapterID;
                    rows += ReadList(addresses, CDataNetworkIPAddress::MODE_ONE_ADAPTER);
                }
            } while (adapter.MoveNext());
        }
    }
    rows += ReadOnePc<CDataVideoAdapter>(c, pcId);
    rows += ReadOnePc<CDataMonitor>(c, pcId);
    rows += ReadByType<CDataDiskDrive>(c, pcId, 0);
    rows += ReadOnePc<CDataLogicalDisk>(c, pcId);
    rows += ReadByType<CDataDiskDrive>(c, pcId, 1);
    rows += ReadByType<CDataDiskDrive>(c, pcId, 2);
    rows += ReadOnePc<CDataPrinter>(c, pcId);
    rows += ReadOnePc<CDataSoundCard>(c, pcId);
    rows += ReadOnePc<CDataKeyboard>(c, pcId);
    rows += ReadOnePc<CDataPointingDevice>(c, pcId);
    for (LONG type : {6, 5, 16, 14, 15, 17})
        rows += ReadByType<CDataPeripheralDevice>(c, pcId, type);

    CAdditionalDeviceQuery devices(c, pcId);
    if (devices.Execute(0, 0) > 0) {
        do {
            ++rows;
            CAdditionalValueQuery values(c, pcId, devices.m_nHardwareDeviceID);
            if (values.Execute(0, 0) > 0) {
                do {
                    ++rows;
                } while (values.FetchNext());
            }
        } while (devices.FetchNext());
    }
    return rows;
}

bool BenchTransformer::LookUpStylesFolder(CString& folder) {
    folder = m_folder.c_str();
    return true;
}

std::string BuildReportDocument(CDataConnection& connection, int32_t pcId) {
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pcId;
    request.User = "bench";
    request.CompanyName = "Example Ltd";
    ReportGenerator generator{CString()};
    CString document;
    document.Reserve(16 * 1024);
    generator.BuildDocument(&request, document);
    return document.str();
}

SplitTimes MeasureSplit(CDataConnection& connection, const std::vector<int32_t>& pcIds,
                        const std::string& stylesFolder) {
    SplitTimes times;
    const CString stylesheet = (stylesFolder + "StdHardwareStyleSheet.xsl").c_str();
    DisplayRequest request;
    request.Connection = &connection;
    request.User = "bench";
    request.CompanyName = "Example Ltd";
    for (const int32_t pcId : pcIds) {
        // Both the reads alone and the build find the PC's pages cached, so
        // their difference is the writing; Display's cold reads show as the
        // gap between this split and its own latency.
        ReadReportRows(connection, pcId);
        Clock::time_point start = Clock::now();
        times.rows += ReadReportRows(connection, pcId);
        times.reads.push_back(MillisecondsSince(start));

        // Display's own sequence: a generator, an empty document, the build.
        request.PCID = pcId;
        start = Clock::now();
        auto generator = std::make_unique<ReportGenerator>(CString(stylesFolder.c_str()));
        CString document;
        document.Reserve(16 * 1024);
        generator->BuildDocument(&request, document);
        times.build.push_back(MillisecondsSince(start));

        BenchTransformer transformer(stylesFolder);
        transformer.SetStylesheetPath(stylesheet);
        start = Clock::now();
        const bool loaded = transformer.LoadStylesheet();
        times.load.push_back(MillisecondsSince(start));

        CString html;
        start = Clock::now();
        const bool transformed = loaded && transformer.Transform(document, html);
        times.transform.push_back(MillisecondsSince(start));
        if (!transformed) throw std::runtime_error("the stylesheet did not transform a report");
    }
    return times;
}

}  // namespace bench
