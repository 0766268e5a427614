// Cutting the records of an import file into fields: the field names of the first
// record, and the fields of a data record after the "Filter" group's clean-ups. Texts
// are UTF-8; every delimiter is ASCII.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "import/format.h"

namespace importing {

inline constexpr const char* kEmptyFieldName = "<empty field>";

// The field names of a first record, "<empty field>" for an empty one. In the first three
// modes the names are read as the Import page always read them: in "&Quote Comma" the
// first character goes, and a one-character remainder is an empty name. Linear in the
// length of the record.
std::vector<std::string> fieldNames(std::string_view record, const FileFormat& format);

// A data record before it is cut: in "&Quote Comma" and "&Comma + Quotes around text" a
// leading TAB goes, and in "&Quote Comma" a leading quote too. Tab and Standard CSV lines
// stay as they are.
std::string_view prepareLine(std::string_view record, int mode);

// The fields of a data record, after the filters:
// - "&Quote Comma": fields stand between `","`; the last runs to its closing quote; a
//   doubled quote stands for one.
// - "&Tab": fields stand between TABs; a quote that opens a field goes with the one that
//   closes it, never alone.
// - "&Comma + Quotes around text": a field that opens with a quote runs to the quote that
//   closes it before a comma or the end (blanks between them go), a doubled quote
//   standing for one; a field whose quote is not closed before a comma keeps its quote
//   as text and ends at the comma.
// - Standard CSV: RFC 4180 with the chosen separator (see CsvCutter); line breaks inside
//   quoted fields are kept as written.
// Leading blanks go, except inside the quotes of a quoted CSV field; trailing blanks go
// with removeTrailingSpaces; every double quote goes with removeQuotes.
std::vector<std::string> extractfields(std::string_view record, const FileFormat& format);

}  // namespace importing
