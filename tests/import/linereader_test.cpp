#include <gtest/gtest.h>

#include "import/linereader.h"
#include "tests/support/fakechoices.h"
#include "tests/support/testsupport.h"

using namespace importing;
using V = std::vector<std::string>;

namespace {

using Options = testing_support::ImportChoices;

struct Row {
  int mode;
  std::string first, data;
  V names, fields;  // fields 0 to 3
  bool trim = false, quotes = false;
};

// Reads the names of `first` with the mode selected beforehand, then fields 0 to 3 of
// `data` as the import runs take them.
void check(const Row& r) {
  SCOPED_TRACE("mode " + std::to_string(r.mode) + " first [" + r.first + "] data [" + r.data + "]");
  Delimiters state;
  state.select(r.mode);
  EXPECT_EQ(readFieldNames(r.first, state, r.mode, nullptr), r.names);
  Options o;
  o.mode = r.mode;
  o.trim = r.trim;
  o.quotes = r.quotes;
  std::string line = prepareLine(r.data, r.mode);
  V fields;
  for (int i = 0; i < 4; ++i) fields.push_back(extractfield(line, i, state, o, nullptr));
  EXPECT_EQ(fields, r.fields);
}

}  // namespace

TEST(LineReader, WorkedResults) {
  const Row rows[] = {
      {0, "\"Subject\",\"Start Date\",\"Place\"", "\"Lunch\",\"01/31/97\",\"\"",
       V{"Subject", "Start Date", "Place"}, V{"Lunch", "01/31/97", "", ""}},
      // A field past the end of the line is empty; it does not repeat the last one.
      {0, "\"A\",\"B\"", "\"x\",\"y\"", V{"A", "B"}, V{"x", "y", "", ""}},
      {1, "Subject\tStart Date\tX", "Lunch\t01/31/97\tR",
       V{"Subject", "Start Date", kEmptyFieldName}, V{"Lunch", "01/31/97", "R", ""}},
      {1, "A\tB", "x\t", V{"A", kEmptyFieldName}, V{"x", "", "", ""}},
      // The quote appended as an end marker never ends up in a field.
      {1, "A\tB", "x\t\"q\"", V{"A", kEmptyFieldName}, V{"x", "q", "", ""}},
      {2, "\"Subject\",Start Date,\"Place\"", "\"Lunch\",01/31/97,\"Room 5\"",
       V{"Subject", "Start Date", "Place"}, V{"Lunch", "01/31/97", "Room 5", ""}},
      // A quoted field runs to its closing quote, taken or skipped.
      {2, "A,B,C", "x,\"a,b\",y", V{"A", "B", kEmptyFieldName}, V{"x", "a,b", "y", ""}},
      {2, "A,B", "\"a,b\",c", V{"A", kEmptyFieldName}, V{"a,b", "c", "", ""}},
      {0, "\"A\",\"B\"", "\"  x  \",\"y\"", V{"A", "B"}, V{"x  ", "y", "", ""}},
      {0, "\"A\",\"B\"", "\"  x  \",\"y\"", V{"A", "B"}, V{"x", "y", "", ""}, true},
  };
  for (const Row& r : rows) check(r);
}

TEST(LineReader, EdgeCases) {
  const Row rows[] = {
      {0, "\"A\",\"B\",\"C\"", "\"a\",\"b\",\"\"", V{"A", "B", "C"}, V{"a", "b", "", ""}},
      // A field of blanks is empty with or without the trailing-space filter.
      {1, "A\tB", "   \tb", V{"A", kEmptyFieldName}, V{"", "b", "", ""}},
      {1, "A\tB", "   \tb", V{"A", kEmptyFieldName}, V{"", "b", "", ""}, true},
      {0, "\"A\"", "\"x \"\"q\"\" z\"", V{"A"}, V{"x q z", "", "", ""}, false, true},
      // A leading TAB goes from a data line before a quoted field; in the Tab mode it ends
      // an empty first field, in data lines as in the first line.
      {1, "\tA\tB", "\tx\ty", V{kEmptyFieldName, "A", kEmptyFieldName}, V{"", "x", "y", ""}},
      {0, "\"A\",\"B\"", "\t\"x\",\"y\"", V{"A", "B"}, V{"x", "y", "", ""}},
      {2, "A,B", "\t\"x\",y", V{"A", kEmptyFieldName}, V{"x", "y", "", ""}},
      // A last field without its closing quote; a one-character remainder of the names.
      {0, "\"A\",\"B", "\"a\",\"b", V{"A", kEmptyFieldName}, V{"a", "b", "", ""}},
      {0, "\"A\",\"B\"", "\"a\",\"b\",", V{"A", "B"}, V{"a", "b", "", ""}},
      {2, "A,B,C", "a,b,", V{"A", "B", kEmptyFieldName}, V{"a", "b", "", ""}},
      {0, "\"A\"", "", V{"A"}, V{"", "", "", ""}},
      {2, "A", "", V{kEmptyFieldName}, V{"", "", "", ""}},
      // A double quote inside the last field stays.
      {0, "\"A\",\"B\"", "\"x\",\"say \"hi\" now\"", V{"A", "B"}, V{"x", "say \"hi\" now", "", ""}},
      {1, "A\tB", "x\tsay \"hi\" now", V{"A", kEmptyFieldName}, V{"x", "say \"hi\" now", "", ""}},
      {2, "A,B", "x,\"say \"hi\" now\"", V{"A", kEmptyFieldName}, V{"x", "say \"hi\" now", "", ""}},
      // Surrounding quotes of a tab-separated field go; commas and tabs stay where they
      // are not the separator.
      {1, "A\tB", "\"a,b\"\tc", V{"A", kEmptyFieldName}, V{"a,b", "c", "", ""}},
      {0, "\"A\",\"B\"", "\"a\tb\",\"c,d\"", V{"A", "B"}, V{"a\tb", "c,d", "", ""}},
      {1, "", "x", V{}, V{"x", "", "", ""}},
  };
  for (const Row& r : rows) check(r);
}

TEST(LineReader, CommaModeFieldsDoNotDependOnWhenTheNamesWereRead) {
  Options o;
  o.mode = kCommaQuotes;
  std::string line = prepareLine("\"Lunch\",01/31/97,\"Room 5\"", kCommaQuotes);
  Delimiters afterNames;
  afterNames.select(kCommaQuotes);
  readFieldNames("\"Subject\",Start Date,\"Place\"", afterNames, kCommaQuotes, nullptr);
  EXPECT_EQ(afterNames.impQuoteClose, "\"");
  Delimiters fresh;
  fresh.select(kCommaQuotes);
  EXPECT_EQ(fresh.impQuoteClose, "");
  for (const Delimiters* state : {&afterNames, &fresh}) {
    EXPECT_EQ(extractfield(line, 2, *state, o, nullptr), "Room 5");
    EXPECT_EQ(extractfield(line, 3, *state, o, nullptr), "");
  }
}

TEST(LineReader, LetsMessagesThroughPerFieldAndReadsTheFirstLine) {
  int pumps = 0;
  auto pump = [&] { ++pumps; };
  Delimiters state;
  EXPECT_EQ(readFieldNames("\"A\",\"B\",\"C\"", state, 0, pump).size(), 3u);
  EXPECT_EQ(pumps, 3);
  Options o;
  pumps = 0;
  EXPECT_EQ(extractfield("a\",\"b\",\"c\"", 2, state, o, pump), "c");
  EXPECT_EQ(pumps, 2);

  testing_support::TempDir dir;
  testing_support::writeFile(dir.file("in.txt"), "\"A\",\"B\"\r\n\"x\",\"y\"\r\n");
  std::string line;
  EXPECT_TRUE(readFirstLine(dir.file("in.txt"), line));
  EXPECT_EQ(line, "\"A\",\"B\"");
  EXPECT_FALSE(readFirstLine(dir.file("missing.txt"), line));
  EXPECT_FALSE(readFirstLine(dir.path(), line));
  testing_support::writeFile(dir.file("empty.txt"), "");
  EXPECT_TRUE(readFirstLine(dir.file("empty.txt"), line));
  EXPECT_EQ(line, "");
}
