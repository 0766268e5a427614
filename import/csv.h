// Standard CSV (RFC 4180) read leniently, one byte at a time: the same cutter finds where
// a record ends (the file reader) and cuts a record into its fields (the line reader).
#pragma once

#include <string>
#include <vector>

namespace importing {

class CsvCutter {
 public:
  explicit CsvCutter(char separator) : sep_(separator) {}

  // Inside an open quoted field a line end belongs to the field.
  bool inQuotes() const { return state_ == kQuoted; }
  // The fields of the record so far, the one being read included.
  std::size_t fieldCount() const { return ended_ + 1; }
  // The quotes inside quoted fields so far that neither doubled nor closed their field:
  // text to a lenient reader, a sign of a quote left open to a strict one.
  std::size_t strayQuotes() const { return strays_; }

  // Takes one byte of a record. With `out` the fields are collected there: blanks before a
  // field go; quotes that open and close a field go, a doubled quote inside one stands
  // for one quote, blanks between a closing quote and the separator go. A quote that
  // neither doubles nor closes is kept as text, and so is a quote inside a field that did
  // not open with one.
  void feed(char c, std::vector<std::string>* out) {
    switch (state_) {
      case kFieldStart:
        if (c == sep_) {
          emit(out);
        } else if (c == '"') {
          state_ = kQuoted;
        } else if (c != ' ') {  // blanks before a field go
          state_ = kUnquoted;
          if (out) field_.push_back(c);
        }
        break;
      case kUnquoted:
        if (c == sep_) {
          emit(out);
        } else if (out) {
          field_.push_back(c);
        }
        break;
      case kQuoted:
        if (c == '"') {
          state_ = kQuoteSeen;
        } else if (out) {
          field_.push_back(c);
        }
        break;
      case kQuoteSeen:
        if (c == '"') {
          state_ = kQuoted;
          if (out) field_.push_back('"');
        } else if (c == sep_) {
          emit(out);
        } else if (c == ' ') {
          state_ = kQuoteBlanks;
          blanks_ = 1;
        } else {
          state_ = kQuoted;
          ++strays_;
          if (out) field_.append(1, '"').push_back(c);
        }
        break;
      case kQuoteBlanks:
        if (c == sep_) {
          emit(out);
        } else if (c == ' ') {
          ++blanks_;
        } else {
          // The quote was text after all, and so were the blanks.
          ++strays_;
          if (out) field_.append(1, '"').append(blanks_, ' ');
          if (c == '"') {
            state_ = kQuoteSeen;
          } else {
            state_ = kQuoted;
            if (out) field_.push_back(c);
          }
        }
        break;
    }
  }

  // The end of the record: the last field goes to `out`.
  void finish(std::vector<std::string>* out) { emit(out); }

 private:
  enum State { kFieldStart, kUnquoted, kQuoted, kQuoteSeen, kQuoteBlanks };

  void emit(std::vector<std::string>* out) {
    if (out) out->push_back(std::move(field_));
    field_.clear();
    state_ = kFieldStart;
    blanks_ = 0;
    ++ended_;
  }

  char sep_;
  State state_ = kFieldStart;
  std::size_t blanks_ = 0;
  std::size_t ended_ = 0;  // fields ended by a separator
  std::size_t strays_ = 0;
  std::string field_;
};

}  // namespace importing
