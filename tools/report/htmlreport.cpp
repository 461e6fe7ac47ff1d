#include "htmlreport.h"

#include "bysource.h"
#include "cli.h"
#include "cornerfile.h"
#include "judgedanswers.h"
#include "preview.h"
#include "regularfile.h"
#include "reporttext.h"
#include "samplefolder.h"
#include "sources.h"
#include "statistics.h"
#include "svgchart.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMap>

#include <algorithm>
#include <cmath>

namespace wallmatch {

namespace {

// Bounds on what is read from the sample tree.
constexpr int maxPanoramaWidth = 8192, maxPanoramaHeight = 4096;

// A source name as part of a file name: letters, digits, '-' and '_' kept, the rest '_'.
QString pictureName(const QString &source)
{
    QString name = source;
    for (QChar &c : name) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return name;
}

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
    return shareText(part, whole, ShareStyle::Html);
}

QString pText(double p)
{
    if (std::isnan(p))
        return QStringLiteral("–");
    // Kept on one line in narrow table cells.
    return p < 0.0001 ? QStringLiteral("&lt;&nbsp;0.0001") : QString::number(p, 'f', 4);
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
table.tests td:nth-child(-n+3) { text-align: left; }
pre { background: #f6f6f6; padding: 0.6em; white-space: pre-wrap; }
.charts img { margin: 0.3em; border: 1px solid #eee; max-width: 100%; }
.panos { display: flex; gap: 1em; flex-wrap: wrap; }
.panos figure { margin: 0; flex: 1 1 480px; }
.pano { position: relative; line-height: 0; }
.pano img { width: 100%; display: block; }
.pano svg { position: absolute; left: 0; top: 0; width: 100%; height: 100%; }
.right { color: #1a7f37; font-weight: bold; } .wrong { color: #c62828; }
.note { color: #666; }
.nowrap { white-space: nowrap; }
.warning { background: #fff4d6; border-left: 4px solid #e69f00; padding: 0.3em 0.6em; }
)css";

// "3 of 5 (60.0 %)", and the answers judged on uncertain truth among them, as the text has it.
QString correctCell(const Accuracy &a)
{
    return correctText(a, ShareStyle::Html);
}

QString summaryTable(const QVector<ResultsFile> &files, const TruthFile *truth)
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
            cells << correctCell(s.accuracy);
        return row(cells);
    };
    for (const ResultsFile &f : files)
        html += line(participantOf(f.name), f.name, summarize(f.name, {f}, truth));
    html += line(QStringLiteral("all"), QString(), summarize(QStringLiteral("all"), files, truth));
    return html + QStringLiteral("</table>\n");
}

QString sourceTable(const QVector<ResultsFile> &files, const QStringList &sources,
                    const TruthFile *truth)
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
            cells << correctCell(s.accuracy)
                  << (s.accuracy.judged ? QStringLiteral("%1–%2 %")
                                              .arg(100 * lo, 0, 'f', 1)
                                              .arg(100 * hi, 0, 'f', 1)
                                        : QString());
        }
        html += row(cells);
    }
    return html + QStringLiteral("</table>\n");
}

// Each participant's values per source and the tests over participants, as tables.
QString testsSection(const QVector<ResultsFile> &files, const QStringList &sources,
                     const TruthFile *truth)
{
    if (sources.size() < 2)
        return QString();
    QString html = QStringLiteral("<h3>Per participant</h3>\n<table>\n");
    QStringList head {QStringLiteral("participant")};
    for (const QString &source : sources)
        head << QStringLiteral("%1: answers, median s%2")
                    .arg(esc(source), truth ? QStringLiteral(", correct") : QString());
    html += row(head, QStringLiteral("th"));
    const QVector<ParticipantStats> participants = statsByParticipant(files, sources, truth);
    for (const ParticipantStats &p : participants) {
        QStringList cells {esc(p.participant)};
        for (const SourceStats &s : p.bySource) {
            QString cell = QStringLiteral("%1, %2").arg(s.answers).arg(
                s.times.timed ? secondsText(s.times.medianSeconds) : QStringLiteral("–"));
            if (truth) {
                cell +=
                    QStringLiteral(", %1").arg(percentText(s.accuracy.correct, s.accuracy.judged));
                if (s.accuracy.uncertain > 0)
                    cell += uncertainText(s.accuracy);
            }
            cells << cell;
        }
        html += row(cells);
    }
    html += QStringLiteral("</table>\n<h3>Tests over participants</h3>\n<table class=\"tests\">\n");
    html += row({QStringLiteral("measure"), QStringLiteral("test"), QStringLiteral("sources"),
                 QStringLiteral("participants"), QStringLiteral("statistic"), QStringLiteral("p"),
                 QStringLiteral("p, Holm"), QStringLiteral("effect size")},
                QStringLiteral("th"));
    const QVector<SourceComparison> comparisons =
        compareSources(participants, sources, truth != nullptr);
    for (const SourceComparison &c : comparisons) {
        const bool friedman = c.test == QLatin1String("friedman");
        const QString statistic = friedman
            ? QStringLiteral("χ² = %1, %2 df").arg(c.statistic, 0, 'f', 3).arg(sources.size() - 1)
            : c.test == QLatin1String("sign") ? QStringLiteral("%1 positive").arg(c.statistic)
                                              : QStringLiteral("W+ = %1").arg(c.statistic);
        html += row({esc(c.measure),
                     friedman                              ? QStringLiteral("Friedman")
                         : c.test == QLatin1String("sign") ? QStringLiteral("sign")
                                                           : QStringLiteral("Wilcoxon signed-rank"),
                     esc(c.sources.join(friedman ? QStringLiteral(", ") : QStringLiteral(" − "))),
                     QString::number(c.participants), c.participants ? statistic : QString(),
                     c.participants ? pText(c.p) : QString(), c.pHolm ? pText(*c.pHolm) : QString(),
                     c.effectSize ? QStringLiteral("%1 = %2")
                                        .arg(friedman ? QStringLiteral("W") : QStringLiteral("r"))
                                        .arg(*c.effectSize, 0, 'f', 2)
                                  : QString()});
    }
    html += QStringLiteral("</table>\n<p class=\"note\">Two-sided tests of the participants' "
                           "median time and share correct; a pair's differences are its first "
                           "source minus its second. Effect sizes: Kendall's W with Friedman's "
                           "test (0: no agreement on the order of the sources, 1: full), the "
                           "matched-pairs rank-biserial r with Wilcoxon's (−1 to 1: the share "
                           "of the rank sum favouring the first source minus the rest).</p>\n");
    for (const QString &w : designWarnings(comparisons, truth, sources))
        html += QStringLiteral("<p class=\"warning\">Warning: %1</p>\n").arg(esc(w));
    return html;
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
                 QStringLiteral("p"), QStringLiteral("ratio (95 % interval)"),
                 QStringLiteral("interval by"), QStringLiteral("LRT p"), QStringLiteral("answers")},
                QStringLiteral("th"));
    QStringList notes;
    for (const ModelEffect &e : models.effects) {
        if (!e.converged) {
            html += row({esc(e.measure), esc(e.source), esc(e.reference),
                         QStringLiteral("did not converge: %1").arg(esc(e.message)), QString(),
                         QString(), QString(), QString(), QString(), QString(),
                         QString::number(e.observations)});
            continue;
        }
        if (!e.message.isEmpty()
            && !notes.contains(QStringLiteral("%1: %2").arg(e.measure, e.message)))
            notes << QStringLiteral("%1: %2").arg(e.measure, e.message);
        // "time" and "time_by_iou2d" are ratios of time, the rest of odds.
        const bool time = e.measure.startsWith(QLatin1String("time"));
        const QString interval = e.interval.isEmpty() ? QString()
                                                      : QStringLiteral(" (%1–%2)")
                                                            .arg(std::exp(e.confLow), 0, 'f', 2)
                                                            .arg(std::exp(e.confHigh), 0, 'f', 2);
        html += row({esc(e.measure), esc(e.source), esc(e.reference),
                     QString::number(e.estimate, 'f', 3), QString::number(e.stdError, 'f', 3),
                     QString::number(e.statistic, 'f', 2), pText(e.p),
                     QStringLiteral("<span class=\"nowrap\">%1%2&nbsp;%3</span>")
                         .arg(std::exp(e.estimate), 0, 'f', 2)
                         .arg(interval, time ? QStringLiteral("× time") : QStringLiteral("× odds")),
                     e.interval == QLatin1String("profile") ? QStringLiteral("profile likelihood")
                                                            : esc(e.interval),
                     pText(e.lrtP), QString::number(e.observations)});
    }
    html += QStringLiteral("</table>\n<p class=\"note\">Time in log seconds: a ratio of 1.30 "
                           "means 30 % longer than the reference. Accuracy in log odds of "
                           "a correct answer; its ratio is the odds ratio. Intervals: 95 %, by "
                           "profile likelihood where the profile could be computed, Wald "
                           "(estimate ± 1.96 SE) otherwise. p of t for time taken as normal; "
                           "LRT: likelihood-ratio test of source against the model without "
                           "it.</p>\n");
    for (const QString &n : qAsConst(notes))
        html += QStringLiteral("<p class=\"warning\">lme4 on %1</p>\n").arg(esc(n));
    return html;
}

// The truth's right secondary walls per primary wall of a sample and source (-1: the wall has
// no counterpart), or none when the truth has no rows for them.
std::optional<QMap<int, QVector<int>>> rightWalls(const TruthFile *truth, int sample,
                                                  const QString &source)
{
    const std::optional<WallPairs> pairs =
        truth ? truthPairs(*truth, sample, source) : std::nullopt;
    if (!pairs)
        return std::nullopt;
    QMap<int, QVector<int>> walls;
    for (const auto &pair : *pairs)
        walls[pair.first].append(pair.second);
    return walls;
}

// Where each view sits in a preview picture, and the size of the panoramas the clicks are in.
struct PreviewLayout
{
    QSize picture;
    QRect views[2];
    QSize panoramas[2];
};

// The preview of one sample with one source's numbered walls (the picture wallmatch-prep
// preview draws), written beside the page; none when the tree lacks the sample's files.
std::optional<PreviewLayout> writePreview(const QString &tree, int sample, const QString &source,
                                          const TruthFile *truth, const QString &target,
                                          QVector<Problem> &problems)
{
    PreviewView views[2];
    PreviewLayout layout;
    for (int v = 0; v < 2; ++v) {
        const QString folder = sampleViewFolder(QDir(tree).path(), sample, v);
        const QString imageFile = QDir(folder).filePath(bareFileName(imageFileLiteral));
        const QString cornerFile = QDir(folder).filePath(cornerFileName(source));
        if (!QFileInfo(imageFile).isFile() || !QFileInfo(cornerFile).isFile())
            return std::nullopt;
        // Regular files only, sizes checked before reading: a FIFO put in place would block.
        const ImageFile image =
            readImageFile(imageFile, true, QSize(maxPanoramaWidth, maxPanoramaHeight));
        layout.panoramas[v] = image.size;
        if (!image.ok) {
            problems.append({imageFile, 0, QStringLiteral("not a panorama this report can show")});
            return std::nullopt;
        }
        views[v].image = image.image;
        const ReadFile corners = readRegularFile(cornerFile, maxCornerFileBytes);
        if (!corners.ok) {
            problems.append({cornerFile, 0, QStringLiteral("corner file not readable")});
            return std::nullopt;
        }
        views[v].corners = parseCorners(corners.bytes).roomCorners;
        views[v].caption = v == 0 ? QStringLiteral("primary") : QStringLiteral("secondary");
    }
    const std::optional<WallPairs> pairs =
        truth ? truthPairs(*truth, sample, source) : std::nullopt;
    const QImage image =
        renderPreview(views[0], views[1], QStringLiteral("sample %1, %2").arg(sample).arg(source),
                      pairs, truth ? uncertainWalls(*truth, sample, source) : UncertainWalls());
    if (!image.save(target, "JPEG", 85)) {
        problems.append({target, 0, QStringLiteral("cannot write the image")});
        return std::nullopt;
    }
    // The preview stacks three caption lines of equal height and the two views drawn at the
    // viewer's 1024 x 512: caption, caption, primary, caption, secondary.
    const int view = 512, line = (image.height() - 2 * view) / 3;
    layout.picture = image.size();
    layout.views[0] = QRect(0, 2 * line, image.width(), view);
    layout.views[1] = QRect(0, 3 * line + view, image.width(), view);
    return layout;
}

QString answerMarks(const SampleSourceAnswers &group, const PreviewLayout &layout, QSize size)
{
    QString svg = QStringLiteral("<svg viewBox=\"0 0 %1 %2\" preserveAspectRatio=\"none\">")
                      .arg(size.width())
                      .arg(size.height());
    for (const Trial *t : group.trials) {
        const QString colour = !t->judged ? QStringLiteral("#888")
            : t->correct                  ? QStringLiteral("#1a7f37")
                                          : QStringLiteral("#c62828");
        for (int v = 0; v < 2; ++v) {
            const QPoint click = v == 0 ? t->click1 : t->click2;
            const QRect &area = layout.views[v];
            const double x =
                area.left() + click.x() * double(area.width()) / layout.panoramas[v].width();
            const double y =
                area.top() + click.y() * double(area.height()) / layout.panoramas[v].height();
            svg += QStringLiteral("<circle cx=\"%1\" cy=\"%2\" r=\"7\" fill=\"%3\" "
                                  "fill-opacity=\"0.8\" stroke=\"white\" stroke-width=\"2\">"
                                  "<title>%4: wall %5 \u21d4 wall %6</title></circle>")
                       .arg(x, 0, 'f', 1)
                       .arg(y, 0, 'f', 1)
                       .arg(colour)
                       .arg(esc(t->participant))
                       .arg(t->primaryWall)
                       .arg(t->secondaryWall);
        }
    }
    return svg + QStringLiteral("</svg>");
}

QString rightText(const std::optional<QVector<int>> &right)
{
    if (!right)
        return QStringLiteral("no truth");
    QStringList walls;
    for (const int w : *right) {
        if (w >= 0)
            walls << QString::number(w);
    }
    if (walls.isEmpty())
        return QStringLiteral("none: no counterpart");
    return (walls.size() == 1 ? QStringLiteral("wall ") : QStringLiteral("walls "))
        + walls.join(QStringLiteral(" or "));
}

// For each primary wall chosen: how many answers went to each secondary wall, the right one
// marked.
QString answerTable(const SampleSourceAnswers &group, const TruthFile *truth)
{
    QMap<int, QMap<int, int>> counts;
    for (const Trial *t : group.trials)
        ++counts[t->primaryWall][t->secondaryWall];
    QString html = QStringLiteral("<table>\n");
    html += row({QStringLiteral("primary wall"), QStringLiteral("answers"),
                 QStringLiteral("secondary walls chosen"), QStringLiteral("right")},
                QStringLiteral("th"));
    const std::optional<QMap<int, QVector<int>>> walls =
        rightWalls(truth, group.sample, group.source);
    for (auto p = counts.cbegin(); p != counts.cend(); ++p) {
        // The right secondary walls; -1 alone: the wall has no counterpart, every answer wrong.
        std::optional<QVector<int>> right;
        if (walls && walls->contains(p.key()))
            right = walls->value(p.key());
        QStringList chosen;
        int total = 0;
        for (auto s = p.value().cbegin(); s != p.value().cend(); ++s) {
            total += s.value();
            const QString text = QStringLiteral("wall %1: %2").arg(s.key()).arg(s.value());
            const bool isRight = right && right->contains(s.key());
            chosen << (right ? QStringLiteral("<span class=\"%1\">%2%3</span>")
                                   .arg(isRight ? QStringLiteral("right") : QStringLiteral("wrong"),
                                        text, isRight ? QStringLiteral(" ✓") : QString())
                             : text);
        }
        html += row({QString::number(p.key()), QString::number(total),
                     chosen.join(QStringLiteral(", ")), rightText(right)});
    }
    return html + QStringLiteral("</table>\n");
}

// "; 2 on uncertain truth" after a sample's share, as the text has it; nothing when none.
QString uncertainOfSample(int uncertain)
{
    return uncertain > 0 ? QStringLiteral("; %1 on uncertain truth").arg(uncertain) : QString();
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
    if (haveTree)
        QDir(dir).mkpath(QStringLiteral("samples"));
    int lastSample = -1, drawn = 0;
    const QVector<SampleSourceAnswers> groups = answersBySample(input.trials, input.sources);
    for (const SampleSourceAnswers &group : groups) {
        if (haveTree && input.progress)
            input.progress(drawn++, int(groups.size()));
        if (group.sample != lastSample) {
            lastSample = group.sample;
            int judged = 0, correct = 0, uncertain = 0;
            for (const Trial &t : input.trials) {
                if (t.phase == QLatin1String("test") && t.sample == group.sample && t.judged) {
                    ++judged;
                    correct += t.correct ? 1 : 0;
                    uncertain += t.certain ? 0 : 1;
                }
            }
            html += QStringLiteral("<h3 id=\"sample-%1\">Sample %1: %2%3</h3>\n")
                        .arg(group.sample)
                        .arg(judged ? QStringLiteral("%1 of %2 correct (%3)")
                                          .arg(correct)
                                          .arg(judged)
                                          .arg(percentText(correct, judged))
                                    : QStringLiteral("not judged"),
                             uncertainOfSample(uncertain));
        }
        html +=
            QStringLiteral("<h4>%1: %2 answers, %3%4</h4>\n")
                .arg(esc(group.source))
                .arg(group.trials.size())
                .arg(
                    group.judged
                        ? QStringLiteral("%1 correct").arg(percentText(group.correct, group.judged))
                        : QStringLiteral("not judged"),
                    uncertainOfSample(group.uncertain));
        const QString picture =
            QStringLiteral("samples/%1-%2.jpg").arg(group.sample).arg(pictureName(group.source));
        const std::optional<PreviewLayout> layout = haveTree
            ? writePreview(input.tree, group.sample, group.source, input.truth,
                           QDir(dir).filePath(picture), problems)
            : std::nullopt;
        if (layout) {
            html += QStringLiteral("<div class=\"pano\"><img src=\"%1\" alt=\"sample %2 with "
                                   "%3's walls\">%4</div>\n")
                        .arg(picture)
                        .arg(group.sample)
                        .arg(esc(group.source))
                        .arg(answerMarks(group, *layout, layout->picture));
        } else if (haveTree) {
            html += QStringLiteral("<p class=\"note\">No panoramas or corners of %1 for this "
                                   "sample in the tree.</p>\n")
                        .arg(esc(group.source));
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
            groups.append({t.sample, t.source, {}, 0, 0, 0});
            g = groups.end() - 1;
        }
        g->trials.append(&t);
        g->judged += t.judged ? 1 : 0;
        g->correct += t.judged && t.correct ? 1 : 0;
        g->uncertain += t.judged && !t.certain ? 1 : 0;
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

    // Charts, every source in its colour and marker by its place in the study's order.
    QVector<BoxGroup> times;
    QVector<Proportion> shares;
    QVector<PointSeries> perCase;
    for (int i = 0; i < input.sources.size(); ++i) {
        const QString &source = input.sources.at(i);
        BoxGroup box {source, seriesColour(i), {}, i};
        Proportion share {source, seriesColour(i), 0, 0, i};
        PointSeries points {source, seriesColour(i), {}, i};
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
    QString charts;
    const auto chart = [&](const QString &name, const QString &svg, const QString &alt) {
        writeText(name, svg);
        charts += QStringLiteral("<img src=\"%1\" alt=\"%2\">").arg(name, alt);
    };
    chart(QStringLiteral("time-by-source.svg"),
          svgBoxPlot(times, QStringLiteral("Time by source"), QStringLiteral("seconds")),
          QStringLiteral("time by source"));
    if (input.truth)
        chart(QStringLiteral("accuracy-by-source.svg"),
              svgProportions(shares, QStringLiteral("Accuracy by source")),
              QStringLiteral("accuracy by source"));
    // Each participant's own course over the sources: a line per participant.
    const QVector<ParticipantStats> participants =
        statsByParticipant(input.files, input.sources, input.truth);
    if (input.sources.size() > 1 && !participants.isEmpty()) {
        QVector<SubjectLine> medians, correct;
        for (const ParticipantStats &p : participants) {
            SubjectLine time {p.participant, {}}, share {p.participant, {}};
            for (const SourceStats &s : p.bySource) {
                time.values.append(s.times.timed > 0 ? std::optional<double>(s.times.medianSeconds)
                                                     : std::nullopt);
                share.values.append(s.accuracy.judged > 0
                                        ? std::optional<double>(s.accuracy.share())
                                        : std::nullopt);
            }
            medians.append(time);
            correct.append(share);
        }
        chart(QStringLiteral("time-by-participant.svg"),
              svgSubjectLines(medians, input.sources, QStringLiteral("Median time per participant"),
                              QStringLiteral("median seconds (log scale)"), true, false),
              QStringLiteral("median time per participant and source"));
        if (input.truth)
            chart(QStringLiteral("accuracy-by-participant.svg"),
                  svgSubjectLines(correct, input.sources,
                                  QStringLiteral("Share correct per participant"),
                                  QStringLiteral("share correct"), false, true),
                  QStringLiteral("share correct per participant and source"));
    }
    charts += QStringLiteral("<br>");
    chart(QStringLiteral("time-per-case.svg"),
          svgScatter(perCase, QStringLiteral("Time per case over the session"),
                     QStringLiteral("case"), QStringLiteral("seconds (log scale)"), true),
          QStringLiteral("time per case"));
    // Accuracy against the layout's agreement with the reference (--reference): the share
    // correct per tenth of 2D IoU, mean of the two views.
    QVector<Proportion> byIou(10);
    bool anyIou = false;
    for (int b = 0; b < 10; ++b)
        byIou[b].label =
            QStringLiteral("%1–%2").arg(b / 10.0, 0, 'f', 1).arg((b + 1) / 10.0, 0, 'f', 1);
    for (const Trial &t : input.trials) {
        const std::optional<LayoutAgreement> mean = meanLayout(t);
        if (t.phase != QLatin1String("test") || !t.judged || !mean)
            continue;
        const int b = std::clamp(int(mean->iou2d * 10), 0, 9);
        ++byIou[b].trials;
        byIou[b].successes += t.correct ? 1 : 0;
        anyIou = true;
    }
    if (input.truth && anyIou) {
        QVector<Proportion> shown;
        for (Proportion p : byIou) {
            if (p.trials > 0) {
                p.colour = seriesColour(0);
                shown.append(p);
            }
        }
        chart(QStringLiteral("accuracy-by-iou.svg"),
              svgProportions(shown,
                             QStringLiteral("Accuracy by the shown layout's 2D IoU with the "
                                            "reference"),
                             QSize(std::max(520, 84 + 76 * int(shown.size())), 360)),
              QStringLiteral("accuracy by 2D IoU"));
    }
    if (input.truth) {
        QMap<int, QVector<GridCell>> bySample;
        for (const Trial &t : input.trials) {
            const int column = int(input.sources.indexOf(t.source));
            if (t.phase != QLatin1String("test") || !t.judged || column < 0)
                continue;
            QVector<GridCell> &cells = bySample[t.sample];
            cells.resize(input.sources.size());
            ++cells[column].trials;
            cells[column].successes += t.correct ? 1 : 0;
        }
        QStringList rows;
        QVector<QVector<GridCell>> cells;
        for (auto s = bySample.cbegin(); s != bySample.cend(); ++s) {
            rows << QStringLiteral("sample %1").arg(s.key());
            cells.append(s.value());
        }
        if (!rows.isEmpty()) {
            charts += QStringLiteral("<br>");
            chart(QStringLiteral("accuracy-by-sample.svg"),
                  svgShareGrid(rows, input.sources, cells,
                               QStringLiteral("Correct answers per sample and source")),
                  QStringLiteral("correct answers per sample and source"));
        }
    }

    QString html = QStringLiteral("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta "
                                  "charset=\"utf-8\">\n<title>wallmatch report</title>\n<style>")
        + QLatin1String(style) + QStringLiteral("</style>\n</head>\n<body>\n");
    html += QStringLiteral("<h1>wallmatch report</h1>\n<p>%1 results files, %2 answers%3.</p>\n")
                .arg(input.files.size())
                .arg(input.trials.size())
                .arg(input.truth ? QStringLiteral(", judged against %1").arg(esc(input.truth->file))
                                 : QStringLiteral(", no truth given"));
    html += input.studySection;
    html += QStringLiteral("<h2>Summary</h2>\n") + summaryTable(input.files, input.truth);
    html += QStringLiteral("<h2>By source</h2>\n")
        + sourceTable(input.files, input.sources, input.truth);
    html += testsSection(input.files, input.sources, input.truth);
    html += QStringLiteral("<div class=\"charts\">%1</div>\n").arg(charts);
    if (input.models)
        html += modelsSection(*input.models);
    if (input.power) {
        html += QStringLiteral("<h2>Power from this pilot</h2>\n");
        if (!input.power->unavailable.isEmpty()) {
            html += QStringLiteral("<p class=\"note\">Not simulated: %1</p>\n")
                        .arg(esc(input.power->unavailable));
        } else {
            html += QStringLiteral("<p>Studies of each size simulated from the models fitted to "
                                   "these answers (lme4's <code>simulate</code> and a refit; %1 "
                                   "per size, seed %2): the share in which a source's contrast "
                                   "with the reference had p &lt; 0.05, with its 95 % Wilson "
                                   "interval.</p>\n<table>\n")
                        .arg(input.power->settings.simulations)
                        .arg(input.power->settings.seed);
            html += row({QStringLiteral("measure"), QStringLiteral("source"),
                         QStringLiteral("reference"), QStringLiteral("participants"),
                         QStringLiteral("power"), QStringLiteral("95 % interval"),
                         QStringLiteral("refits")},
                        QStringLiteral("th"));
            for (const PowerRow &r : input.power->rows) {
                const auto [lo, hi] = wilsonInterval(r.significant, r.fitted);
                html += row({esc(r.measure), esc(r.source), esc(r.reference),
                             QString::number(r.participants), QString::number(r.power(), 'f', 2),
                             QStringLiteral("%1–%2").arg(lo, 0, 'f', 2).arg(hi, 0, 'f', 2),
                             QStringLiteral("%1 of %2").arg(r.fitted).arg(r.simulations)});
            }
            html += QStringLiteral("</table>\n<div class=\"charts\"><img src=\"power.svg\" "
                                   "alt=\"power by number of participants\"></div>\n");
            writeText(QStringLiteral("power.svg"), powerChartSvg(*input.power));
        }
    }
    html += samplesSection(input, dir, problems);
    html += QStringLiteral("</body>\n</html>\n");
    writeText(QStringLiteral("index.html"), html);
    return written;
}

} // namespace wallmatch
