// The reverse lookup's name path through the real system-resolver adapter.
// The C library's gethostbyaddr_r is replaced inside this binary, so the
// fuzzer's bytes are the host name the resolver answers with. It checks that a
// found name is never shown empty without a message, that no more than 255
// bytes of it are shown, that no control, bidi or invisible format character,
// nor a line or paragraph separator, is ever shown, and that the other
// invisible characters show only where the answer held them as such (none
// comes from decoding an xn-- label).
#include "lookup/mdlSock.h"
#include "runtime/text.h"
#include "support/recorder.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include <netdb.h>
#include <sys/socket.h>

namespace {

std::string answer; // the host name the resolver gives, this run

void require(bool condition) {
    if (!condition) std::abort();
}

bool mustNotAppear(char16_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x00AD || c == 0x034F || c == 0x061C ||
           c == 0x115F || c == 0x1160 || c == 0x180E || (c >= 0x200B && c <= 0x200F) ||
           (c >= 0x202A && c <= 0x202E) || (c >= 0x2060 && c <= 0x206F) || c == 0x3164 ||
           c == 0xFEFF || (c >= 0xFFF9 && c <= 0xFFFB) || c == 0x2028 || c == 0x2029;
}

// Invisible, but no control or format character.
bool onlyAsGiven(char16_t c) {
    return c == 0x034F || c == 0x115F || c == 0x1160 || c == 0x3164;
}

} // namespace

// The resolver's answer: one IPv4 address and `answer` as the name, laid out
// in the caller's buffer as the C library does.
extern "C" int gethostbyaddr_r(const void* addr, socklen_t len, int type, struct hostent* ret,
                               char* buf, std::size_t buflen, struct hostent** result,
                               int* h_errnop) {
    *result = nullptr;
    void* at = buf;
    std::size_t room = buflen;
    const std::size_t need = 3 * sizeof(char*) + 4 + answer.size() + 1;
    if (!std::align(alignof(char*), 3 * sizeof(char*), at, room) || room < need) {
        *h_errnop = NETDB_INTERNAL;
        return ERANGE;
    }
    auto** pointers = static_cast<char**>(at);
    char* bytes = reinterpret_cast<char*>(pointers + 3);
    std::memcpy(bytes, addr, std::min<std::size_t>(len, 4));
    char* name = bytes + 4;
    std::memcpy(name, answer.c_str(), answer.size() + 1);
    pointers[0] = nullptr;                      // no aliases
    pointers[1] = bytes, pointers[2] = nullptr; // one address
    *ret = hostent{name, pointers, type, 4, pointers + 1};
    *result = ret;
    *h_errnop = 0;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool started = (mdlSock::StartWinsock(), true);
    (void)started;
    answer.assign(reinterpret_cast<const char*>(data), size);
    answer = answer.substr(0, answer.find('\0')); // a C string ends at its NUL
    testing_support::MessageRecorder recorder;

    const std::u16string shown = mdlSock::GetHostFromIP(u"10.0.0.1");

    require(shown.empty() ? recorder.messages == std::vector{testing_support::HostNotFound}
                          : recorder.messages.empty());
    require(shown.size() <= 255);
    const std::u16string raw = runtime::fromNarrow(answer);
    for (const char16_t c : shown)
        require(!mustNotAppear(c) || (onlyAsGiven(c) && raw.find(c) != std::u16string::npos));
    return 0;
}
