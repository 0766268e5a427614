// Import runs: the lines of an import file become calendar items or address-book
// entries, each line's fields going to the GroupWise fields paired with them.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "groupwise/object.h"
#include "import/datetime.h"
#include "import/linereader.h"
#include "platform/dialogs.h"

namespace importing {

// The item classes, indexed by the kind a run is given (0, 5 and 3 are imported).
inline constexpr std::array<const char16_t*, 6> kItemClassNames = {
    u"GW.MESSAGE.APPOINTMENT", u"GW.MESSAGE.DOCUMENTREFERENCE",
    u"GW.MESSAGE.MAIL",        u"GW.MESSAGE.NOTE",
    u"GW.MESSAGE.PHONE",       u"GW.MESSAGE.TASK"};

struct ImportJob {
  std::string path;  // the file to import (UTF-8)
  bool ignoreFirstLine = false;
  std::vector<std::string> mapping;  // the GroupWise field of each file field, in order
  Delimiters& delimiters;
  const LineOptions& options;
  DateMask& dateMask;
  ProcessMessages processMessages;
  platform::Dialogs& dialogs;
};

// Minutes of the duration texts; a text that gives none is 60 minutes. A part that is
// no integer raises platform::ConversionError.
int minutesFromHoursMinutes(const std::string& text);  // "Duration (HH:MM)"
int minutesFromHours(const std::string& text);         // "Duration (HH.hh/100)"
int minutesFromMinutes(const std::string& text);       // "Duration (minutes)", never fails
// "Priority": a number, else A to D by its first letter, else 1.
int priorityFrom(const std::string& text);

// One calendar item of class kItemClassNames[kind] per non-empty line of the file.
void ImpCal(int kind, const ImportJob& job, const gw::ObjectRef& account);

// The label that shows how many entries a run has made.
class CountDisplay {
 public:
  virtual ~CountDisplay() = default;
  virtual void setCountText(const std::string& text) = 0;
};

// One entry of the named personal book per non-empty line; the book becomes the
// current address book.
void ImpAddrs(const ImportJob& job, const gw::ObjectRef& account, const std::u16string& bookName,
              gw::ObjectRef& gwAddressBooks, gw::ObjectRef& gwAddressBook, CountDisplay& count);

}  // namespace importing
