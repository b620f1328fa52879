#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class TStatusScope;

// Values read from and written as text: what the user types and what the options keep.

// ---- Integers typed by the user -------------------------------------------------------------
//
// The accepted text: leading blanks, an optional sign, then decimal digits or hexadecimal digits
// after "$", "x" or "0x"; nothing after the digits. Decimal stays within a 32-bit signed value;
// hexadecimal gives any 32 bits ("$FFFFFFFF" is -1), negated by a "-". Empty text stands for the
// default. Malformed text leaves "Unhandled exception: '<text>' is not a valid integer value" in
// FunStatContext; a well-formed value outside the limits does not fail.

// The integer of text, throwing TException for malformed text.
int32_t StrToInt(std::string_view text);

// True when the text held an integer within the limits (or was empty with the default within
// them); value receives that integer, otherwise the default.
bool CheckIntFromText(std::string_view text, int32_t minimum, int32_t maximum, int32_t defaultValue,
                      int32_t& value);
int32_t GetIntFromText(std::string_view text, int32_t minimum, int32_t maximum,
                       int32_t defaultValue);
int32_t TextToInt(std::string_view text);
// The reading behind the above: the integer of text within the limits, else the default (and
// false). Runs inside the caller's scope, so that malformed text becomes the caller's failure.
bool ReadIntWithinLimits(TStatusScope& scope, std::string_view text, int32_t minimum,
                         int32_t maximum, int32_t defaultValue, int32_t& value);

// ---- Booleans and colours in stored text -----------------------------------------------------

// "TRUE" and "FALSE"; only the exact text "TRUE" reads as true.
std::string BoolToText(bool value);
bool TextToBool(std::string_view text);

// A colour (0x00BBGGRR) from a stock colour's name, a colour identifier such as "clBlack" or
// "clMoneyGreen" (letter case ignored in both), an integer by the rule above, or empty text
// (black). Any other text throws TException.
uint32_t TextToColor(std::string_view text);
