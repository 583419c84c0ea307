#pragma once
#include <cstdint>
#include <string_view>

namespace vf {

// Readers for C number literals typed by users.  Both skip leading white space
// (tab, line feed, form feed, carriage return, space), take an optional sign,
// stop at the first character that does not fit and read text without digits as
// 0.  They never depend on the process locale.

// Decimal with optional fraction and exponent, or 0x hexadecimal with optional
// fraction and binary exponent; "inf" (any case) reads as infinity, as printf writes it.
double readFloatLiteral(std::string_view text);

// Decimal or 0x hexadecimal digits, limited to the 32-bit signed range.
int32_t readIntegerLiteral(std::string_view text);

} // namespace vf
