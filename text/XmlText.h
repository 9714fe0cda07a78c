// Writing values between tags: the report is plain text built by appending,
// and these two helpers are how every value gets there safely.
#pragma once

#include <string>

#include "platform/CString.h"

// Appends `value` (read up to its first zero byte) with & < > " ' replaced by
// their entities and bytes below 0x20 dropped; every other byte passes as is.
void AppendEscapedText(CString& out, const char* value);

// Appends "<name>", the escaped value, "</name>" and CR LF. The name is
// written as it stands.
void AppendElement(CString& out, const char* name, const char* value);

// Copies `text` as well-formed UTF-8: every maximal invalid subsequence
// becomes one U+FFFD, and so do U+FFFE and U+FFFF, which XML does not
// allow. The report text passes through this on its way to the
// XML parser, so database bytes never make a document unreadable.
std::string ToValidUtf8(const std::string& text);

// How many leading bytes of `text` ToValidUtf8 would copy unchanged: the
// whole size when the text needs no repair.
size_t ValidUtf8Prefix(const std::string& text);
