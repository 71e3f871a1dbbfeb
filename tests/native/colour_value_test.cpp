#include "storage/colour_value.h"

#include <gtest/gtest.h>

namespace varnel {
namespace {

TEST(ColourValue, PlainAndSystemColoursAreUsableAndNothingElse) {
  struct Case {
    std::uint32_t stored;
    std::optional<ColourValue> decoded;
  };
  for (const Case& c : {
           Case{0x00000000u, ColourValue{false, 0x00000000u}},
           Case{0x00C0C0C0u, ColourValue{false, 0x00C0C0C0u}},
           Case{0x00FFFFFFu, ColourValue{false, 0x00FFFFFFu}},
           Case{0x80000000u, ColourValue{true, 0}},
           Case{0x80000005u, ColourValue{true, 5}},
           Case{0x8000001Eu, ColourValue{true, 30}},   // the last system colour
           Case{0x8000001Fu, std::nullopt},            // past it
           Case{0x800000FFu, std::nullopt},
           Case{0x80000105u, std::nullopt},            // stray bits beside the index
           Case{0x01C0C0C0u, std::nullopt},            // a high byte that is neither
           Case{0xFFFFFFFFu, std::nullopt},            // -1
       }) {
    const auto stored = static_cast<std::int32_t>(c.stored);
    EXPECT_EQ(DecodeColourValue(stored), c.decoded) << std::hex << c.stored;
    EXPECT_EQ(IsUsableColour(stored), c.decoded.has_value()) << std::hex << c.stored;
  }
}

}  // namespace
}  // namespace varnel
