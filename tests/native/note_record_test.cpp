#include "storage/note_record.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <random>
#include <tuple>

#include "storage/note_defaults.h"

namespace varnel {

// Failures show the twelve values rather than the bytes of the structure.
void PrintTo(const NoteRecord& r, std::ostream* out) {
  *out << testing::PrintToString(std::tie(r.textPath, r.left, r.top, r.width, r.height, r.backColor, r.fontName,
                                          r.fontSize, r.foreColor, r.bold, r.italic, r.webVisible));
}

namespace {

const std::string kFontCp932 = "\x82\x6C\x82\x72 \x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";  // ＭＳ Ｐゴシック
const std::string kUtf8Mark = "\xEF\xBB\xBF";

class NoteRecordTest : public testing::Test {
 protected:
  std::unique_ptr<CodePage> cp932_ = MakeCodePage(932);

  NoteRecord Parse(std::string_view bytes) const { return ParseRecord(bytes, *cp932_); }

  static NoteValues ClosedExample() {
    NoteValues v;
    v.textPath = L"C:\\memo\\memo.txt";
    v.left = 1200;
    v.top = 900;
    v.width = v.height = 3000;
    v.backColor = 0x00C0C0C0;
    v.fontName = std::wstring(kNoteFontName);
    v.fontSize = 9;
    v.foreColor = 0;
    v.bold = true;
    v.webVisible = true;
    return v;
  }
};

NoteRecord RecordOf(const NoteValues& v) {
  return {v.textPath, v.left,     v.top,       v.width, v.height, v.backColor,
          v.fontName, v.fontSize, v.foreColor, v.bold,  v.italic, v.webVisible};
}

TEST_F(NoteRecordTest, NewRecordIsByteExact) {
  EXPECT_EQ(FormatNewRecord(L"C:\\memo\\memo.txt", 1200, 900, *cp932_),
            "C:\\memo\\memo.txt,1200,900,3000,3000,&H00C0C0C0&," + kFontCp932 + ",9,&H00000000&,False,False,False\r\n");
  EXPECT_EQ(FormatNewRecord(L"C:\\a.txt", 0, -7.5f, *cp932_),
            "C:\\a.txt,0,-7.5,3000,3000,&H00C0C0C0&," + kFontCp932 + ",9,&H00000000&,False,False,False\r\n");
}

TEST_F(NoteRecordTest, ClosedRecordIsByteExact) {
  EXPECT_EQ(FormatClosedRecord(ClosedExample(), *cp932_),
            "C:\\memo\\memo.txt,1200,900,3000,3000,12632256," + kFontCp932 + ",9,0,True,False,True\r\n");
  NoteValues v = ClosedExample();
  v.fontSize = 10.5f;
  v.left = 0;
  v.top = -0.5f;
  v.foreColor = -1;
  EXPECT_EQ(FormatClosedRecord(v, *cp932_),
            "C:\\memo\\memo.txt,0,-.5,3000,3000,12632256," + kFontCp932 + ",10.5,-1,True,False,True\r\n");
}

TEST_F(NoteRecordTest, BothExampleRecordsReadToTheirValues) {
  NoteRecord expected = RecordOf(ClosedExample());
  EXPECT_EQ(Parse(*FormatClosedRecord(ClosedExample(), *cp932_)), expected);
  expected.bold = expected.webVisible = false;
  EXPECT_EQ(Parse(*FormatNewRecord(L"C:\\memo\\memo.txt", 1200, 900, *cp932_)), expected);
}

TEST_F(NoteRecordTest, EmptyFileReadsAsEmptyTextZerosAndFalse) {
  const NoteRecord expected{L"", 0.0f, 0.0f, 0.0f, 0.0f, 0, L"", 0.0f, 0, false, false, false};
  for (const char* bytes : {"", "\r\n", " ", ",,,,,,,,,,,", "\xEF\xBB\xBF"}) {
    EXPECT_EQ(Parse(bytes), expected) << testing::PrintToString(std::string(bytes));
  }
}

struct LayoutCase {
  const char* name;
  const char* bytes;
};

// Test listings name a case by its name rather than by its bytes.
void PrintTo(const LayoutCase& c, std::ostream* out) { *out << c.name; }

class RecordLayoutTest : public NoteRecordTest, public testing::WithParamInterface<LayoutCase> {};

// Every layout the reading rules allow gives the same twelve values.
TEST_P(RecordLayoutTest, ReadsTheSameValues) {
  const NoteRecord expected{L"C:\\a b.txt", 15.0f, 30.0f, 3000.0f, 2000.0f, 12632256,
                            L"Arial",       10.5f, 255,   true,    false,   true};
  EXPECT_EQ(Parse(GetParam().bytes), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RecordLayoutTest,
    testing::Values(LayoutCase{"OneLine", "C:\\a b.txt,15,30,3000,2000,12632256,Arial,10.5,255,True,False,True\r\n"},
                    LayoutCase{"NoLineEnd", "C:\\a b.txt,15,30,3000,2000,12632256,Arial,10.5,255,True,False,True"},
                    LayoutCase{"LeadingAndTrailingBlanks",
                               "  C:\\a b.txt, 15 ,\t30,3000,2000, 12632256 ,   Arial,10.5,255, True,False ,True\r\n"},
                    LayoutCase{"HexadecimalForms",
                               "C:\\a b.txt,&HF&,&H1E&,3000,2000,&H00C0C0C0&,Arial,10.5,&HFF&,-1,0,&H1&\r\n"},
                    LayoutCase{"ShortLinesContinue",
                               "C:\\a b.txt,15\r\n30,3000,2000\n12632256\rArial,10.5\r\n255,True,False,True\r\n"},
                    LayoutCase{"ExtraFieldsAndLinesIgnored",
                               "C:\\a b.txt,15,30,3000,2000,12632256,Arial,10.5,255,True,False,True,x,y\r\nmore\r\n"},
                    LayoutCase{"QuotedFields",
                               "\"C:\\a b.txt\",\"15\",30,3000,2000,12632256, \"Arial\" ,10.5,255,True,False,True"}),
    [](const testing::TestParamInfo<LayoutCase>& info) { return info.param.name; });

struct BadFieldCase {
  int field;  // 1 to 12
  const char* text;
};

// Clears value number field (1 to 12) of the record.
void Unset(NoteRecord& r, int field) {
  const std::function<void()> clear[] = {
      [&] { r.textPath.reset(); }, [&] { r.left.reset(); },     [&] { r.top.reset(); },
      [&] { r.width.reset(); },    [&] { r.height.reset(); },   [&] { r.backColor.reset(); },
      [&] { r.fontName.reset(); }, [&] { r.fontSize.reset(); }, [&] { r.foreColor.reset(); },
      [&] { r.bold.reset(); },     [&] { r.italic.reset(); },   [&] { r.webVisible.reset(); }};
  clear[field - 1]();
}

class BadFieldTest : public NoteRecordTest, public testing::WithParamInterface<BadFieldCase> {};

// A field that does not convert leaves its own value unset and every other value as written.
TEST_P(BadFieldTest, UnsetsThatValueOnly) {
  std::vector<std::string> fields{"C:\\a.txt", "15", "30", "3000", "2000",  "255",
                                  "Arial",     "9",  "-1", "True", "False", "True"};
  fields[GetParam().field - 1] = GetParam().text;
  std::string line;
  for (const std::string& field : fields) line += field + ",";
  line.back() = '\r';
  line += '\n';
  const NoteRecord record = Parse(line);
  NoteRecord expected{L"C:\\a.txt", 15.0f, 30.0f, 3000.0f, 2000.0f, 255, L"Arial", 9.0f, -1, true, false, true};
  Unset(expected, GetParam().field);
  EXPECT_EQ(record, expected) << line;
}

INSTANTIATE_TEST_SUITE_P(Fields, BadFieldTest,
                         testing::Values(BadFieldCase{1, "C:\\\x82"}, BadFieldCase{1, "\"C:\\a.txt\"x"},
                                         BadFieldCase{7, "\x82\x20"}, BadFieldCase{2, "abc"}, BadFieldCase{3, "1e999"},
                                         BadFieldCase{4, "NaN"}, BadFieldCase{5, "-"}, BadFieldCase{8, "&H"},
                                         BadFieldCase{6, "&HFFFFFFFFF&"}, BadFieldCase{9, "2147483648"},
                                         BadFieldCase{10, "Yes"}, BadFieldCase{11, "1e999"},
                                         BadFieldCase{12, "\"True"}));

TEST_F(NoteRecordTest, CommasAndQuotesAreQuoted) {
  NoteValues v = ClosedExample();
  v.textPath = L"C:\\a,b\\say \"hi\".txt";
  v.fontName = L"Font, \"Quoted\"";
  const std::optional<std::string> line = FormatClosedRecord(v, *cp932_);
  EXPECT_EQ(
      line,
      "\"C:\\a,b\\say \"\"hi\"\".txt\",1200,900,3000,3000,12632256,\"Font, \"\"Quoted\"\"\",9,0,True,False,True\r\n");
  EXPECT_EQ(Parse(*line), RecordOf(v));
}

TEST_F(NoteRecordTest, TextWithoutAFormInTheCodePageIsWrittenAsUtf8WithAMark) {
  NoteValues v = ClosedExample();
  v.textPath = L"C:\\\uD55C\uAE00.txt";  // 한글: Korean on a Japanese system
  const std::optional<std::string> line = FormatClosedRecord(v, *cp932_);
  ASSERT_TRUE(line.has_value());
  EXPECT_EQ(*line, kUtf8Mark +
                       "C:\\\xED\x95\x9C\xEA\xB8\x80.txt,1200,900,3000,3000,12632256,"
                       "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF,"
                       "9,0,True,False,True\r\n");
  EXPECT_EQ(Parse(*line), RecordOf(v));

  NoteValues font = ClosedExample();
  font.fontName = L"\uB9D1\uC740 \uACE0\uB515";
  EXPECT_TRUE(FormatClosedRecord(font, *cp932_)->starts_with(kUtf8Mark));
  EXPECT_TRUE(FormatNewRecord(L"C:\\\u00A5.txt", 0, 0, *cp932_)->starts_with(kUtf8Mark));
}

TEST(NoteRecordMark, CodePageBytesThatLookLikeTheMarkAreWrittenAsUtf8) {
  const std::unique_ptr<CodePage> cp1252 = MakeCodePage(1252);
  const std::wstring path = L"\u00EF\u00BB\u00BFx.txt";  // ï»¿ is EF BB BF in code page 1252
  const std::optional<std::string> line = FormatNewRecord(path, 0, 0, *cp1252);
  ASSERT_TRUE(line.has_value());
  EXPECT_TRUE(line->starts_with(kUtf8Mark + "\xC3\xAF"));
  EXPECT_EQ(ParseRecord(*line, *cp1252).textPath, path);
}

TEST_F(NoteRecordTest, UnpairedSurrogateCannotBeWritten) {
  const std::wstring path = L"C:\\" + std::wstring(1, static_cast<wchar_t>(0xD800)) + L".txt";
  EXPECT_EQ(FormatNewRecord(path, 0, 0, *cp932_), std::nullopt);
}

TEST_F(NoteRecordTest, InvalidUtf8AfterTheMarkUnsetsTheText) {
  const NoteRecord record = Parse(kUtf8Mark + "C:\\\xC0\x80.txt,1,2");
  EXPECT_EQ(record.textPath, std::nullopt);
  EXPECT_EQ(record.top, 2.0f);
}

TEST_F(NoteRecordTest, HugeInputsReadInBoundedTime) {
  const auto start = std::chrono::steady_clock::now();
  const std::size_t size = 10u << 20;
  EXPECT_EQ(Parse(std::string(size, 'a')).textPath->size(), size);
  EXPECT_EQ(Parse(std::string(size, ',')).webVisible, false);
  EXPECT_EQ(Parse("\"" + std::string(size, '"')).textPath, std::nullopt);
  EXPECT_EQ(Parse("p," + std::string(size, '9')).left, std::nullopt);
  EXPECT_EQ(Parse(std::string(size, '\n')).textPath, L"");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(20));
}

// Random values written at close read back as the same values, in code page 932 and in UTF-8.
TEST(NoteRecordRoundTrip, RandomRecordsReadBackUnchanged) {
  const std::wstring alphabet = L"abcXYZ019 ,\"\\:.-\u3042\u30E1\uFF71\u6F22\uD55C\u00E9\u00A5";
  std::mt19937 random(5);
  const auto pick = [&](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
  const auto text = [&] {
    std::wstring s;
    for (std::size_t n = pick(20); n > 0; --n) s += alphabet[pick(alphabet.size())];
    if (!s.empty() && (s.front() == L' ')) s.front() = L'x';  // the reader skips leading blanks
    return s;
  };
  const auto number = [&] {
    const int digits = std::uniform_int_distribution<int>(-9999999, 9999999)(random);
    const int exponent = std::uniform_int_distribution<int>(-6, 3)(random);
    return std::stof(std::to_string(digits) + "e" + std::to_string(exponent));
  };
  for (const unsigned number_of_page : {932u, kCodePageUtf8}) {
    const std::unique_ptr<CodePage> cp = MakeCodePage(number_of_page);
    for (int i = 0; i < 500; ++i) {
      NoteValues v;
      v.textPath = text();
      v.left = number(), v.top = number(), v.width = number(), v.height = number(), v.fontSize = number();
      v.backColor = static_cast<std::int32_t>(random());
      v.foreColor = static_cast<std::int32_t>(random());
      v.fontName = text();
      v.bold = pick(2) == 1, v.italic = pick(2) == 1, v.webVisible = pick(2) == 1;
      const std::optional<std::string> line = FormatClosedRecord(v, *cp);
      ASSERT_TRUE(line.has_value());
      EXPECT_EQ(ParseRecord(*line, *cp), RecordOf(v)) << *line;
    }
  }
}

}  // namespace
}  // namespace varnel
