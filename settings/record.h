// The settings file: one 2360-byte record holding the choices of both pages. Texts are
// 8-bit (Windows-1252), a length byte and up to 255 characters in a 256-byte field;
// integers are 32-bit little-endian; flags are one byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace settings {

inline constexpr std::size_t kRecordSize = 2360;
inline constexpr const char* kSignature = "MARROWBYV1.06d";

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
};

// The record's bytes: texts cut to 255 characters, every unused byte zero.
std::string encode(const SettingsRecord& record);

enum class DecodeResult { Ok, TooShort, WrongSignature };

// Reads the first 2360 bytes; anything after them is ignored. The signature must be the
// length byte 14 and "MARROWBYV1.06d", letter case included. A flag byte other than 0
// counts as checked.
DecodeResult decode(std::string_view bytes, SettingsRecord& record);

}  // namespace settings
