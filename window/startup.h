// What the window does with its command line at start-up. Kept free of Qt so
// it can be tested and fuzzed on its own.
#pragma once

#include <string>

namespace startup {

enum class Path {
    LocalHost, // no command line: show the local host's address and name
    Address,   // look the argument up as a dotted address
    Name,      // look the argument up as a host name
};

struct Plan {
    Path path;
    std::u16string argument; // trimmed of spaces; empty for LocalHost
};

// Everything after the program name, joined with single spaces: the one
// argument. Decoded from the character set of the locale's LC_CTYPE, so call
// setlocale first; a byte that does not decode becomes U+FFFD.
std::u16string commandLine(int argc, const char* const* argv);

// A command line whose trimmed text, without its dots, is a number is taken as
// an address ("127.0.0.1", but also "123"); anything else, blanks only
// included, as a host name. Only an empty command line asks for the local host.
Plan plan(const std::u16string& commandLine);

} // namespace startup
