#pragma once
// The program's captions, messages and menu texts, kept in its string table (resources/strings.rc)
// so that a translation is a resource change.

#include <windows.h>

#include <initializer_list>
#include <string>
#include <string_view>

#include "resources/resource_ids.h"

namespace varnel {

// The text of a string table entry; empty when the program holds no such entry.
std::wstring LoadText(UINT id);

// The same with "%1", "%2", ... replaced by the values, in order.
std::wstring LoadText(UINT id, std::initializer_list<std::wstring_view> values);

}  // namespace varnel
