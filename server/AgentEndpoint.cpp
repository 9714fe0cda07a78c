#include "server/AgentEndpoint.h"

#include <zlib.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "history/Snapshots.h"
#include "import/AgentInventory.h"
#include "import/InputFormat.h"

namespace {

const char kProlog[] = "<REPLY><RESPONSE>SEND</RESPONSE><PROLOG_FREQ>24</PROLOG_FREQ></REPLY>";
const char kAccepted[] = "<REPLY><RESPONSE>no_account_update</RESPONSE></REPLY>";
// A new PC's ID is the next free one, so two servers importing two new PCs
// into one PostgreSQL database at once can both take it: one fails on the
// key or on serialization, and a fresh attempt takes the next.
constexpr int kImportAttempts = 3;

void SendReply(RouteContext& page, const std::string& xml) {
    uLongf size = compressBound(xml.size());
    std::string compressed(size, '\0');
    if (compress2(reinterpret_cast<Bytef*>(&compressed[0]), &size,
                  reinterpret_cast<const Bytef*>(xml.data()), xml.size(),
                  Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("cannot compress the reply");
    compressed.resize(size);
    page.Send(200, std::move(compressed), "application/x-compress");
}

void Refuse(RouteContext& page, int status, const std::string& reason) {
    page.Send(status, reason + "\n", "text/plain; charset=utf-8");
}

bool WorthRetrying(const std::string& message) {
    for (const char* state : {"SQLSTATE 23505", "SQLSTATE 40001", "SQLSTATE 40P01"})
        if (message.find(state) != std::string::npos) return true;
    return false;
}

void ServeAgent(RouteContext& page) {
    const hwimport::ImportOptions& base = page.options.import;
    hwimport::DecodedInput input;
    try {
        input = hwimport::DecodeInput(page.request.body, base.maxBytes);
    } catch (const hwimport::InventoryError& e) {
        Refuse(page, 400, e.what());
        return;
    }
    if (input.format != hwimport::InventoryFormat::Xml) {
        Refuse(page, 400, "this endpoint takes the agents' XML requests");
        return;
    }
    const std::string query = AgentQuery(input.text);
    if (query == "PROLOG") {
        SendReply(page, kProlog);
        return;
    }
    if (query != "INVENTORY") {
        Refuse(page, 400,
               query.empty() ? "the request names no QUERY"
                             : "QUERY " + query + " is not taken here (PROLOG or INVENTORY)");
        return;
    }
    hwimport::ImportOptions options = base;
    if (options.agent.empty()) options.agent = page.request.get_header_value("User-Agent");
    // An agent's inventory keeps history as `hwconsole import` does, on this
    // worker's connection, inside the PC's own save point.
    CDataConnection& connection = page.Connection();
    options.afterWrite = [&connection](CDatabase&, int32_t pcId, bool changed) {
        hwhistory::KeepSnapshot(connection, pcId, changed, {});
    };
    const std::string text(input.text);
    hwimport::ImportResult result;
    for (int attempt = 1; attempt <= kImportAttempts; ++attempt) {
        result = hwimport::ImportInventory(page.Database(), text, options);
        if (result.status != hwimport::ImportStatus::Failed || !WorthRetrying(result.message))
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20 * attempt));
    }
    const std::string& from = page.request.remote_addr;
    switch (result.status) {
        case hwimport::ImportStatus::Failed:
            fprintf(stderr, "hwconsole: inventory from %s: %s\n", from.c_str(),
                    result.message.c_str());
            if (const size_t at = result.message.find("SQLSTATE "); at != std::string::npos) {
                page.SendDatabaseError(result.message.substr(at + 9, 5), result.message);
            } else {
                Refuse(page, 400, result.message);
            }
            return;
        case hwimport::ImportStatus::SkippedOlder:
            fprintf(stderr, "hwconsole: inventory from %s skipped: %s\n", from.c_str(),
                    result.message.c_str());
            break;
        default:
            fprintf(stderr, "hwconsole: inventory from %s imported as PC %d (%s)\n", from.c_str(),
                    result.pcId, hwimport::StatusName(result.status));
    }
    SendReply(page, kAccepted);
}

}  // namespace

std::string AgentQuery(std::string_view xml) {
    const size_t start = xml.find("<QUERY>");
    if (start == std::string_view::npos) return "";
    const size_t from = start + 7, end = xml.find('<', from);
    if (end == std::string_view::npos || end - from > 64) return "";
    std::string_view value = xml.substr(from, end - from);
    while (!value.empty() && isspace(static_cast<unsigned char>(value.front()))) value.remove_prefix(1);
    while (!value.empty() && isspace(static_cast<unsigned char>(value.back()))) value.remove_suffix(1);
    return std::string(value);
}

void AddAgentRoute(WebServer& server) {
    server.Post("/ocsinventory", ServeAgent);
}
