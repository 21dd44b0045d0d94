#include "lookup/wsock32.h"

#include "runtime/failure.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <new>
#include <string_view>
#include <utility>

#include <idn2.h>
#include <netdb.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace wsock32 {

namespace {

// Built on gethostbyname_r/gethostbyaddr_r rather than getaddrinfo: they give
// the addresses in the order the name service lists them (getaddrinfo re-sorts
// them by destination-address rules) and the official name in one call, and
// they ask for IPv4 alone.
class SystemResolver final : public Resolver {
  public:
    Answer byName(const std::string& name) override {
        std::string query = name;
        if (query.empty()) {
            char host[HOST_NAME_MAX + 1] = {};
            if (::gethostname(host, sizeof host - 1) != 0) return {std::nullopt, errno};
            query = host;
        }
        if (isAscii(query)) return byExactName(query);
        // An internationalised name is asked in its IDNA form first, as DNS
        // holds it; then exactly as given, in UTF-8, as a hosts file or another
        // name service may hold it.
        char* ascii = nullptr;
        const int rc =
            idn2_to_ascii_8z(query.c_str(), &ascii, IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL);
        if (rc == IDN2_OK) {
            const std::string encoded = ascii;
            idn2_free(ascii);
            Answer answer = byExactName(encoded);
            if (answer.record) return answer;
        }
        return byExactName(query);
    }

    Answer byAddress(const Address& address) override {
        return lookup([&](::hostent* h, char* buf, std::size_t size, ::hostent** res, int* err) {
            return ::gethostbyaddr_r(address.data(), address.size(), AF_INET, h, buf, size, res,
                                     err);
        });
    }

  private:
    static Answer byExactName(const std::string& query) {
        return lookup([&](::hostent* h, char* buf, std::size_t size, ::hostent** res, int* err) {
            return ::gethostbyname_r(query.c_str(), h, buf, size, res, err);
        });
    }

    static bool isAscii(std::string_view text) {
        for (const char c : text)
            if (static_cast<unsigned char>(c) >= 0x80) return false;
        return true;
    }

    // Runs a reentrant lookup, growing its buffer while the answer does not fit.
    // Each try asks the whole question again (over DNS, a new query that may
    // wait its full time-out), so the first buffer holds any DNS message;
    // only other sources (a huge hosts file entry) need more.
    template <class Call> static Answer lookup(Call call) {
        std::vector<char> buffer(64 * 1024);
        ::hostent entry{};
        ::hostent* found = nullptr;
        int error = 0;
        while (call(&entry, buffer.data(), buffer.size(), &found, &error) == ERANGE &&
               buffer.size() < (1u << 24)) {
            buffer.resize(buffer.size() * 2);
        }
        if (!found || found->h_addrtype != AF_INET || found->h_length != 4)
            return {std::nullopt, error != 0 ? error : HOST_NOT_FOUND};
        HostRecord record{found->h_name ? found->h_name : "", {}};
        for (char** a = found->h_addr_list; a && *a; ++a) {
            Address bytes{};
            std::memcpy(bytes.data(), *a, bytes.size());
            record.addresses.push_back(bytes);
        }
        if (record.addresses.empty()) return {std::nullopt, NO_ADDRESS};
        record.name = toUnicode(std::move(record.name));
        return {std::move(record), 0};
    }

    // Shows an internationalised name's xn-- labels in Unicode, but only when
    // every one of them is valid IDNA2008 and encodes back to exactly itself,
    // as browsers do; otherwise the whole name is shown as it came. A name from
    // DNS can be anything, and a label that decodes to a control character, a
    // bidi override or an invisible character would show one host's name as
    // another's.
    static std::string toUnicode(const std::string& name) {
        std::string shown;
        bool decoded = false;
        for (std::size_t from = 0; from <= name.size();) {
            const std::size_t dot = std::min(name.find('.', from), name.size());
            const std::string label = name.substr(from, dot - from);
            if (strncasecmp(label.c_str(), "xn--", 4) == 0) {
                const auto unicode = decodeLabel(label);
                if (!unicode) return name;
                shown += *unicode;
                decoded = true;
            } else {
                shown += label;
            }
            if (dot < name.size()) shown += '.';
            from = dot + 1;
        }
        return decoded ? shown : name;
    }

    static std::optional<std::string> decodeLabel(const std::string& label) {
        char* unicode = nullptr;
        if (idn2_to_unicode_8z8z(label.c_str(), &unicode, 0) != IDN2_OK) return std::nullopt;
        const std::string decoded = unicode;
        idn2_free(unicode);
        char* back = nullptr;
        if (idn2_to_ascii_8z(decoded.c_str(), &back, IDN2_NONTRANSITIONAL) != IDN2_OK)
            return std::nullopt;
        const bool same = strcasecmp(back, label.c_str()) == 0;
        idn2_free(back);
        if (!same) return std::nullopt;
        return decoded;
    }
};

// The record handed out by the lookups, as the library keeps it until its next call.
struct Published {
    HostRecord record;
    std::vector<char*> aliases{nullptr};
    std::vector<char*> addressList;
    hostent entry{};

    const hostent* publish(HostRecord from) {
        record = std::move(from);
        addressList.clear();
        for (Address& a : record.addresses)
            addressList.push_back(reinterpret_cast<char*>(a.data()));
        addressList.push_back(nullptr);
        entry = hostent{record.name.data(), aliases.data(), AfInet, 4, addressList.data()};
        return &entry;
    }
};

struct Library {
    std::shared_ptr<Resolver> resolver = makeSystemResolver();
    Waiter waiter;
    int starts = 0;
    Published published;
};

Library& library() {
    static Library lib;
    return lib;
}

int leave(int error) {
    runtime::failure().systemError = error;
    return error;
}

Answer wait(BlockingCall call) {
    // An exception (no memory for a huge answer, say) is a failed lookup, on
    // whichever thread the waiter runs the call.
    BlockingCall guarded = [call = std::move(call)]() -> Answer {
        try {
            return call();
        } catch (const std::bad_alloc&) {
            return {std::nullopt, WsaNoBuffers};
        } catch (...) {
            return {std::nullopt, WsaNoRecovery};
        }
    };
    const Waiter& waiter = library().waiter;
    return waiter ? waiter(std::move(guarded)) : guarded();
}

const hostent* answer(Answer a) {
    leave(a.error);
    if (!a.record) return nullptr;
    return library().published.publish(std::move(*a.record));
}

} // namespace

std::shared_ptr<Resolver> makeSystemResolver() {
    return std::make_shared<SystemResolver>();
}

std::shared_ptr<Resolver> setResolver(std::shared_ptr<Resolver> resolver) {
    if (!resolver) resolver = makeSystemResolver();
    return std::exchange(library().resolver, std::move(resolver));
}

Waiter setWaiter(Waiter waiter) {
    return std::exchange(library().waiter, std::move(waiter));
}

int WSAStartup(std::uint16_t versionRequested, WSADATA& data) {
    const int error = library().resolver->startup();
    if (error != 0) return leave(error);
    ++library().starts;
    data = WSADATA{};
    data.wVersion = versionRequested;
    data.wHighVersion = 0x0101;
    std::strncpy(data.szDescription, "hostip resolver", sizeof data.szDescription - 1);
    std::strncpy(data.szSystemStatus, "Running", sizeof data.szSystemStatus - 1);
    return leave(0);
}

int WSACleanup() {
    if (library().starts == 0) return leave(WsaNotInitialised);
    --library().starts;
    return leave(0);
}

const hostent* gethostbyname(const char* name) {
    if (library().starts == 0) return answer({std::nullopt, WsaNotInitialised});
    return answer(wait([resolver = library().resolver, query = std::string(name ? name : "")] {
        return resolver->byName(query);
    }));
}

const hostent* gethostbyaddr(const char* address, int length, int family) {
    if (library().starts == 0) return answer({std::nullopt, WsaNotInitialised});
    if (!address || length != 4 || family != AfInet)
        return answer({std::nullopt, WsaAfNotSupported});
    Address bytes{};
    std::memcpy(bytes.data(), address, bytes.size());
    return answer(
        wait([resolver = library().resolver, bytes] { return resolver->byAddress(bytes); }));
}

} // namespace wsock32
