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
    struct Row {
        std::u16string name;
        std::vector<std::u16string> addresses; // any of them, or its start; "none": not found
    };
    const Row rows[] = {
        {u"multi.dns.test", {u"10.53.0.2", u"10.53.0.1"}},
        {u"alias.dns.test", {u"10.53.0.2", u"10.53.0.1"}}, // through two CNAMEs
        {u"many.dns.test", {u"10.54.0."}},                 // 100 records: truncated, then TCP
        {u"b\u00FCcher.dns.test", {u"10.53.0.4"}},         // asked in its IDNA form
        {u"v6.dns.test", {u"none"}},                       // no IPv4 address
        {u"nowhere.dns.test", {u"none"}},                  // NXDOMAIN
    };
    std::vector<Message> expected;
    for (const Row& row : rows) {
        const std::u16string address = GetIPFromHost(row.name).value_or(u"none");
        EXPECT_TRUE(std::any_of(row.addresses.begin(), row.addresses.end(), [&](const auto& a) {
            return address.starts_with(a);
        })) << runtime::toUtf8Lossy(row.name + u": " + address);
        if (row.addresses[0] == u"none") expected.push_back(CantResolve);
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
