// hwconsole serve as its users meet it: a real server on loopback, real
// HTTP clients (httplib's, a raw socket, the Debian inventory agents).
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <set>
#include <thread>

#include "host/FleetList.h"
#include "server/Access.h"
#include "server/Pages.h"
#include "tests/Subprocess.h"

namespace {

// One `hwconsole serve` on a free loopback port; stopped with SIGTERM,
// which must end it cleanly.
class Server {
public:
    explicit Server(std::vector<std::string> args) {
        int out[2];
        EXPECT_EQ(pipe(out), 0);
        m_log = m_dir.File("stderr");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            const int err = open(m_log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, 2);
            std::vector<std::string> argv{kConsole, "serve", "--listen", "127.0.0.1:0"};
            argv.insert(argv.end(), args.begin(), args.end());
            std::vector<char*> c;
            for (std::string& a : argv) c.push_back(&a[0]);
            c.push_back(nullptr);
            execv(c[0], c.data());
            _exit(127);
        }
        close(out[1]);
        std::string line;
        char ch;
        while (read(out[0], &ch, 1) == 1 && ch != '\n') line += ch;
        close(out[0]);
        const size_t colon = line.rfind(':');
        if (line.rfind("listening on http://127.0.0.1:", 0) == 0) m_port = std::stoi(line.substr(colon + 1));
    }
    ~Server() {
        if (m_pid > 0) Stop();
    }
    int Port() const { return m_port; }
    httplib::Client Client() const { return httplib::Client("127.0.0.1", m_port); }
    // SIGTERM, then the exit code; the log is complete afterwards.
    int Stop() {
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    std::string Log() const { return testdb::ReadText(m_log); }

private:
    testdb::TempDir m_dir;
    std::string m_log;
    pid_t m_pid = -1;
    int m_port = 0;
};

std::string Zlib(const std::string& text) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    compress(reinterpret_cast<Bytef*>(&out[0]), &size, reinterpret_cast<const Bytef*>(text.data()),
             text.size());
    out.resize(size);
    return out;
}

std::string Unzlib(const std::string& data) {
    std::string out(1 << 16, '\0');
    uLongf size = out.size();
    if (uncompress(reinterpret_cast<Bytef*>(&out[0]), &size,
                   reinterpret_cast<const Bytef*>(data.data()), data.size()) != Z_OK)
        return "(not zlib)";
    out.resize(size);
    return out;
}

// A raw client's socket on loopback that has sent `request`.
int RawSend(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    EXPECT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    timeval timeout{3, 0};
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    EXPECT_EQ(send(fd, request.data(), request.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(request.size()));
    return fd;
}

// What the raw client on `fd` gets back after sending `rest`, and whether
// the server closed the connection afterwards (instead of reading on).
std::pair<std::string, bool> RawFinish(int fd, const std::string& rest = "") {
    EXPECT_EQ(send(fd, rest.data(), rest.size(), MSG_NOSIGNAL), static_cast<ssize_t>(rest.size()));
    std::string reply;
    char buffer[4096];
    ssize_t n;
    while ((n = recv(fd, buffer, sizeof buffer, 0)) > 0) reply.append(buffer, n);
    close(fd);
    return {reply, n == 0};
}

std::pair<std::string, bool> RawExchange(int port, const std::string& request) {
    return RawFinish(RawSend(port, request));
}

// The PC of the first "imported as PC N" line in `log` from `from` on, or "".
std::string ImportedPc(const std::string& log, size_t from = 0) {
    const std::string mark = "imported as PC ";
    const size_t at = log.find(mark, from);
    if (at == std::string::npos) return "";
    const size_t start = at + mark.size();
    return log.substr(start, log.find_first_not_of("0123456789", start) - start);
}

int Status(const httplib::Result& result) {
    return result ? result->status : -1;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

using Serve = GeneratedFleet<250, 3>;

TEST_F(Serve, EightClientsGetEveryFormatByteForByteAsReportWritesIt) {
    struct Format {
        const char* name;
        const char* suffix;
        const char* type;
    };
    const Format formats[] = {{"html", "", "text/html; charset=utf-8"},
                              {"xml", ".xml", "application/xml; charset=utf-8"},
                              {"text", ".txt", "text/plain; charset=utf-8"},
                              {"print", "/print", "text/html; charset=utf-8"}};
    std::vector<std::pair<std::string, std::string>> pages;  // path, expected bytes
    for (int pc : {1, 2, 17, 250})
        for (const Format& f : formats) {
            ProcessResult report = RunConsole({"report", "--db", Db(), "--pc", std::to_string(pc),
                                               "--format", f.name, "--company", "Ex & Co"});
            ASSERT_EQ(report.exitCode, 0) << report.err;
            pages.emplace_back("/pc/" + std::to_string(pc) + f.suffix, report.out);
        }
    // Two pages at once, while a slow client holds a connection half sent:
    // every client keeps its connection open to the end, and all are served.
    Server server({"--db", Db(), "--threads", "2", "--company", "Ex & Co", "--timeout", "120"});
    ASSERT_GT(server.Port(), 0) << server.Log();
    const int slow = RawSend(server.Port(), "GET /healthz HTTP/1.1\r\nHost: x\r\n");
    std::atomic<int> wrong{0}, done{0};
    std::vector<std::thread> clients;
    for (int c = 0; c < 8; ++c)
        clients.emplace_back([&, c] {
            httplib::Client client = server.Client();
            client.set_keep_alive(true);
            client.set_read_timeout(120, 0);
            for (size_t i = 0; i < pages.size() * 2; ++i) {
                const auto& page = pages[(i + c * 3) % pages.size()];
                const auto res = client.Get(page.first.c_str());
                const Format& f = formats[((i + c * 3) % pages.size()) % 4];
                if (!res || res->status != 200 || res->body != page.second ||
                    res->get_header_value("Content-Type") != f.type ||
                    res->get_header_value("X-Content-Type-Options") != "nosniff" ||
                    res->get_header_value("Referrer-Policy") != "no-referrer" ||
                    res->get_header_value("Content-Security-Policy").find("default-src 'none'") ==
                        std::string::npos)
                    ++wrong;
            }
            for (++done; done < 8;) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
    for (std::thread& t : clients) t.join();
    EXPECT_EQ(wrong, 0);
    const std::string answer = RawFinish(slow, "Connection: close\r\n\r\n").first;
    EXPECT_EQ(answer.rfind("HTTP/1.1 200", 0), 0u) << answer;
    EXPECT_EQ(server.Stop(), 0);
    const std::string log = server.Log();
    EXPECT_EQ(Count(log, "\"GET /pc/"), 8 * pages.size() * 2) << log.substr(0, 2000);
    EXPECT_NE(log.find("hwconsole: stopped"), std::string::npos);
}

TEST_F(Serve, FleetFindsEachKindOfValueSortsPagesAndGoesStraightToAnExactName) {
    const std::string pc = "42";
    const std::string where = " WHERE ID = " + pc;
    struct Search {
        const char* kind;
        std::string value;
    };
    auto part = [](std::string v) {  // a middle part, in other letters' case
        v = v.substr(1, std::max<size_t>(3, v.size() - 2));
        for (char& ch : v) ch = islower(static_cast<unsigned char>(ch)) ? toupper(ch) : tolower(ch);
        return v;
    };
    const Search searches[] = {
        {"host name", part(Sql("SELECT HostName FROM PCIdentity" + where))},
        {"serial number", part(Sql("SELECT SerialNumber FROM PCIdentity" + where))},
        {"asset tag", part(Sql("SELECT AssetTag FROM PCIdentity" + where))},
        {"IP address", Sql("SELECT IPAddress FROM NetworkIPAddress" + where + " AND IPAddress <> ''")},
        {"MAC address", part(Sql("SELECT MacAddress FROM NetworkAdapter" + where + " AND MacAddress <> ''"))},
        {"logged-on user", part(Sql("SELECT LoggedOnUser FROM SystemOverview" + where))},
        {"model", part(Sql("SELECT Model FROM PCListing" + where))},
        {"OS", part(Sql("SELECT OSName FROM SystemOverview" + where))},
    };
    Server server({"--db", Db()});
    httplib::Client client = server.Client();
    for (const Search& search : searches) {
        ASSERT_GE(search.value.size(), 3u) << search.kind;
        std::string page;
        for (size_t offset = 0;; offset += 100) {
            const auto res = client.Get(("/?q=" + EncodeQueryValue(search.value) +
                                         "&offset=" + std::to_string(offset)).c_str());
            ASSERT_TRUE(res);
            ASSERT_EQ(res->status, 200) << search.kind << " " << search.value;
            page += res->body;
            if (res->body.find("rel=\"next\"") == std::string::npos) break;
        }
        EXPECT_NE(page.find("href=\"/pc/" + pc + "\""), std::string::npos)
            << search.kind << ": " << search.value;
    }
    // A whole host name or asset tag, in any case: that PC's page.
    for (const char* column : {"HostName", "AssetTag"}) {
        std::string name = Sql(std::string("SELECT ") + column + " FROM PCIdentity" + where);
        for (char& ch : name) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
        const auto res = client.Get(("/?q=" + name).c_str());
        ASSERT_TRUE(res);
        EXPECT_EQ(res->status, 303);
        EXPECT_EQ(res->get_header_value("Location"), "/pc/" + pc);
    }
    // 250 PCs: three pages by name, the last two rows alone on page three.
    const auto first = client.Get("/");
    ASSERT_TRUE(first && first->status == 200);
    EXPECT_NE(first->body.find("1\xE2\x80\x93" "100 of 250 PCs"), std::string::npos);
    EXPECT_EQ(Count(first->body, "<tr><td class=\"n\">"), 100u);
    // Each heading and link it opens, it closes.
    EXPECT_EQ(Count(first->body, "<th"),
              Count(first->body, "<thead>") + Count(first->body, "</th>"));
    EXPECT_EQ(Count(first->body, "<a "), Count(first->body, "</a>"));
    const auto last = client.Get("/?sort=id&desc=1&offset=200");
    ASSERT_TRUE(last && last->status == 200);
    EXPECT_EQ(Count(last->body, "<tr><td class=\"n\">"), 50u);
    EXPECT_NE(last->body.find("<tr><td class=\"n\">50</td>"), std::string::npos);
    EXPECT_NE(last->body.find("rel=\"prev\""), std::string::npos);
    // Markup typed into the search box comes back as text.
    const auto markup = client.Get("/?q=%3Cscript%3Ex%3C%2Fscript%3E");
    ASSERT_TRUE(markup);
    EXPECT_EQ(markup->body.find("<script>"), std::string::npos);
    EXPECT_NE(markup->body.find("&lt;script&gt;"), std::string::npos);
    EXPECT_EQ(Status(client.Get("/?sort=colour")), 400);
    EXPECT_EQ(server.Stop(), 0);
}

// However a search's page is read (the matches sorted, the sort index walked,
// or only the head of the order tested row by row), it holds the same PCs
// in the same order, for every sort order, both directions and later pages.
TEST_F(Serve, EveryWayOfReadingASearchGivesTheSamePage) {
    using Plan = FleetQuery::Plan;
    const std::string where = " FROM PCListing WHERE ID = 42";
    const std::string values[] = {Sql("SELECT Model" + where), Sql("SELECT Manufacturer" + where),
                                  Sql("SELECT OS" + where).substr(0, 9), "10.", "-D0", "o", "%",
                                  "OSA-S", "Xenon(R) Gold", "\xE5\xA4\xA7\xE9\x98\xAA", "no such value"};
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(Db()).c_str());
    auto ids = [&](FleetQuery query, Plan plan) {
        query.plan = plan;
        std::vector<int32_t> found;
        for (const FleetRow& row : ListFleet(connection.m_database, query).rows)
            found.push_back(row.id);
        return found;
    };
    size_t headPages = 0;
    for (const std::string& value : values)
        for (ListColumn column : {ListColumn::kId, ListColumn::kName, ListColumn::kModel,
                                  ListColumn::kOs, ListColumn::kCpu, ListColumn::kMemory,
                                  ListColumn::kLastInventory})
            for (bool descending : {false, true})
                for (size_t offset : {0, 5}) {
                    FleetQuery query;
                    query.search = value;
                    query.sortBy = column;
                    query.descending = descending;
                    query.offset = offset;
                    query.limit = 5;
                    const std::vector<int32_t> sorted = ids(query, Plan::kSortMatches);
                    const std::string what = value + " by " + std::to_string(static_cast<int>(column)) +
                                             (descending ? " desc" : "") + " from " +
                                             std::to_string(offset);
                    EXPECT_EQ(ids(query, Plan::kWalkIndex), sorted) << what;
                    EXPECT_EQ(ids(query, Plan::kChosen), sorted) << what;
                    const std::vector<int32_t> head = ids(query, Plan::kHeadOnly);
                    if (head.empty()) continue;
                    EXPECT_EQ(head, sorted) << what;
                    ++headPages;
                }
    EXPECT_GT(headPages, 100u);
}

TEST_F(Serve, NamedQueriesAsFormsPagesAndDownloadsOfTheSameRows) {
    Server server({"--db", Db()});
    httplib::Client client = server.Client();
    const auto forms = client.Get("/query");
    ASSERT_TRUE(forms);
    for (const char* form : {"/query/low-disk\"", "/query/cpu\"", "name=\"like\"",
                             "/query/memory-below\"", "name=\"mb\""})
        EXPECT_NE(forms->body.find(form), std::string::npos) << form;
    struct Download {
        const char* path;
        std::vector<std::string> query;
        const char* type;
    };
    const Download downloads[] = {
        {"/query/cpu?like=Ry&format=csv", {"--named", "cpu", "--like", "Ry", "--format", "csv"},
         "text/csv; charset=utf-8"},
        {"/query/memory-below?mb=8192&format=json",
         {"--named", "memory-below", "--mb", "8192", "--format", "json"},
         "application/json; charset=utf-8"},
    };
    for (const Download& d : downloads) {
        std::vector<std::string> args{"query", "--db", Db()};
        args.insert(args.end(), d.query.begin(), d.query.end());
        const ProcessResult expected = RunConsole(args);
        ASSERT_EQ(expected.exitCode, 0) << expected.err;
        const auto res = client.Get(d.path);
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, expected.out) << d.path;
        EXPECT_EQ(res->get_header_value("Content-Type"), d.type);
    }
    const auto page = client.Get("/query/cpu?like=Ry");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);
    EXPECT_NE(page->body.find("href=\"/pc/"), std::string::npos);
    EXPECT_EQ(Status(client.Get("/query/cpu")), 400);                    // its parameter missing
    EXPECT_EQ(Status(client.Get("/query/cpu?like=a&sql=SELECT+1")), 400);  // no free SQL
    EXPECT_EQ(Status(client.Get("/query/drop-table")), 404);
}

TEST_F(Serve, UnknownPagesAre404AndDatabaseErrors503WithTheirSqlState) {
    testdb::TempDir dir;
    const std::string copy = dir.File("copy.db");
    std::ofstream(copy, std::ios::binary) << testdb::ReadText(Db());
    Server server({"--db", copy});
    httplib::Client client = server.Client();
    for (const char* path : {"/pc/99999", "/pc/abc", "/pc/1.pdf", "/etc/passwd", "/pc/../../etc/passwd"}) {
        const auto res = client.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 404) << path;
        EXPECT_EQ(res->get_header_value("Content-Type"), "text/html; charset=utf-8");
    }
    EXPECT_EQ(client.Get("/healthz")->body, "ok\n");
    {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(copy).c_str());
        connection.m_database.ExecuteSQL("DROP TABLE CPU");
        connection.m_database.ExecuteSQL("DROP TABLE PCListing");
    }
    for (const char* path : {"/pc/1", "/pc/1.xml", "/", "/pc/1/changes"}) {
        const auto res = client.Get(path);
        ASSERT_TRUE(res) << path;
        EXPECT_EQ(res->status, 503) << path;
        EXPECT_NE(res->body.find("SQLSTATE HY000"), std::string::npos) << res->body;
        EXPECT_EQ(res->body.find("<HARDWARE"), std::string::npos);  // no half report
    }
    EXPECT_EQ(server.Stop(), 0);
}

TEST_F(Serve, PasswordsGuardThePagesAndTokensOrAddressesTheAgentEndpoint) {
    testdb::TempDir dir;
    const std::string users = dir.File("users");
    std::ofstream(users) << "# who may read the pages\n\n";  // kept, and skipped when read
    for (const char* user : {"ana", "bo"}) {
        std::ofstream(dir.File("password")) << "s3cret-" << user << "\n";
        const int in = open(dir.File("password").c_str(), O_RDONLY);
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(in, 0);
            execl(kConsole.c_str(), kConsole.c_str(), "passwd", users.c_str(), user, nullptr);
            _exit(127);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        close(in);
        ASSERT_EQ(WEXITSTATUS(status), 0);
    }
    const std::string file = testdb::ReadText(users);
    EXPECT_EQ(Count(file, ":$argon2id$"), 2u);
    EXPECT_EQ(file.find("s3cret"), std::string::npos);

    ProcessResult exposed = RunConsole({"serve", "--db", Db(), "--listen", "0.0.0.0:0"});
    EXPECT_EQ(exposed.exitCode, 2);
    EXPECT_NE(exposed.err.find("without --auth"), std::string::npos) << exposed.err;

    std::ofstream(dir.File("token")) << "agent-token-1234\n";  // the shortest allowed
    Server server({"--db", Db(), "--auth", users, "--agent-token-file", dir.File("token")});
    httplib::Client client = server.Client();
    const auto anonymous = client.Get("/pc/1");
    ASSERT_TRUE(anonymous);
    EXPECT_EQ(anonymous->status, 401);
    EXPECT_NE(anonymous->get_header_value("WWW-Authenticate").find("Basic"), std::string::npos);
    client.set_basic_auth("ana", "s3cret-bo");
    EXPECT_EQ(Status(client.Get("/")), 401);
    for (int i = 0; i < 2; ++i) {  // the second time from the remembered credential
        client.set_basic_auth("bo", "s3cret-bo");
        EXPECT_EQ(Status(client.Get("/pc/1")), 200);
        client.set_basic_auth("ana", "s3cret-ana");
        EXPECT_EQ(Status(client.Get("/")), 200);
    }
    httplib::Client probe = server.Client();
    EXPECT_EQ(Status(probe.Get("/healthz")), 200);  // for load balancers

    const std::string prolog =
        Zlib("<?xml version=\"1.0\"?><REQUEST><DEVICEID>x</DEVICEID><QUERY>PROLOG</QUERY></REQUEST>");
    EXPECT_EQ(Status(probe.Post("/ocsinventory", prolog, "application/x-compress")), 401);
    const auto withToken = probe.Post("/ocsinventory?token=agent-token-1234", prolog,
                                      "application/x-compress");
    ASSERT_TRUE(withToken);
    EXPECT_EQ(withToken->status, 200);
    probe.set_basic_auth("agent", "agent-token-1234");
    EXPECT_EQ(Status(probe.Post("/ocsinventory", prolog, "application/x-compress")), 200);
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.Log().find("agent-token-1234"), std::string::npos);

    Server elsewhere({"--db", Db(), "--agent-allow", "10.0.0.0/8,fd00::/8"});
    EXPECT_EQ(Status(elsewhere.Client().Post("/ocsinventory", prolog, "application/x-compress")),
              403);
}

// The address lists and basic credentials the agent endpoint decides by,
// with the cases a loopback client cannot send.
TEST(AgentAccess, RangesAndCredentialsReadAsWritten) {
    struct InRangeCase {
        const char* range;
        const char* address;
        bool in;
    };
    const InRangeCase ranges[] = {
        {"127.0.0.0/8", "127.0.0.1", true},
        {"126.0.0.0/8", "127.0.0.1", false},  // only the first byte's lowest bit differs
        {"10.1.2.3", "10.1.2.3", true},
        {"10.1.2.3", "10.1.2.2", false},
        {"192.168.1.0/24", "::ffff:192.168.1.77", true},
        {"fd00::/8", "fd12::1", true},
        {"fd00::/8", "fc00::1", false},
        {"10.0.0.0/0", "8.8.8.8", true},
    };
    for (const InRangeCase& c : ranges) {
        AddressRange range;
        ASSERT_TRUE(ParseAddressRange(c.range, range)) << c.range;
        EXPECT_EQ(InRange(c.address, range), c.in) << c.range << " " << c.address;
    }
    AddressRange range;
    for (const char* bad : {"10.0.0.0/33", "10.0.0.0/", "10.0.0.0/x", "::1/129", "host/8", ""})
        EXPECT_FALSE(ParseAddressRange(bad, range)) << bad;

    struct Credentials {
        const char* header;
        const char* user;  // nullptr: not basic credentials
        const char* password;
    };
    const Credentials credentials[] = {
        {"Basic YW5hOnMzY3JldA==", "ana", "s3cret"},
        {"basic   Ym86YTpi", "bo", "a:b"},
        {"Bearer YW5hOnMzY3JldA==", nullptr, nullptr},
        {"Basic bm9jb2xvbg==", nullptr, nullptr},  // "nocolon"
        {"Basic !!!!", nullptr, nullptr},
        {"Basic ", nullptr, nullptr},
    };
    for (const Credentials& c : credentials) {
        std::string user, password;
        ASSERT_EQ(ReadBasicCredentials(c.header, user, password), c.user != nullptr) << c.header;
        if (c.user) {
            EXPECT_EQ(user + " " + password, std::string(c.user) + " " + c.password);
        }
    }
}

TEST(FleetColumns, TheModelNamesTheMakerOnce) {
    const struct {
        const char *manufacturer, *model, *shown;
    } rows[] = {
        {"Dell Inc.", "OptiPlex 7010", "Dell Inc. OptiPlex 7010"},
        {"LENOVO", "Lenovo ThinkPad T14", "Lenovo ThinkPad T14"},
        {"HP", "", "HP"},
        {"", "Virtual Machine", "Virtual Machine"},
    };
    for (const auto& r : rows) {
        FleetRow row;
        row.manufacturer = r.manufacturer;
        row.model = r.model;
        EXPECT_EQ(ModelText(row), r.shown);
    }
}

TEST_F(Serve, TheAgentEndpointAnswersProlog_ImportsAndRefusesWhatItCannotTake) {
    testdb::TempDir dir;
    const std::string copy = dir.File("copy.db");
    std::ofstream(copy, std::ios::binary) << testdb::ReadText(Db());
    Server server({"--db", copy, "--max-body-mb", "1", "--max-inventory-mb", "4"});
    httplib::Client client = server.Client();
    const auto post = [&](const std::string& body) {
        return client.Post("/ocsinventory", body, "application/x-compress");
    };
    const auto prolog = post(Zlib("<REQUEST><QUERY>PROLOG</QUERY><DEVICEID>d</DEVICEID></REQUEST>"));
    ASSERT_TRUE(prolog);
    EXPECT_EQ(Unzlib(prolog->body),
              "<REPLY><RESPONSE>SEND</RESPONSE><PROLOG_FREQ>24</PROLOG_FREQ></REPLY>");

    const std::string inventory = testdb::ReadText(HW_TEST_DATA "/inventories/windows-8.1.xml");
    const auto imported = post(Zlib(inventory));
    ASSERT_TRUE(imported);
    EXPECT_EQ(Unzlib(imported->body), "<REPLY><RESPONSE>no_account_update</RESPONSE></REPLY>");
    const std::string log = server.Log();
    const std::string pc = ImportedPc(log);
    ASSERT_NE(pc, "") << log;
    EXPECT_NE(log.find("imported as PC " + pc + " (new)"), std::string::npos);
    const auto page = client.Get(("/pc/" + pc).c_str());
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 200);

    // The same machine a year later, a memory module grown: both change
    // pages show it, and the fleet page links to the PC's.
    std::string grown = inventory;
    const size_t module = grown.rfind("<CAPACITY>2048</CAPACITY>");
    ASSERT_NE(module, std::string::npos);
    grown.replace(module, 25, "<CAPACITY>8192</CAPACITY>");
    grown.replace(grown.find("<LOGDATE>2017"), 13, "<LOGDATE>2018");
    ASSERT_TRUE(post(Zlib(grown)));
    for (const std::string& path : {"/pc/" + pc + "/changes", std::string("/changes?since=2018-01-01")}) {
        const auto changes = client.Get(path.c_str());
        ASSERT_TRUE(changes) << path;
        EXPECT_EQ(changes->status, 200) << path;
        EXPECT_NE(changes->body.find("\"new\">8192 MB<"), std::string::npos) << path;
        EXPECT_NE(changes->body.find("href=\"/pc/" + pc + "\""), std::string::npos) << path;
        EXPECT_EQ(changes->get_header_value("X-Content-Type-Options"), "nosniff");
    }
    EXPECT_NE(client.Get("/?sort=id&desc=1")->body.find("href=\"/pc/" + pc + "/changes\""),
              std::string::npos);
    EXPECT_EQ(Status(client.Get("/changes?since=last+week")), 400);
    EXPECT_EQ(Status(client.Get("/pc/99999/changes")), 404);

    struct Refused {
        const char* what;
        std::string body;
        int status;
        const char* reason;
    };
    // 64 MB of zeros compress to about 64 kB: well under the body's cap.
    const std::string bomb = Zlib("<REQUEST><QUERY>INVENTORY</QUERY>" + std::string(64 << 20, ' '));
    const Refused refused[] = {
        {"another query", Zlib("<REQUEST><QUERY>SNMPQUERY</QUERY></REQUEST>"), 400, "SNMPQUERY"},
        {"no query", Zlib("<REQUEST></REQUEST>"), 400, "no QUERY"},
        {"not XML", Zlib("hello"), 400, ""},
        {"broken zlib", Zlib(inventory).substr(0, 300), 400, ""},
        {"a compressed bomb", bomb, 400, "MB"},
        {"a body over the cap", std::string(1100000, '<'), 413, ""},
    };
    for (const Refused& r : refused) {
        ASSERT_LT(r.body.size(), r.status == 413 ? 2u << 20 : 1u << 20) << r.what;
        const auto res = post(r.body);
        ASSERT_TRUE(res) << r.what;
        EXPECT_EQ(res->status, r.status) << r.what;
        EXPECT_NE(res->body.find(r.reason), std::string::npos) << r.what << ": " << res->body;
    }

    // Framing that two readers could read two ways, or an encoding the
    // library would inflate unchecked: refused, and the connection closed
    // before the request hidden behind it is read.
    const std::string hidden = "GET /smuggled HTTP/1.1\r\nHost: x\r\n\r\n";
    const std::string attempts[] = {
        "POST /ocsinventory HTTP/1.1\r\nHost: x\r\nContent-Length: 5\r\n"
        "Transfer-Encoding: chunked\r\n\r\n0\r\n\r\n" + hidden,
        "POST / HTTP/1.1\r\nHost: x\r\nContent-Length: 0\r\nContent-Length: 37\r\n\r\n" + hidden,
        "POST /ocsinventory HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked, identity\r\n\r\n" + hidden,
        "POST /ocsinventory HTTP/1.1\r\nHost: x\r\nContent-Encoding: deflate\r\n"
        "Content-Length: 37\r\n\r\n" + hidden,
    };
    for (const std::string& attempt : attempts) {
        const auto [reply, closed] = RawExchange(server.Port(), attempt);
        EXPECT_TRUE(reply.rfind("HTTP/1.1 4", 0) == 0) << reply.substr(0, 200);
        EXPECT_EQ(Count(reply, "HTTP/1.1"), 1u);
        EXPECT_TRUE(closed);
    }
    EXPECT_EQ(server.Stop(), 0);
    EXPECT_EQ(server.Log().find("/smuggled"), std::string::npos);
}

// The agents as Debian installs them, run against the server with their
// state in a temporary folder; the machine then shows on the fleet page,
// and its page names its processor and host.
TEST_F(Serve, BothDebianAgentsSendThisMachine) {
    testdb::TempDir dir;
    const std::string copy = dir.File("copy.db");
    std::ofstream(copy, std::ios::binary) << testdb::ReadText(Db());
    Server server({"--db", copy});
    const std::string url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/ocsinventory";
    // fusioninventory-agent keeps its state where its setup module says.
    mkdir(dir.File("fi").c_str(), 0700);
    std::ofstream(dir.File("fi/setup.pm"))
        << "package setup;\nuse parent qw(Exporter);\nour @EXPORT = ('%setup');\n"
           "our %setup = (datadir => '/usr/share/fusioninventory',\n"
           "  libdir => '/usr/share/fusioninventory/lib', vardir => '" << dir.File("fi") << "');\n1;\n";
    const std::vector<std::vector<std::string>> agents = {
        {"/usr/bin/ocsinventory-agent", "--server", url, "--nolocal", "--force",
         "--basevardir=" + dir.File("ocs"), "--logfile=" + dir.File("ocs.log")},
        {"/usr/bin/perl", "-I" + dir.File("fi"), "-Msetup", "/usr/bin/fusioninventory-agent",
         "--config=none", "--server", url, "--tasks", "inventory", "--force",
         "--logfile=" + dir.File("fi.log")},
    };
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    std::string cpu;
    std::ifstream cpuinfo("/proc/cpuinfo");
    for (std::string l; std::getline(cpuinfo, l);)
        if (l.rfind("model name", 0) == 0) {
            cpu = l.substr(l.find(':') + 2);
            break;
        }
    httplib::Client client = server.Client();
    for (const auto& agent : agents) {
        const size_t before = server.Log().size();
        ProcessResult run = RunProcess(agent);
        const std::string log = server.Log().substr(before);
        const std::string pc = ImportedPc(log);
        ASSERT_NE(pc, "") << agent[0] << "\n" << log << run.err;
        const auto fleet = client.Get(("/?q=" + std::string(host) + "&sort=id&desc=1").c_str());
        ASSERT_TRUE(fleet);
        const std::string link = "/pc/" + pc;
        EXPECT_TRUE(fleet->status == 303 ? fleet->get_header_value("Location") == link
                                         : fleet->body.find(link) != std::string::npos);
        const auto page = client.Get(link.c_str());
        ASSERT_TRUE(page);
        EXPECT_NE(page->body.find(host), std::string::npos);
        EXPECT_NE(page->body.find(EscapeHtml(cpu)), std::string::npos) << cpu;
    }
    EXPECT_EQ(Count(server.Log(), "\"POST /ocsinventory"), 3u);  // fusioninventory's PROLOG too
}

}  // namespace
