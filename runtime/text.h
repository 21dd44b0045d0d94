// Text and number services over 16-bit text.
//
// Positions count from 1. Searches and comparisons are exact, code unit by code
// unit. The number syntax is: optional sign, ASCII decimal digits, optional
// "." fraction, with spaces allowed before and after. Operations that cannot
// do their job raise a runtime::Trapped (see failure.h).
//
// Left and Rest return views into the text they are given: keep that text alive.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// Position of the first occurrence of `what` in `text`, 0 when absent.
std::size_t Search(std::u16string_view text, std::u16string_view what);

// The first n characters (all of them when n is larger). Negative n is trapped.
std::u16string_view Left(std::u16string_view text, std::int64_t n);

// The characters from position k on, or at most `count` of them; empty when k is
// past the end. k below 1 or a negative count is trapped.
std::u16string_view Rest(std::u16string_view text, std::int64_t k,
                         std::optional<std::int64_t> count = std::nullopt);

inline std::size_t Length(std::u16string_view text) {
    return text.size();
}

// Without leading and trailing spaces (code 32); tabs, NULs and the rest stay.
std::u16string_view Trim(std::u16string_view text);

// Every occurrence of `what` replaced by `with`, scanning from the start.
std::u16string Replace(std::u16string_view text, std::u16string_view what,
                       std::u16string_view with);

// True when the text, apart from spaces around it, is exactly one number.
bool IsNumeric(std::u16string_view text);

// The value of the number at the start of the text (spaces skipped), 0 when it
// does not start with one. A value too large for a double is trapped.
double LeadingValue(std::u16string_view text);

// Decimal text of a number: "-" before negative values, whole numbers as plain
// digits, no exponent. Negative zero prints as "0". No leading blank.
std::u16string NumberText(double value);

// Nearest 32-bit integer, halves to the even neighbour. A text that is not
// numeric, or a value outside the 32-bit range, is trapped.
std::int32_t ToInteger(double value);
std::int32_t ToInteger(std::u16string_view text);

// The value of a numeric text. A text that is not numeric, or one too large
// for a double, is trapped.
double ToReal(std::u16string_view text);

// Decimal digits of a byte, no blanks, no leading zeros.
std::u16string ByteText(std::uint8_t byte);

// UTF-8 for the host lookup functions. No value when the text holds a lone
// surrogate and so has no UTF-8 form.
std::optional<std::string> toNarrow(std::u16string_view text);

// Appends one code point as UTF-16; a surrogate, or a value past U+10FFFF,
// becomes U+FFFD.
void appendUtf16(std::u16string& out, char32_t codePoint);

// Text from UTF-8; every byte that is not part of a valid sequence becomes U+FFFD.
std::u16string fromNarrow(std::string_view bytes);

// Text from UTF-8 to be shown, from a source that may be hostile (a name a
// lookup found): as fromNarrow, and every character that would hide or
// disguise the text around it (controls, format characters such as bidi
// overrides and zero-width spaces, line and paragraph separators) becomes
// U+FFFD as well. Every other character stays as it is.
std::u16string fromNarrowShown(std::string_view bytes);

// UTF-8 for diagnostics; lone surrogates become U+FFFD.
std::string toUtf8Lossy(std::u16string_view text);

} // namespace runtime
