// The report formats: each is a folder of stylesheets under the
// installation's Styles folder, handed to Display as its stylesheet folder.
#pragma once

#include <optional>
#include <string>

struct ReportFormat {
    const char* name;       // --format value
    const char* folder;     // below Styles/, "" for the installation's own page
    const char* extension;  // of batch files
};

// The format called `name`, or null.
const ReportFormat* FindReportFormat(const std::string& name);
// "html, print, text, xml".
std::string ReportFormatNames();

// What a report command hands to Display and where the stylesheet comes from.
struct ReportStyles {
    std::string hostString;  // Display's host string on entry: "" or a folder ending in '/'
    std::string folder;      // the folder StdHardwareStyleSheet.xsl is read from
    std::string extension;   // "html", "txt", "xml"
};

// Resolves a format name (--format, "html" when absent) or a stylesheet
// folder (--styles) against the Styles folder of the component at
// componentPath. False with a usage error in `error` (both given, an unknown
// format, an empty folder).
bool ResolveReportStyles(const std::optional<std::string>& format,
                         const std::optional<std::string>& stylesFolder,
                         const std::string& componentPath, ReportStyles& styles,
                         std::string& error);

// The stylesheet a report of these styles is rendered with.
std::string ReportStylesheetPath(const ReportStyles& styles);

// "the transformation failed: " and why: `reason` as the transformer gave it
// (GetLastTransformFailure), or, when that is empty, what is wrong with the
// stylesheet file at `path`.
std::string DescribeStylesheetFailure(const std::string& path, const std::string& reason);
