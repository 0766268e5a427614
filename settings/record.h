// The settings file: one 2360-byte record holding the choices of both pages, then, when
// there are any, the choices the record has no room for in an extension block.
//
// The record: texts are 8-bit (Windows-1252), a length byte and up to 255 characters
// in a 256-byte field; integers are 32-bit little-endian; flags are one byte. A file
// of the record alone is what earlier versions write and read.
//
// The extension block follows the record directly, as UTF-8 lines ended by LF:
//
//   MARROWBY-EXTENSION 1
//   key=value            one line per value, in key order
//   END
//
// In keys and values a backslash, a line break, a TAB and other control characters,
// and bytes that are not UTF-8 are escaped (\\, \n, \r, \t, \xHH); in keys "=" is
// escaped too (\x3D). So any text round-trips: a list, a path with "=" or a line break.
//
// Reading never loses anything silently: the record is read as long as it is whole
// and signed, and whatever of the block cannot be read (bytes after the record that
// are no block, a block of another version, a line that is no key=value, a key given
// twice, a block cut short before END, bytes after END) is described in the problems
// of the read, while every line that can be read is kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

inline constexpr std::size_t kRecordSize = 2360;
inline constexpr const char* kSignature = "MARROWBYV1.06d";
inline constexpr const char* kExtensionSignature = "MARROWBY-EXTENSION 1";

struct SettingsRecord {
  std::string signature = kSignature;
  std::int32_t page = 1;                                                    // TabbedNotebook1
  std::string abComboBox;                                                   // ABComboBox
  bool cbQuoteReplace = false;                                              // CBquotereplace
  bool cbTrailSpace = false;                                                // CBtrailspace
  bool checkBox1 = false;                                                   // CheckBox1
  bool dateRangeCheckBox = false;                                           // DateRangeCheckBox
  std::string edit1, edit2, edit3;                                          // Edit1, Edit2, Edit3
  bool ignoreFirstLine = false;                                             // IgnoreFirstLineCB
  std::string impABComboBox;                                                // ImpABComboBox
  std::string impDateComboBox;                                              // ImpDateComboBox
  std::int32_t listBox1 = -1, listBox2 = -1, listBox3 = -1, listBox4 = -1;  // selected rows
  std::string maskEdit1, maskEdit2;                                         // MaskEdit1, MaskEdit2
  std::int32_t radioGroup1 = 0, radioGroup2 = 0, radioGroup3 = 0, radioGroup4 = 0;
  std::int32_t radioGroup5 = 0, radioGroup6 = 0, timeRadioGroup = 0;
  // The extension block: the window's keys and their values, UTF-8. A key missing
  // here (as in a file of the record alone) means the choice keeps its default.
  std::map<std::string, std::string> extension;
};

// The file's bytes: the record (texts cut to 255 characters, every unused byte zero),
// then the extension block when `extension` holds anything.
std::string encode(const SettingsRecord& record);

enum class DecodeResult { Ok, TooShort, WrongSignature };

// Reads the record from the first 2360 bytes and the extension block after it. The
// signature must be the length byte 14 and "MARROWBYV1.06d", letter case included. A
// flag byte other than 0 counts as checked. On Ok, `problems` (when given) receives a
// sentence for each part of the block that could not be read; otherwise `record` is
// left as it was.
DecodeResult decode(std::string_view bytes, SettingsRecord& record,
                    std::vector<std::string>* problems = nullptr);

// A list as one extension value: each item followed by a line feed (an empty list is
// empty text). Items may hold anything but a line feed.
std::string joinList(const std::vector<std::string>& items);
std::vector<std::string> splitList(std::string_view value);

// ---- the file ----

enum class LoadStatus {
  Ok,
  CannotOpen,      // missing, a folder, unreadable: `reason` says which
  TooShort,        // fewer than 2360 bytes: `size` says how many
  WrongSignature,  // not a Marrowby settings file
};

struct LoadResult {
  LoadStatus status = LoadStatus::Ok;
  std::string reason;                 // CannotOpen: the system's words, e.g. "Is a directory"
  std::uint64_t size = 0;             // the file's length in bytes
  std::vector<std::string> problems;  // Ok: what of the extension block was not read
};

// Reads a settings file; `record` changes only when the result is Ok.
LoadResult loadFile(const std::string& utf8Path, SettingsRecord& record);

// Saves in one step (platform::writeFileAtomically): a save that fails or is killed
// leaves an existing file as it was, and a symbolic link stays a link to the file it
// names. Temporary files of earlier killed saves of the same file are removed. Throws
// platform::IoError.
void saveFile(const std::string& utf8Path, const SettingsRecord& record);

}  // namespace settings
