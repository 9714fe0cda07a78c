#include "host/ReportFormat.h"

#include "host/Output.h"
#include "platform/XmlServices.h"

namespace {

const ReportFormat kFormats[] = {
    {"html", "", "html"},
    {"print", "print/", "html"},
    {"text", "text/", "txt"},
    {"xml", "xml/", "xml"},
};

}  // namespace

const ReportFormat* FindReportFormat(const std::string& name) {
    for (const ReportFormat& format : kFormats)
        if (name == format.name) return &format;
    return nullptr;
}

std::string ReportFormatNames() {
    std::string names;
    for (const ReportFormat& format : kFormats) {
        if (!names.empty()) names += ", ";
        names += format.name;
    }
    return names;
}

bool ResolveReportStyles(const std::optional<std::string>& format,
                         const std::optional<std::string>& stylesFolder,
                         const std::string& componentPath, ReportStyles& styles,
                         std::string& error) {
    if (format && stylesFolder) {
        error = "give either --format NAME or --styles DIR, not both";
        return false;
    }
    const std::string installed = StylesFolderOf(componentPath);
    if (stylesFolder) {
        std::string folder = *stylesFolder;
        if (folder.empty()) {
            error = "--styles needs a folder";
            return false;
        }
        if (folder.back() != '/') folder += '/';
        styles = {folder, folder, "html"};
        return true;
    }
    const std::string name = format.value_or("html");
    const ReportFormat* found = FindReportFormat(name);
    if (!found) {
        error = "unknown format '" + name + "' (one of: " + ReportFormatNames() + ")";
        return false;
    }
    // html: an empty host string, so the component uses its own Styles folder.
    const std::string folder = installed + found->folder;
    styles = {*found->folder ? folder : std::string(), folder, found->extension};
    return true;
}

std::string ReportStylesheetPath(const ReportStyles& styles) {
    return styles.folder + "StdHardwareStyleSheet.xsl";
}

std::string DescribeStylesheetFailure(const std::string& path, const std::string& reason) {
    if (!reason.empty()) return "the transformation failed: " + reason;
    std::string content, error;
    if (!ReadXmlFile(path, "stylesheet", content, error))
        return "the transformation failed: " + error;
    return "the transformation failed: stylesheet " + path + " gave no output";
}
