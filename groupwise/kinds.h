// The kinds of calendar item and of address-book entry, shared by export, import and
// the window.
#pragma once

#include <array>
#include <cstdint>

namespace gw {

// Calendar item classes, in the order of the item class table; the value indexes
// kItemClassNames.
enum class CalendarKind : int {
  Appointment = 0,
  DocumentReference = 1,
  Mail = 2,
  Note = 3,
  Phone = 4,
  Task = 5,
};

inline constexpr std::array<const char16_t*, 6> kItemClassNames = {
    u"GW.MESSAGE.APPOINTMENT", u"GW.MESSAGE.DOCUMENTREFERENCE",
    u"GW.MESSAGE.MAIL",        u"GW.MESSAGE.NOTE",
    u"GW.MESSAGE.PHONE",       u"GW.MESSAGE.TASK"};

inline constexpr const char16_t* className(CalendarKind kind) {
  return kItemClassNames[static_cast<std::size_t>(kind)];
}

// Address-book entry kinds, as ObjType gives them.
enum class EntryKind : std::int32_t {
  Person = 1,
  Resource = 2,
  Group = 3,
  Organization = 4,
};

}  // namespace gw
