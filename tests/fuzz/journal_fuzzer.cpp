// Any bytes as an edit journal: reading must not crash, and every journal read must be written
// back as the very same bytes (so nothing in a journal is read without being checked); one of the
// first version, which is written as the current one, must read back the same. The bytes are tried
// three times: as they are, and as the content of a journal of either version framed with a
// matching length and check value, which random bytes would almost never hit, so that the fields
// behind it are reached.
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
  if (!journal) return;
  const std::optional<std::string> written = varnel::FormatJournal(*journal);
  Check(written.has_value());
  if (bytes.substr(0, 16) == "Varnel journal 1") {
    Check(varnel::ParseJournal(*written) == journal);
  } else {
    Check(*written == bytes);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  CheckRoundTrip(bytes);

  for (const char* header : {"Varnel journal 1\r\n", "Varnel journal 2\r\n"}) {
    std::string framed = header;
    AppendInteger(framed, bytes.size());
    framed += bytes;
    AppendInteger(framed, varnel::Fnv1a64(framed));
    CheckRoundTrip(framed);
  }
  return 0;
}
