#include "app/HelpText.h"

namespace {
#define MARROWBY_INTRO                                                                          \
  "Marrowby moves your appointments, tasks, notes and address book entries between your "       \
  "GroupWise mailbox and text files that other programs read and write: comma- or "             \
  "tab-separated files, and standard CSV as spreadsheets, calendar and address book programs "  \
  "use it.\n\n"                                                                                 \
  "WHERE YOUR MAILBOX IS\n"                                                                     \
  "Marrowby works with a post office kept in one file on this computer. It opens the file "     \
  "named by the environment variable GW_POSTOFFICE, otherwise "                                 \
  "~/.local/share/marrowby/postoffice.db (under $XDG_DATA_HOME when that is set), as the user " \
  "named by GW_USER, otherwise your login name. When that file does not exist yet, Marrowby "   \
  "creates it with your mailbox. Set both variables before you start Marrowby to reach "        \
  "another post office or mailbox, or use the Proxy menu to work on the mailbox of a user who " \
  "has given you proxy access. The admin tool gwpo creates users, address books and sample "    \
  "content (gwpo help lists its commands).\n\n"

#define MARROWBY_DELIMITERS                                                                    \
  "WHAT EACH DELIMITER WRITES AND READS\n"                                                     \
  "Quote Comma: every field in double quotes, separated by commas: \"Lunch\",\"1/31/2026\". "  \
  "A quote inside a field is written as it is (choose a Quote Substitute to change it); line " \
  "breaks inside a field become blanks.\n"                                                     \
  "Tab: fields separated by tabs, no quotes: Lunch<TAB>1/31/2026.\n"                           \
  "Comma + Quotes around text (Import only): fields separated by commas, text fields in "      \
  "double quotes when the file's program put them there: \"Lunch\",1/31/2026.\n"               \
  "Standard CSV (RFC 4180): the form spreadsheets and most programs use. A field is put in "   \
  "double quotes only when it holds the separator, a quote or a line break; a quote inside "   \
  "it is doubled (\"say \"\"hi\"\"\"), and line breaks inside it are kept, so a note's "       \
  "message or a street address of several lines comes through whole. Choose the separator "    \
  "beside it: comma, semicolon (Excel in most of Europe), tab or vertical bar.\n\n"

}  // namespace

const char* const kExportHelp = MARROWBY_INTRO
    "To Export:\n"
    "1. Under \"Data Source\" choose what to export: Appointments, Tasks or Notes from your "
    "calendar, or the entries of an Address Book. For an address book, pick it in \"Choose "
    "Address Book\" (from the list, or type its name and press Enter): the field list follows "
    "the chosen book, so it includes the custom fields of a personal book.\n"
    "2. Double-click a field in \"Available fields\" (or select it and press Enter) to add it "
    "to \"Selected Fields\"; the file's columns follow that order. Select a chosen field to "
    "move it with the up and down buttons; double-click it or press Delete to take it out "
    "again.\n"
    "3. For appointments, tasks and notes you may tick \"Limit export to date range\" and "
    "enter a start and a stop date (month/day/year, for example 01/31/2026). Appointments and "
    "notes are chosen by their start date, tasks by their due date.\n"
    "4. Choose the delimiters (see below), the encoding and the end of line: CR / LF for "
    "Windows programs, LF alone for Linux and Mac programs. Windows-1252 suits older Windows "
    "programs; characters it lacks are written as \"?\" and Marrowby tells you how many there "
    "were. UTF-8 keeps every letter; \"UTF-8 with mark\" is what Excel needs to recognise "
    "UTF-8.\n"
    "5. Under \"Quote Substitute\" choose whether quotation marks inside your data are left "
    "as they are, removed, or changed to single quotation marks (not used with Standard CSV, "
    "which doubles them).\n"
    "6. Choose the time format (11:00 PM or 23:00) and the year format: two digits as your "
    "system writes them, or four digits (1/31/26 becomes 1/31/2026).\n"
    "7. Tick \"Include field names as header record\" when the receiving program wants the "
    "column names in the first line (most do).\n"
    "8. Check the sample line at the bottom of the page: it shows the header record as it will "
    "be written, with <TAB>, <CR> and <LF> spelled out.\n"
    "9. Give the output path and file name. A file of that name is replaced only when the "
    "export has succeeded; until then it stays as it was.\n"
    "10. Click Export. The progress shows how many records are written; Cancel (or Esc) stops "
    "the export and leaves no file. The line beside the buttons then says how many records "
    "went to which file.\n\n" MARROWBY_DELIMITERS;

const char* const kImportHelp = MARROWBY_INTRO
    "To Import:\n"
    "1. Name the file to import, or choose it with the folder button. Marrowby looks at its "
    "first lines and sets the encoding, the delimiters and separator and, where the dates "
    "allow only one reading, the date layout; the line under the file name says what it chose. "
    "You can change each choice afterwards.\n"
    "2. Under \"Import Destination\" choose where the lines go: Appointments, Tasks or Notes "
    "in your calendar, or entries of an address book. For an address book, pick it in "
    "\"Target address book\"; imports go to personal address books only.\n"
    "3. Pair the file's columns with GroupWise fields: each row of \"Import File Fields\" goes "
    "into the GroupWise field beside it. \"Pair by name\" does this from the file's header "
    "line, and knows the names that Outlook, Google, Thunderbird and Excel use; it also ticks "
    "\"Ignore first line\". By hand: move a GroupWise field with the up and down buttons, "
    "remove it with a double click or Delete, put a \"(skip)\" row beside a column that is not "
    "to be imported (the Skip button), and cut off the unpaired rest with the scissors. The "
    "import runs only when both lists are equally long.\n"
    "4. Choose the date layout of the file under \"Date format mask\". Examples: "
    "month/day/year 1/31/2026, day/month/year 31/01/2026, year-month-day 2026-01-31, "
    "day.month.year 31.01.2026. Two-digit years 00 to 29 are 2000 to 2029, 30 to 99 are 1930 "
    "to 1999. Times may be 14:30, 2:30 PM or 2:30:15 pm; 24:00 is midnight at the end of the "
    "day.\n"
    "5. Tick the filters the file needs: ignore its header line, remove trailing spaces of "
    "fixed-width fields, remove double quotes inside fields; and \"Skip lines already in "
    "GroupWise\" to leave out what is there already (the same subject and start, or the same "
    "name and e-mail address).\n"
    "6. Click Preview to see the first 50 records as they would be stored, each value in the "
    "field it goes to; a value that cannot be stored is marked with the reason. Nothing is "
    "written by the preview.\n"
    "7. Click Import. A line whose values cannot be stored is set aside and the rest go on; at "
    "the end Marrowby says how many lines were imported and set aside, and writes the set-aside "
    "lines to a file beside the import file (name.rejected.csv for name.csv), so that you can "
    "mend them and import that file alone. \"Undo last import\" removes what the last import "
    "made (items you have changed since are kept), also after Marrowby was "
    "restarted.\n\n" MARROWBY_DELIMITERS;
