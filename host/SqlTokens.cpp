#include "host/SqlTokens.h"

#include <cctype>

namespace {

bool IsWordByte(char ch) {
    const unsigned char c = static_cast<unsigned char>(ch);
    return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80;
}

bool IsSpace(char ch) {
    return std::isspace(static_cast<unsigned char>(ch)) != 0;
}

class Splitter {
public:
    Splitter(const std::string& sql, DbDialect dialect)
        : m_sql(sql), m_postgres(dialect == DbDialect::PostgreSQL) {}

    bool Run(std::vector<SqlToken>& tokens, std::string& error) {
        while (m_pos < m_sql.size() && m_error.empty()) Next();
        tokens = std::move(m_tokens);
        error = m_error;
        return m_error.empty();
    }

private:
    char At(size_t pos) const { return pos < m_sql.size() ? m_sql[pos] : '\0'; }

    void Add(SqlToken::Kind kind, size_t end, std::string text = std::string()) {
        if (text.empty() && (kind == SqlToken::kWord || kind == SqlToken::kSymbol))
            text = m_sql.substr(m_pos, end - m_pos);
        m_tokens.push_back({kind, m_pos, end, std::move(text)});
        m_pos = end;
    }

    bool Refuse(const std::string& why) {
        m_error = "refused: " + why;
        return false;
    }

    void Next() {
        const char ch = m_sql[m_pos];
        if (IsSpace(ch)) {
            size_t end = m_pos;
            while (end < m_sql.size() && IsSpace(m_sql[end])) ++end;
            return Add(SqlToken::kSpace, end);
        }
        if (ch == '-' && At(m_pos + 1) == '-') return LineComment();
        if (ch == '/' && At(m_pos + 1) == '*') return BlockComment();
        if (ch == '\'') return String();
        if (ch == '"') return Quoted('"');
        if (!m_postgres && ch == '[') return Quoted(']');
        if (!m_postgres && ch == '`') return Quoted('`');
        if (m_postgres && ch == '$') return Dollar();
        if (IsWordByte(ch) && ch != '$') {
            size_t end = m_pos;
            while (end < m_sql.size() && IsWordByte(m_sql[end])) ++end;
            return Add(SqlToken::kWord, end);
        }
        Add(SqlToken::kSymbol, m_pos + 1);
    }

    void LineComment() {
        size_t end = m_pos;
        // PostgreSQL ends a comment at a carriage return as well.
        while (end < m_sql.size() && m_sql[end] != '\n' && !(m_postgres && m_sql[end] == '\r'))
            ++end;
        Add(SqlToken::kComment, end);
    }

    void BlockComment() {
        const size_t close = m_sql.find("*/", m_pos + 2);
        if (close == std::string::npos) {
            Refuse("the query has an unterminated /* comment");
            return;
        }
        Add(SqlToken::kComment, close + 2);
    }

    // A name in quotes; the closing quote doubled stands for itself, except
    // in SQLite's brackets, which end at the first ']'.
    void Quoted(char close) {
        std::string name;
        for (size_t i = m_pos + 1; i < m_sql.size(); ++i) {
            if (m_sql[i] != close) {
                name += m_sql[i];
            } else if (close != ']' && At(i + 1) == close) {
                name += close;
                ++i;
            } else {
                return Add(SqlToken::kQuotedName, i + 1, std::move(name));
            }
        }
        Refuse("the query has an unterminated quoted name");
    }

    // '...' with '' inside. On PostgreSQL a quote glued to a name may start an
    // E'...' string, where a backslash escapes the quote; the server and its
    // ODBC driver disagree on which names do, so no backslash is taken there
    // (elsewhere a backslash is a backslash, as standard strings read).
    void String() {
        const bool glued = m_postgres && !m_tokens.empty() && m_tokens.back().end == m_pos &&
                           m_tokens.back().kind == SqlToken::kWord;
        for (size_t i = m_pos + 1; i < m_sql.size(); ++i) {
            if (m_sql[i] == '\\' && glued) {
                Refuse(
                    "a backslash in a string written right after a name (such as E'\\'') "
                    "is not accepted on PostgreSQL");
                return;
            }
            if (m_sql[i] != '\'') continue;
            if (At(i + 1) != '\'') return Add(SqlToken::kString, i + 1);
            ++i;
        }
        Refuse("the query has an unterminated string literal");
    }

    // PostgreSQL: $tag$...$tag$ or $$...$$; a $1 parameter is refused, since
    // nothing is bound to it.
    void Dollar() {
        size_t end = m_pos + 1;
        while (end < m_sql.size() && std::isalnum(static_cast<unsigned char>(m_sql[end]))) ++end;
        if (std::isdigit(static_cast<unsigned char>(At(m_pos + 1)))) {
            Refuse("parameters such as $1 are not accepted");
            return;
        }
        if (At(end) != '$') {
            if (IsWordByte(At(end)))
                Refuse("a dollar quote's tag may hold only letters and digits");
            else
                Add(SqlToken::kSymbol, m_pos + 1);
            return;
        }
        const std::string tag = m_sql.substr(m_pos, end + 1 - m_pos);
        const size_t close = m_sql.find(tag, end + 1);
        if (close == std::string::npos) {
            Refuse("the query has an unterminated " + tag + " string");
            return;
        }
        Add(SqlToken::kString, close + tag.size());
    }

    const std::string& m_sql;
    const bool m_postgres;
    size_t m_pos = 0;
    std::vector<SqlToken> m_tokens;
    std::string m_error;
};

}  // namespace

bool SplitSql(const std::string& sql, DbDialect dialect, std::vector<SqlToken>& tokens,
              std::string& error) {
    return Splitter(sql, dialect).Run(tokens, error);
}
