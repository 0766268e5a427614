#include "export/fieldvalues.h"

#include "groupwise/gwapi.h"
#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/numtext.h"
#include "platform/oledate.h"

namespace exporting {
namespace {

// Text the platform conversions give (8-bit, in practice plain ASCII) as UTF-8.
std::string fromPlatform(std::string text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return platform::ansiToUtf8(text);
  }
  return text;
}

// A date value as the platform writes it; with alwaysTime the time is written at
// midnight too, so a time or date-time field of an item at midnight keeps its time.
std::string dateTimeText(const gw::Variant& value, bool alwaysTime) {
  switch (value.type()) {
    case gw::VarType::Empty:
      return {};
    case gw::VarType::Text:
      return platform::toUtf8(value.text());
    case gw::VarType::Date:
    case gw::VarType::Real:
    case gw::VarType::Int:
      return fromPlatform(platform::dateToText(value.toReal(), alwaysTime));
    default:
      return platform::toUtf8(value.toText());
  }
}

std::string textOf(const gw::Variant& value) {
  return platform::toUtf8(value.toText());
}

std::string shortDate(const gw::Variant& value) {
  return fromPlatform(platform::formatStandardShortDate(value.toDate()));
}

// Drops characters from the end up to and including the last ":" (the seconds and any
// marker after them).
void dropSeconds(std::string& text) {
  auto colon = text.rfind(':');
  if (colon == std::string::npos) {
    throw platform::ConversionError("'" + text + "' is not a valid time");
  }
  text.erase(colon);
}

std::string duration(const gw::Variant& value, int factor) {
  return fromPlatform(platform::formatGeneral(factor * value.toReal(), 4, 2));
}

}  // namespace

std::string justDate(std::string text, int yearFormatItem) {
  if (auto space = text.find(' '); space != std::string::npos) text.erase(space);
  if (yearFormatItem != 1) return text;
  auto slash = text.rfind('/');
  std::size_t start = slash == std::string::npos ? 0 : slash + 1;
  std::string year = text.substr(start);
  std::int32_t y = platform::strToInt(year);
  if (y < 90) {
    year = "20" + year;
  } else if (y < 999) {
    year = "19" + year;
  }
  return text.substr(0, start) + year;
}

std::string justTime(std::string text) {
  if (auto space = text.find(' '); space != std::string::npos) text.erase(0, space + 1);
  auto colon = text.find(':');
  platform::strToInt(colon == std::string::npos ? std::string() : text.substr(0, colon));
  return text;
}

std::string adjTime(std::string text, int timeFormatItem) {
  if (timeFormatItem != 1) {
    const char* marker = text.find("AM") != std::string::npos ? "AM" : "PM";
    dropSeconds(text);
    return text + " " + marker;
  }
  std::string datePart, timePart = text;
  if (text.find('/') != std::string::npos) {
    auto space = text.find(' ');
    if (space != std::string::npos) {
      datePart = text.substr(0, space);
      timePart = text.substr(space);
    }
  }
  auto colon = timePart.find(':');
  std::int32_t hour =
      platform::strToInt(colon == std::string::npos ? std::string() : timePart.substr(0, colon));
  timePart.erase(0, colon);
  if (timePart.find('M', 1) != std::string::npos) {
    if (timePart.find("AM", 1) != std::string::npos) {
      if (auto m = timePart.find(" AM"); m != std::string::npos) timePart.erase(m, 3);
      if (hour == 12) hour = 0;
    } else {
      if (auto m = timePart.find(" PM"); m != std::string::npos) timePart.erase(m, 3);
      if (hour >= 0 && hour < 12) hour += 12;
    }
  }
  std::string time = std::to_string(hour) + timePart;
  dropSeconds(time);
  return datePart + " " + time;
}

std::string stripquotes(std::string_view text, std::string_view quoteSubstitute) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '"':
        out += quoteSubstitute;
        break;
      case '\r':
        break;
      case '\n':
        out.append(9, ' ');
        break;
      default:
        out.push_back(c);
        break;
    }
  }
  return out;
}

std::string getApptFieldContents(const std::string& name, const gw::ObjectRef& message,
                                 const ValueOptions& options) {
  namespace api = gw::api;
  auto read = [&](const char* member) { return api::getProperty(message, member); };
  if (name == "Start Date")
    return justDate(dateTimeText(read("StartDate"), false), options.yearFormatItem());
  if (name == "Start Time") {
    return adjTime(justTime(dateTimeText(read("StartDate"), true)), options.timeFormatItem());
  }
  if (name == "Start DateTime") {
    return adjTime(dateTimeText(read("StartDate"), true), options.timeFormatItem());
  }
  if (name == "End Date")
    return justDate(dateTimeText(read("EndDate"), false), options.yearFormatItem());
  if (name == "End Time") {
    return adjTime(justTime(dateTimeText(read("EndDate"), true)), options.timeFormatItem());
  }
  if (name == "End DateTime")
    return adjTime(dateTimeText(read("EndDate"), true), options.timeFormatItem());
  if (name == "AssignedDate") return shortDate(read("AssignedDate"));
  if (name == "CreationDate") return shortDate(read("CreationDate"));
  if (name == "ModifiedDate") return shortDate(read("ModifiedDate"));
  if (name == "Duration (HH.hh/100)") return duration(read("Duration"), 24);
  if (name == "Duration (minutes)") return duration(read("Duration"), 1440);
  if (name == "Subject") return textOf(read("Subject"));
  if (name == "Message") return textOf(read("BodyText"));
  if (name == "Place") return textOf(read("Place"));
  if (name == "From") return textOf(read("FromText"));
  if (name == "Completed") return std::to_string(read("Completed").toInt());
  if (name == "Due Date")
    return justDate(dateTimeText(read("DueDate"), false), options.yearFormatItem());
  if (name == "Priority") return textOf(read("TaskPriority"));
  return {};
}

}  // namespace exporting
