#include "htmlreport.h"

#include "bysource.h"
#include "cli.h"
#include "reporttext.h"
#include "samplefolder.h"
#include "sourcechart.h"
#include "statistics.h"
#include "svgchart.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// Panoramas are shown at most this wide; larger ones are scaled down on copying.
constexpr int maxPanoramaWidth = 1024;

QString esc(const QString &text)
{
    return xmlEscaped(text);
}

QString secondsText(double s)
{
    return QString::number(s, 'f', 2);
}

QString percentText(int part, int whole)
{
    return whole > 0 ? QString::number(100.0 * part / whole, 'f', 1) + QStringLiteral(" %")
                     : QStringLiteral("–");
}

QString pText(double p)
{
    if (std::isnan(p))
        return QStringLiteral("–");
    return p < 0.0001 ? QStringLiteral("&lt; 0.0001") : QString::number(p, 'f', 4);
}

QString row(const QStringList &cells, const QString &tag = QStringLiteral("td"))
{
    QString html = QStringLiteral("<tr>");
    for (const QString &c : cells)
        html += QStringLiteral("<%1>%2</%1>").arg(tag, c);
    return html + QStringLiteral("</tr>\n");
}

const char *const style = R"css(
body { font-family: sans-serif; margin: 2em auto; max-width: 1100px; color: #222; }
h1 { font-size: 1.6em; } h2 { border-bottom: 1px solid #ccc; margin-top: 2em; }
table { border-collapse: collapse; margin: 0.5em 0 1em; }
th, td { border: 1px solid #ccc; padding: 0.25em 0.6em; text-align: right; }
th:first-child, td:first-child { text-align: left; }
pre { background: #f6f6f6; padding: 0.6em; overflow-x: auto; }
.charts img { margin: 0.3em; border: 1px solid #eee; max-width: 100%; }
.panos { display: flex; gap: 1em; flex-wrap: wrap; }
.panos figure { margin: 0; flex: 1 1 480px; }
.pano { position: relative; line-height: 0; }
.pano img { width: 100%; }
.pano svg { position: absolute; left: 0; top: 0; width: 100%; height: 100%; }
.right { color: #1a7f37; font-weight: bold; } .wrong { color: #c62828; }
.note { color: #666; }
)css";

QString summaryTable(const QVector<ResultsFile> &files, const TruthTable *truth)
{
    QString html = QStringLiteral("<table>\n");
    QStringList head {QStringLiteral("participant"), QStringLiteral("file"),
                      QStringLiteral("answers"),     QStringLiteral("median s"),
                      QStringLiteral("mean s"),      QStringLiteral("90th percentile s")};
    if (truth)
        head << QStringLiteral("correct");
    html += row(head, QStringLiteral("th"));
    const auto line = [&](const QString &who, const QString &file, const Summary &s) {
        QStringList cells {esc(who),
                           esc(file),
                           QString::number(s.answers),
                           s.times.timed ? secondsText(s.times.medianSeconds) : QString(),
                           s.times.timed ? secondsText(s.times.meanSeconds) : QString(),
                           s.times.timed ? secondsText(s.times.p90Seconds) : QString()};
        if (truth)
            cells << QStringLiteral("%1 of %2 (%3)")
                         .arg(s.accuracy.correct)
                         .arg(s.accuracy.judged)
                         .arg(percentText(s.accuracy.correct, s.accuracy.judged));
        return row(cells);
    };
    for (const ResultsFile &f : files)
        html += line(participantOf(f.name), f.name, summarize(f.name, {f}, truth));
    html += line(QStringLiteral("all"), QString(), summarize(QStringLiteral("all"), files, truth));
    return html + QStringLiteral("</table>\n");
}

QString sourceTable(const QVector<ResultsFile> &files, const QStringList &sources,
                    const TruthTable *truth)
{
    QString html = QStringLiteral("<table>\n");
    QStringList head {QStringLiteral("source"), QStringLiteral("answers"),
                      QStringLiteral("median s"), QStringLiteral("90th percentile s")};
    if (truth)
        head << QStringLiteral("correct") << QStringLiteral("95 % interval");
    html += row(head, QStringLiteral("th"));
    for (const SourceStats &s : statsBySource(files, sources, truth)) {
        QStringList cells {esc(s.source), QString::number(s.answers),
                           s.times.timed ? secondsText(s.times.medianSeconds) : QString(),
                           s.times.timed ? secondsText(s.times.p90Seconds) : QString()};
        if (truth) {
            const auto [lo, hi] = wilsonInterval(s.accuracy.correct, s.accuracy.judged);
            cells << QStringLiteral("%1 of %2 (%3)")
                         .arg(s.accuracy.correct)
                         .arg(s.accuracy.judged)
                         .arg(percentText(s.accuracy.correct, s.accuracy.judged))
                  << (s.accuracy.judged ? QStringLiteral("%1–%2 %")
                                              .arg(100 * lo, 0, 'f', 1)
                                              .arg(100 * hi, 0, 'f', 1)
                                        : QString());
        }
        html += row(cells);
    }
    return html + QStringLiteral("</table>\n");
}

QString modelsSection(const MixedModels &models)
{
    QString html = QStringLiteral("<h2>Mixed-effects models</h2>\n<p>R's lme4: "
                                  "<code>lmer(log(seconds) ~ source + (1 | participant) + "
                                  "(1 | sample))</code> for time and <code>glmer(correct ~ source "
                                  "+ (1 | participant) + (1 | sample), family = binomial)</code> "
                                  "for accuracy; each source against the reference.</p>\n");
    if (!models.unavailable.isEmpty())
        return html
            + QStringLiteral("<p class=\"note\">Not fitted: %1</p>\n").arg(esc(models.unavailable));
    html += QStringLiteral("<table>\n");
    html += row({QStringLiteral("measure"), QStringLiteral("source"), QStringLiteral("reference"),
                 QStringLiteral("estimate"), QStringLiteral("SE"), QStringLiteral("t or z"),
                 QStringLiteral("p"), QStringLiteral("ratio"), QStringLiteral("LRT p"),
                 QStringLiteral("answers")},
                QStringLiteral("th"));
    for (const ModelEffect &e : models.effects) {
        if (!e.converged) {
            html +=
                row({esc(e.measure), esc(e.source), esc(e.reference),
                     QStringLiteral("did not converge: %1").arg(esc(e.message)), QString(),
                     QString(), QString(), QString(), QString(), QString::number(e.observations)});
            continue;
        }
        const bool time = e.measure == QLatin1String("time");
        html += row({esc(e.measure), esc(e.source), esc(e.reference),
                     QString::number(e.estimate, 'f', 3), QString::number(e.stdError, 'f', 3),
                     QString::number(e.statistic, 'f', 2), pText(e.p),
                     QStringLiteral("%1 %2")
                         .arg(std::exp(e.estimate), 0, 'f', 2)
                         .arg(time ? QStringLiteral("× time") : QStringLiteral("× odds")),
                     pText(e.lrtP), QString::number(e.observations)});
    }
    return html
        + QStringLiteral("</table>\n<p class=\"note\">Time in log seconds: a ratio of 1.30 "
                         "means 30 % longer than the reference. Accuracy in log odds of "
                         "a correct answer. p of t for time taken as normal; LRT: "
                         "likelihood-ratio test of source against the model without "
                         "it.</p>\n");
}

// The panorama of one view, copied beside the page (scaled down if large); its size in the
// original's pixels, in which the clicks are, or an empty size when there is none.
QSize copyPanorama(const QString &tree, int sample, int view, const QString &target,
                   QVector<Problem> &problems)
{
    const QString source = QDir(tree).filePath(
        QStringLiteral("%1/%2/%3")
            .arg(sample)
            .arg(QLatin1String(viewFolderNames[view]), bareFileName(imageFileLiteral)));
    if (!QFileInfo::exists(source))
        return {};
    QImageReader reader(source);
    const QSize size = reader.size();
    if (size.isEmpty() || size.width() > 16384 || size.height() > 8192) {
        problems.append({source, 0, QStringLiteral("not a panorama this report can show")});
        return {};
    }
    if (size.width() > maxPanoramaWidth)
        reader.setScaledSize(size.scaled(maxPanoramaWidth, maxPanoramaWidth, Qt::KeepAspectRatio));
    const QImage image = reader.read();
    if (image.isNull() || !image.save(target, "JPEG", 85)) {
        problems.append(
            {source, 0,
             QStringLiteral("could not copy the panorama: %1")
                 .arg(image.isNull() ? reader.errorString() : QStringLiteral("not written"))});
        return {};
    }
    return size;
}

QString answerMarks(const SampleSourceAnswers &group, int view, QSize size)
{
    QString svg = QStringLiteral("<svg viewBox=\"0 0 %1 %2\" preserveAspectRatio=\"none\">")
                      .arg(size.width())
                      .arg(size.height());
    const double r = size.width() / 150.0;
    for (const Trial *t : group.trials) {
        const QPoint p = view == 0 ? t->click1 : t->click2;
        const QString colour = !t->judged ? QStringLiteral("#888")
            : t->correct                  ? QStringLiteral("#1a7f37")
                                          : QStringLiteral("#c62828");
        svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\" "
                              "fill-opacity=\"0.75\" stroke=\"white\" stroke-width=\"%5\">"
                              "<title>%6: wall %7 ⇔ wall %8</title></circle>")
                   .arg(p.x())
                   .arg(p.y())
                   .arg(r, 0, 'f', 1)
                   .arg(colour)
                   .arg(r / 4, 0, 'f', 1)
                   .arg(esc(t->participant))
                   .arg(t->primaryWall)
                   .arg(t->secondaryWall);
    }
    return svg + QStringLiteral("</svg>");
}

// For each primary wall chosen: how many answers went to each secondary wall, the right one
// marked.
QString answerTable(const SampleSourceAnswers &group, const TruthTable *truth)
{
    QMap<int, QMap<int, int>> counts;
    for (const Trial *t : group.trials)
        ++counts[t->primaryWall][t->secondaryWall];
    QString html = QStringLiteral("<table>\n");
    html += row({QStringLiteral("primary wall"), QStringLiteral("answers"),
                 QStringLiteral("secondary walls chosen"), QStringLiteral("right")},
                QStringLiteral("th"));
    for (auto p = counts.cbegin(); p != counts.cend(); ++p) {
        std::optional<int> right;
        if (truth && truth->matches.value(group.sample).contains(p.key()))
            right = truth->matches.value(group.sample).value(p.key());
        QStringList chosen;
        int total = 0;
        for (auto s = p.value().cbegin(); s != p.value().cend(); ++s) {
            total += s.value();
            const QString text = QStringLiteral("wall %1: %2").arg(s.key()).arg(s.value());
            chosen << (right ? QStringLiteral("<span class=\"%1\">%2%3</span>")
                                   .arg(s.key() == *right ? QStringLiteral("right")
                                                          : QStringLiteral("wrong"),
                                        text, s.key() == *right ? QStringLiteral(" ✓") : QString())
                             : text);
        }
        html += row({QString::number(p.key()), QString::number(total),
                     chosen.join(QStringLiteral(", ")),
                     right ? QStringLiteral("wall %1").arg(*right) : QStringLiteral("no truth")});
    }
    return html + QStringLiteral("</table>\n");
}

QString samplesSection(const HtmlReportInput &input, const QString &dir, QVector<Problem> &problems)
{
    QString html = QStringLiteral("<h2>Samples, worst first</h2>\n");
    const bool haveTree = !input.tree.isEmpty() && QFileInfo(input.tree).isDir();
    if (!haveTree)
        html += QStringLiteral("<p class=\"note\">No sample tree at %1: the panoramas are not "
                               "shown (give it with --tree).</p>\n")
                    .arg(esc(QDir::toNativeSeparators(input.tree)));
    else
        html += QStringLiteral("<p class=\"note\">Dots are the clicks: green right, red wrong, "
                               "grey not judged; hover for the walls.</p>\n");
    QDir(dir).mkpath(QStringLiteral("samples"));
    int lastSample = -1;
    QSize sizes[2];
    for (const SampleSourceAnswers &group : answersBySample(input.trials, input.sources)) {
        if (group.sample != lastSample) {
            lastSample = group.sample;
            int judged = 0, correct = 0;
            for (const Trial &t : input.trials) {
                if (t.phase == QLatin1String("test") && t.sample == group.sample && t.judged) {
                    ++judged;
                    correct += t.correct ? 1 : 0;
                }
            }
            html += QStringLiteral("<h3 id=\"sample-%1\">Sample %1: %2</h3>\n")
                        .arg(group.sample)
                        .arg(judged ? QStringLiteral("%1 of %2 correct (%3)")
                                          .arg(correct)
                                          .arg(judged)
                                          .arg(percentText(correct, judged))
                                    : QStringLiteral("not judged"));
            for (int view = 0; view < 2; ++view) {
                sizes[view] = haveTree
                    ? copyPanorama(input.tree, group.sample, view,
                                   QDir(dir).filePath(QStringLiteral("samples/%1-%2.jpg")
                                                          .arg(group.sample)
                                                          .arg(view == 0 ? "pri" : "sec")),
                                   problems)
                    : QSize();
            }
            if (haveTree && (sizes[0].isEmpty() || sizes[1].isEmpty()))
                html += QStringLiteral("<p class=\"note\">No panoramas for this sample in the "
                                       "tree.</p>\n");
        }
        html +=
            QStringLiteral("<h4>%1: %2 answers, %3</h4>\n")
                .arg(esc(group.source))
                .arg(group.trials.size())
                .arg(
                    group.judged
                        ? QStringLiteral("%1 correct").arg(percentText(group.correct, group.judged))
                        : QStringLiteral("not judged"));
        if (!sizes[0].isEmpty() && !sizes[1].isEmpty()) {
            html += QStringLiteral("<div class=\"panos\">");
            for (int view = 0; view < 2; ++view) {
                html +=
                    QStringLiteral("<figure><div class=\"pano\"><img src=\"samples/%1-%2.jpg\" "
                                   "alt=\"sample %1, %3 view\">%4</div><figcaption>%3 view"
                                   "</figcaption></figure>")
                        .arg(group.sample)
                        .arg(view == 0 ? "pri" : "sec")
                        .arg(view == 0 ? QStringLiteral("primary") : QStringLiteral("secondary"))
                        .arg(answerMarks(group, view, sizes[view]));
            }
            html += QStringLiteral("</div>\n");
        }
        html += answerTable(group, input.truth);
    }
    return html;
}

} // namespace

QVector<SampleSourceAnswers> answersBySample(const QVector<Trial> &trials,
                                             const QStringList &sources)
{
    QMap<int, QVector<SampleSourceAnswers>> bySample;
    for (const Trial &t : trials) {
        if (t.phase != QLatin1String("test"))
            continue;
        QVector<SampleSourceAnswers> &groups = bySample[t.sample];
        auto g = std::find_if(groups.begin(), groups.end(),
                              [&](const SampleSourceAnswers &s) { return s.source == t.source; });
        if (g == groups.end()) {
            groups.append({t.sample, t.source, {}, 0, 0});
            g = groups.end() - 1;
        }
        g->trials.append(&t);
        g->judged += t.judged ? 1 : 0;
        g->correct += t.judged && t.correct ? 1 : 0;
    }
    struct Order
    {
        int sample;
        int judged;
        double share;
    };
    QVector<Order> order;
    for (auto s = bySample.begin(); s != bySample.end(); ++s) {
        int judged = 0, correct = 0;
        for (const SampleSourceAnswers &g : s.value()) {
            judged += g.judged;
            correct += g.correct;
        }
        order.append({s.key(), judged, judged ? double(correct) / judged : 0.0});
        const auto rank = [&](const SampleSourceAnswers &g) {
            const int i = int(sources.indexOf(g.source));
            return i < 0 ? int(sources.size()) : i;
        };
        std::stable_sort(s.value().begin(), s.value().end(),
                         [&](const SampleSourceAnswers &a, const SampleSourceAnswers &b) {
                             return rank(a) < rank(b)
                                 || (rank(a) == rank(b) && a.source < b.source);
                         });
    }
    std::stable_sort(order.begin(), order.end(), [](const Order &a, const Order &b) {
        if ((a.judged > 0) != (b.judged > 0))
            return a.judged > 0;
        return a.share < b.share;
    });
    QVector<SampleSourceAnswers> result;
    for (const Order &o : order)
        result += bySample.value(o.sample);
    return result;
}

bool writeHtmlReport(const QString &dir, const HtmlReportInput &input, QVector<Problem> &problems)
{
    if (!QDir().mkpath(dir)) {
        problems.append({dir, 0, QStringLiteral("cannot make the folder")});
        return false;
    }
    const QDir out(dir);
    bool written = true;
    const auto writeText = [&](const QString &name, const QString &text) {
        written = writeFileOrComplain(out.filePath(name), text.toUtf8(), problems) && written;
    };

    // Charts.
    QVector<BoxGroup> times;
    QVector<Proportion> shares;
    QVector<PointSeries> perCase;
    for (const QString &source : input.sources) {
        BoxGroup box {source, sourceColour(source), {}};
        Proportion share {source, sourceColour(source), 0, 0};
        PointSeries points {source, sourceColour(source), {}};
        for (const Trial &t : input.trials) {
            if (t.phase != QLatin1String("test") || t.source != source)
                continue;
            if (t.seconds) {
                box.values.append(*t.seconds);
                points.points.append(QPointF(t.caseNumber, *t.seconds));
            }
            if (t.judged) {
                ++share.trials;
                share.successes += t.correct ? 1 : 0;
            }
        }
        times.append(box);
        shares.append(share);
        perCase.append(points);
    }
    writeText(QStringLiteral("time-by-source.svg"),
              svgBoxPlot(times, QStringLiteral("Time by source"), QStringLiteral("seconds")));
    writeText(QStringLiteral("time-per-case.svg"),
              svgScatter(perCase, QStringLiteral("Time per case over the session"),
                         QStringLiteral("case"), QStringLiteral("seconds (log scale)"), true));
    QString charts = QStringLiteral("<img src=\"time-by-source.svg\" alt=\"time by source\">");
    if (input.truth) {
        writeText(QStringLiteral("accuracy-by-source.svg"),
                  svgProportions(shares, QStringLiteral("Accuracy by source")));
        charts += QStringLiteral("<img src=\"accuracy-by-source.svg\" alt=\"accuracy by source\">");
    }
    charts += QStringLiteral("<br><img src=\"time-per-case.svg\" alt=\"time per case\">");

    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
                                  "charset=\"utf-8\">\n<title>wallmatch report</title>\n<style>")
        + QLatin1String(style) + QStringLiteral("</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>wallmatch report</h1>\n<p>%1 results files, %2 answers%3.</p>\n")
                .arg(input.files.size())
                .arg(input.trials.size())
                .arg(input.truth ? QStringLiteral(", judged against %1").arg(esc(input.truth->file))
                                 : QStringLiteral(", no truth given"));
    html += QStringLiteral("<h2>Summary</h2>\n") + summaryTable(input.files, input.truth);
    html += QStringLiteral("<h2>By source</h2>\n")
        + sourceTable(input.files, input.sources, input.truth);
    const QString tests = bySourceText(input.files, input.truth);
    if (!tests.isEmpty())
        html += QStringLiteral("<h3>Paired tests over participants</h3>\n<pre>%1</pre>\n")
                    .arg(esc(tests));
    html += QStringLiteral("<div class=\"charts\">%1</div>\n").arg(charts);
    if (input.models)
        html += modelsSection(*input.models);
    html += samplesSection(input, dir, problems);
    html += QStringLiteral("</body>\n</html>\n");
    writeText(QStringLiteral("index.html"), html);
    return written;
}

} // namespace wallmatch
