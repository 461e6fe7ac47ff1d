// From an accepted answer until both views hold the next sample, against decoding the two
// images alone; with the results file on the disk and, for comparison, on a RAM disk.

#include "answer.h"
#include "benchdata.h"
#include "benchmain.h"
#include "drivensession.h"
#include "resultsstore.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QThread>
#include <QTemporaryDir>
#include <memory>

namespace {

using namespace wallmatch::bench;

struct AnswerData
{
    int samples = 100;
    // A working folder with a sample tree on the disk the system's temporary files go to, and
    // one on a RAM disk where syncing a file costs nothing.
    QTemporaryDir diskDir;
    std::unique_ptr<QTemporaryDir> ramDir;
};

std::unique_ptr<AnswerData> data;

void DecodeTwoJpegs(benchmark::State &state)
{
    const QString dir = data->diskDir.path();
    int sample = 0;
    for (auto _ : state) {
        sample = sample % data->samples + 1;
        for (bool secondary : {false, true}) {
            QImageReader reader(sampleFolder(dir, sample, secondary)
                                + QStringLiteral("/color.jpg"));
            const QImage image = reader.read();
            benchmark::DoNotOptimize(image.constBits());
        }
    }
}

// Match / Next Case with a wall picked in each view: log and result lines, the results file
// rewritten and synced, the next sample loaded into both views, labels reset, clock restarted.
// The window repaints between answers, untimed, as it would while the subject looks; the subject
// thinks for 20 ms, untimed, which is far less than any real answer takes and enough for the
// next sample to be read ahead.
void answer(benchmark::State &state, const QString &workDir, bool untilPainted)
{
    std::unique_ptr<DrivenSession> session;
    QStringList boxes;
    for (auto _ : state) {
        state.PauseTiming();
        if (!session || session->answersBeforeEnd() == 0) {
            if (session)
                boxes += session->unexpectedBoxes();
            session = std::make_unique<DrivenSession>(workDir);
        }
        session->processEvents();
        session->pickWalls();
        QThread::msleep(20);
        state.ResumeTiming();
        session->answer();
        if (untilPainted)
            session->processEvents();
    }
    if (session)
        boxes += session->unexpectedBoxes();
    if (!boxes.isEmpty())
        state.SkipWithError(qPrintable(boxes.join(QStringLiteral("; "))));
}

void Answer(benchmark::State &state)
{
    answer(state, data->diskDir.path(), false);
}

void AnswerRamDisk(benchmark::State &state)
{
    if (!data->ramDir) {
        state.SkipWithError("no RAM disk at /dev/shm");
        return;
    }
    answer(state, data->ramDir->path(), false);
}

// The same, until the window has painted the next case.
void AnswerToFrame(benchmark::State &state)
{
    answer(state, data->diskDir.path(), true);
}

// Rewriting a results file of 50 answers, atomically and synced.
void ResultsWrite(benchmark::State &state, const QString &dir)
{
    ResultsStore store(dir + QStringLiteral("/results-write.txt"));
    QVector<QString> lines;
    wallmatch::Answer a;
    a.wall1 = 3;
    a.wall2 = 7;
    a.source = QStringLiteral("Kestrel");
    a.milliseconds = 12345;
    a.click1 = {400, 256};
    a.click2 = {820, 240};
    for (int i = 1; i <= 50; ++i) {
        a.sampleId = i;
        lines << wallmatch::resultLine(a);
    }
    for (auto _ : state) {
        if (!store.write(lines).isEmpty())
            state.SkipWithError("results not written");
    }
}

void registerBenchmarks()
{
    data = std::make_unique<AnswerData>();
    data->samples = smokeRun() ? 3 : 100;
    requireWritten(writeSampleTree(data->diskDir.path(), data->samples), data->diskDir.path());
    if (QFileInfo(QStringLiteral("/dev/shm")).isWritable()) {
        data->ramDir = std::make_unique<QTemporaryDir>(QStringLiteral("/dev/shm/wallmatch-XXXXXX"));
        requireWritten(writeSampleTree(data->ramDir->path(), data->samples), data->ramDir->path());
    }

    wallClock(benchmark::RegisterBenchmark("DecodeTwoJpegs", DecodeTwoJpegs),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("Answer", Answer), benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("AnswerRamDisk", AnswerRamDisk),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("AnswerToFrame", AnswerToFrame),
              benchmark::kMillisecond);
    wallClock(benchmark::RegisterBenchmark("ResultsWrite", ResultsWrite, data->diskDir.path()),
              benchmark::kMillisecond);
    if (data->ramDir)
        wallClock(
            benchmark::RegisterBenchmark("ResultsWriteRamDisk", ResultsWrite, data->ramDir->path()),
            benchmark::kMillisecond);
}

} // namespace

int main(int argc, char **argv)
{
    return runBenchmarks(argc, argv, registerBenchmarks);
}
