#include <gtest/gtest.h>

#include "export/format.h"
#include "export/recordwriter.h"

using namespace exporting;

TEST(ExportFormat, RadioItemsSetTheLayout) {
  ExportFormat f;
  EXPECT_EQ(f.quoteSubstitute, "\"");  // matches "No change", shown at start
  EXPECT_EQ(f.record({"A", "B", "C"}), "\"A\",\"B\",\"C\"\r\n");
  f.setDelimiters(1);
  f.setLineEnd(1);
  EXPECT_EQ(f.record({"A", "", "C"}), "A\t\tC\n");
  f.setDelimiters(7);  // an item outside the table changes nothing
  EXPECT_EQ(f.expSeparator, "\t");
  EXPECT_EQ(f.mode, DelimiterMode::Tab);
  f.setQuoteSubstitute(1);
  EXPECT_EQ(f.quoteSubstitute, "");
  f.setQuoteSubstitute(2);
  EXPECT_EQ(f.quoteSubstitute, "'");
  // Standard CSV: the separator follows its own choice, kept across modes.
  f.setCsvSeparator(1);
  EXPECT_EQ(f.expSeparator, "\t");
  f.setDelimiters(2);
  EXPECT_EQ(f.mode, DelimiterMode::StandardCsv);
  EXPECT_EQ(f.expQuoteOpen + f.expSeparator + f.expQuoteClose, ";");
  f.setCsvSeparator(3);
  EXPECT_EQ(f.csvSeparator, '|');
  f.setCsvSeparator(4);
  EXPECT_EQ(f.csvSeparator, '|');
  f.setEncoding(2);
  EXPECT_EQ(f.encoding, Encoding::Utf8WithMark);
  f.setEncoding(3);
  EXPECT_EQ(f.encoding, Encoding::Utf8WithMark);
}

TEST(ExportFormat, SampleLine) {
  ExportFormat f;
  EXPECT_EQ(MakeSample({}, f, 0), "Please choose export fields.");
  EXPECT_EQ(MakeSample({"Subject", "Place"}, f, 0), "\"Subject\",\"Place\"<CR><LF>");
  EXPECT_EQ(MakeSample({"Subject"}, f, 1), "\"Subject\"<LF>");
  f.setDelimiters(1);
  EXPECT_EQ(MakeSample({"Subject", "Place"}, f, 1), "Subject<TAB>Place<LF>");
  // The marker follows the radio item, not the line end setting.
  f.setLineEnd(1);
  EXPECT_EQ(MakeSample({"Subject", "Place"}, f, 0), "Subject<TAB>Place<CR><LF>");
  // Standard CSV shows the header as the file has it: quotes only where needed.
  f.setDelimiters(2);
  struct Case {
    int separator;
    const char* sample;
  } cases[] = {
      {0, "Subject,Duration (HH.hh/100),\"Phone, home\",\"Say \"\"hi\"\"\"<LF>"},
      {1, "Subject;Duration (HH.hh/100);Phone, home;\"Say \"\"hi\"\"\"<LF>"},
      {2, "Subject<TAB>Duration (HH.hh/100)<TAB>Phone, home<TAB>\"Say \"\"hi\"\"\"<LF>"},
      {3, "Subject|Duration (HH.hh/100)|Phone, home|\"Say \"\"hi\"\"\"<LF>"},
  };
  for (const Case& c : cases) {
    f.setCsvSeparator(c.separator);
    EXPECT_EQ(MakeSample({"Subject", "Duration (HH.hh/100)", "Phone, home", "Say \"hi\""}, f, 1),
              c.sample);
  }
}

TEST(RecordWriter, EachModeWritesItsRecords) {
  const std::vector<std::string> values = {
      "plain", "a,b", "say \"hi\"", "one\r\ntwo\nthree\rfour", "", "tab\there;semi|bar"};
  struct Case {
    int delimiters, separator, lineEnd, substitute;
    LineBreaks breaks;
    const char* record;
  } cases[] = {
      {0, 0, 0, 0, LineBreaks::NineBlanks,
       "\"plain\",\"a,b\",\"say \"hi\"\",\"one         two         threefour\",\"\","
       "\"tab\there;semi|bar\"\r\n"},
      {0, 0, 0, 2, LineBreaks::OneBlank,
       "\"plain\",\"a,b\",\"say 'hi'\",\"one  two three four\",\"\",\"tab\there;semi|bar\"\r\n"},
      {1, 0, 1, 1, LineBreaks::NineBlanks,
       // A TAB inside a value would make a column of its own: it is a blank.
       "plain\ta,b\tsay hi\tone         two         threefour\t\ttab here;semi|bar\n"},
      // Standard CSV keeps line breaks as the chosen line end and ignores the substitute.
      {2, 0, 0, 1, LineBreaks::OneBlank,
       "plain,\"a,b\",\"say \"\"hi\"\"\",\"one\r\ntwo\r\nthree\r\nfour\",,tab\there;semi|bar\r\n"},
      {2, 1, 1, 2, LineBreaks::NineBlanks,
       "plain;a,b;\"say \"\"hi\"\"\";\"one\ntwo\nthree\nfour\";;\"tab\there;semi|bar\"\n"},
      {2, 2, 1, 0, LineBreaks::NineBlanks,
       "plain\ta,b\t\"say \"\"hi\"\"\"\t\"one\ntwo\nthree\nfour\"\t\t\"tab\there;semi|bar\"\n"},
      {2, 3, 1, 0, LineBreaks::NineBlanks,
       "plain|a,b|\"say \"\"hi\"\"\"|\"one\ntwo\nthree\nfour\"||\"tab\there;semi|bar\"\n"},
  };
  for (const Case& c : cases) {
    ExportFormat f;
    f.setCsvSeparator(c.separator);
    f.setDelimiters(c.delimiters);
    f.setLineEnd(c.lineEnd);
    f.setQuoteSubstitute(c.substitute);
    std::string out;
    makeRecordWriter(f, c.breaks)->record(values, out);
    EXPECT_EQ(out, c.record) << c.delimiters << " " << c.separator;
  }
  // A record of one empty field is no blank line in Standard CSV.
  ExportFormat csv;
  csv.setDelimiters(2);
  std::string out;
  makeRecordWriter(csv, LineBreaks::NineBlanks)->record({""}, out);
  EXPECT_EQ(out, "\"\"\r\n");
}

TEST(RecordWriter, EncodingsCountWhatWindows1252Lacks) {
  const std::string text = "Ren\u00E9e \u5F20\u4E09 \u20AC5? \U0001F600";
  TextEncoder ansi(Encoding::Windows1252);
  EXPECT_EQ(ansi.preamble(), "");
  EXPECT_EQ(ansi.encode(text),
            "Ren\xE9"
            "e ?? \x80"
            "5? ?");
  EXPECT_EQ(ansi.encode("plain? text"), "plain? text");
  EXPECT_EQ(ansi.unmappable(), 3);  // the two Han characters and the emoji
  TextEncoder utf8(Encoding::Utf8);
  EXPECT_EQ(utf8.preamble(), "");
  EXPECT_EQ(utf8.encode(text), text);
  EXPECT_EQ(utf8.unmappable(), 0);
  EXPECT_EQ(TextEncoder(Encoding::Utf8WithMark).preamble(), "\xEF\xBB\xBF");
}
