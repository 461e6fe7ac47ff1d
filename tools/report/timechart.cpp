#include "timechart.h"

#include "statistics.h"

#include <QChart>
#include <QCoreApplication>
#include <QGraphicsScene>
#include <QPainter>
#include <QScatterSeries>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

// Qt 5 keeps the chart classes in a namespace of their own; Qt 6 has none.
#if QT_VERSION < QT_VERSION_CHECK(6, 0, 0)
QT_CHARTS_USE_NAMESPACE
#endif

namespace wallmatch {

namespace {

QScatterSeries *scatter(const QString &name, const QColor &colour)
{
    auto *series = new QScatterSeries;
    series->setName(name);
    series->setColor(colour);
    series->setBorderColor(colour.darker(130));
    series->setMarkerSize(9);
    return series;
}

// The smallest of 1, 2, 5 times a power of ten that splits `span` into at most `intervals` parts.
double niceStep(double span, int intervals)
{
    const double raw = std::max(span, 1e-9) / intervals;
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    for (double m : {1.0, 2.0, 5.0, 10.0}) {
        if (m * power >= raw)
            return m * power;
    }
    return 10 * power;
}

// Ticks every `step` from 0, labelled with as many decimals as the step needs.
void setTicks(QValueAxis *axis, double max, double step)
{
    axis->setRange(0, max);
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
    const int decimals = std::max(0, int(std::ceil(-std::log10(step) - 1e-9)));
    axis->setLabelFormat(QStringLiteral("%.%1f").arg(decimals));
}

} // namespace

QImage renderTimeChart(const QVector<ResultsFile> &files, const TruthFile *truth, QSize size)
{
    QScatterSeries *correct = scatter(QStringLiteral("correct"), QColor(0x2e, 0x9d, 0x4a));
    QScatterSeries *wrong = scatter(QStringLiteral("wrong"), QColor(0xd6, 0x32, 0x30));
    QScatterSeries *unjudged =
        scatter(truth ? QStringLiteral("no truth") : QStringLiteral("answer"),
                truth ? QColor(0x90, 0x90, 0x90) : QColor(0x2f, 0x6f, 0xc0));
    int maxSample = 1;
    double maxSeconds = 0.1;
    int untimed = 0;
    for (const ResultsFile &f : files) {
        for (const ResultAnswer &a : f.runAnswers()) {
            if (!a.milliseconds) {
                ++untimed;
                continue;
            }
            const QPointF p(a.sampleId, *a.milliseconds / 1000.0);
            maxSample = std::max(maxSample, a.sampleId);
            maxSeconds = std::max(maxSeconds, p.y());
            if (!truth || !(judge(*truth, a) != Verdict::NotJudged))
                unjudged->append(p);
            else if ((judge(*truth, a) == Verdict::Correct))
                correct->append(p);
            else
                wrong->append(p);
        }
    }

    auto *chart = new QChart;
    QString title = QStringLiteral("Time per sample, %1 results file%2, answers of the run")
                        .arg(files.size())
                        .arg(files.size() == 1 ? QString() : QStringLiteral("s"));
    if (untimed > 0)
        title += QStringLiteral(" (not shown: %1 without time)").arg(untimed);
    chart->setTitle(title);
    // A little room beyond the last sample and the longest time, so no marker sits on the frame.
    auto *x = new QValueAxis;
    x->setTitleText(QStringLiteral("Sample"));
    setTicks(x, maxSample + 1, std::max(1.0, niceStep(maxSample, 10)));
    auto *y = new QValueAxis;
    y->setTitleText(QStringLiteral("Time (s)"));
    setTicks(y, maxSeconds * 1.05, niceStep(maxSeconds * 1.05, 8));
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (QScatterSeries *series : {correct, wrong, unjudged}) {
        // Empty series would only clutter the legend.
        if (series->count() == 0) {
            delete series;
            continue;
        }
        chart->addSeries(series);
        series->attachAxis(x);
        series->attachAxis(y);
    }
    chart->legend()->setAlignment(Qt::AlignBottom);
    return renderChart(chart, size);
}

QImage renderChart(QChart *chart, QSize size)
{
    // A scene of its own rather than a view: a view lays the chart out only when shown.
    QGraphicsScene scene;
    scene.addItem(chart); // takes the chart
    chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    QCoreApplication::sendPostedEvents(); // the layout of the chart is done in posted events
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    scene.render(&painter, QRectF(QPointF(0, 0), QSizeF(size)), chart->geometry());
    painter.end();
    return image;
}

} // namespace wallmatch
