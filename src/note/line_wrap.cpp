#include "note/line_wrap.h"

namespace varnel {
namespace {

bool IsSpace(wchar_t c) noexcept { return c == L' ' || c == L'\t' || c == L'\u3000'; }

// Ideographs, kana, Hangul, and the full-width forms: lines may break between any two of them.
bool IsWide(wchar_t c) noexcept {
  return (c >= 0x2E80 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) || (c >= 0xFE30 && c <= 0xFE4F) ||
         (c >= 0xFF00 && c <= 0xFF60) || (c >= 0xFFE0 && c <= 0xFFE6);
}

// Characters that must not begin a line, and those that must not end one.
constexpr std::wstring_view kNoLineStart =
    L"!),.:;?]}\u00BB\u2019\u201D\u3001\u3002\u3005\u3009\u300B\u300D\u300F\u3011\u3015\u3017\u3019\u301F"
    L"\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u308E\u309D\u309E\u30A1\u30A3\u30A5\u30A7"
    L"\u30A9\u30C3\u30E3\u30E5\u30E7\u30EE\u30F5\u30F6\u30FB\u30FC\u30FD\u30FE\uFF01\uFF09\uFF0C\uFF0E"
    L"\uFF1A\uFF1B\uFF1F\uFF3D\uFF5D\uFF61\uFF63\uFF64\uFF65";
constexpr std::wstring_view kNoLineEnd =
    L"([{\u00AB\u2018\u201C\u3008\u300A\u300C\u300E\u3010\u3014\u3016\u3018\u301D\uFF08\uFF3B\uFF5B\uFF62";

}  // namespace

bool HasLineLongerThan(std::wstring_view text, std::size_t length) noexcept {
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find(L"\r\n", start);
    if ((end == std::wstring_view::npos ? text.size() : end) - start > length) return true;
    if (end == std::wstring_view::npos) return false;
    start = end + 2;
  }
}

bool CanBreakBefore(std::wstring_view line, std::size_t index) noexcept {
  if (index == 0 || index >= line.size()) return true;
  const wchar_t before = line[index - 1];
  const wchar_t after = line[index];
  if (after >= 0xDC00 && after <= 0xDFFF) return false;
  if (IsSpace(after)) return false;
  if (IsSpace(before)) return true;
  if (kNoLineStart.find(after) != std::wstring_view::npos) return false;
  if (kNoLineEnd.find(before) != std::wstring_view::npos) return false;
  return IsWide(before) || IsWide(after);
}

}  // namespace varnel
