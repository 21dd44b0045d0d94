#include "lookup/mdlSock.h"
#include "runtime/failure.h"
#include "runtime/text.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

using mdlSock::IPToLong;
using mdlSock::IsValidIP;
using testing_support::MessageRecorder;

namespace {

// The 32-bit value whose bytes, least significant first, are b0..b3.
std::int32_t packed(std::array<std::uint32_t, 4> b) {
    return static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | b[3] << 24);
}

struct Row {
    std::u16string text;
    std::optional<std::int32_t> packs; // no value: refused
    const char* why;
};

const Row Rows[] = {
    {u"127.0.0.1", packed({127, 0, 0, 1}), "loopback"},
    {u"0.0.0.0", 0, "all zeros"},
    {u"1.2.3.4", packed({1, 2, 3, 4}), "plain"},
    {u"192.168.1.10", packed({192, 168, 1, 10}), "private range"},
    {u"10.0.0.200", packed({10, 0, 0, 200}), "last byte above 127 packs negative"},
    {u"255.255.255.254", -16777217, "highest bytes below broadcast"},
    {u"255.255.255.255", std::nullopt, "limited broadcast, exactly"},
    {u" 255.255.255.255", -1, "broadcast with a blank before it is not the exact text"},
    {u"01.2.3.4", packed({1, 2, 3, 4}), "leading zero in a first field"},
    {u"1. 2.003.4", packed({1, 2, 3, 4}), "blanks and zeros in the first three fields"},
    {u"+1.2.3.4", packed({1, 2, 3, 4}), "sign in a first field"},
    {u"1.2.3.04", std::nullopt, "leading zero in the last field"},
    {u"1.2.3.+4", std::nullopt, "sign in the last field"},
    {u"1.2.3.4 ", std::nullopt, "blank after the last field"},
    {u"1.2.3. 4", std::nullopt, "blank after the last dot"},
    {u"1.2.3.-0", std::nullopt, "negative zero is not plain"},
    {u"1.2.3", std::nullopt, "three fields"},
    {u"1.2.3.4.5", std::nullopt, "five fields"},
    {u"1..3.4", std::nullopt, "empty field"},
    {u".1.2.3", std::nullopt, "empty first field"},
    {u"1.2.3.4.", std::nullopt, "ends in a dot"},
    {u"", std::nullopt, "empty"},
    {u"256.1.1.1", std::nullopt, "first field too large"},
    {u"1.1.1.256", std::nullopt, "last field too large"},
    {u"-1.1.1.1", std::nullopt, "negative field"},
    {u"a.b.c.d", std::nullopt, "letters"},
    {u"localhost", std::nullopt, "a name"},
    {u"1.2.3.4a", std::nullopt, "trailing letter"},
    {u"1e2.1.1.1", std::nullopt, "exponent form"},
    {u"0x7f.0.0.1", std::nullopt, "hexadecimal"},
    {u"1.2.3.1e1", std::nullopt, "exponent in the last field"},
    {u"1\t.2.3.4", std::nullopt, "tab is no blank"},
};

TEST(AddressRules, AcceptAndPackByTheTable) {
    MessageRecorder recorder;
    for (const Row& row : Rows) {
        SCOPED_TRACE(std::string(row.why) + ": \"" + runtime::toUtf8Lossy(row.text) + "\"");
        EXPECT_EQ(IsValidIP(row.text), row.packs.has_value());
        if (row.packs) {
            EXPECT_EQ(IPToLong(row.text), *row.packs);
        }
    }
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(AddressRules, PackingHitsTheEndsOfTheSignedRange) {
    EXPECT_EQ(IPToLong(u"0.0.0.128"), INT32_MIN);
    EXPECT_EQ(IPToLong(u"0.0.0.127"), 127 * (1 << 24));
    EXPECT_EQ(IPToLong(u"255.255.255.127"), INT32_MAX);
}

TEST(AddressRules, FieldsTooLargeForADoubleAreRefusedQuietly) {
    MessageRecorder recorder;
    const std::u16string huge(400, u'9');
    for (const std::u16string& text :
         {huge + u".1.1.1", u"1." + huge + u".1.1", u"1.1.1." + huge, huge}) {
        EXPECT_FALSE(IsValidIP(text)) << text.size();
    }
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(AddressRules, DotCounterOverflowIsReported) {
    MessageRecorder recorder;
    std::u16string text;
    for (int i = 0; i < 32768; ++i)
        text += u"0.";
    text += u"0";
    EXPECT_FALSE(IsValidIP(text));
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, u"6");
    EXPECT_EQ(recorder.messages[0].text, u"Overflow");
    EXPECT_EQ(runtime::failure().number, 0) << "the report step clears the record";
}

TEST(AddressRules, EarlyRefusalLeavesATrappedFailureForTheNextRoutine) {
    MessageRecorder recorder;
    EXPECT_FALSE(IsValidIP(std::u16string(400, u'9') + u".1.1.1"));
    EXPECT_EQ(runtime::failure().number, int(runtime::Fault::Overflow));
    EXPECT_TRUE(IsValidIP(u"1.2.3.4"));
    EXPECT_EQ(runtime::failure().number, 0);
    EXPECT_TRUE(recorder.messages.empty());
}

TEST(AddressRules, PackingOutsideItsContractReportsAndKeepsTheLastGoodValue) {
    MessageRecorder recorder;
    // No dots at all: the first field cannot be cut out, and later fields fail
    // to convert; each failed step leaves v as it was, and one failure is shown.
    EXPECT_EQ(IPToLong(u"x"), 0);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, u"13");
}

} // namespace
