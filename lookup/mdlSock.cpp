#include "lookup/mdlSock.h"

#include "lookup/wsock32.h"
#include "runtime/failure.h"
#include "runtime/messagebox.h"
#include "runtime/text.h"

#include <cstring>
#include <string_view>
#include <vector>

namespace mdlSock {

using namespace runtime;

namespace {

struct Coded {
    const char16_t* title;
    const char16_t* text;
};
constexpr Coded CantResolve{u"9001", u"Can't resolve hst"};
constexpr Coded InvalidAddress{u"9002", u"Invalid IP address"};
constexpr Coded HostNotFound{u"9003", u"Host name Not found"};

void show(const Coded& message) {
    showMessage(message.text, message.title);
}

// The most bytes of a host name that the reverse lookup reads.
constexpr std::size_t MaxNameBytes = 255;

// Where a cut at `limit` bytes would split a UTF-8 character, cut before that
// character. A character is at most 4 bytes, so the cut steps back at most 3;
// bytes that are no character anyway are cut where they stand.
std::size_t cutAtCharacter(const char* name, std::size_t length, std::size_t limit) {
    if (length <= limit) return length;
    const auto continues = [&](std::size_t at) {
        return (static_cast<unsigned char>(name[at]) & 0xC0) == 0x80;
    };
    for (std::size_t cut = limit; cut + 3 >= limit && cut > 0; --cut)
        if (!continues(cut)) return cut;
    return limit;
}

// Counts one more; past the 16-bit range the count keeps its value and the
// overflow is recorded.
void increment(std::int16_t& counter) {
    if (counter == INT16_MAX) return TrapScope::fail(Fault::Overflow);
    ++counter;
}

} // namespace

bool IsValidIP(const std::u16string& text) {
    TrapScope trap;
    bool result = false;
    std::int16_t dots = 0;
    std::u16string_view rest = text;

    // Each pass looks only at the next field, so the whole check is linear in
    // the length of the text.
    for (std::size_t dot = Search(rest, u"."); dot > 0; dot = Search(rest, u".")) {
        const std::u16string_view field = rest.substr(0, dot - 1);
        bool refused = true; // stays set when the check itself traps: a field
                             // too large for a double is no byte
        trap.step([&] {
            const bool numeric = IsNumeric(field);
            const double value = LeadingValue(field);
            refused = !numeric || value < 0 || value > 255;
        });
        if (refused) return false;
        rest = rest.substr(dot);
        increment(dots);
    }

    const std::u16string_view last = rest;
    bool holds = false;
    const bool worked = trap.step([&] {
        const double value = LeadingValue(last);
        const bool numeric = IsNumeric(last) && Search(last, u".") == 0;
        const bool plainForm = Length(Trim(NumberText(value))) == Length(last);
        const bool inRange = value >= 0 && value <= 255;
        const bool notBroadcast = text != u"255.255.255.255";
        holds = numeric && plainForm && inRange && notBroadcast && dots == 3;
    });
    // A last field too large for a double is refused as well, quietly.
    if (!worked) return false;
    if (holds) result = true;

    trap.report();
    return result;
}

std::int32_t IPToLong(std::u16string text) {
    TrapScope trap;
    std::int32_t v = 0;
    std::u16string_view rest = text;
    const auto field = [&] {
        return Left(rest, static_cast<std::int64_t>(Search(rest, u".")) - 1);
    };
    const auto dropField = [&] {
        rest = Rest(rest, static_cast<std::int64_t>(Search(rest, u".")) + 1);
    };

    trap.step([&] { v = ToInteger(field()); });
    trap.step(dropField);
    trap.step([&] { v = ToInteger(ToReal(field()) * 256 + v); });
    trap.step(dropField);
    trap.step([&] { v = ToInteger(ToReal(field()) * 256 * 256 + v); });
    trap.step(dropField);
    double d = 0;
    trap.step([&] { d = ToReal(rest); });
    // A last field of 128 or more goes in as d - 256 so the sum stays within
    // the signed 32-bit range; its bit pattern is the same.
    trap.step([&] {
        v = d < 128 ? ToInteger(d * 256 * 256 * 256 + v)
                    : ToInteger((d - 256) * 256 * 256 * 256 + v);
    });

    trap.report();
    return v;
}

std::optional<std::u16string> GetIPFromHost(const std::u16string& name) {
    TrapScope trap;
    if (IsValidIP(name)) return name;

    // A name that has no 8-bit form, or holds a NUL that would cut it short
    // and so name another host, is not looked up at all.
    const auto narrow = toNarrow(name);
    const wsock32::hostent* found = nullptr;
    if (narrow && narrow->find('\0') == std::string::npos)
        found = wsock32::gethostbyname(narrow->c_str());
    wsock32::hostent rec{};
    if (found) std::memcpy(&rec, found, sizeof rec);
    char* first = nullptr;
    if (found && rec.h_addr_list) std::memcpy(&first, rec.h_addr_list, sizeof first);
    if (!first) {
        show(CantResolve);
        return std::nullopt;
    }

    const std::int16_t n = rec.h_length;
    std::vector<std::uint8_t> bytes(n > 0 ? static_cast<std::size_t>(n) : 0);
    std::memcpy(bytes.data(), first, bytes.size());

    std::u16string t;
    for (std::int16_t i = 1; i <= n; ++i)
        t.append(ByteText(bytes[i - 1])).append(u".");
    trap.step([&] { t = Left(t, static_cast<std::int64_t>(Length(t)) - 1); });

    std::u16string result = t;
    trap.report();
    return result;
}

std::u16string GetHostFromIP(std::u16string address) {
    TrapScope trap;
    if (!IsValidIP(address)) {
        show(InvalidAddress);
        return {};
    }
    const auto a = static_cast<std::uint32_t>(IPToLong(std::move(address)));
    const char bytes[4] = {static_cast<char>(a & 0xFF), static_cast<char>((a >> 8) & 0xFF),
                           static_cast<char>((a >> 16) & 0xFF), static_cast<char>(a >> 24)};
    const wsock32::hostent* found = wsock32::gethostbyaddr(bytes, 4, wsock32::AfInet);
    if (!found) {
        show(HostNotFound);
        return {};
    }
    wsock32::hostent rec{};
    std::memcpy(&rec, found, sizeof rec);
    const std::size_t length = rec.h_name ? strnlen(rec.h_name, MaxNameBytes + 1) : 0;
    const std::string_view name(rec.h_name, cutAtCharacter(rec.h_name, length, MaxNameBytes));

    // Shown as text a person reads: no character in it may hide another.
    std::u16string result(Trim(fromNarrowShown(name)));
    // A record whose name is empty names nothing: an empty field without a
    // message would look like success.
    if (result.empty()) {
        show(HostNotFound);
        return {};
    }
    trap.report();
    return result;
}

void StartWinsock() {
    wsock32::WSADATA data{};
    if (wsock32::WSAStartup(0x0101, data) != 0) {
        const FailureRecord& rec = failure();
        showMessage(rec.description, std::u16string(Trim(NumberText(rec.systemError))));
    }
}

} // namespace mdlSock
