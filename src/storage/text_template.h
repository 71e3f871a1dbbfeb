#pragma once
// Texts with places for what the program inserts: "%1" for the first value, "%2" for the second.

#include <initializer_list>
#include <string>
#include <string_view>

namespace varnel {

// The pattern with each "%1" ... "%9" replaced by that value, in one pass: a value that itself
// holds "%1" (a path may) is inserted as it is. A place without a value, and any other "%", stay.
std::wstring FillIn(std::wstring_view pattern, std::initializer_list<std::wstring_view> values);

}  // namespace varnel
