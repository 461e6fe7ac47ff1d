#include "timechart.h"

#include "statistics.h"
#include "svgchart.h"

namespace wallmatch {

QString timeChartSvg(const QVector<ResultsFile> &files, const TruthFile *truth, QSize size)
{
    // Green and red as the answers have always been drawn, told apart by shape as well: circle
    // for correct, cross for wrong, square for unjudged.
    PointSeries correct {QStringLiteral("correct"), QColor(0x2e, 0x9d, 0x4a), {}, 0};
    PointSeries wrong {QStringLiteral("wrong"), QColor(0xd6, 0x32, 0x30), {}, 6};
    PointSeries unjudged {truth ? QStringLiteral("no truth") : QStringLiteral("answer"),
                          truth ? QColor(0x90, 0x90, 0x90) : QColor(0x2f, 0x6f, 0xc0),
                          {},
                          truth ? 1 : 0};
    int untimed = 0;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.runAnswers()) {
            if (!a.milliseconds) {
                ++untimed;
                continue;
            }
            const QPointF p(a.sampleId, *a.milliseconds / 1000.0);
            const Verdict verdict = truth ? judge(*truth, a) : Verdict::NotJudged;
            if (verdict == Verdict::NotJudged)
                unjudged.points.append(p);
            else if (verdict == Verdict::Correct)
                correct.points.append(p);
            else
                wrong.points.append(p);
        }
    }
    QString title = QStringLiteral("Time per sample, %1 results file%2, answers of the run")
                        .arg(files.size())
                        .arg(files.size() == 1 ? QString() : QStringLiteral("s"));
    if (untimed > 0)
        title += QStringLiteral(" (not shown: %1 without time)").arg(untimed);
    QVector<PointSeries> series;
    for (const PointSeries &s : {correct, wrong, unjudged}) {
        // Empty series would only clutter the legend.
        if (!s.points.isEmpty())
            series.append(s);
    }
    return svgScatter(series, title, QStringLiteral("Sample"), QStringLiteral("Time (s)"), false,
                      size);
}

QImage renderTimeChart(const QVector<ResultsFile> &files, const TruthFile *truth, QSize size)
{
    return renderSvg(timeChartSvg(files, truth, size));
}

} // namespace wallmatch
