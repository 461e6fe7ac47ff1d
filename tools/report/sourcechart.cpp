#include "sourcechart.h"

#include "bysource.h"
#include "svgchart.h"

#include <QPainter>

namespace wallmatch {

QString sourceChartSvg(const QVector<ResultsFile> &files, QSize size)
{
    QVector<ResultAnswer> run;
    for (const ResultsFile &f : files)
        run += f.runAnswers();
    QVector<BoxGroup> groups;
    const QStringList sources = sourcesOf(files);
    for (int i = 0; i < sources.size(); ++i) {
        BoxGroup box {sources.at(i), seriesColour(i), {}, i};
        for (const ResultAnswer &a : run) {
            if (a.source == sources.at(i) && a.milliseconds)
                box.values.append(*a.milliseconds / 1000.0);
        }
        groups.append(box);
    }
    return svgBoxPlot(groups, QStringLiteral("Time by source, answers of the run"),
                      QStringLiteral("Time (s)"), size,
                      QStringLiteral("n: answers with time. Box: quartiles and median; "
                                     "whiskers: shortest and longest."));
}

QImage renderSourceChart(const QVector<ResultsFile> &files, QSize size)
{
    return renderSvg(sourceChartSvg(files, size));
}

QImage withSourceChart(const QImage &chart, const QVector<ResultsFile> &files)
{
    const QImage sources = renderSourceChart(files, QSize(chart.height() * 6 / 7, chart.height()));
    QImage both(chart.width() + sources.width(), chart.height(),
                QImage::Format_ARGB32_Premultiplied);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(0, 0, chart);
    painter.drawImage(chart.width(), 0, sources);
    return both;
}

} // namespace wallmatch
