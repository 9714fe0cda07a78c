#include "platform/CString.h"

#include <locale.h>
#include <strings.h>

#include <clocale>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

// One "C" locale for the process; uselocale() switches only the calling
// thread, so formatting never depends on what the host set with setlocale().
locale_t CLocale() {
    static locale_t loc = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return loc;
}

class ScopedCLocale {
public:
    ScopedCLocale() : m_old(uselocale(CLocale())) {}
    ~ScopedCLocale() { uselocale(m_old); }
    ScopedCLocale(const ScopedCLocale&) = delete;
    ScopedCLocale& operator=(const ScopedCLocale&) = delete;

private:
    locale_t m_old;
};

void AppendFormatV(std::string& out, const char* format, va_list args) {
    ScopedCLocale c;
    char small[256];
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (n < 0) return;
    if (static_cast<size_t>(n) < sizeof small) {
        out.append(small, static_cast<size_t>(n));
        return;
    }
    size_t at = out.size();
    out.resize(at + static_cast<size_t>(n) + 1);
    vsnprintf(&out[at], static_cast<size_t>(n) + 1, format, args);
    out.resize(at + static_cast<size_t>(n));
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

}  // namespace

CString::CString(const char* text) : m_str(text ? text : "") {}

CString::CString(const char* text, size_t length) : m_str(text ? text : "", text ? length : 0) {}

CString& CString::operator=(const char* text) {
    m_str = text ? text : "";
    return *this;
}

CString& CString::operator=(const std::string& text) {
    m_str = text;
    return *this;
}

CString& CString::operator+=(const char* text) {
    if (text) m_str += text;
    return *this;
}

void CString::Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(const char* format, va_list args) {
    std::string out;
    AppendFormatV(out, format, args);
    m_str.swap(out);
}

void CString::AppendFormat(const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatV(m_str, format, args);
    va_end(args);
}

CString& CString::TrimRight() {
    size_t end = m_str.size();
    while (end > 0 && IsSpace(m_str[end - 1])) --end;
    m_str.resize(end);
    return *this;
}

CString& CString::TrimLeft() {
    size_t begin = 0;
    while (begin < m_str.size() && IsSpace(m_str[begin])) ++begin;
    m_str.erase(0, begin);
    return *this;
}

int CString::Find(char ch, int start) const {
    if (start < 0 || static_cast<size_t>(start) > m_str.size()) return -1;
    size_t at = m_str.find(ch, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(const char* sub, int start) const {
    if (!sub || start < 0 || static_cast<size_t>(start) > m_str.size()) return -1;
    size_t at = m_str.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const {
    size_t at = m_str.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

CString CString::Left(int count) const {
    if (count <= 0) return CString();
    return CString(m_str.substr(0, static_cast<size_t>(count)));
}

CString CString::Mid(int first) const {
    if (first < 0) first = 0;
    if (static_cast<size_t>(first) >= m_str.size()) return CString();
    return CString(m_str.substr(static_cast<size_t>(first)));
}

CString CString::Mid(int first, int count) const {
    if (first < 0) first = 0;
    if (count <= 0 || static_cast<size_t>(first) >= m_str.size()) return CString();
    return CString(m_str.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
}

CString CString::Right(int count) const {
    if (count <= 0) return CString();
    size_t n = static_cast<size_t>(count);
    if (n >= m_str.size()) return *this;
    return CString(m_str.substr(m_str.size() - n));
}

int CString::Replace(char oldCh, char newCh) {
    int n = 0;
    for (char& c : m_str) {
        if (c == oldCh) {
            c = newCh;
            ++n;
        }
    }
    return n;
}

int CString::Replace(const char* oldText, const char* newText) {
    if (!oldText || !*oldText) return 0;
    if (!newText) newText = "";
    size_t oldLen = strlen(oldText);
    size_t newLen = strlen(newText);
    int n = 0;
    for (size_t at = m_str.find(oldText); at != std::string::npos;
         at = m_str.find(oldText, at + newLen)) {
        m_str.replace(at, oldLen, newText);
        ++n;
    }
    return n;
}

void CString::MakeUpper() {
    for (char& c : m_str)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
}

void CString::MakeLower() {
    for (char& c : m_str)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
}

int CString::Compare(const char* other) const {
    return strcmp(m_str.c_str(), other ? other : "");
}

int CString::CompareNoCase(const char* other) const {
    ScopedCLocale c;
    return strcasecmp(m_str.c_str(), other ? other : "");
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.str() + b.str());
}
CString operator+(const CString& a, const char* b) {
    CString r(a);
    r += b;
    return r;
}
CString operator+(const char* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}
