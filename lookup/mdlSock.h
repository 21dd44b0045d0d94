// Address rules and host lookups.
//
// Every routine here runs in trap-and-continue mode (runtime/failure.h) and
// shows what the user must learn in a message box; callers simply get an
// empty or false result.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace mdlSock {

// Whether a text is an acceptable dotted IPv4 address: four fields of 0 to 255.
// The first three may carry blanks and leading zeros; the last must be written
// in plain form. "255.255.255.255" exactly is refused.
bool IsValidIP(const std::u16string& text);

// Packs a text that IsValidIP accepted: the fields are the bytes of the result,
// least significant first (network order in memory on a little-endian machine).
std::int32_t IPToLong(std::u16string text);

// The dotted address of a host name. An accepted address comes back as it was
// given, without a lookup. The empty name is the local host. No value, after a
// "Can't resolve hst" message, when the name is not found.
std::optional<std::u16string> GetIPFromHost(const std::u16string& name);

// The host name of a dotted address, empty after a message when the address is
// refused or not found.
std::u16string GetHostFromIP(std::u16string address);

// Opens the socket library; a failure is shown and start-up carries on.
void StartWinsock();

} // namespace mdlSock
