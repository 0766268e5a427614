// Date and time normalisation of import fields: every text under every layout gives a
// month/day/year text; a time either converts or raises a conversion error.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import/datetime.h"
#include "platform/errors.h"

namespace {

struct Mask : importing::DateMask {
  int index = -1;
  int itemIndex() const override { return index; }
  void selectItem(int i) override { index = i; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Mask mask;
  mask.index = static_cast<int>(data[0] % 10) - 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::string date = importing::fixupdate(text, mask, nullptr);
  // Three parts of at most four characters and two slashes, or today's date.
  if (date.size() > 14) __builtin_trap();
  try {
    std::string time = importing::fixuptime(text);
    if (time.size() > text.size() + 16) __builtin_trap();
  } catch (const platform::ConversionError&) {
  }
  return 0;
}
