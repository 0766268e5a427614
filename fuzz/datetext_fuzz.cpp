// The date-text reader: any text is read or refused; what is read writes back as a
// text that reads to the same date.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/errors.h"
#include "platform/oledate.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto date = platform::parseDateText(text);
  if (!date) return 0;
  // Day 0 is written as a time alone, which is no date text.
  if (platform::dateToSeconds(*date) / 86400 == 0) return 0;
  std::string written = platform::dateToText(*date, true);
  auto again = platform::parseDateText(written);
  if (!again || platform::dateToSeconds(*again) != platform::dateToSeconds(*date)) __builtin_trap();
  return 0;
}
