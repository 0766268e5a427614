// The page choices that export code reads through interfaces, as plain values for
// tests.
#pragma once

#include <string>
#include <vector>

#include "export/exporter.h"

namespace testing_support {

struct ExportChoices : exporting::ValueOptions, exporting::DateRange, exporting::RunHost {
  int time = 0, year = 0;  // "Time Format" and "Year Format" items
  bool on = false;         // "Limit export to date range:"
  std::string start, stop;
  // What the run did with the window.
  std::vector<int> positions;
  int shown = 0, hidden = 0, messages = 0;

  int timeFormatItem() const override { return time; }
  int yearFormatItem() const override { return year; }
  bool limited() const override { return on; }
  std::string startText() const override { return start; }
  std::string stopText() const override { return stop; }
  void processMessages() override { ++messages; }
  void showProgress(bool s) override { (s ? shown : hidden)++; }
  void setProgress(int p) override { positions.push_back(p); }
};

}  // namespace testing_support
