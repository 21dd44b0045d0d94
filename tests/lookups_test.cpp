#include "lookup/mdlSock.h"
#include "lookup/wsock32.h"
#include "runtime/failure.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

using namespace testing_support;
using mdlSock::GetHostFromIP;
using mdlSock::GetIPFromHost;

namespace {

class Lookups : public ::testing::Test {
  protected:
    void SetUp() override {
        net.fake->names["example.test"] = {"example.test", {{10, 0, 0, 7}, {10, 0, 0, 8}}};
        net.fake->names[""] = {"self", {{192, 168, 5, 6}}};
        net.fake->addresses[{10, 0, 0, 200}] = {"  padded.test  ", {{10, 0, 0, 200}}};
        net.fake->addresses[{127, 0, 0, 1}] = {"localhost", {{127, 0, 0, 1}}};
        net.start();
    }
    FakeNetwork net;
    MessageRecorder recorder;
};

TEST_F(Lookups, ForwardTakesTheFirstAddressInNetworkOrder) {
    EXPECT_EQ(GetIPFromHost(u"example.test"), u"10.0.0.7");
    EXPECT_EQ(net.fake->askedNames, std::vector<std::string>{"example.test"});
    EXPECT_EQ(GetIPFromHost(u""), u"192.168.5.6") << "the empty name is the local host";
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Lookups, ForwardGivesAnAcceptedAddressBackUnchangedWithoutALookup) {
    EXPECT_EQ(GetIPFromHost(u"10.1.2.3"), u"10.1.2.3");
    EXPECT_EQ(GetIPFromHost(u" 10.1.2.3"), u" 10.1.2.3");
    EXPECT_EQ(GetIPFromHost(u"01.2.3.4"), u"01.2.3.4");
    EXPECT_TRUE(net.fake->askedNames.empty());
    EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(Lookups, ForwardFailuresShowCantResolveAndGiveNoValue) {
    struct Row {
        std::u16string name;
        bool reachesResolver;
    };
    const Row rows[] = {
        {u"nowhere.test", true},
        {u"1.2.3.04", true}, // refused as an address, so looked up as a name
        {std::u16string(u"example.test\0.evil", 18), false},
        {u"example\xD800.test", false},
    };
    for (const Row& row : rows) {
        net.fake->askedNames.clear();
        recorder.messages.clear();
        EXPECT_EQ(GetIPFromHost(row.name), std::nullopt);
        EXPECT_EQ(recorder.messages, std::vector<Message>{CantResolve});
        EXPECT_EQ(net.fake->askedNames.size(), row.reachesResolver ? 1u : 0u);
    }
}

TEST_F(Lookups, ResolverErrorLandsInTheFailureRecord) {
    net.fake->notFoundError = 11004;
    GetIPFromHost(u"nowhere.test");
    EXPECT_EQ(runtime::failure().systemError, 11004);
    GetIPFromHost(u"example.test");
    EXPECT_EQ(runtime::failure().systemError, 0);
}

TEST_F(Lookups, ReverseRefusesWhatIsNotAnAddress) {
    for (const std::u16string text : {u"", u"localhost", u"1.2.3.04", u"255.255.255.255"}) {
        recorder.messages.clear();
        EXPECT_EQ(GetHostFromIP(text), u"");
        EXPECT_EQ(recorder.messages, std::vector<Message>{InvalidAddress});
    }
    EXPECT_TRUE(net.fake->askedAddresses.empty());
}

TEST_F(Lookups, ReverseAsksWithTheBytesInWrittenOrderAndTrimsTheName) {
    EXPECT_EQ(GetHostFromIP(u"10.0.0.200"), u"padded.test");
    EXPECT_EQ(GetHostFromIP(u"127.0.0.1"), u"localhost");
    const std::vector<wsock32::Address> asked{{10, 0, 0, 200}, {127, 0, 0, 1}};
    EXPECT_EQ(net.fake->askedAddresses, asked);
    EXPECT_EQ(GetHostFromIP(u"10.9.9.9"), u"");
    EXPECT_EQ(recorder.messages, std::vector<Message>{HostNotFound});
}

TEST_F(Lookups, ReverseNameIsCutTo255BytesAndBadBytesAndHiddenCharactersAreReplaced) {
    struct Row {
        std::string name;
        std::u16string shown;
        std::vector<Message> messages;
    };
    const Row rows[] = {
        {std::string(300, 'a'), std::u16string(255, u'a'), {}},
        {std::string(255, 'b'), std::u16string(255, u'b'), {}},
        // A two-byte letter across the cut is dropped whole, not half shown.
        {std::string(254, 'c') + "\xC3\xBC"
                                 "d",
         std::u16string(254, u'c'),
         {}},
        // No character starts within 3 bytes of the cut: cut at 255 all the same.
        {std::string("a").append(299, '\x80'), std::u16string(u"a").append(254, u'\uFFFD'), {}},
        {"bad\xFF\xFEname", u"bad\uFFFD\uFFFDname", {}},
        // Nothing that hides or disguises text: controls (C0, DEL, C1), format
        // characters (a bidi override, a zero-width space, a tag), separators.
        {"a\tb\177c\u0085d\u202Ee\u200Bf\U000E0041g\u2028",
         u"a\uFFFDb\uFFFDc\uFFFDd\uFFFDe\uFFFDf\uFFFDg\uFFFD",
         {}},
        // A record that names nothing is no answer.
        {"", u"", {HostNotFound}},
        {"   ", u"", {HostNotFound}},
    };
    for (const Row& row : rows) {
        recorder.messages.clear();
        net.fake->addresses[{10, 1, 1, 1}] = {row.name, {{10, 1, 1, 1}}};
        EXPECT_EQ(GetHostFromIP(u"10.1.1.1"), row.shown);
        EXPECT_EQ(recorder.messages, row.messages);
    }
}

TEST(SocketLibrary, StartUpFailureIsShownAndEveryLookupThenFails) {
    FakeNetwork net;
    MessageRecorder recorder;
    net.fake->startupError = 10091;
    net.fake->names["example.test"] = {"example.test", {{10, 0, 0, 7}}};
    net.fake->addresses[{10, 0, 0, 7}] = {"example.test", {{10, 0, 0, 7}}};
    mdlSock::StartWinsock();
    EXPECT_EQ(recorder.messages, (std::vector<Message>{{u"10091", u""}}));
    EXPECT_EQ(GetIPFromHost(u"example.test"), std::nullopt);
    EXPECT_EQ(GetHostFromIP(u"10.0.0.7"), u"");
    EXPECT_EQ(recorder.messages,
              (std::vector<Message>{{u"10091", u""}, CantResolve, HostNotFound}));
    EXPECT_TRUE(net.fake->askedNames.empty()) << "nothing reaches a library that is not open";
}

TEST(SocketLibrary, LookupsWorkOnlyBetweenStartUpAndCleanup) {
    FakeNetwork net;
    MessageRecorder recorder;
    net.fake->names["example.test"] = {"example.test", {{10, 0, 0, 7}}};
    EXPECT_EQ(GetIPFromHost(u"example.test"), std::nullopt);
    EXPECT_EQ(runtime::failure().systemError, wsock32::WsaNotInitialised);
    mdlSock::StartWinsock();
    EXPECT_EQ(GetIPFromHost(u"example.test"), u"10.0.0.7");
    EXPECT_EQ(wsock32::WSACleanup(), 0);
    EXPECT_EQ(GetIPFromHost(u"example.test"), std::nullopt);
    EXPECT_EQ(wsock32::WSACleanup(), wsock32::WsaNotInitialised);
    EXPECT_EQ(recorder.messages, (std::vector<Message>{CantResolve, CantResolve}));
}

} // namespace
