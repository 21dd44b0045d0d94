// Resolver faults end to end: the system resolver asking a DNS responder of the
// test's own on 127.0.0.1 inside `tests/sandbox.sh --dns`, for what no real
// server does. Real answers are tested against dnsmasq (dnsmasq_test.cpp).
#include "lookup/mdlSock.h"
#include "support/dns_server.h"
#include "support/recorder.h"
#include "support/sandbox.h"
#include "window/frmMail.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <chrono>
#include <cstdio>

using namespace testing_support;
using mdlSock::GetHostFromIP;
using mdlSock::GetIPFromHost;
using Mode = DnsServer::Mode;

namespace {

class Dns : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        server = new DnsServer;
        server->addA("multi.dns.test", {10, 53, 0, 2});
        server->addA("multi.dns.test", {10, 53, 0, 1});
        server->addPtr("5.0.53.10.in-addr.arpa", "bad\xFFname.dns.test"); // not UTF-8
        mdlSock::StartWinsock();
    }
    static void TearDownTestSuite() { delete server; }
    void SetUp() override { server->setMode(Mode::Answer); }

    // Runs a lookup; `took` is how long it blocked.
    template <class Call> static auto timed(std::chrono::duration<double>& took, Call call) {
        const auto start = std::chrono::steady_clock::now();
        auto result = call();
        took = std::chrono::steady_clock::now() - start;
        return result;
    }

    static DnsServer* server;
    MessageRecorder recorder;
};
DnsServer* Dns::server = nullptr;

TEST_F(Dns, FailureGarbageAndWrongIdsEndInTheirMessages) {
    // A failure or an answer that cannot be read ends the lookup at once, well
    // within the sandbox's 1 s time-out; a wrong ID is ignored and waited out.
    const struct {
        Mode mode;
        bool atOnce;
    } rows[] = {{Mode::ServFail, true}, {Mode::Garbage, true}, {Mode::WrongId, false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.mode));
        server->setMode(row.mode);
        recorder.messages.clear();
        std::chrono::duration<double> forward{}, reverse{};
        EXPECT_EQ(timed(forward, [] { return GetIPFromHost(u"multi.dns.test"); }), std::nullopt);
        EXPECT_EQ(timed(reverse, [] { return GetHostFromIP(u"10.53.0.2"); }), u"");
        EXPECT_EQ(recorder.messages, (std::vector<Message>{CantResolve, HostNotFound}));
        for (const auto took : {forward, reverse})
            EXPECT_EQ(took.count() < 0.5, row.atOnce) << took.count() << " s";
    }
}

TEST_F(Dns, SilentServerTimesOutAndTheWindowWorksAgain) {
    server->setMode(Mode::Silent);
    const int asked = server->questions();
    EXPECT_EQ(GetIPFromHost(u"multi.dns.test"), std::nullopt);
    EXPECT_EQ(GetHostFromIP(u"10.53.0.2"), u"");
    EXPECT_GT(server->questions(), asked) << "the questions did reach the server";
    EXPECT_EQ(recorder.messages, (std::vector<Message>{CantResolve, HostNotFound}));

    recorder.messages.clear();
    frmMail form(u"multi.dns.test"); // its start-up lookup waits out the silence
    EXPECT_FALSE(form.isVisible()) << "the window is not shown before start-up is over";
    auto* txtHost = form.findChild<QLineEdit*>(QStringLiteral("txtHost"));
    auto* txtIP = form.findChild<QLineEdit*>(QStringLiteral("txtIP"));
    EXPECT_EQ(txtIP->text(), QString());
    server->setMode(Mode::Answer);
    QTest::keyClick(txtHost, Qt::Key_Return);
    EXPECT_EQ(txtIP->text(), QStringLiteral("10.53.0.2")) << "the first address, as listed";
    // A PTR name that is not UTF-8 is no host name: refused.
    EXPECT_EQ(GetHostFromIP(u"10.53.0.5"), u"");
    EXPECT_EQ(recorder.messages, (std::vector<Message>{CantResolve, HostNotFound}));
}

} // namespace

int main(int argc, char** argv) {
    if (!inSandbox()) {
        std::fprintf(stderr, "DNS tests run only inside tests/sandbox.sh --dns\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
