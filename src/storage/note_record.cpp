#include "storage/note_record.h"

#include <array>

#include "storage/note_defaults.h"
#include "storage/number_text.h"
#include "storage/unicode.h"

namespace varnel {
namespace {

constexpr int kFieldCount = 12;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

struct Field {
  std::string text;
  bool malformed = false;  // a quoted field not closed, or with more text after its closing quote
};

// Takes the fields of a record one after another. Works on bytes: in the code pages Windows uses
// for its ANSI code page, and in UTF-8, the second byte of a character is never a blank, a comma,
// a quote or a line end.
class FieldReader {
 public:
  explicit FieldReader(std::string_view bytes) : bytes_(bytes) {}

  // The next field, or nothing once the bytes are used up.
  std::optional<Field> Next() {
    if (pos_ == bytes_.size()) return std::nullopt;
    SkipBlanks();
    Field field;
    if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
      ReadQuoted(field);
    } else {
      const std::size_t start = pos_;
      while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
      field.text.assign(bytes_.substr(start, pos_ - start));
    }
    SkipDelimiter();
    return field;
  }

 private:
  void SkipBlanks() {
    while (pos_ < bytes_.size() && IsBlank(bytes_[pos_])) ++pos_;
  }

  // A field in double quotes may hold commas and line ends; "" stands for one quote.
  void ReadQuoted(Field& field) {
    ++pos_;
    bool closed = false;
    while (pos_ < bytes_.size()) {
      const std::size_t quote = bytes_.find('"', pos_);
      if (quote == std::string_view::npos) {
        field.text.append(bytes_.substr(pos_));
        pos_ = bytes_.size();
        break;
      }
      field.text.append(bytes_.substr(pos_, quote - pos_));
      pos_ = quote + 1;
      if (pos_ < bytes_.size() && bytes_[pos_] == '"') {
        field.text.push_back('"');
        ++pos_;
      } else {
        closed = true;
        break;
      }
    }
    SkipBlanks();
    const std::size_t rest = pos_;
    while (pos_ < bytes_.size() && bytes_[pos_] != ',' && !IsLineEnd(bytes_[pos_])) ++pos_;
    field.malformed = !closed || pos_ != rest;
  }

  void SkipDelimiter() {
    if (pos_ == bytes_.size()) return;
    const char c = bytes_[pos_++];
    if (c == '\r' && pos_ < bytes_.size() && bytes_[pos_] == '\n') ++pos_;
  }

  std::string_view bytes_;
  std::size_t pos_ = 0;
};

std::string_view TrimTrailingBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

// A number, colour or flag: a missing or empty field is the zero value.
template <typename T, typename Parse>
std::optional<T> ConvertValue(const std::optional<Field>& field, Parse parse) {
  if (!field) return T{};
  if (field->malformed) return std::nullopt;
  const std::string_view text = TrimTrailingBlanks(field->text);
  if (text.empty()) return T{};
  return parse(text);
}

bool NeedsQuotes(std::string_view bytes) {
  if (!bytes.empty() && IsBlank(bytes.front())) return true;
  return bytes.find_first_of(",\"\r\n") != std::string_view::npos;
}

std::string Quoted(std::string_view bytes) {
  if (!NeedsQuotes(bytes)) return std::string(bytes);
  std::string out = "\"";
  for (const char c : bytes) {
    if (c == '"') out.push_back('"');
    out.push_back(c);
  }
  out.push_back('"');
  return out;
}

// The record line from its texts: the path and the font name in the code page when both have a
// form there, else the whole record in UTF-8 behind a byte-order mark.
std::optional<std::string> JoinRecord(std::wstring_view path, const std::array<std::string, 5>& afterPath,
                                      std::wstring_view fontName, const std::array<std::string, 5>& afterFont,
                                      const CodePage& codePage) {
  std::string line;
  std::optional<std::string> pathBytes = codePage.Encode(path);
  std::optional<std::string> fontBytes = codePage.Encode(fontName);
  // Code page bytes that begin like the UTF-8 mark would be read as UTF-8.
  if (!pathBytes || !fontBytes || pathBytes->starts_with(kUtf8ByteOrderMark)) {
    pathBytes = EncodeUtf8(path);
    fontBytes = EncodeUtf8(fontName);
    if (!pathBytes || !fontBytes) return std::nullopt;
    line = kUtf8ByteOrderMark;
  }
  line += Quoted(*pathBytes);
  for (const std::string& value : afterPath) line.append(",").append(value);
  line.append(",").append(Quoted(*fontBytes));
  for (const std::string& value : afterFont) line.append(",").append(value);
  line += "\r\n";
  return line;
}

}  // namespace

NoteRecord ParseRecord(std::string_view fileBytes, const CodePage& codePage) {
  const bool utf8 = fileBytes.starts_with(kUtf8ByteOrderMark);
  if (utf8) fileBytes.remove_prefix(kUtf8ByteOrderMark.size());

  FieldReader reader(fileBytes);
  std::array<std::optional<Field>, kFieldCount> fields;
  for (std::optional<Field>& field : fields) field = reader.Next();

  const auto text = [&](const std::optional<Field>& field) -> std::optional<std::wstring> {
    if (!field) return std::wstring();
    if (field->malformed) return std::nullopt;
    return utf8 ? DecodeUtf8(field->text) : codePage.Decode(field->text);
  };
  const auto number = [](const std::optional<Field>& field) { return ConvertValue<float>(field, ParseSingle); };
  const auto colour = [](const std::optional<Field>& field) { return ConvertValue<std::int32_t>(field, ParseColour); };
  const auto flag = [](const std::optional<Field>& field) { return ConvertValue<bool>(field, ParseFlag); };

  NoteRecord record;
  record.textPath = text(fields[0]);
  record.left = number(fields[1]);
  record.top = number(fields[2]);
  record.width = number(fields[3]);
  record.height = number(fields[4]);
  record.backColor = colour(fields[5]);
  record.fontName = text(fields[6]);
  record.fontSize = number(fields[7]);
  record.foreColor = colour(fields[8]);
  record.bold = flag(fields[9]);
  record.italic = flag(fields[10]);
  record.webVisible = flag(fields[11]);
  return record;
}

std::optional<std::string> FormatClosedRecord(const NoteValues& values, const CodePage& codePage) {
  return JoinRecord(values.textPath,
                    {FormatSingle(values.left), FormatSingle(values.top), FormatSingle(values.width),
                     FormatSingle(values.height), std::to_string(values.backColor)},
                    values.fontName,
                    {FormatSingle(values.fontSize), std::to_string(values.foreColor), FormatFlag(values.bold),
                     FormatFlag(values.italic), FormatFlag(values.webVisible)},
                    codePage);
}

std::optional<std::string> FormatNewRecord(std::wstring_view path, float left, float top, const CodePage& codePage) {
  return JoinRecord(path,
                    {FormatSingle(left), FormatSingle(top), FormatSingle(kNewNoteSize), FormatSingle(kNewNoteSize),
                     FormatColourLiteral(kNoteBackColour)},
                    kNoteFontName,
                    {FormatSingle(kNoteFontSize), FormatColourLiteral(kNoteTextColour), FormatFlag(false),
                     FormatFlag(false), FormatFlag(false)},
                    codePage);
}

}  // namespace varnel
