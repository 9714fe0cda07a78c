#include "bench/ReportPieces.h"

#include <memory>
#include <stdexcept>
#include <vector>

#include "report/ReportGenerator.h"
#include "sections/CReportSection.h"

namespace bench {

namespace {

// The nine sections' own code, run as BuildDocument runs it: their database
// reads and the text of their rows, which they interleave.
double TimeSections(CDataConnection& connection, int32_t pcId) {
    CString text;
    text.Reserve(16 * 1024);
    const Clock::time_point start = Clock::now();
    std::vector<std::unique_ptr<CReportSection>> sections;
    BuildSectionList(sections, &connection);
    for (std::unique_ptr<CReportSection>& section : sections) {
        section->m_pDefaults = GetReportDefaults();
        section->WriteSection(pcId, text);
        section.reset();
    }
    return MillisecondsSince(start);
}

}  // namespace

bool BenchTransformer::LookUpStylesFolder(CString& folder) {
    folder = m_folder.c_str();
    return true;
}

std::string BuildReportDocument(CDataConnection& connection, int32_t pcId) {
    const DisplayRequest request = BenchRequest(connection, pcId);
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
    DisplayRequest request = BenchRequest(connection);
    for (const int32_t pcId : pcIds) {
        // Both the sections alone and the build find the PC's pages cached,
        // so their difference is the document's own frame; Display's cold
        // reads show as the gap between this split and its own latency.
        TimeSections(connection, pcId);
        times.sections.push_back(TimeSections(connection, pcId));

        // Display's own sequence: a generator, an empty document, the build.
        request.PCID = pcId;
        Clock::time_point start = Clock::now();
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
