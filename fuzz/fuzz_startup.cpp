// The start-up dispatch of the command line, run through a fake resolver: no
// crash, the address path exactly when the trimmed line without its dots is a
// number, and only the messages that path can show.
#include "fuzz/input.h"
#include "lookup/mdlSock.h"
#include "support/recorder.h"
#include "window/startup.h"

#include <cstdlib>

namespace {
void require(bool condition) {
    if (!condition) std::abort();
}

// The address rule restated independently: blanks, then an optional sign,
// then digits with at most one point and at least one digit, then blanks.
bool looksLikeAddress(const std::u16string& line) {
    std::u16string s;
    for (const char16_t c : line)
        if (c != u'.') s += c;
    std::size_t i = 0, end = s.size();
    while (i < end && s[i] == u' ')
        ++i;
    while (end > i && s[end - 1] == u' ')
        --end;
    if (i < end && (s[i] == u'+' || s[i] == u'-')) ++i;
    std::size_t digits = 0;
    for (; i < end && s[i] >= u'0' && s[i] <= u'9'; ++i)
        ++digits;
    return i == end && digits > 0;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string line = textOf(data, size);
    testing_support::FakeNetwork net;
    testing_support::MessageRecorder recorder;
    net.fake->names["localhost"] = {"localhost", {{127, 0, 0, 1}}};
    net.fake->addresses[{127, 0, 0, 1}] = {"localhost", {{127, 0, 0, 1}}};
    net.start();

    const startup::Plan plan = startup::plan(line);
    if (line.empty()) {
        require(plan.path == startup::Path::LocalHost);
        return 0;
    }
    require((plan.path == startup::Path::Address) == looksLikeAddress(line));
    if (plan.path == startup::Path::Address) {
        const std::u16string host = mdlSock::GetHostFromIP(plan.argument);
        for (const auto& m : recorder.messages)
            require(m.title == u"9002" || m.title == u"9003" || m.title == u"6");
        require(host.empty() || host == u"localhost");
    } else {
        const auto ip = mdlSock::GetIPFromHost(plan.argument);
        for (const auto& m : recorder.messages)
            require(m.title == u"9001" || m.title == u"6");
        require(!ip || !ip->empty());
    }
    return 0;
}
