// Number text in the forms the automation platform reads and writes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// General number format: `precision` significant digits, trailing zeros dropped,
// scientific form ("1.008E04") when the exponent leaves the fixed range; the exponent
// has at least `expDigits` digits and no "+" sign.
std::string formatGeneral(double value, int precision = 4, int expDigits = 2);

// A real number as an automation value writes it: up to 15 significant digits.
std::string floatToText(double value);

// Decimal integer with optional leading blanks and sign ("$" or "0x" for hexadecimal);
// nothing may follow. Out of the 32-bit range is no integer.
std::optional<std::int32_t> tryStrToInt(std::string_view text);
// As tryStrToInt; throws ConversionError "'<text>' is not a valid integer value".
std::int32_t strToInt(std::string_view text);

// A decimal number with the locale's decimal separator and an optional exponent;
// blanks around it allowed.
std::optional<double> tryStrToFloat(std::string_view text);

}  // namespace platform
