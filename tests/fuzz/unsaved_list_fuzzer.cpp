// Any bytes as the list of unsaved text files: reading must not crash, and every entry read must
// be written back as a line that reads as the same entry.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "storage/unsaved_list.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const varnel::UnsavedEntry& entry : varnel::ParseUnsavedList(bytes)) {
    const std::optional<std::string> line = varnel::FormatUnsavedEntry(entry);
    Check(line.has_value());
    const std::vector<varnel::UnsavedEntry> again = varnel::ParseUnsavedList(*line);
    Check(again.size() == 1 && again[0] == entry);
  }
  return 0;
}
