// The number services on arbitrary 16-bit text: no crash, failures only as
// Trapped, and to-integer equal to the rounded value whenever it fits.
#include "fuzz/input.h"
#include "runtime/failure.h"
#include "runtime/text.h"

#include <cmath>
#include <cstdlib>

namespace {
void require(bool condition) {
    if (!condition) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::u16string text = textOf(data, size);
    const bool numeric = runtime::IsNumeric(text);
    try {
        (void)runtime::LeadingValue(text);
    } catch (const runtime::Trapped& t) {
        require(t.number == int(runtime::Fault::Overflow));
    }

    double value = 0;
    try {
        value = runtime::ToReal(text);
        require(numeric);
        require(std::isfinite(value));
        require(value == runtime::LeadingValue(text)); // a numeric text is all number
    } catch (const runtime::Trapped& t) {
        require(!numeric ? t.number == int(runtime::Fault::TypeMismatch)
                         : t.number == int(runtime::Fault::Overflow));
        return 0;
    }

    const double rounded = std::nearbyint(value);
    const bool fits = rounded >= -2147483648.0 && rounded <= 2147483647.0;
    try {
        const std::int32_t integer = runtime::ToInteger(text);
        require(fits && integer == static_cast<std::int32_t>(rounded));
        // Halves go to the even neighbour.
        if (std::abs(value - std::trunc(value)) == 0.5) require(integer % 2 == 0);
    } catch (const runtime::Trapped& t) {
        require(!fits && t.number == int(runtime::Fault::Overflow));
    }
    // The number text reads back as the same value.
    require(runtime::ToReal(runtime::NumberText(value)) == (value == 0 ? 0.0 : value));
    return 0;
}
