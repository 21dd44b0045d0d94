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

// A name gives an address the server gave (it hands several out in turn, so
// any of them: the order kept is tested with the tests' own server); an
// address its name, in Unicode only where that is safe; "" where there is none.
TEST_F(RealDns, LookUpTheServersNames) {
    struct Row {
        bool reverse;
        std::u16string text;
        std::vector<std::u16string> answers; // any of them; one ending in "." as a start
    };
    const Row rows[] = {
        {false, u"multi.dns.test", {u"10.53.0.2", u"10.53.0.1"}},
        {false, u"alias.dns.test", {u"10.53.0.2", u"10.53.0.1"}}, // through two CNAMEs
        {false, u"many.dns.test", {u"10.54.0."}},         // 100 records: truncated, then TCP
        {false, u"b\u00FCcher.dns.test", {u"10.53.0.4"}}, // asked in its IDNA form
        {false, u"v6.dns.test", {u""}},                   // no IPv4 address
        {false, u"nowhere.dns.test", {u""}},              // NXDOMAIN
        {true, u"10.53.0.2", {u"multi.dns.test"}},
        {true, u"10.53.0.4", {u"b\u00FCcher.dns.test"}},
        // These decode to a right-to-left override, a soft hyphen, a C1 control:
        {true, u"10.53.0.6", {u"xn--google-9l0c.example"}},
        {true, u"10.53.0.7", {u"xn--a-vca.test"}},
        {true, u"10.53.0.8", {u"xn--ba.test"}},
        // The C library refuses a PTR that is no host name; NXDOMAIN.
        {true, u"10.53.0.5", {u""}},
        {true, u"10.53.0.99", {u""}},
    };
    std::vector<Message> expected;
    for (const Row& row : rows) {
        const std::u16string answer =
            row.reverse ? GetHostFromIP(row.text) : GetIPFromHost(row.text).value_or(u"");
        EXPECT_TRUE(std::any_of(row.answers.begin(), row.answers.end(), [&](const auto& a) {
            return a.ends_with(u'.') ? answer.starts_with(a) : answer == a;
        })) << runtime::toUtf8Lossy(row.text + u": " + answer);
        if (row.answers[0].empty()) expected.push_back(row.reverse ? HostNotFound : CantResolve);
    }
    EXPECT_EQ(recorder.messages, expected);
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
