// Dates and times of an import file rearranged into the text GroupWise reads:
// month/day/year under the chosen date layout, and 12-hour times with am or pm.
#pragma once

#include <array>
#include <functional>
#include <string>

namespace importing {

// The nine layouts of "Date format mask:", in their order.
inline constexpr std::array<const char*, 9> kDateMasks = {
    "month/day/year", "year/month/day", "day/month/year", "month-day-year", "year-month-day",
    "day-month-year", "month.day.year", "year.month.day", "day.month.year"};

// The date layout box: its chosen item, and the choice of the first when none is.
class DateMask {
 public:
  virtual ~DateMask() = default;
  virtual int itemIndex() const = 0;  // -1 when no item is chosen
  virtual void selectItem(int index) = 0;
};

// Month/day/year with "/" between the parts, each part at most 4 characters as written;
// today's date (mm/dd/yyyy) for an empty text. Never fails.
std::string fixupdate(std::string text, DateMask& mask,
                      const std::function<void()>& processMessages);

// hours:minutes and " am" or " pm"; a text holding an m in either case (an am or pm
// already) comes back unchanged, and so does an empty text. A text without ":" or an
// hour that is no integer raises platform::ConversionError naming the text.
std::string fixuptime(const std::string& text);

}  // namespace importing
