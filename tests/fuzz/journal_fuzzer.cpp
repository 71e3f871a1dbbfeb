// Any bytes as an edit journal: reading must not crash, and every journal read must be written
// back as the very same bytes (so nothing in a journal is read without being checked). The bytes
// are tried twice: as they are, and as the content of a journal framed with a matching length and
// check value, which random bytes would almost never hit, so that the fields behind it are reached.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "storage/journal.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

void AppendInteger(std::string& out, std::uint64_t value) {
  for (int k = 0; k < 8; ++k) out.push_back(static_cast<char>((value >> (8 * k)) & 0xFF));
}

void CheckRoundTrip(std::string_view bytes) {
  const std::optional<varnel::Journal> journal = varnel::ParseJournal(bytes);
  if (journal) Check(varnel::FormatJournal(*journal) == bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(bytes);

  std::string framed = "Varnel journal 1\r\n";
  AppendInteger(framed, bytes.size());
  framed += bytes;
  AppendInteger(framed, varnel::Fnv1a64(framed));
  CheckRoundTrip(framed);
  return 0;
}
