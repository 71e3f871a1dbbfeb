#include "storage/new_note_name.h"

#include <gtest/gtest.h>

#include <ostream>
#include <set>

namespace varnel {
namespace {

struct NameCase {
  const char* name;
  LocalTime clock;
  std::set<std::wstring> taken;
  const wchar_t* expected;
};

// Test listings name a case by its name rather than by its bytes.
void PrintTo(const NameCase& c, std::ostream* out) { *out << c.name; }

class NewNoteFileNameTest : public testing::TestWithParam<NameCase> {};

TEST_P(NewNoteFileNameTest, NamesTheMinuteAndNeverATakenName) {
  const std::set<std::wstring>& taken = GetParam().taken;
  EXPECT_EQ(NewNoteFileName(GetParam().clock, [&](const std::wstring& name) { return taken.contains(name); }),
            GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Clocks, NewNoteFileNameTest,
    testing::Values(
        NameCase{"Free", {2026, 12, 9, 19, 58, 7, 250}, {}, L"2026-12-09_19-58.txt"},
        NameCase{"SingleDigitsArePadded", {2027, 1, 2, 3, 4, 5}, {}, L"2027-01-02_03-04.txt"},
        NameCase{"Midnight", {2026, 12, 31, 0, 0, 0}, {}, L"2026-12-31_00-00.txt"},
        NameCase{"SameMinuteTakesANumber", {2026, 12, 9, 19, 58, 59}, {L"2026-12-09_19-58.txt"},
                 L"2026-12-09_19-58 (2).txt"},
        NameCase{"NumbersCountOn",
                 {2026, 12, 9, 19, 58},
                 {L"2026-12-09_19-58.txt", L"2026-12-09_19-58 (2).txt", L"2026-12-09_19-58 (3).txt"},
                 L"2026-12-09_19-58 (4).txt"},
        // A gap left by a deleted note is used again: no name of the row is ever replaced.
        NameCase{"GapIsFilled",
                 {2026, 12, 9, 19, 58},
                 {L"2026-12-09_19-58.txt", L"2026-12-09_19-58 (3).txt"},
                 L"2026-12-09_19-58 (2).txt"},
        NameCase{"OtherMinutesDoNotCount", {2026, 12, 9, 19, 58}, {L"2026-12-09_19-57.txt"}, L"2026-12-09_19-58.txt"}),
    [](const testing::TestParamInfo<NameCase>& info) { return info.param.name; });

TEST(FreeFileName, GivesUpWhenEveryNumberIsTaken) {
  int asked = 0;
  EXPECT_EQ(FreeFileName(L"Varnel", L".lnk",
                         [&](const std::wstring&) {
                           ++asked;
                           return true;
                         }),
            std::nullopt);
  EXPECT_EQ(asked, 9999);
  EXPECT_EQ(FreeFileName(L"Varnel", L".lnk", [](const std::wstring& name) { return name == L"Varnel.lnk"; }),
            L"Varnel (2).lnk");
}

}  // namespace
}  // namespace varnel
