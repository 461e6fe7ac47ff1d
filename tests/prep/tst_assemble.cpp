#include "assembler.h"
#include "csv.h"
#include "plan.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

using namespace wallmatch;

using testfiles::writeFile;

namespace {

QByteArray readFile(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Two rings of four corners, "u v" lines, in pixels of an image `scale` times 1024 x 512.
QByteArray ringCorners(double scale)
{
    const double us[] = {100, 400, 600, 850};
    const double ceilingV[] = {150, 170, 160, 140};
    const double floorV[] = {360, 340, 350, 370};
    QByteArray text;
    for (int i = 0; i < 4; ++i)
        text += QByteArray::number(us[i] * scale) + ' ' + QByteArray::number(ceilingV[i] * scale)
            + '\n';
    for (int i = 0; i < 4; ++i)
        text +=
            QByteArray::number(us[i] * scale) + ' ' + QByteArray::number(floorV[i] * scale) + '\n';
    return text;
}

QVector<QVector<double>> cornerLines(const QString &file)
{
    QVector<QVector<double>> lines;
    for (const QByteArray &line : readFile(file).split('\n')) {
        if (line.isEmpty())
            continue;
        QVector<double> values;
        for (const QByteArray &token : line.split(' '))
            values.append(token.toDouble());
        lines.append(values);
    }
    return lines;
}

QString problemList(const QVector<Problem> &problems)
{
    QStringList texts;
    for (const Problem &p : problems)
        texts << p.text();
    return texts.join(QLatin1String(" | "));
}

bool hasProblem(const QVector<Problem> &problems, const QString &file, int line,
                const QString &fragment)
{
    for (const Problem &p : problems) {
        if (p.file == file && p.line == line && p.message.contains(fragment))
            return true;
    }
    return false;
}

} // namespace

class TestAssemble : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString path(const QString &name) const { return dir.filePath(name); }

    // A panorama with a left half unlike its right half, so resampling can be seen.
    void makeImage(const QString &name, QSize size, const char *format)
    {
        QImage image(size, QImage::Format_RGB32);
        image.fill(QColor(200, 30, 30));
        for (int y = 0; y < size.height(); ++y) {
            for (int x = size.width() / 2; x < size.width(); ++x)
                image.setPixel(x, y, qRgb(30, 30, 200));
        }
        QVERIFY(image.save(path(name), format));
    }

    Plan plan(const QByteArray &csv)
    {
        return parsePlan(path(QStringLiteral("plan.csv")), csv, dir.path());
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        makeImage(QStringLiteral("big.png"), QSize(2048, 1024), "PNG");
        makeImage(QStringLiteral("view.jpg"), QSize(1024, 512), "JPG");
        makeImage(QStringLiteral("square.png"), QSize(600, 600), "PNG");
        QVERIFY(writeFile(path(QStringLiteral("big_corners.txt")), ringCorners(2)));
        QVERIFY(writeFile(path(QStringLiteral("corners.txt")), ringCorners(1)));
        QVERIFY(writeFile(path(QStringLiteral("bad_corners.txt")), "100 150\n100 350\n300 150\n"));
    }

    void splitCsvLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("fields");
        QTest::newRow("plain") << "1,a.jpg,b.txt" << QStringList {"1", "a.jpg", "b.txt"};
        QTest::newRow("spaces trimmed")
            << " 1 , a.jpg ,b.txt " << QStringList {"1", "a.jpg", "b.txt"};
        QTest::newRow("empty fields") << "1,,," << QStringList {"1", "", "", ""};
        QTest::newRow("quoted comma")
            << "1,\"my, room.jpg\",x" << QStringList {"1", "my, room.jpg", "x"};
        QTest::newRow("doubled quote") << "\"a\"\"b\"" << QStringList {"a\"b"};
    }
    // The plan's fields: CSV as the shared reader splits it, blanks trimmed.
    void splitCsvLine()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, fields);
        const wallmatch::CsvTable table = wallmatch::parseCsv(line);
        QCOMPARE(table.error, QString());
        QCOMPARE(table.rows.size(), 1);
        QStringList trimmed;
        for (const QString &field : table.rows[0].fields)
            trimmed << field.trimmed();
        QCOMPARE(trimmed, fields);
    }

    void goodPlan()
    {
        const Plan p = plan("# two samples\n"
                            "sample,pri image,pri K,pri B,sec image,sec K,sec B\n"
                            "\n"
                            "2,view.jpg,corners.txt,-,view.jpg,corners.txt,\n"
                            "1,sub/a.jpg,\"c, d.txt\",b.txt,/abs/x.jpg,/abs/y.txt,z.txt\n");
        QVERIFY2(p.ok(), qPrintable(problemList(p.errors)));
        QCOMPARE(p.rows.size(), 2);
        QCOMPARE(p.rows[0].line, 4);
        QCOMPARE(p.rows[0].sample, 2);
        QVERIFY(p.rows[0].primary.bramble.isEmpty());
        QVERIFY(p.rows[0].secondary.bramble.isEmpty());
        QCOMPARE(p.rows[1].primary.image, dir.filePath(QStringLiteral("sub/a.jpg")));
        QCOMPARE(p.rows[1].primary.kestrel, dir.filePath(QStringLiteral("c, d.txt")));
        QCOMPARE(p.rows[1].primary.bramble, dir.filePath(QStringLiteral("b.txt")));
        QCOMPARE(p.rows[1].secondary.image, QStringLiteral("/abs/x.jpg"));
    }

    void planErrors_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("fragment");
        const QByteArray row1 = "1,a.jpg,a.txt,,b.jpg,b.txt,\n";
        QTest::newRow("gap") << row1 + "3,a.jpg,a.txt,,b.jpg,b.txt,\n" << 0 << "missing: 2";
        QTest::newRow("gap ranges")
            << row1 + "5,a.jpg,a.txt,,b.jpg,b.txt,\n9,a.jpg,a.txt,,b.jpg,b.txt,\n"
            << 0 << "missing: 2-4, 6-8";
        QTest::newRow("no sample 1")
            << QByteArray("2,a.jpg,a.txt,,b.jpg,b.txt,\n") << 0 << "missing: 1";
        QTest::newRow("repeated sample") << row1 + row1 << 2 << "already planned on line 1";
        QTest::newRow("too few fields") << row1 + "2,a.jpg,a.txt,,b.jpg,b.txt\n" << 2 << "6 fields";
        QTest::newRow("bad number") << row1 + "two,a.jpg,a.txt,,b.jpg,b.txt,\n" << 2 << "\"two\"";
        QTest::newRow("zero") << QByteArray("0,a.jpg,a.txt,,b.jpg,b.txt,\n") << 1 << "\"0\"";
        QTest::newRow("no primary image")
            << QByteArray("1,,a.txt,,b.jpg,b.txt,\n") << 1 << "primary image";
        QTest::newRow("no secondary Kestrel")
            << QByteArray("1,a.jpg,a.txt,,b.jpg,,\n") << 1 << "secondary Kestrel";
        QTest::newRow("open quote") << row1 + "2,\"a.jpg,a.txt,,b.jpg,b.txt,\n" << 2 << "quotes";
        QTest::newRow("nothing") << QByteArray("# nothing yet\n") << 0 << "no samples";
    }
    void planErrors()
    {
        QFETCH(QByteArray, csv);
        QFETCH(int, line);
        QFETCH(QString, fragment);
        const Plan p = plan(csv);
        QVERIFY(!p.ok());
        QVERIFY2(hasProblem(p.errors, path(QStringLiteral("plan.csv")), line, fragment),
                 qPrintable(problemList(p.errors)));
    }

    // A 2048 x 1024 panorama is resampled and its corners halved; a 1024 x 512 JPEG is copied.
    void assembleWithResampling()
    {
        const QString out = path(QStringLiteral("tree1"));
        const Plan p = plan("1,big.png,big_corners.txt,big_corners.txt,view.jpg,corners.txt,\n"
                            "2,view.jpg,corners.txt,,big.png,big_corners.txt,-\n");
        const AssembleResult result = assembleSamples(p, out, {});
        QVERIFY2(result.ok(), qPrintable(problemList(result.errors)));
        QCOMPARE(result.samplesWritten, 2);
        QVERIFY(result.summary.join('\n').contains(QStringLiteral("resampled from 2048 x 1024")));

        const QString s1 = out + QStringLiteral("/test_datasets/1/");
        const QString s2 = out + QStringLiteral("/test_datasets/2/");
        const QImage resampled(s1 + QStringLiteral("pri_pano/color.jpg"));
        QCOMPARE(resampled.size(), QSize(1024, 512));
        // Left half red, right half blue, as in the original.
        QVERIFY(qRed(resampled.pixel(200, 256)) > 150 && qBlue(resampled.pixel(200, 256)) < 100);
        QVERIFY(qBlue(resampled.pixel(800, 256)) > 150 && qRed(resampled.pixel(800, 256)) < 100);
        QCOMPARE(readFile(s1 + QStringLiteral("sec_pano/color.jpg")),
                 readFile(path(QStringLiteral("view.jpg"))));

        // The halved corners match those drawn for the small image, directions included.
        const auto big = cornerLines(s1 + QStringLiteral("pri_pano/pred_corner.txt"));
        const auto small = cornerLines(s1 + QStringLiteral("sec_pano/pred_corner.txt"));
        QCOMPARE(big.size(), 8);
        QCOMPARE(big.size(), small.size());
        for (int i = 0; i < big.size(); ++i) {
            for (int k = 0; k < 5; ++k)
                QVERIFY2(std::fabs(big[i][k] - small[i][k]) < 1e-6,
                         qPrintable(QStringLiteral("line %1 number %2").arg(i + 1).arg(k + 1)));
        }
        QCOMPARE(big[0][0], 100.0);
        QCOMPARE(big[4][1], 360.0);

        QVERIFY(QFile::exists(s1 + QStringLiteral("pri_pano/pred_corner_Bramble.txt")));
        QVERIFY(!QFile::exists(s1 + QStringLiteral("sec_pano/pred_corner_Bramble.txt")));
        QVERIFY(!QFile::exists(s2 + QStringLiteral("pri_pano/pred_corner_Bramble.txt")));
        QCOMPARE(QImage(s2 + QStringLiteral("sec_pano/color.jpg")).size(), QSize(1024, 512));
    }

    void refusesToOverwrite()
    {
        const QString out = path(QStringLiteral("tree2"));
        const Plan p = plan("1,view.jpg,corners.txt,,view.jpg,corners.txt,\n");
        QVERIFY(assembleSamples(p, out, {}).ok());
        const QString marker = out + QStringLiteral("/test_datasets/1/pri_pano/mine.txt");
        QVERIFY(writeFile(marker, "keep"));

        const AssembleResult again = assembleSamples(p, out, {});
        QVERIFY(!again.ok());
        QVERIFY2(hasProblem(again.errors, path(QStringLiteral("plan.csv")), 1,
                            QStringLiteral("--force")),
                 qPrintable(problemList(again.errors)));
        QCOMPARE(again.samplesWritten, 0);
        QVERIFY(QFile::exists(marker));

        AssembleOptions force;
        force.force = true;
        const AssembleResult forced = assembleSamples(p, out, force);
        QVERIFY2(forced.ok(), qPrintable(problemList(forced.errors)));
        QVERIFY(!QFile::exists(marker));
        QVERIFY(QFile::exists(out + QStringLiteral("/test_datasets/1/pri_pano/pred_corner.txt")));
    }

    // A forced assembly leaves nothing of the tree it replaces: no higher samples, no truth
    // table of the old samples. Without --force such a tree is refused, whatever it holds.
    void forceReplacesWholeTree()
    {
        const QString out = path(QStringLiteral("tree3"));
        const QString root = out + QStringLiteral("/test_datasets");
        const QByteArray row = ",view.jpg,corners.txt,,view.jpg,corners.txt,\n";
        QVERIFY(assembleSamples(plan("1" + row + "2" + row + "3" + row), out, {}).ok());
        QVERIFY(writeFile(root + QStringLiteral("/truth.csv"), "sample,p,s\n3,0,0\n"));

        const AssembleResult refused = assembleSamples(plan("1" + row), path("tree3"), {});
        QVERIFY(!refused.ok());
        QVERIFY2(hasProblem(refused.errors, root, 0, QStringLiteral("3 that the plan does not")),
                 qPrintable(problemList(refused.errors)));
        QVERIFY(QFile::exists(root + QStringLiteral("/truth.csv")));

        AssembleOptions force;
        force.force = true;
        const AssembleResult forced = assembleSamples(plan("1" + row), out, force);
        QVERIFY2(forced.ok(), qPrintable(problemList(forced.errors)));
        QCOMPARE(QDir(root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList {"1"});
        QCOMPARE(QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList {"test_datasets"});
        QVERIFY(QFile::exists(root + QStringLiteral("/1/sec_pano/pred_corner.txt")));
        QVERIFY(forced.summary.join('\n').contains(QStringLiteral("replaced the earlier tree")));
    }

    // Any problem in the plan's files stops the whole assembly before anything is written.
    void refusals_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("line");
        QTest::addColumn<QString>("fragment");
        const QByteArray good = "1,view.jpg,corners.txt,,view.jpg,corners.txt,\n";
        QTest::newRow("not 2:1") << good + "2,square.png,corners.txt,,view.jpg,corners.txt,\n"
                                 << "plan.csv" << 2 << "600 x 600, not a 2:1";
        QTest::newRow("missing image") << good + "2,none.jpg,corners.txt,,view.jpg,corners.txt,\n"
                                       << "plan.csv" << 2 << "cannot be read";
        QTest::newRow("bad corners, named with their line")
            << good + "2,view.jpg,bad_corners.txt,,view.jpg,corners.txt,\n"
            << "bad_corners.txt" << 3 << "odd";
        QTest::newRow("named Bramble file missing")
            << good + "2,view.jpg,corners.txt,nothere.txt,view.jpg,corners.txt,\n"
            << "nothere.txt" << 0 << "cannot read";
        QTest::newRow("corners of the big image on the small one")
            << good + "2,view.jpg,big_corners.txt,,view.jpg,corners.txt,\n"
            << "big_corners.txt" << 3 << "outside";
        QTest::newRow("corners of the small image on the big one")
            << good + "2,big.png,corners.txt,,view.jpg,corners.txt,\n"
            << "corners.txt" << 0 << "measured on an image of another size than 2048 x 1024";
        QTest::newRow("floor corner above the horizon, named with its line")
            << good + "2,big.png,corners.txt,,view.jpg,corners.txt,\n"
            << "corners.txt" << 5 << "floor corner (v 360) is not below the horizon (v 512)";
        QTest::newRow("plan with a gap") << good + "3,view.jpg,corners.txt,,view.jpg,corners.txt,\n"
                                         << "plan.csv" << 0 << "gaps";
    }
    void refusals()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, file);
        QFETCH(int, line);
        QFETCH(QString, fragment);
        const QString out = path(QStringLiteral("refused"));
        const AssembleResult result = assembleSamples(plan(csv), out, {});
        QVERIFY(!result.ok());
        QVERIFY2(hasProblem(result.errors, path(file), line, fragment),
                 qPrintable(problemList(result.errors)));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral("/test_datasets")));
    }
};

QTEST_GUILESS_MAIN(TestAssemble)
#include "tst_assemble.moc"
