#include "sourcechart.h"

#include "bysource.h"
#include "statistics.h"
#include "timechart.h"

#include <QBarCategoryAxis>
#include <QBoxPlotSeries>
#include <QBoxSet>
#include <QChart>
#include <QPainter>
#include <QValueAxis>

#include <algorithm>

// Qt 5 keeps the chart classes in a namespace of their own; Qt 6 has none.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

namespace wallmatch {

QColor sourceColour(const QString &source)
{
    if (source == QLatin1String("Kestrel"))
        return QColor(0x2f, 0x6f, 0xc0);
    if (source == QLatin1String("Bramble"))
        return QColor(0xe0, 0x8a, 0x1e);
    return QColor(0x90, 0x90, 0x90);
}

QImage renderSourceChart(const QVector<ResultsFile> &files, QSize size)
{
    QVector<ResultAnswer> run;
    for (const ResultsFile &f : files)
        run += f.runAnswers();

    auto *series = new QBoxPlotSeries;
    QStringList categories;
    double longest = 0.1;
    for (const QString &source : sourcesOf(files)) {
        QVector<double> seconds;
        for (const ResultAnswer &a : run) {
            if (a.source == source && a.milliseconds)
                seconds.append(*a.milliseconds / 1000.0);
        }
        if (seconds.isEmpty())
            continue;
        std::sort(seconds.begin(), seconds.end());
        longest = std::max(longest, seconds.last());
        const QString label = QStringLiteral("%1 (%2)").arg(source).arg(seconds.size());
        auto *box =
            new QBoxSet(seconds.first(), percentile(seconds, 0.25), percentile(seconds, 0.5),
                        percentile(seconds, 0.75), seconds.last(), label);
        box->setBrush(sourceColour(source));
        box->setPen(QPen(sourceColour(source).darker(160), 1.5));
        series->append(box);
        categories.append(label);
    }

    auto *chart = new QChart;
    chart->setTitle(QStringLiteral("Time by source, answers of the run"));
    chart->addSeries(series);
    auto *x = new QBarCategoryAxis;
    x->append(categories);
    x->setTitleText(QStringLiteral("Source (answers with time); box: quartiles and median, "
                                   "whiskers: shortest and longest"));
    auto *y = new QValueAxis;
    y->setRange(0, longest * 1.05);
    y->applyNiceNumbers();
    y->setTitleText(QStringLiteral("Time (s)"));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    series->attachAxis(x);
    series->attachAxis(y);
    chart->legend()->hide();
    return renderChart(chart, size);
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
