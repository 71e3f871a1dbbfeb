#include "storage/journal.h"

#include <algorithm>

#include "storage/unicode.h"

namespace varnel {
namespace {

constexpr std::string_view kHeader = "Varnel journal 2\r\n";
// Written before journals kept the linked file's format; of the same length.
constexpr std::string_view kHeaderVersion1 = "Varnel journal 1\r\n";
constexpr std::uint64_t kLastEncoding = static_cast<std::uint64_t>(TextEncoding::kUtf16BeBom);
constexpr std::uint64_t kLastLineEnd = static_cast<std::uint64_t>(LineEnd::kCr);
constexpr std::size_t kIntegerSize = 8;  // every number in a journal, lengths and check value too
constexpr std::wstring_view kJournalSuffix = L".varnel-journal";
constexpr std::wstring_view kRecordSuffix = L".dat";
constexpr std::wstring_view kDamagedSuffix = L".damaged";

void PutInteger(std::string& out, std::uint64_t value) {
  for (std::size_t k = 0; k < kIntegerSize; ++k) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}

// Reads a journal's numbers and texts in order; every read fails once the bytes run out.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  std::optional<std::uint64_t> Integer() {
    if (bytes_.size() < kIntegerSize) return std::nullopt;
    std::uint64_t value = 0;
    for (std::size_t k = 0; k < kIntegerSize; ++k) {
      value |= std::uint64_t{static_cast<unsigned char>(bytes_[k])} << (8 * k);
    }
    bytes_.remove_prefix(kIntegerSize);
    return value;
  }

  // A length, then that many bytes as UTF-8.
  std::optional<std::wstring> Text() {
    const std::optional<std::uint64_t> length = Integer();
    if (!length || *length > bytes_.size()) return std::nullopt;
    std::optional<std::wstring> text = DecodeUtf8(bytes_.substr(0, static_cast<std::size_t>(*length)));
    bytes_.remove_prefix(static_cast<std::size_t>(*length));
    return text;
  }

  bool AtEnd() const { return bytes_.empty(); }

 private:
  std::string_view bytes_;
};

bool EndsWithIgnoringCase(std::wstring_view name, std::wstring_view suffix) {
  if (name.size() < suffix.size()) return false;
  const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; };
  return std::equal(suffix.begin(), suffix.end(), name.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                    [&](wchar_t a, wchar_t b) { return lower(a) == lower(b); });
}

}  // namespace

std::uint64_t Fnv1a64(std::string_view bytes) {
  std::uint64_t hash = 0xCBF29CE484222325;
  for (const char b : bytes) {
    hash ^= static_cast<unsigned char>(b);
    hash *= 0x100000001B3;
  }
  return hash;
}

std::optional<std::string> FormatJournal(const Journal& journal) {
  const std::optional<std::string> path = EncodeUtf8(journal.textPath);
  if (!path) return std::nullopt;
  const std::string text = EncodeUtf8Replacing(journal.text);

  std::string content;
  content.reserve(7 * kIntegerSize + path->size() + text.size());
  PutInteger(content, journal.base.size);
  PutInteger(content, journal.base.lastWriteTime);
  PutInteger(content, journal.base.hash);
  PutInteger(content, static_cast<std::uint64_t>(journal.format.encoding));
  PutInteger(content, static_cast<std::uint64_t>(journal.format.lineEnd));
  PutInteger(content, path->size());
  content += *path;
  PutInteger(content, text.size());
  content += text;

  std::string bytes;
  bytes.reserve(kHeader.size() + 2 * kIntegerSize + content.size());
  bytes += kHeader;
  PutInteger(bytes, content.size());
  bytes += content;
  PutInteger(bytes, Fnv1a64(bytes));
  return bytes;
}

std::optional<Journal> ParseJournal(std::string_view bytes) {
  // The header, the content's length and the check value around the content.
  constexpr std::size_t kFrameSize = kHeader.size() + 2 * kIntegerSize;
  if (bytes.size() < kFrameSize) return std::nullopt;
  const std::string_view header = bytes.substr(0, kHeader.size());
  const bool version1 = header == kHeaderVersion1;
  if (header != kHeader && !version1) return std::nullopt;
  if (Reader(bytes.substr(kHeader.size())).Integer() != bytes.size() - kFrameSize) return std::nullopt;
  const std::string_view checked = bytes.substr(0, bytes.size() - kIntegerSize);
  if (Reader(bytes.substr(checked.size())).Integer() != Fnv1a64(checked)) return std::nullopt;

  Reader content(checked.substr(kHeader.size() + kIntegerSize));
  const std::optional<std::uint64_t> size = content.Integer();
  const std::optional<std::uint64_t> lastWriteTime = content.Integer();
  const std::optional<std::uint64_t> hash = content.Integer();
  TextFormat format;
  if (!version1) {
    const std::optional<std::uint64_t> encoding = content.Integer();
    const std::optional<std::uint64_t> lineEnd = content.Integer();
    if (!encoding || *encoding > kLastEncoding || !lineEnd || *lineEnd > kLastLineEnd) return std::nullopt;
    format = {static_cast<TextEncoding>(*encoding), static_cast<LineEnd>(*lineEnd)};
  }
  std::optional<std::wstring> textPath = content.Text();
  std::optional<std::wstring> text = content.Text();
  if (!size || !lastWriteTime || !hash || !textPath || !text || !content.AtEnd()) return std::nullopt;
  return Journal{std::move(*textPath), {*size, *lastWriteTime, *hash}, format, std::move(*text)};
}

std::wstring JournalFileName(std::wstring_view recordFileName) {
  return std::wstring(recordFileName) + std::wstring(kJournalSuffix);
}

std::optional<std::wstring> RecordFileNameOfJournal(std::wstring_view journalFileName) {
  if (!EndsWithIgnoringCase(journalFileName, kJournalSuffix)) return std::nullopt;
  const std::wstring_view record = journalFileName.substr(0, journalFileName.size() - kJournalSuffix.size());
  if (record.size() <= kRecordSuffix.size() || !EndsWithIgnoringCase(record, kRecordSuffix)) return std::nullopt;
  return std::wstring(record);
}

std::wstring FallbackJournalFileName(std::wstring_view recordPath) {
  const size_t slash = recordPath.find_last_of(L"\\/");
  const std::wstring_view recordName = slash == std::wstring_view::npos ? recordPath : recordPath.substr(slash + 1);
  std::wstring folded(recordPath);
  for (wchar_t& c : folded) {
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  }
  // Hashed as UTF-8 where it converts, so that the tag is the same for either width of wchar_t.
  const std::string bytes = EncodeUtf8Replacing(folded);
  std::uint64_t tag = Fnv1a64(bytes);
  std::wstring name(16, L'0');
  for (size_t k = name.size(); k-- > 0; tag >>= 4) name[k] = L"0123456789abcdef"[tag & 0xF];
  return JournalFileName(name + L"-" + std::wstring(recordName));
}

std::wstring DamagedJournalFileName(std::wstring_view journalFileName, int attempt) {
  std::wstring name = std::wstring(journalFileName) + std::wstring(kDamagedSuffix);
  if (attempt > 1) name += L"-" + std::to_wstring(attempt);
  return name;
}

}  // namespace varnel
