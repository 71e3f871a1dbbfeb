#pragma once
// Texts with places for what the program inserts: "%1" for the first value, "%2" for the second.

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace varnel {

// The pattern with each "%1" ... "%9" replaced by that value, in one pass: a value that itself
// holds "%1" (a path may) is inserted as it is. A place without a value, and any other "%", stay.
std::wstring FillIn(std::wstring_view pattern, std::initializer_list<std::wstring_view> values);

// A notice that lists things: the heading, then each item on a line of its own up to the limit,
// then `more` with "%1" as the number of items left out.
std::wstring ListNotice(std::wstring_view heading, const std::vector<std::wstring>& items, std::wstring_view more,
                        std::size_t limit = 20);

}  // namespace varnel
