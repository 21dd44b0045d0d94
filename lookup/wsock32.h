// Our stand-in for the Windows Sockets 1.1 host lookup calls.
//
// It keeps the contract the lookups rely on: WSAStartup returns 0 when the
// library is ready; lookups made before a successful start-up, or after the
// matching WSACleanup, fail as not found; the empty name means the local host;
// gethostbyaddr takes the 4 address bytes in network order. Each call leaves
// its last-error value in runtime::failure().systemError. The records it
// returns belong to this layer and stay valid until its next lookup, so callers
// copy out what they need at once.
//
// The answers come from a Resolver: the system's by default, a fake in tests.
//
// Threads. Everything here is called on one thread, the one that asks for the
// lookups (the window's GUI thread), and the start-up count, the published
// record and the failure record are touched by that thread alone. The one
// exception is the blocking call into the resolver: it goes through a Waiter,
// which may run it on a thread of its own. That call owns what it touches (the
// resolver, kept alive by its own reference, and a copy of the question), so it
// may outlive the lookup that started it.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace wsock32 {

constexpr int AfInet = 2;
constexpr int WsaNotInitialised = 10093;
constexpr int WsaAfNotSupported = 10047;
constexpr int WsaInterrupted = 10004; // the wait for the answer was given up
constexpr int WsaInProgress = 10036;  // another blocking call is still waiting
constexpr int WsaNoBuffers = 10055;   // the answer did not fit in memory
constexpr int WsaNoRecovery = 11003;  // the lookup failed in some other way

struct hostent {
    char* h_name;
    char** h_aliases;
    std::int16_t h_addrtype;
    std::int16_t h_length;
    char** h_addr_list;
};

struct WSADATA {
    std::uint16_t wVersion;
    std::uint16_t wHighVersion;
    char szDescription[257];
    char szSystemStatus[129];
};

int WSAStartup(std::uint16_t versionRequested, WSADATA& data);
int WSACleanup();
const hostent* gethostbyname(const char* name);
const hostent* gethostbyaddr(const char* address, int length, int family);

using Address = std::array<std::uint8_t, 4>; // network order

struct HostRecord {
    std::string name; // UTF-8, internationalised labels in their Unicode form
    std::vector<Address> addresses;
};

struct Answer {
    std::optional<HostRecord> record; // no value: not found
    int error = 0;                    // the last-error value the lookup leaves
};

class Resolver {
  public:
    virtual ~Resolver() = default;
    // 0 when lookups can be made, otherwise the error code to report.
    virtual int startup() { return 0; }
    // The empty name asks for the local host.
    virtual Answer byName(const std::string& name) = 0;
    virtual Answer byAddress(const Address& address) = 0;
};

// Puts `resolver` behind the calls above and returns the one it replaces; a
// null resolver puts the system's back. Start-up state is kept across the swap.
std::shared_ptr<Resolver> setResolver(std::shared_ptr<Resolver> resolver);

// The system's resolver: the host lookup functions of the C library, so the
// answer follows nsswitch.conf (hosts file, DNS, ...).
std::shared_ptr<Resolver> makeSystemResolver();

// One blocking question to the resolver, ready to run on any thread.
using BlockingCall = std::function<Answer()>;

// Runs a blocking call and returns its answer, on the thread that called it.
// The calls handed to it never throw: a lookup that throws answers not found.
// It may run the call elsewhere and wait in its own way; when it gives up
// waiting it answers {no record, WsaInterrupted}.
using Waiter = std::function<Answer(BlockingCall call)>;

// Installs the waiter and returns the one it replaces. An empty waiter (the
// default) runs the call right where it is.
Waiter setWaiter(Waiter waiter);

} // namespace wsock32
