#include "server/WebServer.h"

#include <arpa/inet.h>
#include <strings.h>
#include <sys/socket.h>

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>

#include "server/Pages.h"

namespace {

thread_local std::chrono::steady_clock::time_point t_requestStart;

// Report pages need only their inline styles and the free-space bars' data
// images; nothing may run, load, frame or be posted elsewhere.
const char kContentSecurityPolicy[] =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:; form-action 'self'; "
    "frame-ancestors 'none'; base-uri 'none'";

const char kAgentPath[] = "/ocsinventory";
// Without a charset parameter: fusioninventory-agent reads the realm up to the last quote.
const char kChallenge[] = "Basic realm=\"HardwareList\"";

std::string UtcNow() {
    const time_t now = time(nullptr);
    struct tm utc = {};
    gmtime_r(&now, &utc);
    char text[32];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// A request whose length can be read two ways is refused and its connection
// closed: a proxy in front might read it the other way and take the rest of
// its body for a request of its own.
const char* AmbiguousFraming(const httplib::Request& req) {
    const size_t lengths = req.get_header_value_count("Content-Length");
    const size_t encodings = req.get_header_value_count("Transfer-Encoding");
    if (lengths > 1) return "more than one Content-Length";
    if (encodings > 1) return "more than one Transfer-Encoding";
    if (encodings == 1 && lengths == 1) return "both Content-Length and Transfer-Encoding";
    if (encodings == 1 && strcasecmp(req.get_header_value("Transfer-Encoding").c_str(), "chunked"))
        return "a Transfer-Encoding other than chunked";
    if (lengths == 1) {
        const std::string length = req.get_header_value("Content-Length");
        if (length.empty() || length.find_first_not_of("0123456789") != std::string::npos)
            return "a Content-Length that is not a number";
    }
    return nullptr;
}

// Sends the response's body and then has the library close the connection:
// its provider reports failure once everything is written, the one way to
// end a keep-alive connection from a handler. After a refused request the
// rest of what the client sent (an unread body, a second request behind
// an ambiguous one) is never read as a request of its own.
void CloseAfterSending(httplib::Response& res) {
    auto body = std::make_shared<std::string>(std::move(res.body));
    res.body.clear();
    const std::string type = res.get_header_value("Content-Type");
    res.headers.erase("Content-Type");
    res.set_content_provider(
        body->size(), type, [body](size_t offset, size_t length, httplib::DataSink& sink) {
            sink.write(body->data() + offset, length);
            return false;
        });
}

}  // namespace

// A page maker's database connections, opened by the first request that
// needs them; one request at a time uses them, whichever thread it is on.
struct WebServer::Slot {
    CDataConnection connection;
    CDataConnection queryConnection;
};

// Hands out the slots first come, first served: a request that finds none
// free waits behind those that came before it, and a slot given back goes
// straight to the longest waiting.
class WebServer::SlotQueue {
public:
    explicit SlotQueue(size_t slots) {
        for (size_t i = slots; i-- > 0;) m_free.push_back(i);
    }

    // Holds a slot for its lifetime.
    class Pass {
    public:
        explicit Pass(SlotQueue& queue) : m_queue(queue), m_slot(queue.Take()) {}
        ~Pass() { m_queue.Give(m_slot); }
        Pass(const Pass&) = delete;
        Pass& operator=(const Pass&) = delete;
        size_t Slot() const { return m_slot; }

    private:
        SlotQueue& m_queue;
        size_t m_slot;
    };

private:
    static constexpr size_t kNone = SIZE_MAX;
    struct Waiter {
        std::condition_variable woken;
        size_t slot = kNone;
    };

    size_t Take() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (m_waiting.empty() && !m_free.empty()) {
            // The one given back last: its connection's pages are the warmest.
            const size_t slot = m_free.back();
            m_free.pop_back();
            return slot;
        }
        Waiter me;
        m_waiting.push_back(&me);
        me.woken.wait(lock, [&me] { return me.slot != kNone; });
        return me.slot;
    }

    void Give(size_t slot) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_waiting.empty()) {
            m_free.push_back(slot);
            return;
        }
        Waiter* next = m_waiting.front();
        m_waiting.pop_front();
        next->slot = slot;
        // Under the lock: the waiter, on its own stack, cannot leave before.
        next->woken.notify_one();
    }

    std::mutex m_mutex;
    std::vector<size_t> m_free;
    std::deque<Waiter*> m_waiting;
};

int ConnectionThreads(int threads) {
    return std::max(16, 4 * threads);
}

CDataConnection& RouteContext::Connection() {
    if (!m_connection.IsOpen()) m_connection.Open(options.connect.c_str());
    return m_connection;
}

CDataConnection& RouteContext::QueryConnection() {
    if (!m_queryConnection.IsOpen())
        m_queryConnection.Open(options.queryConnect.c_str(),
                               CDatabase::noOdbcDialog | CDatabase::openReadOnly);
    return m_queryConnection;
}

void RouteContext::DropQueryConnection() {
    m_queryConnection.Close();
}

void RouteContext::Send(int status, std::string body, const char* contentType) {
    response.status = status;
    response.set_content(std::move(body), contentType);
}

void RouteContext::SendHtml(int status, const std::string& html) {
    SendHtmlPage(response, status, html);
}

void RouteContext::SendError(int status, const std::string& title, const std::string& detail) {
    SendErrorPage(response, status, title, detail);
}

void RouteContext::SendDatabaseError(const std::string& sqlState, const std::string& message) {
    response.headers.erase("Location");
    // The driver's diagnostics start with their SQLSTATE already.
    SendError(503, "The database did not answer",
              message.find("SQLSTATE ") == std::string::npos
                  ? "SQLSTATE " + (sqlState.empty() ? std::string("-") : sqlState) + ": " + message
                  : message);
    response.set_header("Retry-After", "10");
    if (sqlState.compare(0, 2, "08") == 0 || m_connection.m_database.IsConnectionDead())
        m_connection.Close();
}

WebServer::WebServer(ServerOptions options, const ComponentLoader& component)
    : m_options(std::move(options)),
      m_component(component),
      m_slots(static_cast<size_t>(std::max(1, m_options.threads))),
      m_queue(std::make_unique<SlotQueue>(m_slots.size())) {
    // A connection has a thread of its own while it is open, mostly waiting
    // for the client's next request; the pages themselves wait for a slot.
    const size_t connections = static_cast<size_t>(
        m_options.connections > 0 ? m_options.connections : ConnectionThreads(m_options.threads));
    m_http.new_task_queue = [connections] { return new httplib::ThreadPool(connections); };
    m_http.set_payload_max_length(m_options.maxBodyBytes);
    m_http.set_read_timeout(m_options.readTimeout);
    m_http.set_write_timeout(m_options.writeTimeout);
    m_http.set_keep_alive_timeout(m_options.keepAlive.count());
    m_http.set_keep_alive_max_count(std::max<size_t>(1, m_options.keepAliveRequests));
    m_http.set_tcp_nodelay(true);
    // The listening socket is the only one the server makes itself.
    m_http.set_socket_options([this](socket_t sock) {
        httplib::default_socket_options(sock);
        m_listenSocket = sock;
    });
    m_http.set_default_headers({
        {"Content-Security-Policy", kContentSecurityPolicy},
        {"X-Content-Type-Options", "nosniff"},
        {"Referrer-Policy", "no-referrer"},
        {"X-Frame-Options", "DENY"},
        {"Cache-Control", "no-store"},
    });

    m_http.set_pre_routing_handler([this](const httplib::Request& req, httplib::Response& res) {
        t_requestStart = std::chrono::steady_clock::now();
        if (const char* why = AmbiguousFraming(req)) {
            SendErrorPage(res, 400, "Bad request", std::string("The request has ") + why + ".");
            return httplib::Server::HandlerResponse::Handled;
        }
        // The library would inflate such a body without a limit; agents
        // compress the body itself and say nothing.
        if (req.has_header("Content-Encoding")) {
            SendErrorPage(res, 415, "Unsupported content encoding",
                           "Send the body without a Content-Encoding.");
            return httplib::Server::HandlerResponse::Handled;
        }
        const std::string authorization = req.get_header_value("Authorization");
        if (req.path == kAgentPath) {
            if (!AgentAdmitted(m_options.access, req.remote_addr, authorization,
                               req.get_param_value("token"))) {
                // The agents send their user and password only when challenged.
                if (AgentAddressAllowed(m_options.access, req.remote_addr)) {
                    SendErrorPage(res, 401, "Sign in", "This endpoint needs the agents' token.");
                    res.set_header("WWW-Authenticate", kChallenge);
                } else {
                    SendErrorPage(res, 403, "Forbidden", "No agent may post from this address.");
                }
                return httplib::Server::HandlerResponse::Handled;
            }
        } else if (m_options.access.users && req.path != "/healthz") {
            std::string user;
            if (!m_options.access.users->Admits(authorization, user)) {
                SendErrorPage(res, 401, "Sign in", "This server needs a user name and password.");
                res.set_header("WWW-Authenticate", kChallenge);
                return httplib::Server::HandlerResponse::Handled;
            }
        }
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // The library's own refusals (no route, a body too large, a bad request
    // line) get our page; a page a handler made stays as it is. Either way
    // the connection ends with it: what the client sent after may not have
    // been read.
    m_http.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.content_provider_) return;
        if (res.body.empty()) {
            switch (res.status) {
                case 404:
                    SendErrorPage(res, 404, "Not found", "There is no page at this address.");
                    break;
                case 413:
                    SendErrorPage(res, 413, "Too large",
                                  "The request's body is larger than allowed.");
                    break;
                default:
                    SendErrorPage(res, res.status, "Request refused",
                                  "The server could not serve it.");
            }
        }
        CloseAfterSending(res);
    });
    m_http.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
                SendErrorPage(res, 500, "Server error", "The page could not be made.");
        });

    if (m_options.accessLog)
        m_http.set_logger([this](const httplib::Request& req, const httplib::Response& res) {
            // No start when the library refused the request before routing it.
            const bool timed = t_requestStart != std::chrono::steady_clock::time_point();
            const double ms = std::chrono::duration<double, std::milli>(
                                  std::chrono::steady_clock::now() - t_requestStart)
                                  .count();
            t_requestStart = {};
            // The agent's token may ride in its query; log the path alone.
            const std::string& target = req.path == kAgentPath ? req.path : req.target;
            std::string user, password;
            if (!ReadBasicCredentials(req.get_header_value("Authorization"), user, password) ||
                req.path == kAgentPath)
                user = "-";
            std::string line = req.remote_addr + " " + user + " [" + UtcNow() + "] \"" +
                               req.method + " " + target + " " + req.version + "\" " +
                               std::to_string(res.status) + " " +
                               std::to_string(res.body.empty() ? res.content_length_ : res.body.size());
            char duration[32];
            snprintf(duration, sizeof duration, timed ? " %.1fms\n" : " -\n", ms);
            line += duration;
            // Control bytes of a request stay out of the log's lines.
            for (size_t i = 0; i + 1 < line.size(); ++i)
                if (static_cast<unsigned char>(line[i]) < 0x20) line[i] = '?';
            fputs(line.c_str(), stderr);
        });
}

WebServer::~WebServer() {
    Stop();
}

httplib::Server::Handler WebServer::Wrap(RouteHandler handler) {
    return [this, handler](const httplib::Request& req, httplib::Response& res) {
        // Only the page's making waits for a slot: reading the request and
        // writing the answer to a slow client hold none.
        const SlotQueue::Pass pass(*m_queue);
        Slot& slot = m_slots[pass.Slot()];
        RouteContext page(req, res, m_options, m_component, slot.connection,
                          slot.queryConnection);
        try {
            handler(page);
        } catch (const CDBException& e) {
            page.SendDatabaseError(e.GetSqlState().str(), e.what());
        }
    };
}

void WebServer::Get(const std::string& pattern, RouteHandler handler) {
    m_http.Get(pattern, Wrap(std::move(handler)));
}

void WebServer::Post(const std::string& pattern, RouteHandler handler) {
    m_http.Post(pattern, Wrap(std::move(handler)));
}

bool WebServer::Bind(std::string& error) {
    if (m_options.port == 0) {
        m_port = m_http.bind_to_any_port(m_options.host);
    } else if (m_http.bind_to_port(m_options.host, m_options.port)) {
        m_port = m_options.port;
    }
    if (m_port > 0) {
        // The library listens with a queue of 5 connections not yet
        // accepted. More clients than that connecting at once while the
        // accepting thread waits for a core would have their attempts
        // dropped and retried a second later.
        if (m_listenSocket >= 0) listen(m_listenSocket, SOMAXCONN);
        return true;
    }
    error = "cannot listen on " + m_options.host + ":" + std::to_string(m_options.port) + ": " +
            strerror(errno);
    return false;
}

void WebServer::Run() {
    m_http.listen_after_bind();
}

void WebServer::Stop() {
    m_http.stop();
}

bool ParseListenAddress(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    host = text.substr(0, colon);
    const std::string digits = text.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    if (port > 65535) return false;
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    else if (host.find(':') != std::string::npos)
        return false;  // an IPv6 address goes in brackets
    if (host.empty()) host = "0.0.0.0";
    return true;
}

bool IsLoopbackHost(const std::string& host) {
    if (host == "localhost") return true;
    uint8_t bytes[16];
    if (inet_pton(AF_INET, host.c_str(), bytes) == 1) return bytes[0] == 127;
    if (inet_pton(AF_INET6, host.c_str(), bytes) == 1) {
        static const uint8_t kLoopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        return memcmp(bytes, kLoopback, 16) == 0;
    }
    return false;
}
