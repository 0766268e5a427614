#include "platform/numtext.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/ansi.h"
#include "platform/errors.h"
#include "platform/locale.h"

namespace platform {

std::string formatGeneral(double value, int precision, int expDigits) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  const char dec = userLocale().decimalSeparator;
  std::string sign = value < 0 ? "-" : "";
  double mag = std::fabs(value);
  if (mag == 0) return "0";

  // Round to `precision` significant digits: d.ddd e E, so the value is 0.dddd x 10^(E+1).
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*e", precision - 1, mag);
  std::string s = buf;
  std::size_t ePos = s.find('e');
  std::string digits;
  for (std::size_t i = 0; i < ePos; ++i) {
    if (std::isdigit(static_cast<unsigned char>(s[i]))) digits.push_back(s[i]);
  }
  int e = std::atoi(s.c_str() + ePos + 1) + 1;
  while (!digits.empty() && digits.back() == '0') digits.pop_back();

  std::string out = sign;
  if (e > precision || e < -3) {
    out.push_back(digits[0]);
    if (digits.size() > 1) {
      out.push_back(dec);
      out.append(digits, 1, std::string::npos);
    }
    int ex = e - 1;
    out.push_back('E');
    if (ex < 0) out.push_back('-');
    std::string exText = std::to_string(std::abs(ex));
    if (static_cast<int>(exText.size()) < expDigits) {
      exText.insert(0, static_cast<std::size_t>(expDigits) - exText.size(), '0');
    }
    out += exText;
  } else if (e <= 0) {
    out.push_back('0');
    out.push_back(dec);
    out.append(static_cast<std::size_t>(-e), '0');
    out += digits;
  } else {
    auto ue = static_cast<std::size_t>(e);
    if (digits.size() <= ue) {
      out += digits;
      out.append(ue - digits.size(), '0');
    } else {
      out.append(digits, 0, ue);
      out.push_back(dec);
      out.append(digits, ue, std::string::npos);
    }
  }
  return out;
}

std::string floatToText(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", value);
  std::string s = buf;
  for (char& c : s) {
    if (c == '.') c = userLocale().decimalSeparator;
  }
  return s;
}

std::optional<std::int32_t> tryStrToInt(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && text[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  std::int64_t v = 0;
  for (; i < text.size(); ++i) {
    int d;
    auto c = static_cast<unsigned char>(text[i]);
    if (std::isdigit(c)) {
      d = c - '0';
    } else if (base == 16 && std::isxdigit(c)) {
      d = std::tolower(c) - 'a' + 10;
    } else {
      return std::nullopt;
    }
    v = v * base + d;
    if (v > 0x80000000LL) return std::nullopt;
  }
  if (negative) v = -v;
  if (v > 0x7FFFFFFFLL) {
    // Hexadecimal texts name the 32-bit pattern, as "$FFFFFFFF" is -1.
    if (base != 16 || v > 0xFFFFFFFFLL) return std::nullopt;
    v -= 0x100000000LL;
  }
  return static_cast<std::int32_t>(v);
}

std::int32_t strToInt(std::string_view text) {
  if (auto v = tryStrToInt(text)) return *v;
  throw ConversionError("'" + ansiToUtf8(text) + "' is not a valid integer value");
}

std::optional<double> tryStrToFloat(std::string_view text) {
  std::size_t b = 0, e = text.size();
  while (b < e && text[b] == ' ') ++b;
  while (e > b && text[e - 1] == ' ') --e;
  std::string s(text.substr(b, e - b));
  if (s.empty()) return std::nullopt;
  const char dec = userLocale().decimalSeparator;
  // Accept only sign, digits, one decimal separator and an exponent.
  std::size_t i = 0;
  if (s[i] == '+' || s[i] == '-') ++i;
  std::size_t digits = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  if (i < s.size() && s[i] == dec) {
    s[i] = '.';
    ++i;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) ++i, ++expDigits;
    if (expDigits == 0) return std::nullopt;
  }
  if (i != s.size()) return std::nullopt;
  double v = std::strtod(s.c_str(), nullptr);
  if (!std::isfinite(v)) return std::nullopt;
  return v;
}

}  // namespace platform
