// The import line reader: any line, in any mode and with any filters, gives field
// names and fields without a crash, a hang or a read outside the line.
#include <cstddef>
#include <cstdint>
#include <string>

#include "import/linereader.h"

namespace {

struct Options : importing::LineOptions {
  int mode = 0;
  bool trim = false, quotes = false;
  int delimiterMode() const override { return mode; }
  bool removeTrailingSpaces() const override { return trim; }
  bool removeQuotes() const override { return quotes; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  Options o;
  o.mode = data[0] % 3;
  o.trim = data[0] & 4;
  o.quotes = data[0] & 8;
  // Copied so that a read past the end is seen by the sanitizer.
  std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
  importing::Delimiters state;
  state.select(o.mode);
  auto names = importing::readFieldNames(line, state, o.mode, nullptr);
  if ((data[0] & 16) == 0) state.select(o.mode);
  std::string prepared = importing::prepareLine(line, o.mode);
  int count = static_cast<int>(names.size()) + 2;
  for (int i = 0; i < count && i < 64; ++i) {
    std::string f = importing::extractfield(prepared, i, state, o, nullptr);
    if (f.size() > prepared.size()) __builtin_trap();
  }
  return 0;
}
