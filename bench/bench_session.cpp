// A complete run through the widgets, offscreen: peak memory after 10 and after all 100
// samples, and the CPU the window takes while the subject thinks.

#include "benchdata.h"
#include "benchmain.h"
#include "drivensession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <cstring>
#include <memory>
#include <sys/resource.h>

namespace {

using namespace wallmatch::bench;

const char *const kWriteTreeOption = "--write-tree";
constexpr double kMiB = 1024.0;

struct SessionData
{
    // A complete run; the smoke test answers fewer and never reaches the end.
    int samples = 100;
    int answers = 100;
    int thinkMs = 3000;
    QTemporaryDir dir;
    bool treeWritten = false;
};

std::unique_ptr<SessionData> data;

// Whether the run's sample tree was written; the benchmark is skipped when not.
bool treeReady(benchmark::State &state)
{
    if (!data->treeWritten)
        state.SkipWithError("the sample tree could not be written");
    return data->treeWritten;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

// The peak resident size so far, in MiB. This program does nothing else before it, so the peak
// is that of the window's run: the tree is written by a child process.
double peakMiB()
{
    return double(procStatusKiB("VmHWM")) / kMiB;
}

void answerOne(DrivenSession &session)
{
    session.pickWalls();
    session.answer();
    // The subject sees the next case: the window paints it.
    session.processEvents();
}

void SessionMemory(benchmark::State &state)
{
    if (!treeReady(state))
        return;
    for (auto _ : state) {
        DrivenSession session(data->dir.path());
        const int early = qMin(10, data->answers);
        while (session.answers() < early)
            answerOne(session);
        const double afterEarly = peakMiB();
        while (session.answers() < data->answers)
            answerOne(session);
        const double afterAll = peakMiB();
        state.counters["peak_first_10_MiB"] = afterEarly;
        state.counters["peak_all_MiB"] = afterAll;
        state.counters["growth_MiB"] = afterAll - afterEarly;
        state.counters["resident_end_MiB"] = double(procStatusKiB("VmRSS")) / kMiB;
        state.counters["answers"] = session.answers();
        if (data->answers == 100 && !session.windowClosed())
            state.SkipWithError("the run did not end with the 100th answer");
        if (!session.unexpectedBoxes().isEmpty())
            state.SkipWithError(qPrintable(session.unexpectedBoxes().join(QStringLiteral("; "))));
    }
}

// Running, both walls picked, nothing pressed: the next sample is read ahead at the start, then
// only the 50 ms display timer works. cpu_percent is that steady state, from half a second on;
// cpu_percent_with_read_ahead the whole time.
void ThinkingCpu(benchmark::State &state)
{
    if (!treeReady(state))
        return;
    for (auto _ : state) {
        DrivenSession session(data->dir.path());
        session.pickWalls();
        session.processEvents();
        session.watchBoxes(false);
        const int settleMs = qMin(500, data->thinkMs / 2);
        QEventLoop loop;
        QElapsedTimer wall;
        double cpuSettled = 0;
        qint64 settledNs = 0;
        QTimer::singleShot(settleMs, &loop, [&] {
            cpuSettled = cpuSeconds();
            settledNs = wall.nsecsElapsed();
        });
        QTimer::singleShot(data->thinkMs, &loop, &QEventLoop::quit);
        const double cpuBefore = cpuSeconds();
        wall.start();
        loop.exec();
        const double cpuEnd = cpuSeconds();
        const double elapsed = double(wall.nsecsElapsed()) * 1e-9;
        state.counters["cpu_percent"] =
            100.0 * (cpuEnd - cpuSettled) / (elapsed - double(settledNs) * 1e-9);
        state.counters["cpu_percent_with_read_ahead"] = 100.0 * (cpuEnd - cpuBefore) / elapsed;
        state.counters["thinking_s"] = elapsed;
        session.watchBoxes(true);
    }
}

void registerBenchmarks()
{
    data = std::make_unique<SessionData>();
    if (smokeRun()) {
        data->samples = 12;
        data->answers = 11;
        data->thinkMs = 200;
    }
    // Written by a child, so that making the images leaves no trace in this process's peak.
    data->treeWritten = QProcess::execute(QCoreApplication::applicationFilePath(),
                                          {QString::fromLatin1(kWriteTreeOption), data->dir.path(),
                                           QString::number(data->samples)})
        == 0;

    wallClock(benchmark::RegisterBenchmark("SessionMemory", SessionMemory)->Iterations(1),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("ThinkingCpu", ThinkingCpu)->Iterations(1),
              benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && std::strcmp(argv[1], kWriteTreeOption) == 0) {
        QGuiApplication app(argc, argv);
        return writeSampleTree(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    }
    return runBenchmarks(argc, argv, registerBenchmarks);
}
