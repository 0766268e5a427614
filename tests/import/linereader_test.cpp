#include "import/linereader.h"

#include <gtest/gtest.h>

using namespace importing;
using V = std::vector<std::string>;

namespace {

FileFormat format(int mode, bool trim = false, bool quotes = false, char sep = ',') {
  FileFormat f;
  f.mode = mode;
  f.separator = sep;
  f.removeTrailingSpaces = trim;
  f.removeQuotes = quotes;
  return f;
}

struct Row {
  int mode;
  std::string first, data;
  V names, fields;  // fields 0 to 3 (a field past the end of the record is empty)
  bool trim = false, quotes = false;
};

void check(const Row& r) {
  SCOPED_TRACE("mode " + std::to_string(r.mode) + " first [" + r.first + "] data [" + r.data + "]");
  FileFormat f = format(r.mode, r.trim, r.quotes);
  EXPECT_EQ(fieldNames(r.first, f), r.names);
  V fields = extractfields(r.data, f);
  fields.resize(std::max<std::size_t>(fields.size(), 4));
  fields.resize(4);
  EXPECT_EQ(fields, r.fields);
}

}  // namespace

TEST(LineReader, WorkedResults) {
  const Row rows[] = {
      {0, "\"Subject\",\"Start Date\",\"Place\"", "\"Lunch\",\"01/31/97\",\"\"",
       V{"Subject", "Start Date", "Place"}, V{"Lunch", "01/31/97", "", ""}},
      {0, "\"A\",\"B\"", "\"x\",\"y\"", V{"A", "B"}, V{"x", "y", "", ""}},
      {1, "Subject\tStart Date\tX", "Lunch\t01/31/97\tR",
       V{"Subject", "Start Date", kEmptyFieldName}, V{"Lunch", "01/31/97", "R", ""}},
      {1, "A\tB", "x\t", V{"A", kEmptyFieldName}, V{"x", "", "", ""}},
      // The quotes around a tab-separated field go.
      {1, "A\tB", "x\t\"q\"", V{"A", kEmptyFieldName}, V{"x", "q", "", ""}},
      {2, "\"Subject\",Start Date,\"Place\"", "\"Lunch\",01/31/97,\"Room 5\"",
       V{"Subject", "Start Date", "Place"}, V{"Lunch", "01/31/97", "Room 5", ""}},
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
      // A double quote inside a field stays.
      {0, "\"A\",\"B\"", "\"x\",\"say \"hi\" now\"", V{"A", "B"}, V{"x", "say \"hi\" now", "", ""}},
      {1, "A\tB", "x\tsay \"hi\" now", V{"A", kEmptyFieldName}, V{"x", "say \"hi\" now", "", ""}},
      {2, "A,B", "x,\"say \"hi\" now\"", V{"A", kEmptyFieldName}, V{"x", "say \"hi\" now", "", ""}},
      {1, "A\tB", "\"a,b\"\tc", V{"A", kEmptyFieldName}, V{"a,b", "c", "", ""}},
      // In the Tab mode only a quote at both ends of a field goes; one alone is text.
      {1, "A\tB", "x\tInterview: \"Senior Analyst\"", V{"A", kEmptyFieldName},
       V{"x", "Interview: \"Senior Analyst\"", "", ""}},
      {1, "A\tB", "\"Quiet\" hours\t\"", V{"A", kEmptyFieldName},
       V{"\"Quiet\" hours", "\"", "", ""}},
      {1, "A\tB\tC", "\"\"\t\"x\t\"y\"z\"", V{"A", "B", kEmptyFieldName}, V{"", "\"x", "y\"z", ""}},
      {0, "\"A\",\"B\"", "\"a\tb\",\"c,d\"", V{"A", "B"}, V{"a\tb", "c,d", "", ""}},
      {1, "", "x", V{}, V{"x", "", "", ""}},
  };
  for (const Row& r : rows) check(r);
}

// A quote is never taken away from a value: doubled quotes stand for one, an unclosed
// quote is text and never swallows the columns after it.
TEST(LineReader, QuotesKeepTheirValues) {
  const Row rows[] = {
      {0, "\"A\",\"B\"", "\"say \"\"hi\"\"\",\"\"\"x\"\"\"", V{"A", "B"},
       V{"say \"hi\"", "\"x\"", "", ""}},
      {0, "\"A\"", "\"\"\"\"", V{"A"}, V{"\"", "", "", ""}},
      {2, "A,B", "\"say \"\"hi\"\"\",\"\"\"\"", V{"A", kEmptyFieldName},
       V{"say \"hi\"", "\"", "", ""}},
      {2, "N,P,C", "\"Big\" Mike,555-1234,Boston", V{"N", "P", kEmptyFieldName},
       V{"\"Big\" Mike", "555-1234", "Boston", ""}},
      {2, "N,P,C", "\"Big\" Mike,555-1234,\"Boston\"", V{"N", "P", kEmptyFieldName},
       V{"\"Big\" Mike", "555-1234", "Boston", ""}},
      {2, "N,P", "\"unclosed,b", V{"N", kEmptyFieldName}, V{"\"unclosed", "b", "", ""}},
      // Blanks between a closing quote and the comma go; a quote after text is text.
      {2, "A,B,C", "\"a\"  ,  \"b\" ,12\"", V{"A", "B", kEmptyFieldName}, V{"a", "b", "12\"", ""}},
  };
  for (const Row& r : rows) check(r);
}

TEST(LineReader, StandardCsv) {
  struct Case {
    std::string record;
    char sep;
    V fields;
  } cases[] = {
      {"a,\"b,c\",d", ',', V{"a", "b,c", "d"}},
      {"\"say \"\"hi\"\"\",,\"\"", ',', V{"say \"hi\"", "", ""}},
      {"x;\"1,5\";\"two\r\nlines\"", ';', V{"x", "1,5", "two\r\nlines"}},
      {"a\t\"b\tc\"\t", '\t', V{"a", "b\tc", ""}},
      {"a|b||", '|', V{"a", "b", "", ""}},
      // Blanks before a field go, inside quotes they stay; a lone quote inside a quoted
      // field is text; a quote inside an unquoted field is text.
      {"  a, \" b \" ,c", ',', V{"a", " b ", "c"}},
      {"\"All day \"offsite\" event\",5\" disk", ',', V{"All day \"offsite\" event", "5\" disk"}},
      {"", ',', V{""}},
      {"Ren\xC3\xA9"
       "e,\xC3\xA9t\xC3\xA9",
       ',',
       V{"Ren\xC3\xA9"
         "e",
         "\xC3\xA9t\xC3\xA9"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(extractfields(c.record, format(kStandardCsv, false, false, c.sep)), c.fields)
        << c.record;
  }
  EXPECT_EQ(fieldNames("Subject,\"Start Date\",,Location", format(kStandardCsv)),
            (V{"Subject", "Start Date", kEmptyFieldName, "Location"}));
  EXPECT_EQ(fieldNames("", format(kStandardCsv)), V{});
  // The filters apply as in the other modes.
  EXPECT_EQ(extractfields("\"a  \",b\"c", format(kStandardCsv, true, true)), (V{"a", "bc"}));
}

TEST(LineReader, LongFirstLinesAreReadWhole) {
  // Many names, and a name full of quotes with no separator after it: every mode reads
  // them in one pass (a quadratic reading took minutes on a few megabytes).
  std::string quoteComma = "\"", tab, csv;
  for (int i = 0; i < 100000; ++i) {
    std::string n = "Name" + std::to_string(i);
    quoteComma += n + (i + 1 < 100000 ? "\",\"" : "\"");
    tab += n + (i + 1 < 100000 ? "\t" : "");
    csv += (i ? "," : "") + n;
  }
  EXPECT_EQ(fieldNames(quoteComma, format(kQuoteComma)).size(), 100000u);
  EXPECT_EQ(fieldNames(tab, format(kTab)).size(), 100000u);
  EXPECT_EQ(fieldNames(csv, format(kStandardCsv)).size(), 100000u);
  std::string quotes;
  for (int i = 0; i < 200000; ++i) quotes += "ab\"";
  EXPECT_EQ(fieldNames(quotes, format(kQuoteComma)).size(), 200000u);
  EXPECT_EQ(fieldNames("x," + quotes, format(kCommaQuotes)).size(), 200001u);
  std::string commaQuotes;
  for (int i = 0; i < 100000; ++i) commaQuotes += "\"a,\"\"b,";
  EXPECT_GT(extractfields(commaQuotes, format(kCommaQuotes)).size(), 100000u);
}
