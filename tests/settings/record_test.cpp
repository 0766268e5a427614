#include <gtest/gtest.h>

#include "settings/record.h"

using namespace settings;

namespace {

// The record as its layout describes it, written out field by field.
class HandMade {
 public:
  HandMade() : bytes_(2360, '\0') {}
  HandMade& text(std::size_t at, const std::string& t) {
    bytes_[at] = static_cast<char>(t.size());
    bytes_.replace(at + 1, t.size(), t);
    return *this;
  }
  HandMade& int32(std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>(v >> (8 * i));
    return *this;
  }
  HandMade& flag(std::size_t at) {
    bytes_[at] = 1;
    return *this;
  }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

SettingsRecord sample() {
  SettingsRecord r;
  r.page = 0;
  r.abComboBox = "Frequent Contacts";
  r.cbTrailSpace = true;
  r.dateRangeCheckBox = true;
  r.edit1 = "C:\\exports\\GWEXPORT.TXT";
  r.edit2 = "\"Subject\",\"Place\"<CR><LF>";
  r.edit3 = "caf\xE9.txt";
  r.ignoreFirstLine = true;
  r.impABComboBox = "alice";
  r.impDateComboBox = "day.month.year";
  r.listBox1 = 3;
  r.listBox2 = -1;
  r.listBox3 = 0;
  r.listBox4 = 11;
  r.maskEdit1 = "01/05/2004";
  r.maskEdit2 = "1 /5 /2004";
  r.radioGroup1 = 3;
  r.radioGroup2 = 1;
  r.radioGroup3 = 1;
  r.radioGroup4 = 2;
  r.radioGroup5 = 2;
  r.radioGroup6 = 2;
  r.timeRadioGroup = 1;
  return r;
}

}  // namespace

TEST(SettingsRecord, MatchesTheLayoutByteForByte) {
  HandMade expected;
  expected.text(0, "MARROWBYV1.06d")
      .int32(256, 0)
      .text(260, "Frequent Contacts")
      .flag(517)
      .flag(519)
      .text(520, "C:\\exports\\GWEXPORT.TXT")
      .text(776, "\"Subject\",\"Place\"<CR><LF>")
      .text(1032, "caf\xE9.txt")
      .flag(1288)
      .text(1289, "alice")
      .text(1545, "day.month.year")
      .int32(1804, 3)
      .int32(1808, 0xFFFFFFFF)
      .int32(1812, 0)
      .int32(1816, 11)
      .text(1820, "01/05/2004")
      .text(2076, "1 /5 /2004")
      .int32(2332, 3)
      .int32(2336, 1)
      .int32(2340, 1)
      .int32(2344, 2)
      .int32(2348, 2)
      .int32(2352, 2)
      .int32(2356, 1);
  EXPECT_EQ(encode(sample()), expected.bytes());
}

TEST(SettingsRecord, ReadsBackWhatItWrites) {
  SettingsRecord back;
  std::string bytes = encode(sample());
  ASSERT_EQ(decode(bytes + "anything after the record", back), DecodeResult::Ok);
  EXPECT_EQ(encode(back), bytes);
  EXPECT_EQ(back.maskEdit2, "1 /5 /2004");
  EXPECT_EQ(back.listBox2, -1);

  // Texts longer than 255 characters are cut; any non-zero flag is checked.
  SettingsRecord longPath;
  longPath.edit1 = std::string(300, 'p');
  bytes = encode(longPath);
  bytes[518] = 7;
  ASSERT_EQ(decode(bytes, back), DecodeResult::Ok);
  EXPECT_EQ(back.edit1, std::string(255, 'p'));
  EXPECT_TRUE(back.checkBox1);
}

TEST(SettingsRecord, RefusesOtherFiles) {
  SettingsRecord r;
  r.edit1 = "kept";
  SettingsRecord untouched = r;
  std::string bytes = encode(sample());
  EXPECT_EQ(decode(bytes.substr(0, 2000), r), DecodeResult::TooShort);
  std::string lower = bytes;
  lower[1] = 'm';  // "mARROWBYV1.06d"
  EXPECT_EQ(decode(lower, r), DecodeResult::WrongSignature);
  std::string shorter = bytes;
  shorter[0] = 13;
  EXPECT_EQ(decode(shorter, r), DecodeResult::WrongSignature);
  EXPECT_EQ(decode(std::string(3000, 'x'), r), DecodeResult::WrongSignature);
  EXPECT_EQ(r.edit1, untouched.edit1);
}
