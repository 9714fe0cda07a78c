// Writing values between tags: the report is plain text built by appending,
// and these two helpers are how every value gets there safely.
#pragma once

#include "platform/CString.h"

// Appends `value` (read up to its first zero byte) with & < > " ' replaced by
// their entities and bytes below 0x20 dropped; every other byte passes as is.
void AppendEscapedText(CString& out, const char* value);

// Appends "<name>", the escaped value, "</name>" and CR LF. The name is
// written as it stands.
void AppendElement(CString& out, const char* name, const char* value);
