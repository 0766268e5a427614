// The GroupWise field names the Import page offers for each calendar destination, in
// their order; the exact keys the calendar import recognises.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "groupwise/kinds.h"

namespace importing {

inline constexpr std::array<const char*, 12> kAppointmentFields = {
    "Start Date",         "Start Time",   "Start DateTime",   "End Date",
    "End Time",           "End DateTime", "Duration (HH:MM)", "Duration (HH.hh/100)",
    "Duration (minutes)", "Place",        "Subject",          "Message"};

inline constexpr std::array<const char*, 6> kTaskFields = {"Start Date", "Due Date",  "Subject",
                                                           "Priority",   "Completed", "Message"};

inline constexpr std::array<const char*, 3> kNoteFields = {"Start Date", "Subject", "Message"};

// The field names offered for a calendar kind (none for the kinds that are not imported).
std::vector<std::string> calendarFields(gw::CalendarKind kind);

// The address-book fields whose column gives an entry's display name; the last one
// paired counts.
inline constexpr std::array<const char*, 5> kNameFields = {"Name", "Navn", "Nom", "Namn", "Nombre"};

// Whether a field keeps the line breaks a Standard CSV field may hold. Messages,
// addresses, comments and fields of a book's own making do; names, numbers, dates and
// the other one-line fields get a blank for each line break.
bool keepsLineBreaks(const std::string& field);

}  // namespace importing
