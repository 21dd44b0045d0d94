// For any text, IsValidIP returns. When it accepts, the text is four fields of
// 0 to 255, the last in plain form, not exactly "255.255.255.255", and
// IPToLong packs exactly those four values without a failure.
#include "fuzz/input.h"
#include "lookup/mdlSock.h"
#include "runtime/messagebox.h"
#include "runtime/text.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {
bool messageShown = false;
const bool installed =
    (runtime::setMessageBox([](const auto&, const auto&) { messageShown = true; }), true);

void require(bool condition) {
    if (!condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = textOf(data, size);
    if (!mdlSock::IsValidIP(text)) return 0;

    std::vector<std::u16string> fields{{}};
    for (const char16_t c : text) {
        if (c == u'.')
            fields.emplace_back();
        else
            fields.back() += c;
    }
    require(fields.size() == 4);
    require(text != u"255.255.255.255");
    std::uint32_t expected = 0;
    for (std::size_t i = 0; i < 4; ++i) {
        require(runtime::IsNumeric(fields[i]));
        const double value = runtime::ToReal(fields[i]);
        require(value >= 0 && value <= 255);
        expected |= static_cast<std::uint32_t>(std::nearbyint(value)) << (8 * i);
    }
    require(runtime::NumberText(runtime::ToReal(fields[3])) == fields[3]);

    messageShown = false;
    const auto packed = static_cast<std::uint32_t>(mdlSock::IPToLong(text));
    require(!messageShown);
    require(packed == expected);
    return 0;
}
