#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QXmlStreamReader>

#include <memory>

#include "clirun.h"
#include "demoset.h"
#include "studyfixture.h"
#include "svgchart.h"
#include "testfiles.h"
#include "truthfile.h"

// The HTML report as a reader gets it: written by the program, opened in a real browser
// (Debian's Chromium, headless), every picture loaded and nothing reported broken.
class TestHtmlReport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QStringList resultsFiles;
    int samples = 3;

    static QString chromium() { return QStandardPaths::findExecutable(QStringLiteral("chromium")); }

    CliRun report(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        return CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE), resultsFiles + args, dir.path(),
                           env);
    }

    // Runs Chromium headless on a page; root (as on CI) needs its sandbox off.
    static QProcess *browse(const QStringList &args)
    {
        auto *p = new QProcess;
        p->setProcessChannelMode(QProcess::SeparateChannels);
        p->start(chromium(),
                 QStringList {"--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
                              "--hide-scrollbars",
                              "--user-data-dir=" + QDir::tempPath() + "/wallmatch-chromium-"
                                  + QString::number(QCoreApplication::applicationPid())}
                     + args);
        return p;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        wallmatch::DemoSetOptions options;
        options.outDir = dir.path();
        options.samples = samples;
        options.seed = 5;
        options.threads = 1;
        QCOMPARE(wallmatch::writeDemoSet(options), QString());
        const wallmatch::TruthFile truth = wallmatch::readTruthFile(
            dir.filePath(QStringLiteral("test_datasets/") + wallmatch::kTruthFileName));
        fixture::StudyDesign design;
        design.participants = 4;
        design.samples = samples;
        // The demo numbers both built-in sources' walls alike: Kestrel's rows serve.
        design.secondaryWalls =
            fixture::secondaryWallsOf(truth, samples, QStringLiteral("Kestrel"));
        const fixture::GeneratedStudy study = fixture::generateStudy(design);
        for (int p = 0; p < study.participants.size(); ++p) {
            resultsFiles << QStringLiteral("results_%1.txt").arg(study.participants.at(p));
            QVERIFY(writeTestFile(dir.filePath(resultsFiles.last()), study.results.at(p)));
        }
    }

    // A broken page must be caught: the same check on a report with a picture removed.
    void opensInBrowser_data()
    {
        QTest::addColumn<bool>("removePicture");
        QTest::newRow("as written") << false;
        QTest::newRow("a preview removed") << true;
    }
    void opensInBrowser()
    {
        QFETCH(bool, removePicture);
        QVERIFY2(!chromium().isEmpty(), "chromium not found: scripts/setup installs it");
        const QString out = dir.filePath(removePicture ? "html-broken" : "html");
        const CliRun r = report({"--truth", "test_datasets/truth.csv", "--html", out});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QString html = QString::fromUtf8(testfiles::readFile(out + "/index.html"));
        // Every picture named in the page: six charts (time and accuracy by source, by participant,
        // time per case, accuracy per sample) and each (sample, source) with its preview.
        QStringList pictures;
        static const QRegularExpression src(QStringLiteral("<img src=\"([^\"]+)\""));
        for (auto m = src.globalMatch(html); m.hasNext();)
            pictures << m.next().captured(1);
        QCOMPARE(int(pictures.size()), 6 + samples * 2);
        for (const QString &p : pictures)
            QVERIFY2(QFile::exists(out + "/" + p), qPrintable(p));
        QString removed;
        if (removePicture) {
            removed = pictures.last();
            QVERIFY(QFile::remove(out + "/" + removed));
        }

        // The page as written plus a script that records failed loads and errors and, once
        // everything has loaded, writes what it found into the page Chromium dumps.
        const QString probe = QStringLiteral(R"js(<script>
var failures = [];
window.addEventListener('error', function (e) {
  var t = e.target;
  failures.push(t && t.getAttribute && t.getAttribute('src') ? 'resource ' + t.getAttribute('src')
                                                             : 'script ' + e.message);
}, true);
window.addEventListener('load', function () {
  var broken = [];
  for (var i = 0; i < document.images.length; ++i) {
    var im = document.images[i];
    if (!im.complete || im.naturalWidth === 0) broken.push(im.getAttribute('src'));
  }
  var p = document.createElement('pre');
  p.id = 'probe';
  p.textContent = 'images=' + document.images.length + ';broken=' + broken.join(' ') +
                  ';errors=' + failures.join(' | ') + ';';
  document.body.appendChild(p);
});
</script>)js");
        html.replace(QStringLiteral("<head>"), QStringLiteral("<head>\n") + probe);
        QVERIFY(testfiles::writeFile(out + "/probe.html", html.toUtf8()));
        std::unique_ptr<QProcess> dump(
            browse({"--virtual-time-budget=20000", "--dump-dom",
                    QUrl::fromLocalFile(out + "/probe.html").toString()}));
        QVERIFY2(dump->waitForFinished(120000), "chromium did not finish");
        const QString dom = QString::fromUtf8(dump->readAllStandardOutput());
        static const QRegularExpression found(
            QStringLiteral("id=\"probe\">images=(\\d+);broken=([^;]*);errors=([^;]*);"));
        const QRegularExpressionMatch m = found.match(dom);
        QVERIFY2(m.hasMatch(), qPrintable(QString::fromUtf8(dump->readAllStandardError())));
        QCOMPARE(m.captured(1).toInt(), pictures.size());
        QCOMPARE(m.captured(2), removed);
        QCOMPARE(m.captured(3), removePicture ? "resource " + removed : QString());

        // The page itself, as a reader opens it: a screenshot, with the console on stderr.
        const QString shot = out + "/screenshot.png";
        std::unique_ptr<QProcess> take(
            browse({"--enable-logging=stderr", "--v=0", "--window-size=1200,2400",
                    "--screenshot=" + shot, QUrl::fromLocalFile(out + "/index.html").toString()}));
        QVERIFY2(take->waitForFinished(120000), "chromium did not finish");
        // Chromium logs the page's script errors here (failed loads only reach the page's own
        // error events, which the probe above checks).
        const QString console = QString::fromUtf8(take->readAllStandardError());
        QVERIFY2(!console.contains(QStringLiteral("Uncaught")), qPrintable(console));
        const QImage image(shot);
        QCOMPARE(image.size(), QSize(1200, 2400));
        // Something is drawn: the page's first screen is not all one colour.
        QVERIFY(image.copy(0, 0, 1200, 1200).convertToFormat(QImage::Format_Indexed8).colorCount()
                > 16);
    }

    void withoutTree()
    {
        const QString out = dir.filePath("html-no-tree");
        const CliRun r = report(
            {"--truth", "test_datasets/truth.csv", "--html", out, "--tree", "no-such-folder"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QString html = QString::fromUtf8(testfiles::readFile(out + "/index.html"));
        QVERIFY(html.contains(QStringLiteral("No sample tree at no-such-folder")));
        QVERIFY(html.contains(QStringLiteral("<h2>By source</h2>")));
        QVERIFY(html.contains(QStringLiteral("accuracy-by-source.svg")));
        QVERIFY(!QDir(out + "/samples").exists());
        // Tests as tables with their effect sizes, not a console dump.
        QVERIFY(html.contains(QStringLiteral("<table class=\"tests\">")));
        QVERIFY(html.contains(QStringLiteral("rank-biserial")));
        QVERIFY(!html.contains(QStringLiteral("<pre>")));
        // Samples still listed worst first, with their answer tables.
        QCOMPARE(int(html.count(QStringLiteral("<h3 id=\"sample-"))), samples);
    }

    // With --reference each case gets its layout's agreement with the reference: Kestrel against
    // itself agrees fully; the HTML report draws accuracy against it.
    void layoutMetrics()
    {
        const QString out = dir.filePath("html-metrics");
        const CliRun r = report({"--truth", "test_datasets/truth.csv", "--reference", "Kestrel",
                                 "--trials", "metrics.csv", "--html", out});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QStringList lines =
            QString::fromUtf8(testfiles::readFile(dir.filePath("metrics.csv")))
                .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
        const QStringList header = lines.first().split(',');
        const int source = int(header.indexOf("source")), iou = int(header.indexOf("iou2d")),
                  error = int(header.indexOf("floor_error"));
        QVERIFY2(iou > 0 && error > 0, qPrintable(lines.first()));
        int kestrel = 0, other = 0;
        for (int i = 1; i < lines.size(); ++i) {
            const QStringList f = lines.at(i).split(',');
            QVERIFY2(!f.at(iou).isEmpty(), qPrintable(lines.at(i)));
            const double value = f.at(iou).toDouble();
            QVERIFY(value >= 0 && value <= 1);
            if (f.at(source) == "Kestrel") {
                QCOMPARE(value, 1.0);
                QCOMPARE(f.at(error).toDouble(), 0.0);
                ++kestrel;
            } else {
                ++other;
            }
        }
        QVERIFY(kestrel > 0 && other > 0);
        QVERIFY(QFile::exists(out + "/accuracy-by-iou.svg"));
        // A reference without corner files is refused, not reported as agreeing.
        const CliRun none = report({"--reference", "Nobody", "--trials", "none.csv"});
        QCOMPARE(none.status, 1);
        QVERIFY2(none.err.contains("no case has layout metrics"), qPrintable(none.err));
    }

    // Charts are well-formed SVG whatever the labels hold.
    void chartsAreWellFormed_data()
    {
        QTest::addColumn<QString>("label");
        QTest::newRow("plain") << QStringLiteral("Kestrel");
        QTest::newRow("markup") << QStringLiteral("<b>&\"'");
    }
    void chartsAreWellFormed()
    {
        QFETCH(QString, label);
        using namespace wallmatch;
        const QColor c(Qt::blue);
        for (const QString &svg :
             {svgBoxPlot({{label, c, {1, 2, 3, 40}}, {label, c, {}}}, label, label),
              svgProportions({{label, c, 3, 4}, {label, c, 0, 0}}, label),
              svgScatter({{label, c, {{1, 2}, {2, 0.5}, {3, 0}}}}, label, label, label, true)}) {
            QXmlStreamReader xml(svg);
            while (!xml.atEnd())
                xml.readNext();
            QVERIFY2(!xml.hasError(), qPrintable(xml.errorString() + "\n" + svg));
            QVERIFY(!svg.contains(QStringLiteral("nan")) && !svg.contains(QStringLiteral("inf")));
        }
    }

    void wilsonInterval_data()
    {
        QTest::addColumn<int>("successes");
        QTest::addColumn<int>("trials");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // Values from R: prop.test(successes, trials, correct = FALSE)$conf.int.
        QTest::newRow("8 of 10") << 8 << 10 << 0.4902 << 0.9433;
        QTest::newRow("0 of 20") << 0 << 20 << 0.0 << 0.1611;
        QTest::newRow("50 of 50") << 50 << 50 << 0.9287 << 1.0;
    }
    void wilsonInterval()
    {
        QFETCH(int, successes);
        QFETCH(int, trials);
        QFETCH(double, low);
        QFETCH(double, high);
        const auto [lo, hi] = wallmatch::wilsonInterval(successes, trials);
        QVERIFY2(std::abs(lo - low) < 1e-4, qPrintable(QString::number(lo)));
        QVERIFY2(std::abs(hi - high) < 1e-4, qPrintable(QString::number(hi)));
    }
};

QTEST_MAIN(TestHtmlReport)
#include "tst_htmlreport.moc"
