#include "import/fieldnames.h"

#include <algorithm>
#include <string_view>

namespace importing {

std::vector<std::string> calendarFields(gw::CalendarKind kind) {
  auto list = [](const auto& names) {
    return std::vector<std::string>(names.begin(), names.end());
  };
  switch (kind) {
    case gw::CalendarKind::Appointment:
      return list(kAppointmentFields);
    case gw::CalendarKind::Task:
      return list(kTaskFields);
    case gw::CalendarKind::Note:
      return list(kNoteFields);
    default:
      return {};
  }
}

bool keepsLineBreaks(const std::string& field) {
  static constexpr std::string_view kOneLine[] = {
      // calendar items
      "Start Date", "Start Time", "Start DateTime", "End Date", "End Time", "End DateTime",
      "Duration (HH:MM)", "Duration (HH.hh/100)", "Duration (minutes)", "Place", "Subject",
      "Due Date", "Priority", "Completed",
      // address-book entries
      "Name", "Navn", "Nom", "Namn", "Nombre", "First Name", "Last Name", "Title", "Department",
      "Organization", "E-Mail Address", "E-Mail Type", "Office Phone Number", "Home Phone Number",
      "Cellular Phone Number", "Fax Number", "Pager Number", "City", "State", "ZIP Code",
      "Country"};
  return std::find(std::begin(kOneLine), std::end(kOneLine), field) == std::end(kOneLine);
}

}  // namespace importing
