#include "settings/record.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "tests/support/testsupport.h"

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

TEST(SettingsExtension, AnyValueRoundTripsAfterTheUnchangedRecord) {
  SettingsRecord r = sample();
  const std::string recordOnly = encode(r);
  ASSERT_EQ(recordOnly.size(), 2360u);  // no block without values: as earlier versions
  r.extension = {
      {"ExpFields", joinList({"Subject", "Start Date", "Duration (HH.hh/100)"})},
      {"ImpPairing", joinList({"(skip)", "Subject", "", "Message"})},
      {"ExpPath", "/home/ann/a=b\\c/line\nbreak\r\tx.csv"},
      {"key=with=equals", "value=with=equals"},
      {"Empty", ""},
      {"Unicode", "Ren\u00E9e \u5F20\u4E09 \U0001F600"},
      {"Bytes", std::string("\x01\x7F\xE9\xC3(\xED\xA0\x80\xF4\x90\x80\x80\0end", 16)},
  };
  std::string bytes = encode(r);
  EXPECT_EQ(bytes.substr(0, 2360), recordOnly);
  EXPECT_EQ(bytes.substr(2360),
            "MARROWBY-EXTENSION 1\n"
            "Bytes=\\x01\\x7F\\xE9\\xC3(\\xED\\xA0\\x80\\xF4\\x90\\x80\\x80\\x00end\n"
            "Empty=\n"
            "ExpFields=Subject\\nStart Date\\nDuration (HH.hh/100)\\n\n"
            "ExpPath=/home/ann/a=b\\\\c/line\\nbreak\\r\\tx.csv\n"
            "ImpPairing=(skip)\\nSubject\\n\\nMessage\\n\n"
            "Unicode=Ren\u00E9e \u5F20\u4E09 \U0001F600\n"
            "key\\x3Dwith\\x3Dequals=value=with=equals\n"
            "END\n");
  SettingsRecord back;
  std::vector<std::string> problems{"stale"};
  ASSERT_EQ(decode(bytes, back, &problems), DecodeResult::Ok);
  EXPECT_EQ(back.extension, r.extension);
  EXPECT_TRUE(problems.empty());
  EXPECT_EQ(encode(back), bytes);
  EXPECT_EQ(splitList(back.extension["ImpPairing"]),
            (std::vector<std::string>{"(skip)", "Subject", "", "Message"}));
}

TEST(SettingsExtension, ListsAsOneValue) {
  using V = std::vector<std::string>;
  for (const V& list : {V{}, V{""}, V{"", ""}, V{"a"}, V{"a", "b=c", "\\"}}) {
    EXPECT_EQ(splitList(joinList(list)), list);
  }
  EXPECT_EQ(splitList("a\nb"), (V{"a", "b"}));  // a last item without its end is kept
}

TEST(SettingsExtension, WhatCannotBeReadIsSaidAndTheRestKept) {
  using Map = std::map<std::string, std::string>;
  using V = std::vector<std::string>;
  struct Case {
    std::string block;
    Map values;
    V problems;
  } cases[] = {
      {"", {}, {}},
      {"MARROWBY-EXTENSION 1\r\na=1\r\nEND\r\n", {{"a", "1"}}, {}},  // CR LF line ends
      {"MARROWBY-EXTENSION 1\na=1\nEND", {{"a", "1"}}, {}},
      {"garbage after the record",
       {},
       {"The 24 bytes after the settings record are no Marrowby settings; they were not read, "
        "and the choices they might hold keep their defaults."}},
      {"MARROWBY-EXTENSION 2\na=1\nEND\n",
       {},
       {"The settings after the record are of another version (\"MARROWBY-EXTENSION 2\"); "
        "they were not read and keep their defaults."}},
      {"MARROWBY-EXTENSION 1\na=1\nno equals sign\n=empty key\nb=bad \\q escape\nc=\\x4\n"
       "a=again\nd=\\\nok=yes\nEND\n",
       {{"a", "1"}, {"ok", "yes"}},
       {"Line 3 of the settings after the record holds no \"=\"; it was not read.",
        "Line 4 of the settings after the record has no key; it was not read.",
        "Line 5 of the settings after the record holds an unknown escape \\q; it was not read.",
        "Line 6 of the settings after the record holds \\x without two hexadecimal digits; it "
        "was not read.",
        "Line 7 of the settings after the record repeats the setting \"a\" (the first is kept); "
        "it was not read.",
        "Line 8 of the settings after the record holds a backslash at its end; it was not "
        "read."}},
      {"MARROWBY-EXTENSION 1\na=1\nb=2\n",
       {{"a", "1"}, {"b", "2"}},
       {"The settings after the record end early (the file was cut short); any that followed "
        "line 3 are lost and keep their defaults."}},
      {"MARROWBY-EXTENSION 1\na=1\nb=tru",
       {{"a", "1"}},
       {"Line 3 of the settings after the record is cut short; it was not read.",
        "The settings after the record end early (the file was cut short); any that followed "
        "line 3 are lost and keep their defaults."}},
      {"MARROWBY-EXTENSION 1",
       {},
       {"The settings after the record end early (the file was cut short); any that followed "
        "line 1 are lost and keep their defaults."}},
      {"MARROWBY-EXTENSION 1\na=1\nEND\ntrailing",
       {{"a", "1"}},
       {"The 8 bytes after the end of the settings were not read."}},
  };
  for (const Case& c : cases) {
    SettingsRecord r;
    V problems;
    ASSERT_EQ(decode(encode(sample()) + c.block, r, &problems), DecodeResult::Ok) << c.block;
    EXPECT_EQ(r.extension, c.values) << c.block;
    EXPECT_EQ(problems, c.problems) << c.block;
    EXPECT_EQ(r.edit1, sample().edit1);  // the record is read all the same
  }
  // A block of many bad lines names ten of them and counts the rest.
  SettingsRecord r;
  V problems;
  std::string many = "MARROWBY-EXTENSION 1\n";
  for (int i = 0; i < 25; ++i) many += "bad\n";
  decode(encode(sample()) + many + "END\n", r, &problems);
  ASSERT_EQ(problems.size(), 11u);
  EXPECT_EQ(problems.back(), "15 more lines of the settings after the record were not read.");
}

TEST(SettingsFile, SavesAndLoads) {
  testing_support::TempDir dir;
  SettingsRecord r = sample();
  r.extension["ExpEncoding"] = "UTF-8";
  std::filesystem::create_directory(dir.file("real"));
  std::filesystem::create_symlink("real/choices.mwb", dir.file("link.mwb"));
  saveFile(dir.file("link.mwb"), r);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.file("link.mwb")));
  EXPECT_EQ(testing_support::readFile(dir.file("real/choices.mwb")), encode(r));

  SettingsRecord back;
  LoadResult ok = loadFile(dir.file("link.mwb"), back);
  EXPECT_EQ(ok.status, LoadStatus::Ok);
  EXPECT_EQ(ok.size, encode(r).size());
  EXPECT_EQ(back.extension, r.extension);

  testing_support::writeFile(dir.file("short.mwb"), encode(r).substr(0, 2000));
  testing_support::writeFile(dir.file("text.txt"), std::string(3000, 'x'));
  ASSERT_EQ(::mkfifo(dir.file("pipe").c_str(), 0600), 0);
  struct Case {
    std::string path;
    LoadStatus status;
    std::string reason;
    std::uint64_t size;
  } cases[] = {
      {dir.file("missing.mwb"), LoadStatus::CannotOpen, "No such file or directory", 0},
      {dir.file("real"), LoadStatus::CannotOpen, "Is a directory", 0},
      {dir.file("pipe"), LoadStatus::CannotOpen, "Not a regular file", 0},
      {dir.file("short.mwb"), LoadStatus::TooShort, "", 2000},
      {dir.file("text.txt"), LoadStatus::WrongSignature, "", 3000},
  };
  for (const Case& c : cases) {
    SettingsRecord untouched;
    LoadResult result = loadFile(c.path, untouched);
    EXPECT_EQ(result.status, c.status) << c.path;
    EXPECT_EQ(result.reason, c.reason) << c.path;
    EXPECT_EQ(result.size, c.size) << c.path;
    EXPECT_EQ(encode(untouched), encode(SettingsRecord())) << c.path;
  }
}
