#include "window/startup.h"

#include "runtime/text.h"

#include <cwchar>
#include <string_view>

namespace startup {

namespace {

std::u16string decode(std::string_view bytes) {
    std::u16string out;
    std::mbstate_t state{};
    for (std::size_t i = 0; i < bytes.size();) {
        wchar_t c = 0;
        const std::size_t n = std::mbrtowc(&c, bytes.data() + i, bytes.size() - i, &state);
        if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2)) {
            out += u'\uFFFD'; // a byte that is not (or not all of) a character
            state = std::mbstate_t{};
            ++i;
            continue;
        }
        runtime::appendUtf16(out, static_cast<char32_t>(c));
        i += n == 0 ? 1 : n;
    }
    return out;
}

} // namespace

std::u16string commandLine(int argc, const char* const* argv) {
    std::u16string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += u' ';
        line += decode(argv[i]);
    }
    return line;
}

Plan plan(const std::u16string& commandLine) {
    using namespace runtime;
    if (Length(commandLine) == 0) return {Path::LocalHost, {}};
    std::u16string s(Trim(commandLine));
    const Path path = IsNumeric(Replace(s, u".", u"")) ? Path::Address : Path::Name;
    return {path, std::move(s)};
}

} // namespace startup
