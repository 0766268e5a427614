#include "settings/record.h"

#include <cstring>

namespace settings {
namespace {

constexpr std::size_t kTextField = 256;

// Byte offsets of the record's fields.
enum Offset : std::size_t {
  kSignatureAt = 0,
  kPage = 256,
  kABComboBox = 260,
  kCBquotereplace = 516,
  kCBtrailspace = 517,
  kCheckBox1 = 518,
  kDateRangeCheckBox = 519,
  kEdit1 = 520,
  kEdit2 = 776,
  kEdit3 = 1032,
  kIgnoreFirstLineCB = 1288,
  kImpABComboBox = 1289,
  kImpDateComboBox = 1545,
  kListBox1 = 1804,
  kListBox2 = 1808,
  kListBox3 = 1812,
  kListBox4 = 1816,
  kMaskEdit1 = 1820,
  kMaskEdit2 = 2076,
  kRadioGroup1 = 2332,
  kRadioGroup2 = 2336,
  kRadioGroup3 = 2340,
  kRadioGroup4 = 2344,
  kRadioGroup5 = 2348,
  kRadioGroup6 = 2352,
  kTimeRadioGroup = 2356,
};

void putText(std::string& out, std::size_t at, const std::string& text) {
  std::size_t n = text.size() < kTextField - 1 ? text.size() : kTextField - 1;
  out[at] = static_cast<char>(n);
  std::memcpy(&out[at + 1], text.data(), n);
}

void putInt(std::string& out, std::size_t at, std::int32_t v) {
  auto u = static_cast<std::uint32_t>(v);
  for (int i = 0; i < 4; ++i)
    out[at + static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
}

std::string getText(std::string_view in, std::size_t at) {
  auto n = static_cast<unsigned char>(in[at]);
  return std::string(in.substr(at + 1, n));
}

std::int32_t getInt(std::string_view in, std::size_t at) {
  std::uint32_t u = 0;
  for (int i = 3; i >= 0; --i)
    u = (u << 8) | static_cast<unsigned char>(in[at + static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(u);
}

}  // namespace

std::string encode(const SettingsRecord& r) {
  std::string out(kRecordSize, '\0');
  putText(out, kSignatureAt, r.signature);
  putInt(out, kPage, r.page);
  putText(out, kABComboBox, r.abComboBox);
  out[kCBquotereplace] = r.cbQuoteReplace ? 1 : 0;
  out[kCBtrailspace] = r.cbTrailSpace ? 1 : 0;
  out[kCheckBox1] = r.checkBox1 ? 1 : 0;
  out[kDateRangeCheckBox] = r.dateRangeCheckBox ? 1 : 0;
  putText(out, kEdit1, r.edit1);
  putText(out, kEdit2, r.edit2);
  putText(out, kEdit3, r.edit3);
  out[kIgnoreFirstLineCB] = r.ignoreFirstLine ? 1 : 0;
  putText(out, kImpABComboBox, r.impABComboBox);
  putText(out, kImpDateComboBox, r.impDateComboBox);
  putInt(out, kListBox1, r.listBox1);
  putInt(out, kListBox2, r.listBox2);
  putInt(out, kListBox3, r.listBox3);
  putInt(out, kListBox4, r.listBox4);
  putText(out, kMaskEdit1, r.maskEdit1);
  putText(out, kMaskEdit2, r.maskEdit2);
  putInt(out, kRadioGroup1, r.radioGroup1);
  putInt(out, kRadioGroup2, r.radioGroup2);
  putInt(out, kRadioGroup3, r.radioGroup3);
  putInt(out, kRadioGroup4, r.radioGroup4);
  putInt(out, kRadioGroup5, r.radioGroup5);
  putInt(out, kRadioGroup6, r.radioGroup6);
  putInt(out, kTimeRadioGroup, r.timeRadioGroup);
  return out;
}

DecodeResult decode(std::string_view in, SettingsRecord& r) {
  if (in.size() < kRecordSize) return DecodeResult::TooShort;
  const std::size_t sigLen = std::strlen(kSignature);
  if (static_cast<unsigned char>(in[0]) != sigLen || in.compare(1, sigLen, kSignature) != 0) {
    return DecodeResult::WrongSignature;
  }
  SettingsRecord d;
  d.signature = getText(in, kSignatureAt);
  d.page = getInt(in, kPage);
  d.abComboBox = getText(in, kABComboBox);
  d.cbQuoteReplace = in[kCBquotereplace] != 0;
  d.cbTrailSpace = in[kCBtrailspace] != 0;
  d.checkBox1 = in[kCheckBox1] != 0;
  d.dateRangeCheckBox = in[kDateRangeCheckBox] != 0;
  d.edit1 = getText(in, kEdit1);
  d.edit2 = getText(in, kEdit2);
  d.edit3 = getText(in, kEdit3);
  d.ignoreFirstLine = in[kIgnoreFirstLineCB] != 0;
  d.impABComboBox = getText(in, kImpABComboBox);
  d.impDateComboBox = getText(in, kImpDateComboBox);
  d.listBox1 = getInt(in, kListBox1);
  d.listBox2 = getInt(in, kListBox2);
  d.listBox3 = getInt(in, kListBox3);
  d.listBox4 = getInt(in, kListBox4);
  d.maskEdit1 = getText(in, kMaskEdit1);
  d.maskEdit2 = getText(in, kMaskEdit2);
  d.radioGroup1 = getInt(in, kRadioGroup1);
  d.radioGroup2 = getInt(in, kRadioGroup2);
  d.radioGroup3 = getInt(in, kRadioGroup3);
  d.radioGroup4 = getInt(in, kRadioGroup4);
  d.radioGroup5 = getInt(in, kRadioGroup5);
  d.radioGroup6 = getInt(in, kRadioGroup6);
  d.timeRadioGroup = getInt(in, kTimeRadioGroup);
  r = std::move(d);
  return DecodeResult::Ok;
}

}  // namespace settings
