// A megabyte on the command line, 16 MiB pasted into a field. OwnWork is
// hostip's own part of a start-up lookup (dispatch, address rules,
// conversions), which must stay well under 100 ms; StartUp adds what Qt spends
// laying the field out; PasteAndEnter, from a paste to the message, must stay
// under 2 s. The resolver is a fake that knows no
// names, so no figure holds time spent waiting for one.
#include "lookup/mdlSock.h"
#include "support/recorder.h"
#include "window/frmMail.h"
#include "window/startup.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QClipboard>
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

// From a paste to the message, the paste's line laid out and painted as the
// window shows it.
void PasteAndEnter(benchmark::State& state, const char* field, std::u16string text) {
    testing_support::FakeNetwork net;
    testing_support::MessageRecorder recorder;
    frmMail form(u"localhost");
    form.show();
    auto* edit = form.findChild<QLineEdit*>(QString::fromLatin1(field));
    QApplication::clipboard()->setText(QString::fromStdU16String(text));
    for (auto _ : state) {
        edit->selectAll();
        edit->paste();
        edit->repaint();
        QTest::keyClick(edit, Qt::Key_Return);
    }
}

} // namespace

BENCHMARK_CAPTURE(OwnWork, name_1MiB, std::u16string(MiB, u'a'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(OwnWork, address_1MiB, dotted(MiB))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, name_1MiB, std::u16string(MiB, u'a'))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(StartUp, address_1MiB, dotted(MiB))->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PasteAndEnter, host_16MiB, "txtHost", std::u16string(16 * MiB, u'a'))
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(PasteAndEnter, address_16MiB, "txtIP", dotted(16 * MiB))
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
