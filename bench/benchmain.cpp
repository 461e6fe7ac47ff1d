#include "benchmain.h"

#include <QApplication>

namespace wallmatch::bench {

int runBenchmarks(int argc, char **argv, void (*registerBenchmarks)())
{
    // The figures are those of the widgets drawn offscreen, on any machine.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

benchmark::internal::Benchmark *wallClock(benchmark::internal::Benchmark *benchmark,
                                          benchmark::TimeUnit unit)
{
    return benchmark->UseRealTime()->Unit(unit);
}

} // namespace wallmatch::bench
