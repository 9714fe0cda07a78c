// `hwconsole serve`: the options; server/ does the work.
#include <pthread.h>
#include <signal.h>

#include <cstdio>
#include <exception>
#include <fstream>
#include <memory>
#include <thread>

#include "console/Console.h"
#include "host/FreedMemory.h"
#include "host/InitDb.h"
#include "host/Installation.h"
#include "server/AgentEndpoint.h"
#include "server/Routes.h"
#include "server/WebServer.h"

namespace {

constexpr unsigned long long kMaxThreads = 256;
// Each is a thread, mostly waiting on its socket.
constexpr unsigned long long kMaxConnections = 4096;

struct ServeOptions {
    DatabaseChoice database;
    std::string listen = "127.0.0.1:8080";
    std::optional<std::string> threads, connections, auth, agentTokenFile, agentAllow, timeout,
        maxBodyMb, maxInventoryMb, queryConnect;
    std::string user, company, componentPath;
};

bool ReadNumber(const std::optional<std::string>& given, const char* name, unsigned long long low,
                unsigned long long high, unsigned long long& value) {
    if (!given) return true;
    if (ParseWholeNumber(*given, high, value) && value >= low) return true;
    fprintf(stderr, "hwconsole: %s needs a whole number from %llu to %llu\n", name, low, high);
    return false;
}

// Who may do what, from the options. False (the reason printed) for a
// file that cannot be read or an address that is none.
bool ReadAccessRules(const ServeOptions& given, AccessRules& rules) {
    std::string error;
    if (given.auth) {
        auto users = std::make_shared<PasswordFile>();
        if (!users->Load(*given.auth, error)) {
            fprintf(stderr, "hwconsole: %s\n", error.c_str());
            return false;
        }
        if (users->Empty()) {
            fprintf(stderr, "hwconsole: %s has no user (add one with hwconsole passwd)\n",
                    given.auth->c_str());
            return false;
        }
        rules.users = users;
    }
    if (given.agentTokenFile) {
        std::ifstream in(*given.agentTokenFile);
        std::getline(in, rules.agentToken);
        if (!in || rules.agentToken.size() < 16) {
            fprintf(stderr, "hwconsole: %s must hold a token of at least 16 characters\n",
                    given.agentTokenFile->c_str());
            return false;
        }
    }
    std::string allowed = given.agentAllow.value_or("");
    for (size_t start = 0, comma = 0; start < allowed.size(); start = comma + 1) {
        comma = allowed.find(',', start);
        if (comma == std::string::npos) comma = allowed.size();
        const std::string text = allowed.substr(start, comma - start);
        AddressRange range;
        if (!ParseAddressRange(text, range)) {
            fprintf(stderr, "hwconsole: --agent-allow: '%s' is not an address or network\n",
                    text.c_str());
            return false;
        }
        rules.agentAddresses.push_back(range);
    }
    return true;
}

int RunServe(const ServeOptions& given) {
    // Before any thread starts, so that only the waiting thread takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    ServerOptions options;
    if (!ParseListenAddress(given.listen, options.host, options.port)) {
        fprintf(stderr,
                "hwconsole: --listen needs HOST:PORT, such as 127.0.0.1:8080 or [::1]:8080\n");
        return kExitUsage;
    }
    if (!IsLoopbackHost(options.host) && !given.auth) {
        fprintf(stderr,
                "hwconsole: refusing to listen on %s without --auth FILE: anyone who reaches it "
                "could read the fleet (add users with hwconsole passwd FILE USER)\n",
                options.host.c_str());
        return kExitUsage;
    }
    unsigned long long threads = 8, connections = 0, timeout = 10, maxBodyMb = 8,
                       maxInventoryMb = 64;
    if (!ReadNumber(given.threads, "--threads", 1, kMaxThreads, threads) ||
        !ReadNumber(given.connections, "--connections", 1, kMaxConnections, connections) ||
        !ReadNumber(given.timeout, "--timeout", 1, 3600, timeout) ||
        !ReadNumber(given.maxBodyMb, "--max-body-mb", 1, 1024, maxBodyMb) ||
        !ReadNumber(given.maxInventoryMb, "--max-inventory-mb", 1, 1024, maxInventoryMb) ||
        !ReadAccessRules(given, options.access))
        return kExitUsage;
    options.threads = static_cast<int>(threads);
    options.connections = static_cast<int>(connections);
    options.readTimeout = options.writeTimeout = std::chrono::seconds(timeout);
    options.maxBodyBytes = static_cast<size_t>(maxBodyMb) << 20;
    options.import.maxBytes = static_cast<size_t>(maxInventoryMb) << 20;
    options.user = given.user;
    options.company = given.company;
    options.componentPath = given.componentPath;

    int exitCode = kExitOk;
    options.connect = ConnectionStringOrExplain(given.database, exitCode);
    if (options.connect.empty()) return exitCode;
    options.databaseName = DatabaseName(given.database);
    if (given.database.file)
        options.queryConnect = SqliteReadOnlyConnectionString(*given.database.file);
    else
        options.queryConnect = given.queryConnect.value_or("");

    ComponentLoader component;
    if (!component.Load(given.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    {
        // Proves the database before the first request, and gives an older
        // one what the agents' imports need.
        CDataConnection connection;
        if (!OpenConnection(connection, options.connect, options.databaseName)) return kExitFailed;
        try {
            PrepareForImport(connection.m_database, InstallationSchemaFolder());
        } catch (const InitDbError& e) {
            fprintf(stderr, "hwconsole: %s\n", e.message.c_str());
            return kExitFailed;
        } catch (const std::exception& e) {
            fprintf(stderr, "hwconsole: the database cannot take inventories: %s\n", e.what());
            return kExitFailed;
        }
        CDataConnection reading;
        if (!options.queryConnect.empty() &&
            !OpenConnection(reading, options.queryConnect, "the query connection",
                            CDatabase::noOdbcDialog | CDatabase::openReadOnly))
            return kExitFailed;
    }

    // Every report page and every agent's inventory frees megabytes; given
    // back to the kernel each time, they cost more than the page.
    KeepFreedMemory();
    WebServer server(options, component);
    std::string error;
    if (!AddPageRoutes(server, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    AddQueryRoutes(server);
    AddChangeRoutes(server);
    AddAgentRoute(server);
    if (!server.Bind(error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitFailed;
    }
    const bool v6 = options.host.find(':') != std::string::npos;
    printf("listening on http://%s%s%s:%d\n", v6 ? "[" : "", options.host.c_str(), v6 ? "]" : "",
           server.Port());
    fflush(stdout);

    std::thread stopper([&server, &stopSignals] {
        int signalNumber = 0;
        sigwait(&stopSignals, &signalNumber);
        server.Stop();
    });
    server.Run();
    // Run ends only after Stop, but a failed accept loop ends it too.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    fprintf(stderr, "hwconsole: stopped\n");
    return kExitOk;
}

}  // namespace

void AddServeCommand(CommandLine& line) {
    auto options = std::make_shared<ServeOptions>();
    CLI::App* command =
        line.Add("serve", "the fleet and its reports over HTTP, and the agents' endpoint",
                 [options] { return RunServe(*options); });
    command->footer(
        "Pages: / (the fleet, ?q= searches), /pc/ID, /pc/ID.xml, /pc/ID.txt, /pc/ID/print,\n"
        "/pc/ID/changes, /changes?since=DATE (what changed; the last 7 days without a date),\n"
        "/query (the named queries), /healthz. Agents post to /ocsinventory.\n"
        "Ctrl-C or SIGTERM stops it once the requests in flight are answered.");
    AddDatabaseOptions(command, options->database);
    command
        ->add_option("--listen", options->listen,
                     "the address and port (default 127.0.0.1:8080; port 0: any free one)")
        ->type_name("HOST:PORT");
    AddOption(command, "--threads", options->threads,
              "pages made at once, each with its own database connection, in the order they "
              "were asked for (default 8)",
              "N");
    AddOption(command, "--connections", options->connections,
              "client connections served at once, kept open between requests; one beyond "
              "them waits until another closes (default four times --threads, at least 16)",
              "N");
    AddOption(command, "--auth", options->auth,
              "HTTP basic authentication against this password file (hwconsole passwd); "
              "required to listen beyond this machine",
              "FILE");
    AddOption(command, "--agent-token-file", options->agentTokenFile,
              "agents must send the token in FILE (as their password, or ?token= in the URL)",
              "FILE");
    AddOption(command, "--agent-allow", options->agentAllow,
              "agents only from these addresses or networks, separated by commas",
              "ADDRESS[/BITS],...");
    AddOption(command, "--timeout", options->timeout,
              "seconds a client may take to send or read (default 10)", "SECONDS");
    AddOption(command, "--max-body-mb", options->maxBodyMb,
              "the largest request body, as sent (default 8)", "N");
    AddOption(command, "--max-inventory-mb", options->maxInventoryMb,
              "the largest inventory once decompressed (default 64)", "N");
    AddOption(command, "--query-connect", options->queryConnect,
              "with --connect: the named queries' connection, as a role that can only read "
              "(hwreader); with --db the file is opened read-only for them",
              "STRING");
    AddHeaderOptions(command, options->user, options->company);
    AddComponentOption(command, options->componentPath);
}
