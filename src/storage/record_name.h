#pragma once
// Names of new record files: a time stamp in seconds counted from the start of 1 January 2002,
// local time, followed by ".dat", such as "787104000.5.dat".

#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "storage/local_time.h"

namespace varnel {

// Whole days from 1 January 2002 to the clock's date, times 86400, plus the seconds since
// midnight (SecondsSinceMidnight). (The day count is multiplied in 64 bits: it agrees with 32-bit arithmetic up to
// January 2070 and goes on without overflow after.)
double RecordStamp(const LocalTime& clock);

// The stamp in its shortest invariant form with at most 15 significant digits, plus ".dat".
std::wstring RecordFileName(double stamp);

// The name of a new record file at this clock that does not exist yet: when the stamp's name is
// taken, the stamp moves forward by one unit of its last (15th) significant digit until a name
// is free. Nothing when no free name turns up within 10000 steps.
std::optional<std::wstring> NewRecordFileName(const LocalTime& clock,
                                              const std::function<bool(const std::wstring& name)>& exists);

// True when a file's long name ends in ".dat" in any letter case. A "*.dat" search also matches
// names whose generated short name ends in ".DAT" ("x.data", "notes.datx"): those are not records.
bool IsRecordFileName(std::wstring_view name);

}  // namespace varnel
