// Lookups end to end against a real DNS server: the system resolver asking
// dnsmasq on 127.0.0.1, inside `tests/sandbox.sh --dns tests/dnsmasq.sh` (which
// lists the names).
#include "lookup/mdlSock.h"
#include "runtime/text.h"
#include "support/recorder.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

using namespace testing_support;
using mdlSock::GetHostFromIP;
using mdlSock::GetIPFromHost;

namespace {

class RealDns : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { mdlSock::StartWinsock(); }
    MessageRecorder recorder;
};

// The server hands out several addresses in turn: the first of them is
// whichever came first (the order kept is tested with the tests' own server).
TEST_F(RealDns, ForwardTakesAnAddressTheServerGave) {
    std::vector<std::u16string> many;
    for (int i = 1; i <= 100; ++i) {
        const std::string last = std::to_string(i);
        many.push_back(u"10.54.0." + std::u16string(last.begin(), last.end()));
    }
    struct Row {
        std::u16string name;
        std::vector<std::u16string> addresses; // none: not found
    };
    const Row rows[] = {
        {u"multi.dns.test", {u"10.53.0.2", u"10.53.0.1"}},
        {u"alias.dns.test", {u"10.53.0.2", u"10.53.0.1"}}, // through two CNAMEs
        {u"many.dns.test", many},                          // 100 records: truncated, then TCP
        {u"b\u00FCcher.dns.test", {u"10.53.0.4"}},         // asked in its IDNA form
        {u"v6.dns.test", {}},                              // no IPv4 address
        {u"nowhere.dns.test", {}},                         // NXDOMAIN
    };
    std::vector<Message> expected;
    for (const Row& row : rows) {
        const auto address = GetIPFromHost(row.name);
        if (row.addresses.empty()) {
            EXPECT_EQ(address, std::nullopt);
            expected.push_back(CantResolve);
        } else {
            const auto& in = row.addresses;
            EXPECT_NE(std::find(in.begin(), in.end(), address.value_or(u"none")), in.end())
                << runtime::toUtf8Lossy(row.name);
        }
    }
    EXPECT_EQ(recorder.messages, expected);
}

TEST_F(RealDns, ReverseShowsInternationalNamesOnlyWhenTheyAreSafe) {
    struct Row {
        std::u16string address;
        std::u16string name;
    };
    const Row rows[] = {
        {u"10.53.0.2", u"multi.dns.test"},
        {u"10.53.0.4", u"b\u00FCcher.dns.test"},
        // These decode to a right-to-left override, a soft hyphen, a C1 control:
        {u"10.53.0.6", u"xn--google-9l0c.example"},
        {u"10.53.0.7", u"xn--a-vca.test"},
        {u"10.53.0.8", u"xn--ba.test"},
        // The C library refuses a PTR that is no host name; NXDOMAIN.
        {u"10.53.0.5", u""},
        {u"10.53.0.99", u""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(GetHostFromIP(row.address), row.name);
    EXPECT_EQ(recorder.messages, (std::vector<Message>{HostNotFound, HostNotFound}));
}

} // namespace

int main(int argc, char** argv) {
    if (!inSandbox()) {
        std::fprintf(stderr,
                     "Tests against a real DNS server run only inside tests/sandbox.sh --dns\n");
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
