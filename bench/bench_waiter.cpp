// What waiting off the GUI thread costs a fast lookup: the forward lookup of a
// hosts-file name called plainly and through the window's waiter, and the
// window's Get-IP command (Enter in the host field, answer in the address
// field) as the user runs it. Run inside tests/sandbox.sh.
#include "lookup/mdlSock.h"
#include "tests/support/sandbox.h"
#include "window/frmMail.h"
#include "window/waiter.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <cstdio>

namespace {

void PlainCall(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::GetIPFromHost(u"localhost"));
}

void ThroughTheWaiter(benchmark::State& state) {
    window::LookupWaiter waiter;
    for (auto _ : state)
        benchmark::DoNotOptimize(mdlSock::GetIPFromHost(u"localhost"));
}

void GetIPCommandInTheWindow(benchmark::State& state) {
    frmMail form(u"localhost");
    auto* txtHost = form.findChild<QLineEdit*>(QStringLiteral("txtHost"));
    // The same command with the lookup called plainly on the GUI thread.
    wsock32::Waiter waiter = state.range(0) ? wsock32::Waiter{} : wsock32::setWaiter({});
    for (auto _ : state)
        QTest::keyClick(txtHost, Qt::Key_Return);
    if (waiter) wsock32::setWaiter(std::move(waiter));
}

} // namespace

BENCHMARK(PlainCall);
BENCHMARK(ThroughTheWaiter);
BENCHMARK(GetIPCommandInTheWindow)->ArgName("waiter")->Arg(0)->Arg(1);

int main(int argc, char** argv) {
    if (!testing_support::inSandbox()) {
        std::fprintf(stderr, "bench_waiter runs only inside tests/sandbox.sh\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    mdlSock::StartWinsock();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
