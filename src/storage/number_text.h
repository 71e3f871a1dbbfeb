#pragma once
// The text forms of the numbers, colours and flags in record files. Every form is invariant: "."
// as decimal point, no thousands separators, no leading blank, whatever the user's locale.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace varnel {

// A single-precision value in at most 7 significant digits: 1440, 10.5, -3000, ".5", "-.5",
// ".0001". Values from 1E+07 up and below .0001 take the exponent form "1E+07", "1.5E-05",
// "-3.402823E+38". The digits are the shortest that read back to the same value when 7 digits
// suffice, else the value rounded to 7 digits. Infinity and NaN, which no window value holds,
// are written as 0 so that a record always stays readable.
std::string FormatSingle(float value);

// The same form with at most 15 significant digits for a double-precision value, plain up to
// 14 integer digits: 787000000.25, 86399.9921875.
std::string FormatDouble(double value);

// A colour as the literal "&H" + eight upper-case hexadecimal digits + "&": "&H00C0C0C0&".
std::string FormatColourLiteral(std::int32_t colour);

// "True" or "False".
std::string FormatFlag(bool value);

// A number in decimal form (optional sign, digits with an optional point, optional exponent
// "E+07") or as a literal "&H" + one to eight hexadecimal digits + "&" read as a 32-bit signed
// value ("&HFFFFFFFF&" is -1). Nothing for any other text, including the empty text, blanks,
// "NaN", "Inf" and values beyond the single-precision range ("1e999").
std::optional<float> ParseSingle(std::string_view text);

// A colour in the same two forms; a decimal value is rounded to a whole number (halves to even)
// and must lie in the 32-bit signed range.
std::optional<std::int32_t> ParseColour(std::string_view text);

// "True" or "False" in any letter case, or a number in either form: 0 is false, any other value
// true.
std::optional<bool> ParseFlag(std::string_view text);

}  // namespace varnel
