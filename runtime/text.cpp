#include "runtime/text.h"

#include "runtime/failure.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <iterator>
#include <system_error>
#include <utility>

namespace runtime {

namespace {

constexpr char16_t Space = u' ';

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Length of the number written at text[0..]: optional sign, digits, optional
// "." fraction, at least one digit in all. 0 when no number starts there.
std::size_t scanNumber(std::u16string_view text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) ++i;
    std::size_t digits = 0;
    while (i < text.size() && isDigit(text[i]))
        ++i, ++digits;
    if (i < text.size() && text[i] == u'.') {
        const std::size_t dot = i++;
        std::size_t fraction = 0;
        while (i < text.size() && isDigit(text[i]))
            ++i, ++fraction;
        if (fraction == 0) i = dot + (digits > 0 ? 1 : 0);
        digits += fraction;
    }
    return digits == 0 ? 0 : i;
}

// Value of a text that scanNumber matched in full.
double valueOf(std::u16string_view number) {
    bool negative = false;
    if (!number.empty() && (number.front() == u'+' || number.front() == u'-')) {
        negative = number.front() == u'-';
        number.remove_prefix(1);
    }
    // Up to 15 digits and no fraction: exact in a double, no parsing needed.
    if (number.size() <= 15 && number.find(u'.') == std::u16string_view::npos) {
        std::int64_t whole = 0;
        for (const char16_t c : number)
            whole = whole * 10 + (c - u'0');
        return negative ? -double(whole) : double(whole);
    }
    // Digits and "." only, so narrowing is exact. Short numbers, the usual
    // case, stay on the stack.
    std::array<char, 64> small{};
    std::string large;
    char* ascii = small.data();
    if (number.size() > small.size()) {
        large.resize(number.size());
        ascii = large.data();
    }
    std::copy(number.begin(), number.end(), ascii);
    const std::string_view digits(ascii, number.size());

    double value = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value,
                                           std::chars_format::fixed);
    (void)end;
    if (ec == std::errc::result_out_of_range) {
        // Reported for values too large and too small alike: only a non-zero
        // digit before the point means too large; a tiny value is simply 0.
        const auto whole = digits.substr(0, digits.find('.'));
        if (whole.find_first_not_of('0') != std::string_view::npos) raise(Fault::Overflow);
        value = 0;
    }
    return negative ? -value : value;
}

// A count of characters as a length within `text`: on a 32-bit system size_t
// would cut a count past 2^32 to its low bits.
std::size_t within(std::u16string_view text, std::int64_t n) {
    return static_cast<std::size_t>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(n), text.size()));
}

} // namespace

std::size_t Search(std::u16string_view text, std::u16string_view what) {
    const auto at = text.find(what);
    return at == std::u16string_view::npos ? 0 : at + 1;
}

std::u16string_view Left(std::u16string_view text, std::int64_t n) {
    if (n < 0) raise(Fault::InvalidArgument);
    return text.substr(0, within(text, n));
}

std::u16string_view Rest(std::u16string_view text, std::int64_t k,
                         std::optional<std::int64_t> count) {
    if (k < 1 || (count && *count < 0)) raise(Fault::InvalidArgument);
    const auto from = static_cast<std::uint64_t>(k - 1);
    if (from >= text.size()) return {};
    const auto rest = text.substr(static_cast<std::size_t>(from));
    return count ? rest.substr(0, within(rest, *count)) : rest;
}

std::u16string_view Trim(std::u16string_view text) {
    const auto first = text.find_first_not_of(Space);
    if (first == std::u16string_view::npos) return {};
    const auto last = text.find_last_not_of(Space);
    return text.substr(first, last - first + 1);
}

std::u16string Replace(std::u16string_view text, std::u16string_view what,
                       std::u16string_view with) {
    if (what.empty()) return std::u16string(text);
    std::u16string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (auto at = text.find(what); at != std::u16string_view::npos; at = text.find(what, from)) {
        out.append(text.substr(from, at - from)).append(with);
        from = at + what.size();
    }
    out.append(text.substr(from));
    return out;
}

bool IsNumeric(std::u16string_view text) {
    const auto body = Trim(text);
    return !body.empty() && scanNumber(body) == body.size();
}

double LeadingValue(std::u16string_view text) {
    const auto first = text.find_first_not_of(Space);
    if (first == std::u16string_view::npos) return 0;
    text.remove_prefix(first);
    const auto length = scanNumber(text);
    return length == 0 ? 0 : valueOf(text.substr(0, length));
}

std::u16string NumberText(double value) {
    if (value == 0) return u"0"; // negative zero included
    // Fixed notation, shortest digits that read back to the same value; a
    // double needs at most 309 integer digits and ~770 fraction digits.
    std::array<char, 1100> buffer{};
    const auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                         std::chars_format::fixed);
    (void)ec; // the buffer is large enough for any double
    return std::u16string(buffer.data(), end);
}

std::int32_t ToInteger(double value) {
    const double rounded = std::nearbyint(value); // to nearest, ties to even
    if (!(rounded >= -2147483648.0 && rounded <= 2147483647.0)) raise(Fault::Overflow);
    return static_cast<std::int32_t>(rounded);
}

std::int32_t ToInteger(std::u16string_view text) {
    return ToInteger(ToReal(text));
}

double ToReal(std::u16string_view text) {
    if (!IsNumeric(text)) raise(Fault::TypeMismatch);
    return valueOf(Trim(text));
}

std::u16string ByteText(std::uint8_t byte) {
    std::u16string digits;
    if (byte >= 100) digits += char16_t(u'0' + byte / 100);
    if (byte >= 10) digits += char16_t(u'0' + byte / 10 % 10);
    digits += char16_t(u'0' + byte % 10);
    return digits;
}

namespace {

bool isHigh(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool isLow(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Encodes text as UTF-8; a lone surrogate becomes U+FFFD, or stops the
// encoding when `strict` is set.
std::optional<std::string> encode(std::u16string_view text, bool strict) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (isHigh(c) && i + 1 < text.size() && isLow(text[i + 1])) {
            appendUtf8(out, 0x10000 + ((char32_t(c) - 0xD800) << 10) + (text[++i] - 0xDC00));
        } else if (isHigh(c) || isLow(c)) {
            if (strict) return std::nullopt;
            appendUtf8(out, 0xFFFD);
        } else {
            appendUtf8(out, c);
        }
    }
    return out;
}

} // namespace

std::optional<std::string> toNarrow(std::u16string_view text) {
    return encode(text, true);
}

std::string toUtf8Lossy(std::u16string_view text) {
    return *encode(text, false);
}

void appendUtf16(std::u16string& out, char32_t codePoint) {
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF) codePoint = 0xFFFD;
    if (codePoint < 0x10000) {
        out += char16_t(codePoint);
        return;
    }
    out += char16_t(0xD800 + ((codePoint - 0x10000) >> 10));
    out += char16_t(0xDC00 + ((codePoint - 0x10000) & 0x3FF));
}

namespace {

// Characters that hide or disguise the text around them when shown: controls
// (Cc), format characters (Cf, as of Unicode 16: the soft hyphen, bidi marks,
// embeddings, overrides and isolates, zero-width characters, tags, ...), and
// the line and paragraph separators (U+2028, U+2029).
constexpr std::pair<char32_t, char32_t> Hidden[] = {
    {0x0000, 0x001F},   {0x007F, 0x009F},   {0x00AD, 0x00AD},   {0x0600, 0x0605},
    {0x061C, 0x061C},   {0x06DD, 0x06DD},   {0x070F, 0x070F},   {0x0890, 0x0891},
    {0x08E2, 0x08E2},   {0x180E, 0x180E},   {0x200B, 0x200F},   {0x2028, 0x202E},
    {0x2060, 0x206F},   {0xFEFF, 0xFEFF},   {0xFFF9, 0xFFFB},   {0x110BD, 0x110BD},
    {0x110CD, 0x110CD}, {0x13430, 0x1343F}, {0x1BCA0, 0x1BCA3}, {0x1D173, 0x1D17A},
    {0xE0001, 0xE0001}, {0xE0020, 0xE007F},
};

bool isHidden(char32_t cp) {
    return std::any_of(std::begin(Hidden), std::end(Hidden),
                       [cp](const auto& range) { return cp >= range.first && cp <= range.second; });
}

std::u16string decode(std::string_view bytes, bool hide) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        std::size_t need = 0;
        char32_t cp = b0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            need = 1, cp = b0 & 0x1F, min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            need = 2, cp = b0 & 0x0F, min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            need = 3, cp = b0 & 0x07, min = 0x10000;
        }
        std::size_t taken = 1;
        bool ok = b0 < 0x80 || need > 0;
        for (; ok && taken <= need; ++taken) {
            const auto b =
                i + taken < bytes.size() ? static_cast<unsigned char>(bytes[i + taken]) : 0u;
            if ((b & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = (cp << 6) | (b & 0x3F);
        }
        if (!ok || cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            out += char16_t(0xFFFD);
            ++i; // resynchronise on the next byte
            continue;
        }
        appendUtf16(out, hide && isHidden(cp) ? 0xFFFD : cp);
        i += need + 1;
    }
    return out;
}

} // namespace

std::u16string fromNarrow(std::string_view bytes) {
    return decode(bytes, false);
}

std::u16string fromNarrowShown(std::string_view bytes) {
    return decode(bytes, true);
}

} // namespace runtime
