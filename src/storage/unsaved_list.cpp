#include "storage/unsaved_list.h"

#include <algorithm>

#include "storage/linked_text.h"
#include "storage/text_template.h"
#include "storage/unicode.h"

namespace varnel {
namespace {

constexpr wchar_t kRecoveryPrefix[] = L"未保存_";
constexpr wchar_t kRecoveryExtension[] = L".txt";
constexpr wchar_t kUnnamed[] = L"付箋";
constexpr size_t kMaxStemLength = 80;
constexpr size_t kMaxListedEntries = 20;
constexpr wchar_t kReplacement = 0xFFFD;

std::wstring TwoDigits(int value) {
  std::wstring text = std::to_wstring(value);
  return text.size() < 2 ? L"0" + text : text;
}

std::wstring StemOf(std::wstring_view path) {
  const size_t slash = path.find_last_of(L"\\/");
  std::wstring_view name = slash == std::wstring_view::npos ? path : path.substr(slash + 1);
  const size_t dot = name.find_last_of(L'.');
  if (dot != std::wstring_view::npos && dot > 0) name = name.substr(0, dot);
  if (name.size() > kMaxStemLength) name = name.substr(0, kMaxStemLength);
  return name.empty() ? std::wstring(kUnnamed) : std::wstring(name);
}

// Only where wchar_t holds code points can a unit lie beyond Unicode.
bool BeyondUnicode(unsigned long value) { return value > 0x10FFFF; }

// The text with every unit that no text file can hold replaced; pairs of surrogates (where
// wchar_t has 16 bits) are kept.
std::wstring Storable(std::wstring_view text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const wchar_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      out += c;
      out += text[++i];
    } else if (c == L'\0' || IsSurrogate(c) || BeyondUnicode(static_cast<unsigned long>(c))) {
      out += kReplacement;
    } else {
      out += c;
    }
  }
  return out;
}

// No Windows path holds a control character; the list's tab and line ends rely on that.
bool IsListablePath(std::wstring_view path) {
  return !path.empty() && std::none_of(path.begin(), path.end(), [](wchar_t c) { return static_cast<unsigned long>(c) < 0x20; });
}

}  // namespace

std::wstring RecoveryFileName(std::wstring_view textPath, const LocalTime& time, int attempt) {
  std::wstring name = kRecoveryPrefix;
  name += std::to_wstring(time.year) + TwoDigits(time.month) + TwoDigits(time.day) + L"-" + TwoDigits(time.hour) +
          TwoDigits(time.minute) + TwoDigits(time.second) + L"_" + StemOf(textPath);
  if (attempt > 1) name += L"_" + std::to_wstring(attempt);
  return name + kRecoveryExtension;
}

std::string EncodeRecoveredText(std::wstring_view text, const CodePage& systemCodePage) {
  const TextFormat utf8{TextEncoding::kUtf8Bom, LineEnd::kCrLf};
  std::optional<EncodedText> encoded = EncodeLinkedText(Storable(text), utf8, systemCodePage);
  return encoded ? std::move(encoded->bytes) : std::string();
}

std::optional<std::string> FormatUnsavedEntry(const UnsavedEntry& entry) {
  if (!IsListablePath(entry.textPath) || !IsListablePath(entry.recoveryFile)) return std::nullopt;
  std::optional<std::string> textPath = EncodeUtf8(entry.textPath);
  std::optional<std::string> recoveryFile = EncodeUtf8(entry.recoveryFile);
  if (!textPath || !recoveryFile) return std::nullopt;
  return *textPath + "\t" + *recoveryFile + "\r\n";
}

std::vector<UnsavedEntry> ParseUnsavedList(std::string_view bytes) {
  std::vector<UnsavedEntry> entries;
  while (!bytes.empty()) {
    const size_t end = bytes.find('\n');
    std::string_view line = bytes.substr(0, end);
    bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    const size_t tab = line.find('\t');
    if (tab == std::string_view::npos) continue;
    std::optional<std::wstring> textPath = DecodeUtf8(line.substr(0, tab));
    std::optional<std::wstring> recoveryFile = DecodeUtf8(line.substr(tab + 1));
    if (!textPath || !recoveryFile || !IsListablePath(*textPath) || !IsListablePath(*recoveryFile)) continue;
    entries.push_back({std::move(*textPath), std::move(*recoveryFile)});
  }
  return entries;
}

std::wstring UnsavedNotice(const std::vector<UnsavedEntry>& entries, std::wstring_view heading,
                           std::wstring_view more) {
  std::wstring text(heading);
  const size_t listed = std::min(entries.size(), kMaxListedEntries);
  for (size_t i = 0; i < listed; ++i) {
    text += L"\r\n" + entries[i].textPath + L"\r\n  → " + entries[i].recoveryFile + L"\r\n";
  }
  if (entries.size() > listed) text += L"\r\n" + FillIn(more, {std::to_wstring(entries.size() - listed)});
  return text;
}


std::wstring JournalNotice(const JournalFindings& findings, const JournalNoticeHeadings& headings,
                           std::wstring_view more) {
  std::vector<std::wstring> sections;
  if (!findings.putBack.empty()) sections.push_back(ListNotice(headings.putBack, findings.putBack, more));
  if (!findings.writtenBack.empty()) sections.push_back(ListNotice(headings.writtenBack, findings.writtenBack, more));
  if (!findings.keptApart.empty()) sections.push_back(UnsavedNotice(findings.keptApart, headings.keptApart, more));
  if (!findings.changedFiles.empty()) {
    sections.push_back(UnsavedNotice(findings.changedFiles, headings.changedFiles, more));
  }
  if (!findings.setAside.empty()) sections.push_back(ListNotice(headings.setAside, findings.setAside, more));
  std::wstring text;
  for (const std::wstring& section : sections) text += (text.empty() ? L"" : L"\r\n") + section;
  return text;
}

}  // namespace varnel
