// Read-only sessions for statements that users write: the SQLite engine's
// authorizer and clock, PostgreSQL's restricted role and rolled-back
// read-only transactions.
#include "platform/QuerySession.h"

#include <sqlite3.h>
#include <strings.h>

#include <atomic>
#include <iterator>
#include <mutex>

#include "platform/SessionSetup.h"

namespace {

// Kept to what SQLite and PostgreSQL both offer without side effects. LIKE
// and GLOB are functions to SQLite's authorizer, so they are here too.
const char* const kQueryFunctions[] = {
    // aggregates and window functions
    "count",
    "sum",
    "avg",
    "min",
    "max",
    "total",
    "group_concat",
    "string_agg",
    "bool_and",
    "bool_or",
    "every",
    "row_number",
    "rank",
    "dense_rank",
    "percent_rank",
    "cume_dist",
    "ntile",
    "lag",
    "lead",
    "first_value",
    "last_value",
    "nth_value",
    // text
    "lower",
    "upper",
    "length",
    "char_length",
    "character_length",
    "octet_length",
    "substr",
    "substring",
    "trim",
    "ltrim",
    "rtrim",
    "btrim",
    "replace",
    "instr",
    "position",
    "strpos",
    "left",
    "right",
    "concat",
    "concat_ws",
    "reverse",
    "initcap",
    "split_part",
    "translate",
    "hex",
    "unicode",
    "char",
    "chr",
    "ascii",
    "like",
    "glob",
    // numbers
    "abs",
    "round",
    "ceil",
    "ceiling",
    "floor",
    "trunc",
    "mod",
    "power",
    "pow",
    "sqrt",
    "exp",
    "ln",
    "log",
    "log10",
    "sign",
    "greatest",
    "least",
    // NULL, types and dates
    "coalesce",
    "nullif",
    "ifnull",
    "iif",
    "cast",
    "typeof",
    "extract",
    "to_char",
    "date",
    "time",
    "datetime",
    "julianday",
    "strftime",
    "date_part",
    "date_trunc",
};

// The pragmas the SQLite3 driver itself runs to describe a result's columns.
const char* const kDescribingPragmas[] = {"table_info", "table_xinfo", "index_list",
                                          "index_info", "index_xinfo", "foreign_key_list"};

// No legitimate value of a hardware query comes near this; a statement that
// builds a longer one fails instead of filling the memory.
constexpr int kMaxSqliteValueBytes = 1 << 20;

bool InList(const char* name, const char* const* list, size_t count) {
    if (!name) return false;
    for (size_t i = 0; i < count; ++i)
        if (strcasecmp(name, list[i]) == 0) return true;
    return false;
}

// What a read-only SQLite connection keeps: the end of the running statement's
// time, in steady-clock nanoseconds (0: none).
struct SqliteGuard {
    std::atomic<long long> deadline{0};
};

long long SteadyNow() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int AuthorizeQuery(void* /*guard*/, int action, const char* first, const char* second,
                   const char* /*database*/, const char* /*trigger*/) {
    switch (action) {
        case SQLITE_SELECT:
        case SQLITE_READ:
        case SQLITE_RECURSIVE:
            return SQLITE_OK;
        case SQLITE_FUNCTION:
            return InList(second, kQueryFunctions, std::size(kQueryFunctions)) ? SQLITE_OK
                                                                               : SQLITE_DENY;
        case SQLITE_PRAGMA:
            return InList(first, kDescribingPragmas, std::size(kDescribingPragmas)) ? SQLITE_OK
                                                                                    : SQLITE_DENY;
        default:
            return SQLITE_DENY;
    }
}

// Called by the engine every few thousand instructions: non-zero interrupts.
int PastDeadline(void* guard) {
    const long long deadline = static_cast<SqliteGuard*>(guard)->deadline.load();
    return deadline != 0 && SteadyNow() > deadline;
}

thread_local SqliteHandleCatcher* t_pCatcher = nullptr;
thread_local sqlite3* t_pOpened = nullptr;

// Runs inside every sqlite3_open of the process (an auto-extension): notes
// the handle for the catcher on the opening thread, if there is one.
int NoteOpenedHandle(sqlite3* db, char** /*error*/, const sqlite3_api_routines* /*api*/) {
    if (t_pCatcher && !t_pOpened) t_pOpened = db;
    return SQLITE_OK;
}

CDBException SessionError(const char* state, const std::string& message) {
    return CDBException(SQL_ERROR, CString(message),
                        CString(std::string("State:") + state + ",Native:0,Origin:[hwplatform]"));
}

void RestrictSqliteSession(CDatabase& database, sqlite3* sqlite) {
    if (!sqlite)
        throw SessionError("HY000",
                           "The SQLite engine of this connection could not be reached, so it "
                           "cannot be restricted to reading");
    database.ExecuteSQL("PRAGMA query_only = ON");
    auto guard = std::make_shared<SqliteGuard>();
    sqlite3_limit(sqlite, SQLITE_LIMIT_LENGTH, kMaxSqliteValueBytes);
    sqlite3_progress_handler(sqlite, 1000, PastDeadline, guard.get());
    sqlite3_set_authorizer(sqlite, AuthorizeQuery, guard.get());
    database.m_pSessionGuard = guard;
}

// A single text from our own statement; "" for NULL or no row.
std::string QueryText(CDatabase& database, const char* sql) {
    struct Text : CRecordset {
        explicit Text(CDatabase* pDatabase) : CRecordset(pDatabase) { m_nFields = 1; }
        void DoFieldExchange(CFieldExchange* pFX) override {
            pFX->SetFieldType(CFieldExchange::outputColumn);
            RFX_Text(pFX, "t", m_value, 1024);
        }
        CString m_value;
    } text(&database);
    text.Open(CRecordset::forwardOnly, sql);
    return text.IsEOF() ? std::string() : text.m_value.str();
}

// What the session user may do beyond reading, in words, or "".
const char kWhatTheRoleMayDo[] =
    "SELECT session_user || CASE"
    " WHEN r.rolsuper THEN ' is a superuser'"
    " WHEN r.rolcreaterole THEN ' may create roles'"
    " WHEN pg_has_role(session_user, 'pg_write_server_files', 'MEMBER')"
    "   OR pg_has_role(session_user, 'pg_read_server_files', 'MEMBER')"
    "   OR pg_has_role(session_user, 'pg_execute_server_program', 'MEMBER')"
    "   THEN ' may reach the server''s files'"
    " ELSE (SELECT ' may write ' || n.nspname || '.' || c.relname FROM pg_class c"
    "   JOIN pg_namespace n ON n.oid = c.relnamespace"
    "   WHERE c.relkind IN ('r', 'p', 'v', 'f', 'm') AND n.nspname !~ '^pg_'"
    "   AND n.nspname <> 'information_schema'"
    "   AND has_table_privilege(c.oid, 'INSERT, UPDATE, DELETE, TRUNCATE')"
    "   ORDER BY n.nspname, c.relname LIMIT 1) END"
    " FROM pg_roles r WHERE r.rolname = session_user";

void RestrictPostgresSession(CDatabase& database) {
    database.ExecuteSQL("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY");
    // Statements are checked as standard SQL, where a backslash is a backslash.
    database.ExecuteSQL("SET standard_conforming_strings = on");
    const std::string privilege = QueryText(database, kWhatTheRoleMayDo);
    if (!privilege.empty())
        throw SessionError("42501",
                           "refused: the connection's role " + privilege +
                               ", so a statement could undo a read-only session; connect as a "
                               "role that can only read (such as hwreader, see "
                               "schema/postgresql.sql)");
}

}  // namespace

bool IsQueryFunction(const std::string& name) {
    return InList(name.c_str(), kQueryFunctions, std::size(kQueryFunctions));
}

void PrepareSqliteEngine() {
    static std::once_flag configured;
    std::call_once(configured, [] {
        // A process-wide tally of the engine's memory takes one process-wide
        // lock at every allocation, which the threads of a batch, each on its
        // own connection, would queue for. Nothing here reads the tally.
        sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    });
}

SqliteHandleCatcher::SqliteHandleCatcher() : m_pOuter(t_pCatcher) {
    static std::once_flag registered;
    std::call_once(registered, [] {
        PrepareSqliteEngine();  // registering the extension starts the engine
        sqlite3_auto_extension(reinterpret_cast<void (*)(void)>(NoteOpenedHandle));
    });
    t_pCatcher = this;
    t_pOpened = nullptr;
}

SqliteHandleCatcher::~SqliteHandleCatcher() {
    t_pCatcher = m_pOuter;
}

sqlite3* SqliteHandleCatcher::Handle() const {
    return t_pOpened;
}

void PrepareReadOnlySession(CDatabase& database, sqlite3* sqlite) {
    switch (database.GetDialect()) {
        case DbDialect::SQLite:
            RestrictSqliteSession(database, sqlite);
            break;
        case DbDialect::PostgreSQL:
            RestrictPostgresSession(database);
            break;
        case DbDialect::SQLServer:
        case DbDialect::Generic:
            break;
    }
}

CQueryScope::CQueryScope(CDatabase& database, std::chrono::seconds timeLimit)
    : m_database(database) {
    const long long ms = std::chrono::duration_cast<std::chrono::milliseconds>(timeLimit).count();
    switch (database.GetDialect()) {
        case DbDialect::PostgreSQL:
            m_pTransaction = std::make_unique<CTransaction>(database);
            database.ExecuteSQL("SET TRANSACTION READ ONLY");
            database.ExecuteSQL(("SET LOCAL statement_timeout = " + std::to_string(ms)).c_str());
            break;
        case DbDialect::SQLite:
            if (auto* guard = static_cast<SqliteGuard*>(database.m_pSessionGuard.get()))
                guard->deadline = SteadyNow() + ms * 1000000;
            break;
        case DbDialect::SQLServer:
        case DbDialect::Generic:
            break;
    }
}

CQueryScope::~CQueryScope() {
    if (auto* guard = static_cast<SqliteGuard*>(m_database.m_pSessionGuard.get()))
        guard->deadline = 0;
    // m_pTransaction rolls back: nothing the statement did is kept.
}
