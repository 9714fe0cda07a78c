#include "history/Changes.h"

#include <libxml/tree.h>

#include <algorithm>
#include <cctype>
#include <nlohmann/json.hpp>

#include "history/Snapshots.h"
#include "host/Installation.h"
#include "platform/ComError.h"
#include "platform/XmlServices.h"
#include "report/StylesheetTransformer.h"

namespace hwhistory {

namespace {

const ReportField* FieldOf(const ReportModel& model, const char* item, const char* field) {
    for (const ReportRow& row : model.rows)
        if (row.item == item)
            for (const ReportField& f : row.fields)
                if (f.name == field) return &f;
    return nullptr;
}

size_t Count(const ReportModel& model, const char* item) {
    return static_cast<size_t>(std::count_if(model.rows.begin(), model.rows.end(),
                                             [&](const ReportRow& r) { return r.item == item; }));
}

// The changes that mean theft, failure or a swapped machine.
std::vector<std::string> Significant(const ReportModel& before, const ReportModel& after,
                                     const std::vector<RowChange>& rows) {
    std::vector<std::string> reasons;
    const bool memory = std::any_of(rows.begin(), rows.end(), [](const RowChange& c) {
        if (c.item == "MemorySlot") return true;
        return c.item == "SystemOverview" &&
               std::any_of(c.fields.begin(), c.fields.end(),
                           [](const FieldChange& f) { return f.name == "PhysicalMemory"; });
    });
    if (memory) reasons.emplace_back("memory");
    if (Count(before, "HardDisk") != Count(after, "HardDisk")) reasons.emplace_back("disk count");
    const ReportField* was = FieldOf(before, "BIOS", "SerialNumber");
    const ReportField* is = FieldOf(after, "BIOS", "SerialNumber");
    if ((was ? was->value : "") != (is ? is->value : "")) reasons.emplace_back("serial number");
    return reasons;
}

std::string NameOf(const ReportModel& model) {
    const ReportField* name = FieldOf(model, "SystemOverview", "SystemName");
    return name ? name->value : "";
}

PcChange Step(const Snapshot* before, const Snapshot& after, const ChangesOptions& options) {
    const ReportModel now = ReadReport(after.document);
    PcChange change;
    change.pcId = after.pcId;
    change.name = NameOf(now);
    change.time = after.inventoryTime;
    if (!before) return change;
    const ReportModel was = ReadReport(before->document);
    change.previousTime = before->inventoryTime;
    change.rows = DiffReports(was, now, options.all);
    change.significant = Significant(was, now, change.rows);
    return change;
}

bool AtOrAfter(const std::string& time, const std::string& since) {
    return since.empty() || time >= since;
}

using Json = nlohmann::ordered_json;

Json RowJson(const RowChange& row) {
    Json fields = Json::array();
    for (const FieldChange& f : row.fields) {
        Json field = {{"field", f.name}};
        if (row.kind != RowChange::kAdded) field["old"] = f.oldValue;
        if (row.kind != RowChange::kRemoved) field["new"] = f.newValue;
        fields.push_back(std::move(field));
    }
    return {{"section", row.section}, {"item", row.item},     {"key", row.key},
            {"change", KindName(row.kind)}, {"fields", fields}};
}

std::string Join(const std::vector<std::string>& parts, const char* separator) {
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : separator) + p;
    return out;
}

std::string Csv(const std::string& value) {
    if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
    std::string out = "\"";
    for (char ch : value) out += ch == '"' ? std::string("\"\"") : std::string(1, ch);
    return out + '"';
}

std::string Quoted(const std::string& key) { return key.empty() ? "" : " \"" + key + "\""; }

class ChangesTransformer : public StylesheetTransformer {
public:
    ChangesTransformer(std::string stylesFolder, std::string pcLink)
        : m_stylesFolder(std::move(stylesFolder)), m_pcLink(std::move(pcLink)) {}

protected:
    bool LookUpStylesFolder(CString& folder) override {
        folder = m_stylesFolder;
        return !m_stylesFolder.empty();
    }
    Parameters HostParameters() const override { return {{"PcLink", m_pcLink}}; }

private:
    std::string m_stylesFolder, m_pcLink;
};

void Attribute(xmlNode* node, const char* name, const std::string& value) {
    xmlNewProp(node, BAD_CAST name, BAD_CAST value.c_str());
}

}  // namespace

ChangeList PcChanges(CDatabase& db, int32_t pcId, const ChangesOptions& options) {
    const std::vector<Snapshot> snapshots = ReadSnapshots(db, pcId);
    ChangeList list{options.since, {}};
    for (size_t i = snapshots.size(); i-- > 0;) {
        const Snapshot& s = snapshots[i];
        if (!AtOrAfter(s.inventoryTime, options.since)) break;
        // The oldest snapshot kept is the PC's first only if none was pruned.
        if (i == 0 && s.snapshotId != 1) break;
        PcChange change = Step(i ? &snapshots[i - 1] : nullptr, s, options);
        if (i == 0 || !change.rows.empty()) list.changes.push_back(std::move(change));
    }
    return list;
}

ChangeList FleetChanges(CDatabase& db, const ChangesOptions& options) {
    ChangeList list{options.since, {}};
    std::vector<PcChange> others;
    for (const int32_t pcId : PcsWithSnapshots(db, options.since)) {
        const std::vector<Snapshot> snapshots = ReadSnapshots(db, pcId);
        if (snapshots.empty()) continue;
        // The base: the last snapshot before `since`, or without a date the
        // oldest kept; none for a PC that is new since then.
        const Snapshot* base = options.since.empty() ? &snapshots.front() : nullptr;
        for (const Snapshot& s : snapshots)
            if (!options.since.empty() && !AtOrAfter(s.inventoryTime, options.since)) base = &s;
        // Pruned history: the oldest kept stands in for what came before.
        if (!base && snapshots.front().snapshotId != 1) base = &snapshots.front();
        if (base == &snapshots.back()) continue;
        PcChange change = Step(base, snapshots.back(), options);
        if (base && change.rows.empty()) continue;
        (change.significant.empty() ? others : list.changes).push_back(std::move(change));
    }
    for (PcChange& c : others) list.changes.push_back(std::move(c));
    return list;
}

bool IsSinceDate(const std::string& text) {
    // YYYY-MM-DD, then optionally THH:MM, :SS and Z.
    static const char kShape[] = "dddd-dd-ddTdd:dd:ddZ";
    const size_t n = text.size();
    if (n != 10 && n != 16 && n != 17 && n != 19 && n != 20) return false;
    for (size_t i = 0; i < n; ++i) {
        const char want = kShape[i];
        if (want == 'd' ? !isdigit(static_cast<unsigned char>(text[i])) : text[i] != want)
            return false;
    }
    return n != 17 || text[16] == 'Z';
}

std::string RowsJson(const std::vector<RowChange>& rows) {
    Json array = Json::array();
    for (const RowChange& row : rows) array.push_back(RowJson(row));
    return array.dump();
}

std::string ChangesJson(const ChangeList& list) {
    Json changes = Json::array();
    for (const PcChange& c : list.changes) {
        Json rows = Json::array();
        for (const RowChange& row : c.rows) rows.push_back(RowJson(row));
        changes.push_back({{"pc", c.pcId},
                           {"name", c.name},
                           {"previous", c.previousTime},
                           {"time", c.time},
                           {"significant", c.significant},
                           {"rows", rows}});
    }
    Json out = {{"since", list.since}, {"changes", changes}};
    return out.dump(1) + "\n";
}

std::string ChangesText(const ChangeList& list) {
    std::string out = list.since.empty() ? "Changes\n" : "Changes since " + list.since + "\n";
    if (list.changes.empty()) out += "No changes.\n";
    for (const PcChange& c : list.changes) {
        out += "\nPC " + std::to_string(c.pcId) + (c.name.empty() ? "" : " " + c.name) + ": ";
        out += c.previousTime.empty() ? "first inventory " + c.time
                                      : c.previousTime + " -> " + c.time;
        if (!c.significant.empty()) out += " (" + Join(c.significant, ", ") + ")";
        out += '\n';
        for (const RowChange& row : c.rows) {
            out += "  " + row.section + " / " + row.item + Quoted(row.key) + ": " +
                   KindName(row.kind) + '\n';
            for (const FieldChange& f : row.fields) {
                out += "    " + f.name + ": ";
                if (row.kind == RowChange::kAdded)
                    out += f.newValue;
                else if (row.kind == RowChange::kRemoved)
                    out += f.oldValue;
                else
                    out += f.oldValue + " -> " + f.newValue;
                out += '\n';
            }
        }
    }
    return out;
}

std::string ChangesCsv(const ChangeList& list) {
    std::string out = "pc,name,previous,time,significant,section,item,key,change,field,old,new\r\n";
    for (const PcChange& c : list.changes) {
        const std::string head = std::to_string(c.pcId) + ',' + Csv(c.name) + ',' +
                                 Csv(c.previousTime) + ',' + Csv(c.time) + ',' +
                                 Csv(Join(c.significant, "; ")) + ',';
        if (c.rows.empty()) out += head + ",,,,,,\r\n";
        for (const RowChange& row : c.rows)
            for (const FieldChange& f : row.fields)
                out += head + Csv(row.section) + ',' + Csv(row.item) + ',' + Csv(row.key) + ',' +
                       KindName(row.kind) + ',' + Csv(f.name) + ',' + Csv(f.oldValue) + ',' +
                       Csv(f.newValue) + "\r\n";
    }
    return out;
}

std::string ChangesXml(const ChangeList& list, const std::string& title) {
    xmlDoc* doc = xmlNewDoc(BAD_CAST "1.0");
    xmlNode* root = xmlNewNode(nullptr, BAD_CAST "Changes");
    xmlDocSetRootElement(doc, root);
    Attribute(root, "title", title);
    Attribute(root, "since", list.since);
    for (const PcChange& c : list.changes) {
        xmlNode* pc = xmlNewChild(root, nullptr, BAD_CAST "PC", nullptr);
        Attribute(pc, "id", std::to_string(c.pcId));
        Attribute(pc, "name", c.name);
        Attribute(pc, "previous", c.previousTime);
        Attribute(pc, "time", c.time);
        Attribute(pc, "significant", Join(c.significant, ", "));
        for (const RowChange& row : c.rows) {
            xmlNode* r = xmlNewChild(pc, nullptr, BAD_CAST "Row", nullptr);
            Attribute(r, "section", row.section);
            Attribute(r, "item", row.item);
            Attribute(r, "key", row.key);
            Attribute(r, "change", KindName(row.kind));
            for (const FieldChange& f : row.fields) {
                xmlNode* field = xmlNewChild(r, nullptr, BAD_CAST "Field", nullptr);
                Attribute(field, "name", f.name);
                if (row.kind != RowChange::kAdded)
                    xmlNewTextChild(field, nullptr, BAD_CAST "Old", BAD_CAST f.oldValue.c_str());
                if (row.kind != RowChange::kRemoved)
                    xmlNewTextChild(field, nullptr, BAD_CAST "New", BAD_CAST f.newValue.c_str());
            }
        }
    }
    xmlChar* text = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &text, &size, "UTF-8");
    std::string out(reinterpret_cast<const char*>(text), static_cast<size_t>(size));
    xmlFree(text);
    xmlFreeDoc(doc);
    return out;
}

std::string ChangesHtml(const ChangeList& list, const ChangesPage& page) {
    std::string styles = page.stylesFolder.empty() ? InstallationStylesFolder() : page.stylesFolder;
    if (!styles.empty() && styles.back() != '/') styles += '/';
    ChangesTransformer transformer(styles, page.pcLink);
    transformer.SetStylesheetPath(CString(styles + "ChangesStyleSheet.xsl"));
    CString html;
    try {
        transformer.Transform(CString(ChangesXml(list, page.title)), html);
    } catch (const _com_error& e) {
        SetLastTransformFailure(e.Error() == E_OUTOFMEMORY ? "out of memory" : e.what());
    }
    return html.str();
}

}  // namespace hwhistory
