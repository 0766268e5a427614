// The field names the Export page offers for each calendar source, in their order.
// They are the exact keys the value conversions recognise.
#pragma once

#include <array>

namespace exporting {

inline constexpr std::array<const char*, 12> kAppointmentFields = {"Start Date",
                                                                   "Start Time",
                                                                   "Start DateTime",
                                                                   "End Date",
                                                                   "End Time",
                                                                   "End DateTime",
                                                                   "Duration (HH.hh/100)",
                                                                   "Duration (minutes)",
                                                                   "Place",
                                                                   "Subject",
                                                                   "Message",
                                                                   "From"};

inline constexpr std::array<const char*, 10> kTaskFields = {
    "Start Date", "Due Date", "AssignedDate", "ModifiedDate", "CreationDate",
    "Subject",    "Priority", "Completed",    "Message",      "From"};

inline constexpr std::array<const char*, 4> kNoteFields = {"Start Date", "Subject", "Message",
                                                           "From"};

}  // namespace exporting
