// How the address rules scale with the length of the text: the cost must grow
// linearly, so a pasted megabyte does not freeze the window.
#include "lookup/mdlSock.h"
#include "runtime/messagebox.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

// Quiet: a text with more than 32767 dots reports an overflow.
const bool quiet = (runtime::setMessageBox([](const auto&, const auto&) {}), true);

std::u16string manyDots(std::size_t length) {
    std::u16string text;
    while (text.size() + 2 < length)
        text += u"1.";
    return text + u"1";
}
std::u16string noDots(std::size_t length) {
    return std::u16string(length, u'a');
}
std::u16string hugeLastField(std::size_t length) {
    return u"1.2.3." + std::u16string(length > 6 ? length - 6 : 1, u'9');
}

template <std::u16string (*Make)(std::size_t)> void IsValidIP(benchmark::State& state) {
    const std::u16string text = Make(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::IsValidIP(text));
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * state.range(0) * 2);
}

void Typical(benchmark::State& state) {
    const std::u16string text = u"192.168.1.10";
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::IsValidIP(text));
}

void TypicalPack(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::IPToLong(u"192.168.1.10"));
}

} // namespace

BENCHMARK(IsValidIP<manyDots>)->RangeMultiplier(16)->Range(16, 1 << 20)->Complexity();
BENCHMARK(IsValidIP<noDots>)->RangeMultiplier(16)->Range(16, 1 << 20)->Complexity();
BENCHMARK(IsValidIP<hugeLastField>)->RangeMultiplier(16)->Range(16, 1 << 20)->Complexity();
BENCHMARK(Typical);
BENCHMARK(TypicalPack);
