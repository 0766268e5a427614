// The import line reader: any bytes, in any delimiter mode, separator, encoding and with
// any filters, are cut into records and fields without a crash, a hang or a read outside
// the input; the records cover the file byte for byte.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "import/linereader.h"
#include "import/textsource.h"

namespace {

// The file the record reader reads; one per process.
const std::string& scratchFile() {
  static const std::string path = "/tmp/fuzz-linereader-" + std::to_string(::getpid()) + ".txt";
  return path;
}

void checkRecords(const std::string& bytes, const importing::FileFormat& format) {
  if (std::FILE* f = std::fopen(scratchFile().c_str(), "wb")) {
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  } else {
    return;
  }
  importing::RecordReader reader(format);
  if (!reader.open(scratchFile())) __builtin_trap();
  importing::Record r;
  std::uint64_t covered = 0;
  std::size_t line = 0;
  while (reader.next(r)) {
    if (r.offset != covered || r.length == 0 || r.bytes.size() > r.length) __builtin_trap();
    if (r.line <= line) __builtin_trap();
    covered += r.length;
    line = r.line;
  }
  std::uint64_t end = bytes.size();
  if (end > 0 && bytes.back() == 26) --end;            // a final Ctrl-Z is no part of any record
  if (covered == 0 && reader.utf8Mark()) covered = 3;  // a mark and nothing after it
  if (reader.failed() || covered != end) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  importing::FileFormat format;
  format.mode = data[0] % 4;
  format.removeTrailingSpaces = data[0] & 4;
  format.removeQuotes = data[0] & 8;
  format.separator = importing::kCsvSeparators[(data[0] >> 4) % 4];
  format.encoding = data[0] & 64 ? importing::Encoding::Utf8 : importing::Encoding::Windows1252;
  // Copied so that a read past the end is seen by the sanitizer.
  std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  if (data[0] & 128) {
    checkRecords(bytes, format);
    return 0;
  }
  std::string text;
  if (!importing::decodeText(bytes, format.encoding, text)) return 0;
  auto names = importing::fieldNames(text, format);
  if (names.size() > text.size() + 1) __builtin_trap();
  for (const std::string& f : importing::extractfields(text, format)) {
    if (f.size() > text.size()) __builtin_trap();
  }
  return 0;
}
