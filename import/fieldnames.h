// The GroupWise field names the Import page offers for each calendar destination, in
// their order; the exact keys the calendar import recognises.
#pragma once

#include <array>

namespace importing {

inline constexpr std::array<const char*, 12> kAppointmentFields = {
    "Start Date",         "Start Time",   "Start DateTime",   "End Date",
    "End Time",           "End DateTime", "Duration (HH:MM)", "Duration (HH.hh/100)",
    "Duration (minutes)", "Place",        "Subject",          "Message"};

inline constexpr std::array<const char*, 6> kTaskFields = {"Start Date", "Due Date",  "Subject",
                                                           "Priority",   "Completed", "Message"};

inline constexpr std::array<const char*, 3> kNoteFields = {"Start Date", "Subject", "Message"};

}  // namespace importing
