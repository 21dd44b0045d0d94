// A megabyte on the command line or in a field. OwnWork is hostip's own part
// of a start-up lookup (dispatch, address rules, conversions), which must stay
// well under 100 ms; StartUp and EnterInField add what Qt spends laying the
// megabyte out in a one-line field. The resolver is a fake that knows no
// names, so no figure holds time spent waiting for one.
#include "lookup/mdlSock.h"
#include "support/recorder.h"
#include "window/frmMail.h"
#include "window/startup.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

namespace {

constexpr std::size_t MiB = 1 << 20;

std::u16string dotted(std::size_t length) {
    std::u16string text;
    while (text.size() + 2 < length)
        text += u"1.";
    return text + u"1";
}

void OwnWork(benchmark::State& state, std::u16string line) {
    testing_support::FakeNetwork net;
    testing_support::MessageRecorder recorder;
    net.start();
    for (auto _ : state) {
        const startup::Plan plan = startup::plan(line);
        if (plan.path == startup::Path::Address)
            benchmark::DoNotOptimize(mdlSock::GetHostFromIP(plan.argument));
        else
            benchmark::DoNotOptimize(mdlSock::GetIPFromHost(plan.argument));
    }
}

void StartUp(benchmark::State& state, std::u16string line) {
    testing_support::FakeNetwork net;
    testing_support::MessageRecorder recorder;
    for (auto _ : state) {
        frmMail form(line);
        benchmark::DoNotOptimize(form.findChild<QLineEdit*>(QStringLiteral("txtIP"))->text());
    }
}

void EnterInField(benchmark::State& state, const char* field, std::u16string text) {
    testing_support::FakeNetwork net;
    testing_support::MessageRecorder recorder;
    frmMail form(u"localhost");
    auto* edit = form.findChild<QLineEdit*>(QString::fromLatin1(field));
    for (auto _ : state) {
        state.PauseTiming();
        edit->setText(QString::fromStdU16String(text));
        state.ResumeTiming();
        QTest::keyClick(edit, Qt::Key_Return);
    }
}

} // namespace

BENCHMARK_CAPTURE(OwnWork, name_1MiB, std::u16string(MiB, u'a'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OwnWork, address_1MiB, dotted(MiB))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, name_1MiB, std::u16string(MiB, u'a'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, address_1MiB, dotted(MiB))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EnterInField, host_1MiB, "txtHost", std::u16string(MiB, u'a'))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(EnterInField, address_1MiB, "txtIP", dotted(MiB))->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
