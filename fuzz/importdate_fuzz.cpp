// Date, time and duration reading of import fields: every text under every layout either
// gives a valid value or is refused with a conversion error, never anything else.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import/convert.h"
#include "import/datetime.h"
#include "platform/errors.h"
#include "platform/oledate.h"

namespace {

template <typename Fn>
void refusedOrValid(Fn&& fn) {
  try {
    fn();
  } catch (const platform::ConversionError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  int mask = static_cast<int>(data[0] % 10) - 1;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  refusedOrValid([&] {
    double day = importing::fixupdate(text, mask);
    platform::decodeDateTime(day);  // a date of the years 100 to 9999
  });
  refusedOrValid([&] {
    int t = importing::fixuptime(text);
    if (t < 0 || t > importing::kSecondsPerDay) __builtin_trap();
  });
  refusedOrValid([&] {
    importing::DateAndTime dt = importing::fixupdatetime(text, mask);
    if (dt.time && (*dt.time < 0 || *dt.time > importing::kSecondsPerDay)) __builtin_trap();
    if (dt.date) importing::combine(*dt.date, dt.time.value_or(0));
  });
  for (auto fn : {importing::minutesFromHoursMinutes, importing::minutesFromHours,
                  importing::minutesFromMinutes}) {
    refusedOrValid([&] {
      int m = fn(text);
      if (m < 0 || m > importing::kMaxMinutes) __builtin_trap();
    });
  }
  importing::priorityFrom(text);
  return 0;
}
