// The settings reader: any bytes are read or refused; what is read writes back to a
// record that reads the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/record.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  // Most inputs would fail the signature; give half of them a valid one.
  if (size > 0 && (data[0] & 1))
    bytes.replace(0, std::min<std::size_t>(15, bytes.size()), "\x0EMARROWBYV1.06d");
  settings::SettingsRecord r;
  if (settings::decode(bytes, r) != settings::DecodeResult::Ok) return 0;
  std::string written = settings::encode(r);
  settings::SettingsRecord again;
  if (settings::decode(written, again) != settings::DecodeResult::Ok) __builtin_trap();
  if (settings::encode(again) != written) __builtin_trap();
  return 0;
}
