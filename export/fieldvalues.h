// The text of every exported field: a calendar item's members turned into the date,
// time and number forms chosen on the Export page, and the quote and line-break
// clean-up applied to every value. Texts here are UTF-8; the export file's encoding is
// applied when a record is written.
#pragma once

#include <string>
#include <string_view>

#include "groupwise/object.h"

namespace exporting {

// The Export page's choices that the conversions read at every call.
class ValueOptions {
 public:
  virtual ~ValueOptions() = default;
  // "Time Format": item 1 is the 24-hour form; anything else the 12-hour form.
  virtual int timeFormatItem() const = 0;
  // "Year Format": item 1 makes dates four-digit; anything else leaves them.
  virtual int yearFormatItem() const = 0;
};

// The date part of a date-time text, its year made four-digit when asked.
std::string justDate(std::string text, int yearFormatItem);
// The time part of a date-time text: everything after the first blank.
std::string justTime(std::string text);
// Drops the seconds and writes the time in the 12- or 24-hour form.
std::string adjTime(std::string text, int timeFormatItem);
// Each double quote becomes `quoteSubstitute` (a double quote, nothing or an
// apostrophe); CR is dropped and each LF becomes nine blanks.
std::string stripquotes(std::string_view text, std::string_view quoteSubstitute);

// The text of one export field of a calendar item; empty for a name that is none of
// the eighteen. Conversion and GroupWise errors propagate to the caller.
std::string getApptFieldContents(const std::string& fieldName, const gw::ObjectRef& message,
                                 const ValueOptions& options);

}  // namespace exporting
