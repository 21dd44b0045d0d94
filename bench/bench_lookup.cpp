// The forward lookup path against a bare getaddrinfo of the same name.
// Run inside tests/sandbox.sh, where "localhost" comes from the tests' hosts file.
#include "lookup/mdlSock.h"
#include "tests/support/sandbox.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <netdb.h>
#include <sys/socket.h>

namespace {

void GetIPFromHost(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::GetIPFromHost(u"localhost"));
}

void BareGetaddrinfo(benchmark::State& state) {
    addrinfo hints{};
    hints.ai_family = AF_INET;
    for (auto _ : state) {
        addrinfo* result = nullptr;
        benchmark::DoNotOptimize(getaddrinfo("localhost", nullptr, &hints, &result));
        freeaddrinfo(result);
    }
}

} // namespace

BENCHMARK(GetIPFromHost);
BENCHMARK(BareGetaddrinfo);

int main(int argc, char** argv) {
    if (!testing_support::inSandbox()) {
        std::fprintf(stderr, "bench_lookup runs only inside tests/sandbox.sh\n");
        return 2;
    }
    mdlSock::StartWinsock();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
