#include "storage/record_name.h"

#include <charconv>
#include <chrono>
#include <cstdint>

#include "storage/number_text.h"

namespace varnel {
namespace {

constexpr int kMaxSteps = 10000;

// The stamp one unit of its 15th significant digit further on: the next name it can have.
double NextStamp(double stamp) {
  char buffer[64];
  const std::to_chars_result r =
      std::to_chars(buffer, buffer + sizeof buffer, stamp, std::chars_format::scientific, 14);
  std::string text(buffer, r.ptr);  // "-d.dddddddddddddde+XX", fifteen digits
  const bool negative = text[0] == '-';
  // Forward is one unit up in magnitude for a positive stamp and one unit down for a negative one.
  const char wrapFrom = negative ? '0' : '9';
  const char wrapTo = negative ? '9' : '0';
  for (std::size_t i = text.find('e'); i-- > 0;) {
    if (text[i] == '.') continue;
    if (text[i] != wrapFrom) {
      text[i] = static_cast<char>(text[i] + (negative ? -1 : 1));
      break;
    }
    text[i] = wrapTo;
    if (i == 0) text.insert(text.begin(), '1');  // 9.99...e+08 becomes 10.00...e+08
  }
  double next = stamp;
  std::from_chars(text.data(), text.data() + text.size(), next);
  return next;
}

}  // namespace

double RecordStamp(const LocalTime& clock) {
  using namespace std::chrono;
  const sys_days date{year_month_day{year{clock.year}, month{static_cast<unsigned>(clock.month)},
                                     day{static_cast<unsigned>(clock.day)}}};
  const sys_days start{year_month_day{year{2002}, January, day{1}}};
  const std::int64_t days = (date - start).count();
  return static_cast<double>(days * 24 * 60 * 60) + static_cast<double>(SecondsSinceMidnight(clock));
}

std::wstring RecordFileName(double stamp) {
  const std::string text = FormatDouble(stamp);
  return std::wstring(text.begin(), text.end()) + L".dat";
}

bool IsRecordFileName(std::wstring_view name) {
  constexpr std::wstring_view kExtension = L".dat";
  if (name.size() < kExtension.size()) return false;
  const std::wstring_view tail = name.substr(name.size() - kExtension.size());
  for (size_t i = 0; i < kExtension.size(); ++i) {
    const wchar_t c = tail[i];
    const wchar_t lower = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
    if (lower != kExtension[i]) return false;
  }
  return true;
}

std::optional<std::wstring> NewRecordFileName(const LocalTime& clock,
                                              const std::function<bool(const std::wstring& name)>& exists) {
  double stamp = RecordStamp(clock);
  for (int step = 0; step < kMaxSteps; ++step) {
    std::wstring name = RecordFileName(stamp);
    if (!exists(name)) return name;
    stamp = NextStamp(stamp);
  }
  return std::nullopt;
}

}  // namespace varnel
