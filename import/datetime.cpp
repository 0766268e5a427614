#include "import/datetime.h"

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/locale.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace importing {
namespace {

std::string cut4(const std::string& s) {
  return s.substr(0, 4);
}

}  // namespace

std::string fixupdate(std::string text, DateMask& mask,
                      const std::function<void()>& processMessages) {
  std::erase(text, '"');
  if (text.empty()) return platform::formatStandardShortDate(platform::todayDate());
  if (processMessages) processMessages();
  if (mask.itemIndex() < 0) mask.selectItem(0);
  int item = mask.itemIndex();
  if (item < 0 || item > 8) item = 0;
  const char separator = "/-."[item / 3];
  auto take = [&]() {
    auto p = text.find(separator);
    if (p == std::string::npos) return std::string();
    std::string part = text.substr(0, p);
    text.erase(0, p + 1);
    return part;
  };
  std::string first = take();
  std::string second = take();
  std::string third = text.substr(0, text.find(' '));
  third = third.substr(0, third.find(','));
  std::string month, day, year;
  switch (item % 3) {
    case 0:
      month = first, day = second, year = third;
      break;  // month, day, year
    case 1:
      year = first, month = second, day = third;
      break;  // year, month, day
    default:
      day = first, month = second, year = third;
      break;  // day, month, year
  }
  return cut4(month) + "/" + cut4(day) + "/" + cut4(year);
}

std::string fixuptime(const std::string& text) {
  if (text.empty() || text.find_first_of("mM") != std::string::npos) return text;
  auto colon = text.find(':');
  if (colon == std::string::npos) {
    throw platform::ConversionError("'" + platform::ansiToUtf8(text) + "' is not a valid time");
  }
  std::string hourText = cut4(text.substr(0, colon));
  std::int32_t h = platform::strToInt(hourText);
  std::string marker = "am";
  if (h >= 12) {
    marker = "pm";
    hourText = std::to_string(h > 12 ? h - 12 : h);
  }
  std::string minutes = cut4(text.substr(colon + 1));
  return hourText + ":" + minutes + " " + marker;
}

}  // namespace importing
