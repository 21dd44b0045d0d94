#include "window/startup.h"

#include "runtime/text.h"

namespace startup {

Plan plan(const std::u16string& commandLine) {
    using namespace runtime;
    if (Length(commandLine) == 0) return {Path::LocalHost, {}};
    std::u16string s(Trim(commandLine));
    const Path path = IsNumeric(Replace(s, u".", u"")) ? Path::Address : Path::Name;
    return {path, std::move(s)};
}

} // namespace startup
