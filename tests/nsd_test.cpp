// Lookups end to end against a real authoritative DNS server: the system
// resolver asking NSD on 127.0.0.1, inside `tests/sandbox.sh --dns tests/nsd.sh`
// (which lists the zones).
#include "lookup/mdlSock.h"
#include "support/recorder.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testing_support;
using mdlSock::GetHostFromIP;
using mdlSock::GetIPFromHost;

namespace {

class Nsd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { mdlSock::StartWinsock(); }
    MessageRecorder recorder;
};

TEST_F(Nsd, ForwardTakesTheFirstAddressAsTheServerListsIt) {
    struct Row {
        std::u16string name;
        std::optional<std::u16string> address;
    };
    const Row rows[] = {
        {u"multi.dns.test", u"10.53.0.2"},
        {u"alias.dns.test", u"10.53.0.2"},       // through two CNAMEs
        {u"many.dns.test", u"10.54.0.1"},        // 100 records: truncated, then TCP
        {u"b\u00FCcher.dns.test", u"10.53.0.4"}, // asked in its IDNA form
        {u"v6.dns.test", std::nullopt},          // no IPv4 address
        {u"nowhere.dns.test", std::nullopt},     // NXDOMAIN
    };
    std::vector<Message> expected;
    for (const Row& row : rows) {
        EXPECT_EQ(GetIPFromHost(row.name), row.address);
        if (!row.address) expected.push_back(CantResolve);
    }
    EXPECT_EQ(recorder.messages, expected);
}

TEST_F(Nsd, ReverseShowsInternationalNamesOnlyWhenTheyAreSafe) {
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
        std::fprintf(stderr, "NSD tests run only inside tests/sandbox.sh --dns\n");
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
