// The web server behind `hwconsole serve`: an HTTP server (cpp-httplib) that
// keeps many client connections open and makes at most `threads` pages at
// once, in the order they were asked for, each with a database connection
// of its own, so a page is rendered exactly as `report` renders it. It keeps
// no state of its own between requests.
//
//   WebServer server(options, component);       // a loaded ComponentLoader
//   server.Get(R"(/pc/(\d+)/notes)", [](RouteContext& page) {
//       CDatabase& db = page.Database();      // opened, or reopened, on demand
//       page.SendHtml(200, "<!DOCTYPE html>...");
//   });
//   if (!server.Bind(error)) ...;              // then server.Port()
//   server.Run();                              // until Stop(), from any thread
//
// A handler that throws CDBException gets the 503 page with the SQLSTATE
// (and a broken connection is dropped, to be reopened by the next request);
// any other exception a 500 page. Every response carries the security
// headers, and one access-log line goes to standard error.
#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "host/ComponentLoader.h"
#include "import/Import.h"
#include "server/Access.h"

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 8080;  // 0: any free port (Port() tells which)
    // Pages made at once, each with a database connection of its own;
    // requests beyond that wait their turn, first come first served.
    int threads = 8;
    // Client connections served at once (threads mostly waiting on their
    // sockets); 0: ConnectionThreads(threads). A connection beyond them waits
    // until one closes.
    int connections = 0;
    std::string connect;       // ODBC connection string
    // The named queries' connection, opened read-only (CDatabase::openReadOnly):
    // on SQLite the file read-only, on PostgreSQL a role that can only read
    // (hwreader). "": no query pages.
    std::string queryConnect;
    std::string databaseName;  // as messages name it (no password)
    std::string componentPath;
    std::string user, company;   // the report pages' header, as `report --user --company`
    AccessRules access;          // who may read the pages and post inventories
    hwimport::ImportOptions import;  // how an agent's inventory is imported
    size_t maxBodyBytes = 8u << 20;  // a request body, as sent
    std::chrono::seconds readTimeout{10}, writeTimeout{10};
    // A keep-alive connection is closed after this many requests, or this
    // long without one, so that connections beyond `connections` get their
    // turn, and a stop waits at most this long for an idle one.
    size_t keepAliveRequests = 100;
    std::chrono::seconds keepAlive{1};
    bool accessLog = true;  // one line per request on stderr
};

// How many client connections `threads` page makers are given by default:
// enough for several clients each, as idle ones cost little.
int ConnectionThreads(int threads);

// What a route's handler works with: the request, the response, and the
// database connections of its slot.
class RouteContext {
public:
    const httplib::Request& request;
    httplib::Response& response;
    const ServerOptions& options;
    const ComponentLoader& component;
    const HwExports& exports;

    // The slot's connection, opened now if it is not open (the previous
    // request may have dropped it). Throws CDBException when it cannot be.
    CDataConnection& Connection();
    CDatabase& Database() { return Connection().m_database; }
    // The slot's read-only connection for statements of the named
    // queries (options.queryConnect), opened now if need be. Throws
    // CDBException.
    CDataConnection& QueryConnection();
    // Drops the read-only connection, to be reopened by the next request.
    void DropQueryConnection();

    // The response's status and body.
    void Send(int status, std::string body, const char* contentType);
    // An HTML page of ours: made valid UTF-8 on the way.
    void SendHtml(int status, const std::string& html);
    // The error page: `title` and `detail` as text.
    void SendError(int status, const std::string& title, const std::string& detail);
    // The 503 page of a database error, with its SQLSTATE; a connection that
    // broke is dropped, and the next request on it opens a new one.
    void SendDatabaseError(const std::string& sqlState, const std::string& message);

    RouteContext(const httplib::Request& req, httplib::Response& res, const ServerOptions& o,
                 const ComponentLoader& l, CDataConnection& c, CDataConnection& q)
        : request(req), response(res), options(o), component(l), exports(l.Exports()),
          m_connection(c), m_queryConnection(q) {}

private:
    CDataConnection& m_connection;
    CDataConnection& m_queryConnection;
};

using RouteHandler = std::function<void(RouteContext&)>;

class WebServer {
public:
    // `component` is loaded, and outlives the server.
    WebServer(ServerOptions options, const ComponentLoader& component);
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    // Routes; `pattern` is a regular expression the whole path must match,
    // its groups in request.matches. Add them before Run.
    void Get(const std::string& pattern, RouteHandler handler);
    void Post(const std::string& pattern, RouteHandler handler);

    // Binds the listening socket. False with the reason in `error`.
    bool Bind(std::string& error);
    int Port() const { return m_port; }
    // Serves until Stop; requests in flight are answered before it returns.
    void Run();
    // Stops accepting; safe from any thread.
    void Stop();

    const ServerOptions& Options() const { return m_options; }

private:
    class SlotQueue;
    struct Slot;
    httplib::Server::Handler Wrap(RouteHandler handler);

    ServerOptions m_options;
    const ComponentLoader& m_component;
    std::vector<Slot> m_slots;  // one per page made at once, with its connections
    std::unique_ptr<SlotQueue> m_queue;
    httplib::Server m_http;
    int m_port = 0;
    int m_listenSocket = -1;
};

// "127.0.0.1:8080", "[::1]:8080", ":8080" (every address) or "localhost:0"
// into host and port. False for anything else.
bool ParseListenAddress(const std::string& text, std::string& host, int& port);

// Whether `host` names only this machine (127.0.0.0/8, ::1, localhost).
bool IsLoopbackHost(const std::string& host);
