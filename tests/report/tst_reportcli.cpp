#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "clirun.h"

// The program as a user runs it: help, exit status, complaints naming file and line, outputs.
class TestReportCli : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    // Runs without a display and without a platform chosen, as on a bare server.
    CliRun run(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE), args, dir.path(), env);
    }

    void write(const QString &name, const QByteArray &bytes)
    {
        QVERIFY(writeTestFile(dir.filePath(name), bytes));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        write(QStringLiteral("good.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
              "ind 2: Wall 1 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6 <==> 7 8\n");
        write(QStringLiteral("bad.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 415 233 <==> 980 301\n"
              "ind 2: Wall 1 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 5 6\n");
        write(QStringLiteral("truth.csv"),
              "sample,primary wall,secondary wall\n1,2,0\n2,0,3\n2,1,2\n");
        // No row for sample 2's primary wall 1; sample 1's wall 2 given two partners.
        write(QStringLiteral("lacking.csv"), "sample,primary wall,secondary wall\n1,2,0\n2,0,3\n");
        write(QStringLiteral("contradicting.csv"),
              "sample,primary wall,secondary wall\n1,2,0\n2,1,3\n1,2,0\n1,2,-1\n");
    }

    // What a results file holds reaches spreadsheets and terminals only as plain text: a source
    // that breaks the name rule is a complaint, not a cell or an escape sequence; a participant
    // ID a spreadsheet would run is written as text.
    void injectedSourcesRefused()
    {
        const QByteArray ok =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n";
        write(QStringLiteral("results_-P9.txt"),
              ok
                  + "ind 2: Wall 0 <==> Wall 3 (=HYPERLINK(\"http://x\",\"y\")) Time: 0:05.000 "
                    "Mouse: 1 2 <==> 3 4\n"
                    "ind 3: Wall 0 <==> Wall 3 (+SUM(1,2)) Time: 0:05.000 Mouse: 1 2 <==> 3 4\n"
                    "ind 4: Wall 0 <==> Wall 3 (\033]0;PWNED\007\033[2J) Time: 0:05.000 Mouse: 1 "
                    "2 <==> 3 4\n");
        const CliRun r = run({"results_-P9.txt", "--trials", "inj-trials.csv", "--csv",
                              "inj-answers.csv", "--source-csv", "inj-sources.csv"});
        QCOMPARE(r.status, 1);
        QVERIFY(!r.out.contains(QChar(0x1b)) && !r.err.contains(QChar(0x1b)));
        QVERIFY2(r.err.contains(QStringLiteral("results_-P9.txt:4: source \"\\x1b]0;PWNED\\x07")),
                 qPrintable(r.err));
        QVERIFY(r.err.contains(QStringLiteral("results_-P9.txt:2: source")));
        for (const char *name : {"inj-trials.csv", "inj-answers.csv", "inj-sources.csv"}) {
            QFile file(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray csv = file.readAll();
            QVERIFY2(!csv.contains("HYPERLINK") && !csv.contains("SUM"), name);
            // Every field that began with a formula sign is quoted text.
            for (const QByteArray &line : csv.split('\n'))
                for (const QByteArray &field : line.trimmed().split(','))
                    QVERIFY2(field.isEmpty()
                                 || (!QByteArray("=+@\t\r").contains(field.at(0))
                                     && !(field.at(0) == '-' && field.size() > 1
                                          && !QChar(field.at(1)).isDigit())),
                             qPrintable(name + QStringLiteral(": ") + line));
        }
        QFile sources(dir.filePath(QStringLiteral("inj-sources.csv")));
        QVERIFY(sources.open(QIODevice::ReadOnly));
        QVERIFY(sources.readAll().contains("\"'-P9\""));
    }

    void help()
    {
        const CliRun r = run({"--help"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains(QStringLiteral("--truth")));
        QVERIFY(r.out.contains(QStringLiteral("--plot")));
    }

    void usageErrors_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("no file") << QStringList {};
        QTest::newRow("unknown option") << QStringList {"good.txt", "--chart", "x.png"};
        QTest::newRow("power of one participant") << QStringList {"good.txt", "--power", "1,12"};
        QTest::newRow("power not a number") << QStringList {"good.txt", "--power", "12,x"};
        QTest::newRow("power size twice") << QStringList {"good.txt", "--power", "12,12"};
        QTest::newRow("no simulations")
            << QStringList {"good.txt", "--power", "12", "--power-sims", "0"};
    }
    void usageErrors()
    {
        QFETCH(QStringList, args);
        const CliRun r = run(args);
        QCOMPARE(r.status, 2);
        QVERIFY(!r.err.isEmpty());
    }

    void goodFileWithAllOutputs()
    {
        const CliRun r =
            run({"good.txt", "--truth", "truth.csv", "--csv", "out.csv", "--plot", "out.png"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("correct: 1 of 2 (50.0%)")), qPrintable(r.out));
        QFile csv(dir.filePath(QStringLiteral("out.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QCOMPARE(csv.readAll().count('\n'), 3);
        const QImage chart(dir.filePath(QStringLiteral("out.png")));
        QVERIFY(!chart.isNull());
        QVERIFY(chart.width() >= 640 && chart.height() >= 400);
    }

    // Two sources: the comparison is printed, written per participant, and charted beside the
    // time per sample. One source (above) leaves the report as it was.
    void sourcesCompared()
    {
        write(QStringLiteral("results_P01.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 2: Wall 0 <==> Wall 3 (Bramble) Time: 0:05.000 Mouse: 1 2 <==> 3 4\n");
        write(QStringLiteral("results_P02.txt"),
              "ind 2: Wall 0 <==> Wall 3 (Kestrel) Time: 0:02.000 Mouse: 1 2 <==> 3 4\n"
              "ind 1: Wall 2 <==> Wall 1 (Bramble) Time: 0:04.000 Mouse: 1 2 <==> 3 4\n");
        const CliRun r = run({"results_P01.txt", "results_P02.txt", "--truth", "truth.csv",
                              "--source-csv", "sources.csv", "--plot", "sources.png"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("  P02: Kestrel 1, median 2.000 s, 100.0% correct "
                                               "| Bramble 1, median 4.000 s, 0.0% correct")),
                 qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("answer: faster with Kestrel, by 2.000 s")),
                 qPrintable(r.out));
        QFile csv(dir.filePath(QStringLiteral("sources.csv")));
        QVERIFY(csv.open(QIODevice::ReadOnly));
        QVERIFY(csv.readAll().contains("\nP01,Bramble,1,1,5.000,5.000,1,1,0\n"));
        const QImage chart(dir.filePath(QStringLiteral("sources.png")));
        QVERIFY(chart.width() > chart.height() * 2);

        const CliRun single = run({"good.txt"});
        QVERIFY(!single.out.contains(QStringLiteral("by source")));
    }

    // Whatever is named as input or output, the report refuses at once what is not a regular
    // file (no blocking on a FIFO, no endless read of a device, no device replaced), and refuses
    // a text cut short or altered at its line.
    void hostileInputs_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("says");
        const QByteArray line =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:12.345 Mouse: 4 3 <==> 9 3\n";
        write("nul.txt", line + QByteArray("ind 2\0 rest\n", 12) + line);
        write("utf8.txt", line + "ind 2: Wall 1 <==> Wall 0 (K\xE9strel)\n");
        write("torn.txt", line + line.left(30));
        write("torn.csv", "sample,primary wall,secondary wall\n1,2,0\n2,0");
        write("nul.csv", QByteArray("sample,primary wall,secondary wall\n1,2\0,0\n", 42));
        QVERIFY(QProcess::execute("mkfifo", {dir.filePath("fifo")}) == 0);
        QTest::newRow("device") << QStringList {
            "/dev/zero"} << "/dev/zero: cannot read: not a regular file (a character device)";
        QTest::newRow("FIFO") << QStringList {"fifo"}
                              << "fifo: cannot read: not a regular file (a FIFO)";
        QTest::newRow("FIFO as truth") << QStringList {"good.txt", "--truth", "fifo"} << "a FIFO";
        QTest::newRow("device as --csv")
            << QStringList {"good.txt", "--csv", "/dev/null"}
            << "/dev/null: cannot write: a character device is not replaced";
        QTest::newRow("FIFO as --plot") << QStringList {"good.txt", "--plot", "fifo"}
                                        << "fifo: cannot write: a FIFO is not replaced";
        QTest::newRow("NUL") << QStringList {"nul.txt"} << "nul.txt:2: a NUL byte at column 6";
        QTest::newRow("invalid UTF-8") << QStringList {"utf8.txt"} << "utf8.txt:2: invalid UTF-8";
        QTest::newRow("torn") << QStringList {"torn.txt"}
                              << "torn.txt:2: the last line has no line end";
        QTest::newRow("truth torn")
            << QStringList {"good.txt", "--truth", "torn.csv"} << "torn.csv:3: the last line";
        QTest::newRow("truth NUL")
            << QStringList {"good.txt", "--truth", "nul.csv"} << "nul.csv:2: a NUL byte";
    }
    void hostileInputs()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, says);
        const CliRun r = run(args);
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(says), qPrintable(r.err));
        QVERIFY(QFileInfo("/dev/null").isFile() == false && QFileInfo::exists("/dev/null"));
        QVERIFY(!QFileInfo(dir.filePath("fifo")).isFile());
    }

    // A file of nothing but bad lines is reported in full count, but only the first hundred
    // are printed.
    void messagesCapped()
    {
        write("garbage.txt", QByteArray("no answer here\n").repeated(300));
        const CliRun r = run({"garbage.txt"});
        QCOMPARE(r.status, 1);
        QCOMPARE(r.err.count("garbage.txt:"), 100);
        QVERIFY2(r.err.contains("300 problems (200 of them not shown)"),
                 qPrintable(r.err.right(200)));
    }

    // Without R the models are one clear line naming the packages; everything else is written.
    void mixedModelsWithoutR()
    {
        write(QStringLiteral("results_P03.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 2: Wall 0 <==> Wall 3 (Bramble) Time: 0:05.000 Mouse: 1 2 <==> 3 4\n");
        QTemporaryDir empty;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.insert(QStringLiteral("PATH"), empty.path());
        const CliRun r = CliRun::run(QStringLiteral(WALLMATCH_REPORT_EXE),
                                     {"results_P03.txt", "--truth", "truth.csv", "--mixed-models",
                                      "--trials", "norm-trials.csv", "--html", "no-r-html"},
                                     dir.path(), env);
        QCOMPARE(r.status, 1);
        const QStringList lines =
            r.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts).filter(QStringLiteral("lme4"));
        QCOMPARE(int(lines.size()), 1);
        QVERIFY2(lines.first().contains(QStringLiteral("r-base-core"))
                     && lines.first().contains(QStringLiteral("r-cran-lme4")),
                 qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("correct: 2 of 2")), qPrintable(r.out));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("norm-trials.csv"))));
        QFile html(dir.filePath(QStringLiteral("no-r-html/index.html")));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QVERIFY(html.readAll().contains("r-cran-lme4"));
    }

    // The R script written for the researcher runs as it stands on the tidy data beside it.
    void rScriptRuns()
    {
        const QString rscript = QStandardPaths::findExecutable(QStringLiteral("Rscript"));
        QVERIFY2(!rscript.isEmpty(), "Rscript not found: scripts/setup installs R and lme4");
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("analysis")));
        const CliRun r = run({"results_P01.txt", "results_P02.txt", "--truth", "truth.csv",
                              "--r-script", "analysis/study.R"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("analysis/study.csv"))));
        const CliRun inR = CliRun::run(rscript, {"--vanilla", "study.R"},
                                       dir.filePath(QStringLiteral("analysis")));
        QVERIFY2(inR.status == 0, qPrintable(inR.err));
        // Two answers per source leave lme4 nothing to fit: the rows say so.
        QVERIFY2(inR.out.contains(QStringLiteral("Bramble"))
                     && inR.out.contains(QStringLiteral("Kestrel")),
                 qPrintable(inR.out + inR.err));
    }

    // The models join the report's JSON under "models", one entry per fixed effect; a fit that
    // failed (two answers per source) is there, as failed, without numbers.
    void modelsInJson()
    {
        const CliRun r = run({"results_P01.txt", "results_P02.txt", "--truth", "truth.csv",
                              "--mixed-models", "--json", "models.json"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(QStringLiteral("did not converge")), qPrintable(r.out));
        QFile file(dir.filePath(QStringLiteral("models.json")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject json = QJsonDocument::fromJson(file.readAll()).object();
        QVERIFY(json.contains(QStringLiteral("sources"))); // the rest of the report's JSON
        const QJsonArray models = json.value(QStringLiteral("models")).toArray();
        QCOMPARE(int(models.size()), 2);
        QStringList measures;
        for (const QJsonValue &v : models) {
            const QJsonObject m = v.toObject();
            measures << m.value(QStringLiteral("measure")).toString();
            QCOMPARE(m.value(QStringLiteral("source")).toString(), QStringLiteral("Bramble"));
            QCOMPARE(m.value(QStringLiteral("reference")).toString(), QStringLiteral("Kestrel"));
            QCOMPARE(m.value(QStringLiteral("converged")).toBool(true), false);
            for (const char *key : {"estimate", "std_error", "p", "lrt_p", "conf_low", "interval"})
                QVERIFY2(m.contains(QLatin1String(key)) && m.value(QLatin1String(key)).isNull(),
                         key);
            // Never a failure without its reason.
            QVERIFY(!m.value(QStringLiteral("message")).toString().trimmed().isEmpty());
        }
        QCOMPARE(measures, QStringList({"time", "accuracy"}));
        // Effect sizes with the tests, and what two participants cannot show.
        int effects = 0;
        for (const QJsonValue &v : json.value(QStringLiteral("comparisons")).toArray()) {
            const QJsonObject c = v.toObject();
            if (c.value(QStringLiteral("test")).toString() == QLatin1String("wilcoxon")) {
                QCOMPARE(c.value(QStringLiteral("effect_measure")).toString(),
                         QStringLiteral("rank_biserial_r"));
                ++effects;
            }
            QCOMPARE(c.value(QStringLiteral("smallest_p")).toDouble(), 0.5);
        }
        QCOMPARE(effects, 2);
        const QJsonArray warnings = json.value(QStringLiteral("warnings")).toArray();
        QVERIFY(!warnings.isEmpty());
        QVERIFY2(warnings.at(0).toString().contains(
                     QStringLiteral("with 2 participants the smallest two-sided exact Wilcoxon "
                                    "p is 0.5")),
                 qPrintable(warnings.at(0).toString()));
    }

    // The Psych-DS data set as its published rules ask: dataset_description.json with @context
    // schema.org, @type Dataset, name, description and variableMeasured naming every column of
    // every data file; data/ files named by keywords ("key-value", key a-z, value a-zA-Z0-9,
    // joined by "_") with the suffix "_data" and ".csv"; every row as many cells as the header.
    void psychDs()
    {
        const QByteArray answer =
            "ind 1: Wall 2 <==> Wall 0 (Kestrel) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
            "ind 2: Wall 0 <==> Wall 3 (Bramble) Time: 0:05.000 Mouse: 1 2 <==> 3 4\n";
        // Two IDs that are one once the characters Psych-DS refuses are left out.
        write(QStringLiteral("results_P-1.txt"), answer);
        write(QStringLiteral("results_P_1.txt"), answer);
        const CliRun r = run({"results_P-1.txt", "results_P_1.txt", "--truth", "truth.csv",
                              "--psych-ds", "pds", "--psych-ds-name", "Wall study 2"});
        QVERIFY2(r.status == 0, qPrintable(r.err));
        const QDir pds(dir.filePath(QStringLiteral("pds")));
        QFile meta(pds.filePath(QStringLiteral("dataset_description.json")));
        QVERIFY(meta.open(QIODevice::ReadOnly));
        QJsonParseError error;
        const QJsonObject d = QJsonDocument::fromJson(meta.readAll(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QCOMPARE(d.value(QStringLiteral("@context")).toString(),
                 QStringLiteral("https://schema.org"));
        QCOMPARE(d.value(QStringLiteral("@type")).toString(), QStringLiteral("Dataset"));
        QCOMPARE(d.value(QStringLiteral("name")).toString(), QStringLiteral("Wall study 2"));
        QVERIFY(!d.value(QStringLiteral("description")).toString().isEmpty());
        QStringList measured;
        for (const QJsonValue &v : d.value(QStringLiteral("variableMeasured")).toArray()) {
            QCOMPARE(v.toObject().value(QStringLiteral("@type")).toString(),
                     QStringLiteral("PropertyValue"));
            measured << v.toObject().value(QStringLiteral("name")).toString();
        }
        const QStringList files =
            QDir(pds.filePath(QStringLiteral("data"))).entryList(QDir::Files, QDir::Name);
        QCOMPARE(files.size(), 2);
        static const QRegularExpression keywords(
            QStringLiteral("^[a-z]+-[a-zA-Z0-9]+(_[a-z]+-[a-zA-Z0-9]+)*_data\\.csv$"));
        for (const QString &name : files) {
            QVERIFY2(keywords.match(name).hasMatch(), qPrintable(name));
            QVERIFY2(name.startsWith(QStringLiteral("study-Wallstudy2_participant-P1")),
                     qPrintable(name));
            QFile data(pds.filePath(QStringLiteral("data/") + name));
            QVERIFY(data.open(QIODevice::ReadOnly));
            const QList<QByteArray> lines = data.readAll().trimmed().split('\n');
            QCOMPARE(lines.size(), 3); // header and two answers
            const QList<QByteArray> header = lines.first().trimmed().split(',');
            for (const QByteArray &column : header)
                QVERIFY2(measured.contains(QString::fromUtf8(column)), column.constData());
            for (const QByteArray &line : lines)
                QCOMPARE(line.split(',').size(), header.size());
        }
        QVERIFY(files.at(0) != files.at(1));

        // Into a folder that holds something it refuses, and leaves it as it was.
        const CliRun again = run({"results_P-1.txt", "--psych-ds", "pds"});
        QCOMPARE(again.status, 1);
        QVERIFY2(again.err.contains(QStringLiteral("not an empty folder")), qPrintable(again.err));
        QCOMPARE(QDir(pds.filePath(QStringLiteral("data"))).entryList(QDir::Files).size(), 2);
    }

    void malformedLineNamed()
    {
        const CliRun r = run({"bad.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("bad.txt:2: ")), qPrintable(r.err));
        QVERIFY(r.out.contains(QStringLiteral("answers: 1 ")));
    }

    void missingFile()
    {
        const CliRun r = run({"nothere.txt", "good.txt"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(QStringLiteral("nothere.txt: cannot read: the file is missing")),
                 qPrintable(r.err));
        // Not counted as a line of it: the file has no lines.
        QVERIFY2(r.out.contains(QStringLiteral("nothere.txt\n  not read:")), qPrintable(r.out));
        QVERIFY2(r.out.contains(QStringLiteral("0 lines not understood; 1 files not read")),
                 qPrintable(r.out));
    }

    // Answers on uncertain rows are counted apart, and left out with --certain-only; a source
    // judged mostly on -1 rows and answers without truth rows are warned about.
    void uncertainTruth_data()
    {
        QTest::addColumn<bool>("certainOnly");
        QTest::addColumn<QString>("correct");
        QTest::addColumn<int>("judged"); // in the JSON
        QTest::addColumn<int>("uncertain");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<QString>("sourceRow"); // --source-csv
        QTest::addColumn<QString>("certain"); // --trials, per answer
        QTest::newRow("all") << false
                             << "correct: 1 of 3 (33.3%); of them 1 on uncertain truth (1 correct)"
                             << 3 << 1 << "Est: 2 of its 3 judged answers rest on -1 rows"
                             << "U1,Est,4,4,3.000,3.000,3,1,1"
                             << "0 1  1";
        QTest::newRow("certain only") << true << "correct: 0 of 2 (0.0%)" << 2 << 0
                                      << "Est: 2 of its 2 judged answers rest on -1 rows"
                                      << "U1,Est,4,4,3.000,3.000,2,0,0"
                                      << " 1  1";
    }
    void uncertainTruth()
    {
        QFETCH(bool, certainOnly);
        QFETCH(QString, correct);
        QFETCH(int, judged);
        QFETCH(int, uncertain);
        QFETCH(QString, warning);
        QFETCH(QString, sourceRow);
        QFETCH(QString, certain);
        write(QStringLiteral("results_U1.txt"),
              "ind 1: Wall 2 <==> Wall 0 (Est) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 2: Wall 0 <==> Wall 3 (Est) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 3: Wall 0 <==> Wall 1 (Est) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n"
              "ind 4: Wall 1 <==> Wall 1 (Est) Time: 0:03.000 Mouse: 1 2 <==> 3 4\n");
        write(QStringLiteral("uncertain.csv"),
              "sample,source,primary wall,secondary wall,certain\n"
              "1,Est,2,0,0\n2,Est,0,-1,1\n4,Est,1,-1,1\n");
        QStringList args {"results_U1.txt", "--truth",  "uncertain.csv", "--json",
                          "u.json",         "--trials", "u.csv",         "--source-csv",
                          "u-source.csv",   "--html",   "u-html"};
        if (certainOnly)
            args << "--certain-only";
        const CliRun r = run(args);
        QVERIFY2(r.status == 0, qPrintable(r.err));
        QVERIFY2(r.out.contains(correct), qPrintable(r.out));
        // The same count in the per-source share.
        QVERIFY2(r.out.contains(
                     QStringLiteral("correct: %1 of %2").arg(1 - int(certainOnly)).arg(judged)),
                 qPrintable(r.out));
        QVERIFY2(r.err.contains(QStringLiteral("warning: ") + warning), qPrintable(r.err));
        QVERIFY2(r.err.contains(QStringLiteral("warning: 1 answered cases have no truth rows and "
                                               "are not judged: Est (samples 3)")),
                 qPrintable(r.err));
        QFile file(dir.filePath(QStringLiteral("u.json")));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QJsonObject source = QJsonDocument::fromJson(file.readAll())
                                       .object()
                                       .value(QStringLiteral("sources"))
                                       .toArray()
                                       .first()
                                       .toObject();
        QCOMPARE(source.value(QStringLiteral("judged")).toInt(), judged);
        QCOMPARE(source.value(QStringLiteral("uncertain")).toInt(), uncertain);
        QFile sources(dir.filePath(QStringLiteral("u-source.csv")));
        QVERIFY(sources.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(sources.readAll()).split(QLatin1Char('\n')).value(1), sourceRow);
        QFile trials(dir.filePath(QStringLiteral("u.csv")));
        QVERIFY(trials.open(QIODevice::ReadOnly));
        // No field here needs quoting: a comma splits them.
        QStringList rows = QString::fromUtf8(trials.readAll()).split(QStringLiteral("\r\n"));
        QCOMPARE(rows.takeLast(), QString());
        QCOMPARE(int(rows.size()), 5);
        const QStringList header = rows.takeFirst().split(QLatin1Char(','));
        QCOMPARE(header.last(), QStringLiteral("certain"));
        QStringList perAnswer;
        for (const QString &row : qAsConst(rows)) {
            const QStringList fields = row.split(QLatin1Char(','));
            QCOMPARE(int(fields.size()), int(header.size()));
            perAnswer << fields.last();
        }
        QCOMPARE(perAnswer.join(QLatin1Char(' ')), certain);
        // The HTML's shares per participant and per source say it as the text does.
        QFile html(dir.filePath(QStringLiteral("u-html/index.html")));
        QVERIFY(html.open(QIODevice::ReadOnly));
        QCOMPARE(int(QString::fromUtf8(html.readAll())
                         .count(QStringLiteral("; of them 1 on uncertain truth (1 correct)"))),
                 uncertain > 0 ? 3 : 0);
    }

    // A truth file must judge every answer for the samples it covers, and never say both "no
    // counterpart" and "this wall".
    void truthChecked_data()
    {
        QTest::addColumn<QString>("truth");
        QTest::addColumn<QString>("error");
        QTest::addColumn<QString>("correct");
        // The unjudgeable answer is not counted as wrong; the first of two partners stands.
        QTest::newRow("wall row missing")
            << "lacking.csv"
            << "good.txt:2: sample 2, Kestrel, primary wall 1: lacking.csv has no row"
            << "correct: 1 of 1 (100.0%)";
        QTest::newRow("contradicting rows")
            << "contradicting.csv"
            << "contradicting.csv:5: sample 1, primary wall 2: -1 (no counterpart) here, but "
               "secondary wall 0 on line 2"
            << "correct: 2 of 2 (100.0%)";
    }
    void truthChecked()
    {
        QFETCH(QString, truth);
        QFETCH(QString, error);
        QFETCH(QString, correct);
        const CliRun r = run({"good.txt", "--truth", truth});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.contains(error), qPrintable(r.err));
        QVERIFY2(r.out.contains(correct), qPrintable(r.out));
    }
};

QTEST_GUILESS_MAIN(TestReportCli)
#include "tst_reportcli.moc"
