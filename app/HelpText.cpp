#include "app/HelpText.h"

namespace {
#define MARROWBY_INTRO                                                                         \
  "Marrowby moves your appointments, tasks, notes and address book entries between GroupWise " \
  "6 (and later) and text files that other programs read and write.\n\n"                       \
  "On this machine Marrowby works with a local post office. It opens the post office file "    \
  "named by the environment variable GW_POSTOFFICE (otherwise "                                \
  "~/.local/share/marrowby/postoffice.db) as the user named by GW_USER (otherwise your "       \
  "login name). Set both before you start Marrowby to reach another post office or "           \
  "mailbox.\n\n"
}  // namespace

const char* const kExportHelp = MARROWBY_INTRO
    "To Export:\n"
    "1. GroupWise 6 or later, 32-bit client, must be running (here: the post office above "
    "must be reachable).\n"
    "2. Under \"Data Source\" choose what to export: Appointments, Tasks or Notes from your "
    "calendar, or the entries of an Address Book. For an address book, pick the book in "
    "\"Choose Address Book\" before you choose fields: the field list follows the chosen "
    "book, so it includes the custom fields of a personal book.\n"
    "3. Double-click a field in \"Available fields\" to add it to \"Selected Fields\"; the "
    "file's columns follow that order. A single click on a selected field enables the up and "
    "down buttons, which move it. Double-click a selected field to take it out again.\n"
    "4. For appointments, tasks and notes you may tick \"Limit export to date range\" and "
    "enter a start and a stop date. Today is the default start date; a later start date makes "
    "the export faster.\n"
    "5. Under \"Delimiters\" choose Tab instead of Quote Comma when the receiving program "
    "expects tab-separated fields.\n"
    "6. Under \"Quote Substitute\" choose whether quotation marks inside your data are left as "
    "they are, removed, or changed to single quotation marks.\n"
    "7. Under \"End of Line\" choose carriage return and line feed (CR / LF, for Windows "
    "programs) or line feed alone (LF).\n"
    "8. Check the sample line at the bottom of the page: it shows the header record as it will "
    "be written, with <TAB>, <CR> and <LF> spelled out.\n"
    "9. Change the output path and file name unless the file is to go to GWEXPORT.TXT in the "
    "folder Marrowby was started from (the MARROWBY.EXE folder when started from its icon).\n"
    "10. Click Export. A progress bar shows while a long export runs; when it disappears the "
    "file is complete.\n";

const char* const kImportHelp = MARROWBY_INTRO
    "To Import:\n"
    "1. GroupWise 6 or later, 32-bit client, must be running (here: the post office above "
    "must be reachable).\n"
    "2. Under \"Import Destination\" choose where the lines go: Appointments, Tasks or Notes "
    "in your calendar, or entries of an Address Book. Pick the address book in \"Target "
    "address book\" before you match fields; imports go to personal address books only.\n"
    "3. Name the file and match its fields with the GroupWise fields: each row of \"Import "
    "File Fields\" is filled into the GroupWise field beside it. Reorder with the up and down "
    "buttons after a single click, remove a GroupWise field by double-clicking it, and cut off "
    "the unmatched rest with the button below them. The import runs only when both lists have "
    "the same number of fields.\n"
    "4. Under \"Delimiters\" choose Tab when the file uses tabs between fields.\n"
    "5. When the file has quotation marks inside fields, tick the filter that removes them.\n"
    "6. The import is now ready to run.\n"
    "7. Click Import. Address book entries are counted as they are made.\n";
