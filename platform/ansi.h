// The 8-bit text of files and settings: Windows-1252, the ANSI code page of the
// systems this program talks to. Automation strings are UTF-16.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Each byte becomes one UTF-16 unit; 0x80-0x9F map to their Windows-1252 characters,
// and the five bytes that code page leaves undefined pass through as U+0081 etc.
std::u16string fromAnsi(std::string_view ansi);

// Characters that Windows-1252 lacks (a surrogate pair counts as one) become '?'.
std::string toAnsi(std::u16string_view wide);

// UTF-8 <-> UTF-16, for paths and messages; malformed UTF-8 becomes U+FFFD.
std::u16string fromUtf8(std::string_view utf8);
std::string toUtf8(std::u16string_view wide);

// Convenience for messages that quote file text.
inline std::string ansiToUtf8(std::string_view ansi) {
  return toUtf8(fromAnsi(ansi));
}
inline std::string utf8ToAnsi(std::string_view utf8) {
  return toAnsi(fromUtf8(utf8));
}

}  // namespace platform
