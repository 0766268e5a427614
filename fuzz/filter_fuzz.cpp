// The search expression language: any text either parses or is refused with an error.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "groupwise/error.h"
#include "groupwise/standin/filter.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    auto node = gw::standin::parseFilter(text, 38001);
    std::string sql = gw::standin::filterToSql(*node);
    // The SQL carries only what the parser built: never a quote from the input.
    if (sql.find("''") != std::string::npos || sql.find(';') != std::string::npos) __builtin_trap();
  } catch (const gw::Error&) {
  }
  return 0;
}
