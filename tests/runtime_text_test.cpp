#include "runtime/failure.h"
#include "runtime/text.h"
#include "support/recorder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>

using namespace runtime;

namespace {

// The failure number a call traps with, or nothing when it returns normally.
template <class Call> std::optional<int> trappedNumber(Call call) {
    try {
        call();
    } catch (const Trapped& t) {
        return t.number;
    }
    return std::nullopt;
}

const std::u16string Digits400(400, u'9');

TEST(NumberSyntax, NumericTestAcceptsOneNumberWithSpacesAround) {
    struct Row {
        std::u16string text;
        bool numeric;
    };
    const Row rows[] = {
        {u"0", true},       {u"255", true},
        {u"  12  ", true},  {u"+4", true},
        {u"-4", true},      {u"1.5", true},
        {u"1.", true},      {u".5", true},
        {Digits400, true},  {u"", false},
        {u"   ", false},    {u".", false},
        {u"-", false},      {u"+-1", false},
        {u"1e5", false},    {u"0x10", false},
        {u"1 2", false},    {u"\t1", false},
        {u"1,5", false},    {u"1..2", false},
        {u"\uFF11", false}, {std::u16string(u"1\0", 2), false},
        {u"$1", false},     {u"- 1", false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(IsNumeric(row.text), row.numeric) << toUtf8Lossy(row.text);
}

TEST(NumberSyntax, LeadingValueReadsTheNumberAtTheStart) {
    struct Row {
        std::u16string text;
        double value;
    };
    const Row rows[] = {
        {u"12abc", 12}, {u"  -3.5x", -3.5}, {u"abc", 0},     {u"", 0},    {u"1e5", 1}, {u"+ 4", 0},
        {u"0x1F", 0},   {u"255 ", 255},     {u".25.7", .25}, {u"007", 7}, {u"\t5", 0}, {u"-0", 0},
    };
    for (const Row& row : rows)
        EXPECT_EQ(LeadingValue(row.text), row.value) << toUtf8Lossy(row.text);

    EXPECT_EQ(trappedNumber([] { LeadingValue(Digits400 + u"x"); }), int(Fault::Overflow));
    // A value too small for a double is no failure: it is zero.
    EXPECT_EQ(LeadingValue(u"0." + std::u16string(400, u'0') + u"1"), 0.0);
}

TEST(NumberSyntax, NumberTextIsPlainDecimal) {
    EXPECT_EQ(NumberText(0), u"0");
    EXPECT_EQ(NumberText(-0.0), u"0");
    EXPECT_EQ(NumberText(255), u"255");
    EXPECT_EQ(NumberText(-1), u"-1");
    EXPECT_EQ(NumberText(0.5), u"0.5");
    EXPECT_EQ(NumberText(1e20), u"100000000000000000000");
    EXPECT_EQ(NumberText(-2147483648.0), u"-2147483648");
}

TEST(NumberSyntax, ToIntegerRoundsHalvesToEvenAndTrapsOutOfRange) {
    struct Row {
        double value;
        std::optional<std::int32_t> expected; // no value: Overflow
    };
    const Row rows[] = {
        {2.5, 2},
        {3.5, 4},
        {-2.5, -2},
        {-0.5, 0},
        {2147483647.4, 2147483647},
        {2147483647.5, std::nullopt},
        {-2147483648.5, -2147483648},
        {-2147483649.0, std::nullopt},
        {std::nan(""), std::nullopt},
        {HUGE_VAL, std::nullopt},
    };
    for (const Row& row : rows) {
        if (row.expected) {
            EXPECT_EQ(ToInteger(row.value), *row.expected) << row.value;
        } else {
            EXPECT_EQ(trappedNumber([&] { ToInteger(row.value); }), int(Fault::Overflow))
                << row.value;
        }
    }
    EXPECT_EQ(ToInteger(u" 12 "), 12);
    EXPECT_EQ(ToInteger(u"-7.5"), -8);
    EXPECT_EQ(trappedNumber([] { ToInteger(u"12a"); }), int(Fault::TypeMismatch));
    EXPECT_EQ(trappedNumber([] { ToInteger(u""); }), int(Fault::TypeMismatch));
    EXPECT_EQ(trappedNumber([] { ToReal(u"abc"); }), int(Fault::TypeMismatch));
    EXPECT_EQ(trappedNumber([] { ToReal(Digits400); }), int(Fault::Overflow));
    EXPECT_EQ(ToReal(u" 1.25 "), 1.25);
}

TEST(TextServices, SearchAndCutCountFromOne) {
    EXPECT_EQ(Search(u"a.b.c", u"."), 2u);
    EXPECT_EQ(Search(u"abc", u"."), 0u);
    EXPECT_EQ(Search(u"ABC", u"b"), 0u) << "case counts";
    EXPECT_EQ(Left(u"abc", 2), u"ab");
    EXPECT_EQ(Left(u"abc", 9), u"abc");
    EXPECT_EQ(Left(u"abc", 0), u"");
    EXPECT_EQ(Left(u"abc", (std::int64_t{1} << 32) + 1), u"abc"); // past a 32-bit size_t
    EXPECT_EQ(trappedNumber([] { Left(u"abc", -1); }), int(Fault::InvalidArgument));
    EXPECT_EQ(Rest(u"abc", 2), u"bc");
    EXPECT_EQ(Rest(u"abc", 2, 1), u"b");
    EXPECT_EQ(Rest(u"abc", 4), u"");
    EXPECT_EQ(Rest(u"abc", 40, 3), u"");
    EXPECT_EQ(Rest(u"abc", 2, (std::int64_t{1} << 32) + 1), u"bc");
    EXPECT_EQ(trappedNumber([] { Rest(u"abc", 0); }), int(Fault::InvalidArgument));
    EXPECT_EQ(trappedNumber([] { Rest(u"abc", 1, -1); }), int(Fault::InvalidArgument));
}

TEST(TextServices, TrimTakesSpacesOnlyAndReplaceScansFromTheStart) {
    EXPECT_EQ(Trim(u"  a b  "), u"a b");
    EXPECT_EQ(Trim(u"   "), u"");
    EXPECT_EQ(Trim(u"\ta\t"), u"\ta\t");
    EXPECT_EQ(Trim(std::u16string(u" \0 ", 3)), std::u16string(u"\0", 1));
    EXPECT_EQ(Replace(u"1.2.3", u".", u""), u"123");
    EXPECT_EQ(Replace(u"aaa", u"aa", u"b"), u"ba");
    EXPECT_EQ(Replace(u"abc", u"", u"x"), u"abc");
    EXPECT_EQ(ByteText(0), u"0");
    EXPECT_EQ(ByteText(7), u"7");
    EXPECT_EQ(ByteText(255), u"255");
}

TEST(TextServices, EightBitConversionNeverLosesTrackOfCharacters) {
    EXPECT_EQ(toNarrow(u"b\u00FCcher"), std::optional<std::string>("b\xC3\xBC"
                                                                   "cher"));
    EXPECT_EQ(toNarrow(u"\U0001F600"), std::optional<std::string>("\xF0\x9F\x98\x80"));
    EXPECT_EQ(toNarrow(u"a\xD800z"), std::nullopt) << "lone high surrogate";
    EXPECT_EQ(toNarrow(u"\xDC00"), std::nullopt) << "lone low surrogate";
    EXPECT_EQ(fromNarrow("b\xC3\xBC"
                         "cher"),
              u"b\u00FCcher");
    EXPECT_EQ(fromNarrow("\xF0\x9F\x98\x80"), u"\U0001F600");
    EXPECT_EQ(fromNarrow("a\xFFz"), u"a\uFFFDz");
    EXPECT_EQ(fromNarrow("\xC3"), u"\uFFFD") << "truncated sequence";
    EXPECT_EQ(fromNarrow("\xED\xA0\x80"), u"\uFFFD\uFFFD\uFFFD") << "encoded surrogate";
    EXPECT_EQ(fromNarrow("\xC0\xAF"), u"\uFFFD\uFFFD") << "overlong form";
    EXPECT_EQ(toUtf8Lossy(u"a\xD800"), "a\xEF\xBF\xBD");
}

TEST(TrapAndContinue, AFailedStepIsSkippedRecordedAndReportedOnce) {
    testing_support::MessageRecorder recorder;
    failure().number = 99; // left over from an earlier routine
    TrapScope trap;
    EXPECT_EQ(failure().number, 0) << "entering the mode clears the record";
    int value = 1;
    EXPECT_FALSE(trap.step([&] { value = ToInteger(u"x"); }));
    EXPECT_EQ(value, 1) << "the failed step's assignment does not happen";
    EXPECT_TRUE(trap.step([&] { value = 2; }));
    EXPECT_EQ(value, 2);
    trap.report();
    trap.report();
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].title, u"13");
    EXPECT_EQ(recorder.messages[0].text, u"Type mismatch");
    EXPECT_EQ(failure().number, 0);
}

} // namespace
