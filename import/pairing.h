// Pairing the columns of an import file with GroupWise fields by their header names,
// through one table of the names other programs give the same things.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace importing {

// The pairing entry of a column that is not imported.
inline constexpr const char* kSkip = "(skip)";

// A header name as names are compared: letters and digits only, ASCII letters in lower
// case ("E-mail 1 - Value" is "email1value").
std::string normalizeName(std::string_view name);

// One destination field per header column, or "(skip)": a column gets the field whose
// name, or one of the names other programs (Outlook, Google, Thunderbird, Excel) use for
// it, its header name matches. A field goes to one column only; where several columns
// could take it, the better-known name wins, then the first column.
std::vector<std::string> pairByName(const std::vector<std::string>& header,
                                    const std::vector<std::string>& destinationFields);

// How many entries of a pairing are not "(skip)".
std::size_t pairedCount(const std::vector<std::string>& pairing);

}  // namespace importing
