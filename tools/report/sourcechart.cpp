#include "sourcechart.h"

#include "bysource.h"
#include "sources.h"
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
    // The built-in sources keep the colours they always had, in the table's order; any other
    // source takes one of the rest by its name, so it has the same colour in every chart and run.
    static const QColor palette[] = {QColor(0x2f, 0x6f, 0xc0), QColor(0xe0, 0x8a, 0x1e),
                                     QColor(0x3a, 0xa0, 0x5a), QColor(0xb8, 0x3b, 0x8e),
                                     QColor(0x8c, 0x6d, 0x2c), QColor(0x17, 0xa5, 0xb5),
                                     QColor(0xc9, 0x3a, 0x3a), QColor(0x6a, 0x5a, 0xcd)};
    const int count = int(sizeof palette / sizeof palette[0]);
    const int builtIn = builtInSourceIndex(source);
    if (builtIn >= 0 && builtIn < builtInSourceCount)
        return palette[builtIn];
    quint32 hash = 2166136261u; // FNV-1a: the same on every platform and Qt version
    for (const QChar c : source) {
        hash ^= c.unicode();
        hash *= 16777619u;
    }
    return palette[builtInSourceCount + int(hash % quint32(count - builtInSourceCount))];
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
