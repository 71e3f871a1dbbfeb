#include "storage/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace varnel {
namespace {

// A decimal value as d0.d1d2... times ten to the power exponent; digits without trailing zeros,
// "0" for zero.
struct Scientific {
  bool negative = false;
  std::string digits;
  int exponent = 0;
};

// Splits what std::to_chars writes in scientific form, such as "-1.25e+07" or "5e-01".
Scientific SplitScientific(const char* begin, const char* end) {
  Scientific s;
  const char* p = begin;
  if (*p == '-') {
    s.negative = true;
    ++p;
  }
  for (; *p != 'e'; ++p) {
    if (*p != '.') s.digits.push_back(*p);
  }
  ++p;
  const bool negativeExponent = *p == '-';
  ++p;
  std::from_chars(p, end, s.exponent);
  if (negativeExponent) s.exponent = -s.exponent;
  while (s.digits.size() > 1 && s.digits.back() == '0') s.digits.pop_back();
  return s;
}

template <typename Real>
Scientific ToScientific(Real value, int maxDigits) {
  char buffer[64];
  std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
  Scientific s = SplitScientific(buffer, r.ptr);
  if (s.digits.size() > static_cast<std::size_t>(maxDigits)) {
    r = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific, maxDigits - 1);
    s = SplitScientific(buffer, r.ptr);
  }
  return s;
}

std::string Layout(const Scientific& s, int maxDigits) {
  if (s.digits == "0") return "0";
  std::string out = s.negative ? "-" : "";
  const int x = s.exponent;
  const std::size_t n = s.digits.size();
  if (x > -5 && x < maxDigits) {
    if (x < 0) {
      out += '.';
      out.append(static_cast<std::size_t>(-x - 1), '0');
      out += s.digits;
    } else if (n <= static_cast<std::size_t>(x) + 1) {
      out += s.digits;
      out.append(static_cast<std::size_t>(x) + 1 - n, '0');
    } else {
      out.append(s.digits, 0, static_cast<std::size_t>(x) + 1);
      out += '.';
      out.append(s.digits, static_cast<std::size_t>(x) + 1);
    }
    return out;
  }
  out += s.digits[0];
  if (n > 1) {
    out += '.';
    out.append(s.digits, 1);
  }
  out += x < 0 ? "E-" : "E+";
  const int magnitude = std::abs(x);
  if (magnitude < 10) out += '0';
  out += std::to_string(magnitude);
  return out;
}

template <typename Real>
std::string Format(Real value, int maxDigits) {
  if (!std::isfinite(value)) return "0";
  return Layout(ToScientific(value, maxDigits), maxDigits);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool EqualsIgnoringCase(std::string_view text, std::string_view lowerWord) {
  if (text.size() != lowerWord.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] - 'A' + 'a') : text[i];
    if (c != lowerWord[i]) return false;
  }
  return true;
}

// "&H" + one to eight hexadecimal digits + "&", as a 32-bit signed value.
std::optional<std::int32_t> ParseHexLiteral(std::string_view text) {
  if (text.size() < 4 || text[0] != '&' || (text[1] != 'H' && text[1] != 'h') || text.back() != '&') {
    return std::nullopt;
  }
  const std::string_view digits = text.substr(2, text.size() - 3);
  if (digits.size() > 8) return std::nullopt;
  std::uint32_t value = 0;
  for (const char c : digits) {
    const int h = HexValue(c);
    if (h < 0) return std::nullopt;
    value = value * 16 + static_cast<std::uint32_t>(h);
  }
  return static_cast<std::int32_t>(value);
}

// Reads the decimal form: optional sign, digits with an optional point (at least one digit),
// optional exponent. std::from_chars alone would also take "inf" and "nan" and refuse a "+".
template <typename Real>
std::optional<Real> ParseDecimal(std::string_view text) {
  std::size_t i = 0;
  if (!text.empty() && text[0] == '+') {
    text.remove_prefix(1);
  } else if (!text.empty() && text[0] == '-') {
    i = 1;
  }
  std::size_t mantissaDigits = 0;
  for (; i < text.size() && IsDigit(text[i]); ++i) ++mantissaDigits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && IsDigit(text[i]); ++i) ++mantissaDigits;
  }
  if (mantissaDigits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    const std::size_t exponentStart = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
    }
    if (i == exponentStart) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  Real value{};
  const std::from_chars_result r = std::from_chars(text.data(), text.data() + text.size(), value);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string FormatSingle(float value) { return Format(value, 7); }

std::string FormatDouble(double value) { return Format(value, 15); }

std::string FormatColourLiteral(std::int32_t colour) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  const auto bits = static_cast<std::uint32_t>(colour);
  std::string out = "&H";
  for (int shift = 28; shift >= 0; shift -= 4) out += kHex[(bits >> shift) & 0xF];
  out += '&';
  return out;
}

std::string FormatFlag(bool value) { return value ? "True" : "False"; }

std::optional<float> ParseSingle(std::string_view text) {
  if (const std::optional<std::int32_t> literal = ParseHexLiteral(text)) return static_cast<float>(*literal);
  return ParseDecimal<float>(text);
}

std::optional<std::int32_t> ParseColour(std::string_view text) {
  if (const std::optional<std::int32_t> literal = ParseHexLiteral(text)) return literal;
  const std::optional<double> value = ParseDecimal<double>(text);
  if (!value) return std::nullopt;
  double whole = std::floor(*value);
  const double fraction = *value - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  if (whole < -2147483648.0 || whole > 2147483647.0) return std::nullopt;
  return static_cast<std::int32_t>(whole);
}

std::optional<bool> ParseFlag(std::string_view text) {
  if (EqualsIgnoringCase(text, "true")) return true;
  if (EqualsIgnoringCase(text, "false")) return false;
  if (const std::optional<std::int32_t> literal = ParseHexLiteral(text)) return *literal != 0;
  const std::optional<double> value = ParseDecimal<double>(text);
  if (!value) return std::nullopt;
  return *value != 0.0;
}

}  // namespace varnel
