#include <gtest/gtest.h>

#include "export/format.h"

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
  f.setQuoteSubstitute(1);
  EXPECT_EQ(f.quoteSubstitute, "");
  f.setQuoteSubstitute(2);
  EXPECT_EQ(f.quoteSubstitute, "'");
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
}
