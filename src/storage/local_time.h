#pragma once
// The local clock as the program reads it, for names made from the time: new record files and
// files that keep unsaved text.

namespace varnel {

struct LocalTime {
  int year = 2002;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31, a valid day of that month
  int hour = 0, minute = 0, second = 0, millisecond = 0;
};

// The seconds since local midnight as the single-precision timer gives them.
inline float SecondsSinceMidnight(const LocalTime& time) {
  return static_cast<float>(time.hour * 3600 + time.minute * 60 + time.second + time.millisecond / 1000.0);
}

}  // namespace varnel
