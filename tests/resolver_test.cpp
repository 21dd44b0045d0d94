// End to end through the system resolver. Runs only inside tests/sandbox.sh,
// whose hosts file (tests/hosts) holds every name asked for here.
#include "lookup/mdlSock.h"
#include "lookup/wsock32.h"
#include "runtime/text.h"
#include "support/recorder.h"
#include "support/sandbox.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace testing_support;
using mdlSock::GetHostFromIP;
using mdlSock::GetIPFromHost;

namespace {

class SystemResolver : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { mdlSock::StartWinsock(); }
    MessageRecorder recorder;
};

// A name gives its address, an address its name; "" where there is none.
TEST_F(SystemResolver, LookUpTheSandboxsHostsFile) {
    struct Row {
        bool reverse;
        std::u16string text, answer;
    };
    const Row rows[] = {
        {false, u"localhost", u"127.0.0.1"},
        {false, u"", u"127.0.1.1"}, // the sandbox's own host name
        {false, u"hostip-test", u"127.0.1.1"},
        {false, u"multi.test", u"10.20.30.1"}, // first of several, in the hosts file's order
        {false, u"alias.test", u"10.20.30.3"},
        {false, u"b\u00FCcher.example", u"10.20.30.4"}, // looked up in its IDNA form
        {false, u"caf\u00E9.test", u"192.0.2.40"},      // found as written, in UTF-8
        {false, u"nowhere.test", u""},
        {false, u"v6only.test", u""},
        {true, u"127.0.0.1", u"localhost"},
        {true, u"10.20.30.3", u"official.test"},
        {true, u"10.20.30.4", u"b\u00FCcher.example"}, // shown in Unicode
        {true, u"10.20.30.5", std::u16string(255, u'a')},
        {true, u"10.20.30.6", u"bad\uFFFDname.test"},
        {true, u"192.0.2.40", u"caf\u00E9.test"},
        // Labels that decode to something a name must not show stay as they came:
        {true, u"192.0.2.41", u"xn--a-vca.test"},          // an invisible soft hyphen
        {true, u"192.0.2.42", u"xn--google-9l0c.example"}, // a right-to-left override
        {true, u"192.0.2.43", u"xn--ba.test"},             // a C1 control
        // Nor from raw UTF-8: a right-to-left override, a zero-width space, a right-to-left mark.
        {true, u"192.0.2.45", u"evil\uFFFDgnp\uFFFDx\uFFFD.test"},
        // No character boundary within 3 bytes of the cut: cut at 255 all the same.
        {true, u"192.0.2.44", std::u16string(u"a").append(254, u'\uFFFD')},
        {true, u"10.99.99.99", u""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(row.reverse ? GetHostFromIP(row.text) : GetIPFromHost(row.text).value_or(u""),
                  row.answer)
            << runtime::toUtf8Lossy(row.text);
    EXPECT_EQ(recorder.messages, (std::vector<Message>{CantResolve, CantResolve, HostNotFound}));
}

} // namespace

int main(int argc, char** argv) {
    // Outside the sandbox these lookups could reach the network's DNS.
    if (!testing_support::inSandbox()) {
        std::fprintf(stderr, "resolver tests run only inside tests/sandbox.sh\n");
        return 2;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
