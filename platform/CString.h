// CString: the class library's 8-bit string (UTF-8 here), shared by the
// component and its hosts through the platform library so that a string
// assigned on one side of the export boundary is owned by the other.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

#include "platform/Export.h"

class HWPLATFORM_API CString {
public:
    CString() = default;
    CString(const char* text);  // NOLINT: implicit like the class library's
    CString(const char* text, size_t length);
    CString(const std::string& text) : m_str(text) {}        // NOLINT
    CString(std::string&& text) : m_str(std::move(text)) {}  // NOLINT
    CString(char ch, size_t count) : m_str(count, ch) {}

    CString& operator=(const char* text);
    CString& operator=(const std::string& text);

    CString& operator+=(const CString& text) {
        m_str += text.m_str;
        return *this;
    }
    CString& operator+=(const char* text);
    CString& operator+=(char ch) {
        m_str += ch;
        return *this;
    }

    // Appends `length` bytes starting at `text`; zero bytes are kept.
    void Append(const char* text, size_t length) { m_str.append(text, length); }
    void Reserve(size_t capacity) { m_str.reserve(capacity); }

    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    char GetAt(int index) const { return m_str[static_cast<size_t>(index)]; }
    char operator[](int index) const { return GetAt(index); }

    // printf-style formatting in the "C" locale whatever the process locale
    // is, so "%.2f" always writes a point.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatV(const char* format, va_list args);
    void AppendFormat(const char* format, ...) __attribute__((format(printf, 2, 3)));

    CString& TrimRight();
    CString& TrimLeft();
    CString& Trim() { return TrimRight().TrimLeft(); }

    int Find(char ch, int start = 0) const;
    int Find(const char* sub, int start = 0) const;
    int ReverseFind(char ch) const;
    CString Left(int count) const;
    CString Mid(int first) const;
    CString Mid(int first, int count) const;
    CString Right(int count) const;
    int Replace(char oldCh, char newCh);
    int Replace(const char* oldText, const char* newText);
    void MakeUpper();
    void MakeLower();

    // Byte-wise comparison: <0, 0, >0.
    int Compare(const char* other) const;
    int CompareNoCase(const char* other) const;

    operator const char*() const { return m_str.c_str(); }  // NOLINT
    const char* GetString() const { return m_str.c_str(); }
    const std::string& str() const { return m_str; }
    std::string& str() { return m_str; }

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator!=(const CString& a, const CString& b) { return a.m_str != b.m_str; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }
    friend bool operator!=(const CString& a, const char* b) { return a.Compare(b) != 0; }

private:
    std::string m_str;
};

HWPLATFORM_API CString operator+(const CString& a, const CString& b);
HWPLATFORM_API CString operator+(const CString& a, const char* b);
HWPLATFORM_API CString operator+(const char* a, const CString& b);
