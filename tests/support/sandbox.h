// Whether this process runs inside tests/sandbox.sh, where host lookups cannot
// leave the machine. Code that asks the real resolver checks this first.
#pragma once

#include <cstring>
#include <unistd.h>

namespace testing_support {

inline bool inSandbox() {
    char host[256] = {};
    gethostname(host, sizeof host - 1);
    return std::strcmp(host, "hostip-test") == 0;
}

} // namespace testing_support
