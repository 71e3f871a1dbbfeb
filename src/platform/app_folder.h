#pragma once
// The folder that holds the running program: the home of every note record.

#include <string>

namespace varnel {

// Full path of the program's folder, without a trailing backslash.
std::wstring ApplicationFolder();

}  // namespace varnel
