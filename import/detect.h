// Looking at the first lines of a file chosen for import: its encoding, delimiter mode
// and separator, the date layout where its dates allow only one, and its header.
#pragma once

#include <string>
#include <vector>

#include "import/format.h"

namespace importing {

// How much of the file detection reads.
inline constexpr std::size_t kDetectBytes = std::size_t{64} << 10;

struct Detection {
  bool readable = false;
  std::string error;  // why the file could not be read
  // UTF-8 for a UTF-8 mark or for text that is valid UTF-8 and not plain ASCII; the
  // separator that cuts the first records into the same number of fields, more than one.
  FileFormat format;
  bool utf8Mark = false;
  int dateMask = -1;  // the one layout the dates allow, or -1 when they allow several or none
  std::vector<std::string> header;   // the names of the first record
  std::vector<std::string> pairing;  // pairByName(header, destination fields), when given
  std::size_t paired = 0;
  bool headerLine = false;  // the first record names the columns rather than holding data
  // One line for the page: "UTF-8, Standard CSV with ';', 7 of 22 columns paired by name".
  std::string summary;
};

// The filters of `base` (trailing spaces, quotes) are kept in the format found.
Detection detectFormat(const std::string& path,
                       const std::vector<std::string>& destinationFields = {},
                       const FileFormat& base = {});

}  // namespace importing
