// The search expression language of FindMessages: item-kind words, AND, OR, NOT,
// parentheses, and comparisons of date fields with "yyyy/mm/dd [AT h:m:s]" or TODAY.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace gw::standin {

enum class DateField { Start, DueEnd, Assigned, Created, Modified };
enum class CompareOp { Eq, Ne, Lt, Le, Gt, Ge };

struct FilterNode {
  enum class Type { Or, And, Not, Kind, Compare } type = Type::Kind;
  std::vector<std::unique_ptr<FilterNode>> children;  // Or, And, Not
  std::string className;                              // Kind
  DateField field = DateField::Start;                 // Compare
  CompareOp op = CompareOp::Eq;
  // A value with a time compares to the second; a plain date compares whole days.
  bool wholeDay = false;
  std::int64_t value = 0;  // seconds since 1899-12-30, or a day number when wholeDay
};

// Parses an expression; raises gw::Error naming the position where it went wrong.
// todayDay is the day number that TODAY stands for.
std::unique_ptr<FilterNode> parseFilter(std::string_view text, std::int64_t todayDay);

// A SQL condition over the items table (columns class, start_date, end_date,
// assigned_date, creation_date, modified_date, dates in seconds); it holds only
// numbers and fixed names, never text from the expression.
std::string filterToSql(const FilterNode& node);

}  // namespace gw::standin
