#include "storage/record_name.h"

#include <gtest/gtest.h>

#include <ostream>

#include <set>

namespace varnel {
namespace {

struct ClockCase {
  const char* name;
  LocalTime clock;
  const wchar_t* fileName;
};

// Test listings name a case by its name rather than by its bytes.
void PrintTo(const ClockCase& c, std::ostream* out) { *out << c.name; }

class RecordFileNameTest : public testing::TestWithParam<ClockCase> {};

TEST_P(RecordFileNameTest, StampsTheClock) {
  EXPECT_EQ(RecordFileName(RecordStamp(GetParam().clock)), GetParam().fileName);
}

INSTANTIATE_TEST_SUITE_P(Clocks, RecordFileNameTest,
                         testing::Values(ClockCase{"StartOf2002", {2002, 1, 1}, L"0.dat"},
                                         ClockCase{"Midnight", {2026, 12, 7}, L"786758400.dat"},
                                         // 23:59:59.990 is 86399.99 s, in single precision 86399.9921875; the sum keeps 15 digits.
                                         ClockCase{
                                             "LastTickOfTheDay", {2026, 12, 7, 23, 59, 59, 990}, L"786844799.992188.dat"},
                                         ClockCase{"LeapDay", {2024, 2, 29, 12, 0, 0, 500}, L"699364800.5.dat"},
                                         ClockCase{"DayAfterLeapDay", {2024, 3, 1}, L"699408000.dat"},
                                         ClockCase{"DayBefore2002", {2001, 12, 31}, L"-86400.dat"},
                                         // Past the 32-bit range of seconds (19 January 2070): no overflow.
                                         ClockCase{"After2070", {2070, 1, 20}, L"2147558400.dat"}),
                         [](const testing::TestParamInfo<ClockCase>& info) { return info.param.name; });

TEST(NewRecordFileName, FreeNameIsTheStampItself) {
  std::vector<std::wstring> asked;
  const auto exists = [&](const std::wstring& name) {
    asked.push_back(name);
    return false;
  };
  EXPECT_EQ(NewRecordFileName({2024, 2, 29, 12, 0, 0, 500}, exists), L"699364800.5.dat");
  EXPECT_EQ(asked, std::vector<std::wstring>{L"699364800.5.dat"});
}

struct CollisionCase {
  const char* name;
  LocalTime clock;
  std::set<std::wstring> taken;
  const wchar_t* expected;
};

// Test listings name a case by its name rather than by its bytes.
void PrintTo(const CollisionCase& c, std::ostream* out) { *out << c.name; }

class CollisionTest : public testing::TestWithParam<CollisionCase> {};

// A taken name moves the stamp on by one unit of its 15th digit, as often as needed.
TEST_P(CollisionTest, MovesToTheNextFreeName) {
  const std::set<std::wstring>& taken = GetParam().taken;
  const auto exists = [&](const std::wstring& name) { return taken.contains(name); };
  EXPECT_EQ(NewRecordFileName(GetParam().clock, exists), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, CollisionTest,
    testing::Values(
        CollisionCase{"ShortStamp", {2024, 2, 29, 12, 0, 0, 500}, {L"699364800.5.dat"}, L"699364800.500001.dat"},
        CollisionCase{"FullStamp", {2026, 12, 7, 23, 59, 59, 990}, {L"786844799.992188.dat"}, L"786844799.992189.dat"},
        CollisionCase{"Carry",
                      {2024, 2, 29, 12, 0, 0, 500},
                      {L"699364800.5.dat", L"699364800.500001.dat", L"699364800.500002.dat", L"699364800.500003.dat",
                       L"699364800.500004.dat", L"699364800.500005.dat", L"699364800.500006.dat",
                       L"699364800.500007.dat", L"699364800.500008.dat", L"699364800.500009.dat"},
                      L"699364800.50001.dat"},
        CollisionCase{"WholeSecond", {2026, 12, 7}, {L"786758400.dat"}, L"786758400.000001.dat"},
        CollisionCase{"NegativeStampMovesUp", {2001, 12, 31}, {L"-86400.dat"}, L"-86399.9999999999.dat"}),
    [](const testing::TestParamInfo<CollisionCase>& info) { return info.param.name; });

TEST(NewRecordFileName, GivesUpWhenEveryNameIsTaken) {
  int asked = 0;
  const auto exists = [&](const std::wstring&) {
    ++asked;
    return true;
  };
  EXPECT_EQ(NewRecordFileName({2026, 12, 7, 0, 0, 1}, exists), std::nullopt);
  EXPECT_EQ(asked, 10000);
}

TEST(IsRecordFileName, TakesLongNamesEndingInDatInAnyCase) {
  for (const wchar_t* name : {L"699364800.5.dat", L"A.DAT", L"b.Dat", L"記録.dat", L".dat"}) {
    EXPECT_TRUE(IsRecordFileName(name)) << testing::PrintToString(std::wstring(name));
  }
  // Names a "*.dat" search can return through their short names, and near misses.
  for (const wchar_t* name : {L"x.data", L"notes.dat.bak", L"longname.datx", L"y.dat2", L"a.dat.123.varnel-tmp",
                              L"dat", L"adat", L"a.da", L""}) {
    EXPECT_FALSE(IsRecordFileName(name)) << testing::PrintToString(std::wstring(name));
  }
}

}  // namespace
}  // namespace varnel
