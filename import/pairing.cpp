#include "import/pairing.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>

namespace importing {
namespace {

struct Names {
  const char* field;
  // Header names for the field, best first. The field's own name comes first unless it
  // is listed (Outlook's "Title" is a form of address, its "Job Title" the title).
  std::initializer_list<const char*> names;
};

// Names in Outlook's, Google's and Thunderbird's exports and common hand-made headers,
// for every field of the calendar kinds and of the post office's address books.
const Names kTable[] = {
    // Calendar items.
    {"Subject",
     {"Subject", "Title", "Summary", "Event", "Event Title", "Event Name", "Task", "Task Name",
      "Task Subject", "Topic"}},
    {"Start Date", {"Start Date", "Begin Date", "Date", "Event Date", "Start"}},
    {"Start Time", {"Start Time", "Begin Time", "Time", "Event Time"}},
    {"Start DateTime",
     {"Start DateTime", "Start", "Begin", "Starts", "Start Date and Time", "Begin Date Time"}},
    {"End Date", {"End Date", "Finish Date", "Stop Date"}},
    {"End Time", {"End Time", "Finish Time", "Stop Time"}},
    {"End DateTime", {"End DateTime", "End", "Finish", "Ends", "End Date and Time"}},
    {"Duration (HH.hh/100)", {"Duration (HH.hh/100)", "Duration (hours)", "Hours"}},
    {"Duration (minutes)",
     {"Duration (minutes)", "Duration (min)", "Minutes", "Duration in minutes",
      "Length (minutes)"}},
    {"Place", {"Place", "Location", "Where", "Venue", "Room"}},
    {"Message",
     {"Message", "Description", "Notes", "Note", "Body", "Details", "Comments", "Comment", "Memo",
      "Text"}},
    {"Due Date", {"Due Date", "Due", "Deadline", "Due By", "Due On"}},
    {"Priority", {"Priority", "Importance"}},
    {"Completed", {"Completed", "Complete", "Done"}},
    // Address-book entries.
    {"Name", {"Name", "Display Name", "Full Name", "Contact Name"}},
    {"First Name", {"First Name", "Given Name", "Firstname", "Forename", "First"}},
    {"Last Name", {"Last Name", "Family Name", "Surname", "Lastname", "Last"}},
    {"Title", {"Job Title", "Organization Title", "Organization 1 - Title", "Position", "Title"}},
    {"Department",
     {"Department", "Organization Department", "Organization 1 - Department", "Dept"}},
    {"Organization",
     {"Organization", "Company", "Organization Name", "Organization 1 - Name", "Company Name",
      "Organisation"}},
    {"E-Mail Address",
     {"E-Mail Address", "Email", "E-mail 1 - Value", "Primary Email", "Email Address 1",
      "E-mail Address 1", "Mail", "Work Email"}},
    {"E-Mail Type", {"E-Mail Type"}},
    {"Office Phone Number",
     {"Office Phone Number", "Business Phone", "Work Phone", "Office Phone", "Phone", "Telephone",
      "Primary Phone", "Company Main Phone", "Phone 1 - Value"}},
    {"Home Phone Number", {"Home Phone Number", "Home Phone", "Home Telephone"}},
    {"Cellular Phone Number",
     {"Cellular Phone Number", "Mobile Phone", "Mobile Number", "Mobile", "Cell Phone",
      "Cellular Phone", "Cell"}},
    {"Fax Number", {"Fax Number", "Business Fax", "Work Fax", "Fax", "Home Fax"}},
    {"Pager Number", {"Pager Number", "Pager"}},
    {"Address",
     {"Address", "Business Street", "Work Address", "Street", "Street Address",
      "Address 1 - Street", "Home Street", "Home Address", "Address 1 - Formatted",
      "Other Street"}},
    {"City", {"City", "Business City", "Work City", "Address 1 - City", "Home City", "Town"}},
    {"State",
     {"State", "Business State", "Work State", "Address 1 - Region", "Home State", "State/Province",
      "Region", "Province"}},
    {"ZIP Code",
     {"ZIP Code", "Business Postal Code", "Work ZipCode", "Address 1 - Postal Code",
      "Home Postal Code", "Home ZipCode", "ZIP", "Postal Code", "Postcode", "Zip/Postal Code"}},
    {"Country",
     {"Country", "Business Country/Region", "Work Country", "Address 1 - Country",
      "Home Country/Region", "Home Country", "Country/Region"}},
    {"Comments", {"Comments", "Notes", "Note", "Comment", "Remarks", "Description"}},
};

// The header names for a field, best first.
std::vector<std::string> namesFor(const std::string& field) {
  std::string own = normalizeName(field);
  for (const Names& entry : kTable) {
    if (normalizeName(entry.field) != own) continue;
    std::vector<std::string> out;
    for (const char* n : entry.names) out.push_back(normalizeName(n));
    if (std::find(out.begin(), out.end(), own) == out.end()) out.insert(out.begin(), own);
    return out;
  }
  return {own};
}

}  // namespace

std::string normalizeName(std::string_view name) {
  std::string out;
  for (char ch : name) {
    auto b = static_cast<unsigned char>(ch);
    if (b >= 0x80) {
      out.push_back(ch);  // letters beyond ASCII are compared as written
    } else if (std::isalnum(b)) {
      out.push_back(static_cast<char>(std::tolower(b)));
    }
  }
  return out;
}

std::vector<std::string> pairByName(const std::vector<std::string>& header,
                                    const std::vector<std::string>& destinationFields) {
  std::vector<std::string> pairing(header.size(), kSkip);
  std::vector<std::string> columns;
  columns.reserve(header.size());
  for (const std::string& h : header) columns.push_back(normalizeName(h));
  // Every possible match, ranked by how well-known the name is; the best are paired
  // first, each field and each column once.
  struct Match {
    std::size_t rank, field, column;
  };
  std::vector<Match> matches;
  for (std::size_t f = 0; f < destinationFields.size(); ++f) {
    std::vector<std::string> names = namesFor(destinationFields[f]);
    for (std::size_t r = 0; r < names.size(); ++r) {
      if (names[r].empty()) continue;
      for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c] == names[r]) matches.push_back({r, f, c});
      }
    }
  }
  std::stable_sort(matches.begin(), matches.end(),
                   [](const Match& a, const Match& b) { return a.rank < b.rank; });
  std::vector<bool> fieldTaken(destinationFields.size(), false);
  std::vector<bool> columnTaken(columns.size(), false);
  for (const Match& m : matches) {
    if (fieldTaken[m.field] || columnTaken[m.column]) continue;
    fieldTaken[m.field] = columnTaken[m.column] = true;
    pairing[m.column] = destinationFields[m.field];
  }
  return pairing;
}

std::size_t pairedCount(const std::vector<std::string>& pairing) {
  return static_cast<std::size_t>(std::count_if(pairing.begin(), pairing.end(),
                                                [](const std::string& p) { return p != kSkip; }));
}

}  // namespace importing
