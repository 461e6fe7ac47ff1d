#include "clirun.h"
#include "cornerinput.h"
#include "posetruth.h"
#include "regularfile.h"
#include "zindfixture.h"
#include "zindtour.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <functional>
#include <sys/stat.h>

using namespace wallmatch;

// What the companions read: only regular files within their bounds, images checked for their
// declared size before decoding, tours that keep to themselves, layouts with walls to pick.
class TestHostileInputs : public QObject
{
    Q_OBJECT

    static QVector<zindfixture::Pano> twoPanos()
    {
        QVector<zindfixture::Pano> panos(2);
        panos[0].room = panos[1].room = zindfixture::boxRoom();
        panos[0].camera = QPointF(1, 1);
        panos[1].pano = 2;
        panos[1].camera = QPointF(2.5, 2);
        return panos;
    }

    // The tour of two panos with the first pano's object changed by `edit`.
    static QByteArray editedTour(const std::function<void(QJsonObject &)> &edit)
    {
        QJsonObject root = QJsonDocument::fromJson(zindfixture::tourJson(twoPanos())).object();
        QJsonObject merger = root.value("merger").toObject();
        QJsonObject floor = merger.value("floor_01").toObject();
        QJsonObject complete = floor.value("complete_room_01").toObject();
        QJsonObject partial = complete.value("partial_room_01").toObject();
        QJsonObject pano = partial.value("pano_1").toObject();
        edit(pano);
        partial.insert("pano_1", pano);
        complete.insert("partial_room_01", partial);
        floor.insert("complete_room_01", complete);
        merger.insert("floor_01", floor);
        root.insert("merger", merger);
        return QJsonDocument(root).toJson();
    }

    static QJsonArray points(const QVector<QPointF> &list)
    {
        QJsonArray array;
        for (const QPointF &p : list)
            array.append(QJsonArray {p.x(), p.y()});
        return array;
    }

    // A JPEG of a few hundred bytes whose header claims `size`.
    static QByteArray jpegClaiming(QSize size)
    {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImage(64, 32, QImage::Format_RGB32).save(&buffer, "JPG");
        const int sof = bytes.indexOf("\xFF\xC0");
        if (sof < 0)
            return QByteArray();
        bytes[sof + 5] = char(size.height() >> 8);
        bytes[sof + 6] = char(size.height() & 0xFF);
        bytes[sof + 7] = char(size.width() >> 8);
        bytes[sof + 8] = char(size.width() & 0xFF);
        return bytes;
    }

private Q_SLOTS:
    // A FIFO, a device or a file outside the tour in place of an image: refused at once with
    // its reason, never read (the programs would block or read without end).
    void specialImages_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("kind"); // fifo, outside, absolute
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("says");
        QTest::newRow("zind: a FIFO as image_path") << "zind"
                                                    << "fifo" << 1 << "not a regular file (a FIFO)";
        QTest::newRow("zind: image_path out of the tour")
            << "zind"
            << "outside" << 1 << "leads out of the tour";
        QTest::newRow("zind: image_path /dev/zero") << "zind"
                                                    << "absolute" << 1 << "leads out of the tour";
        QTest::newRow("zind: a link out of the tour") << "zind"
                                                      << "link" << 1 << "leads out of the tour";
        QTest::newRow("preview: a FIFO as color.jpg")
            << "preview"
            << "fifo" << 0 << "not a regular file (a FIFO)";
    }
    void specialImages()
    {
        QFETCH(QString, command);
        QFETCH(QString, kind);
        QFETCH(int, status);
        QFETCH(QString, says);
        QTemporaryDir dir;
        const QString tour = dir.filePath("tour");
        QVERIFY(zindfixture::writeTour(tour, twoPanos()));
        const QString image = tour + "/panos/" + twoPanos()[0].stem() + ".jpg";
        QVERIFY(QFile::copy(image, dir.filePath("outside.jpg")));
        if (kind == "outside" || kind == "absolute") {
            const QString path = kind == "outside" ? "../outside.jpg" : "/dev/zero";
            QVERIFY(writeTestFile(tour + "/zind_data.json", editedTour([&](QJsonObject &p) {
                                      p.insert("image_path", path);
                                  })));
        } else if (kind == "link") {
            QVERIFY(QFile::remove(image));
            QVERIFY(QFile::link(dir.filePath("outside.jpg"), image));
        }
        QStringList args;
        if (command == "zind") {
            if (kind == "fifo") {
                QVERIFY(QFile::remove(image));
                QCOMPARE(::mkfifo(QFile::encodeName(image).constData(), 0600), 0);
            }
            args = QStringList {"zind", tour, dir.filePath("out")};
        } else {
            QVERIFY(CliRun::run(QStringLiteral(WALLMATCH_PREP_EXE),
                                {"zind", tour, dir.filePath("out")}, dir.path())
                        .status
                    == 0);
            const QString color = dir.filePath("out/test_datasets/1/pri_pano/color.jpg");
            QVERIFY(QFile::remove(color));
            QCOMPARE(::mkfifo(QFile::encodeName(color).constData(), 0600), 0);
            args = QStringList {"preview", dir.filePath("out"), dir.filePath("pictures")};
        }
        const CliRun run = CliRun::run(QStringLiteral(WALLMATCH_PREP_EXE), args, dir.path());
        QCOMPARE(run.status, status); // -1: still blocked after 30 s
        QVERIFY2(run.err.contains(says), qPrintable(run.err));
    }

    // Sizes: an image is judged by its declared size before it is decoded; layouts longer than
    // the viewer shows are refused where they come in.
    void sizes_data()
    {
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("says");
        QTest::newRow("a small JPEG claiming 30000 x 15000")
            << "claimed"
            << "30000 x 15000 pixels, more than 16384 x 8192";
        QTest::newRow("convert: 20000 corners") << "convert"
                                                << "more than the 2048 wallmatch shows";
        QTest::newRow("convert: a uv list of 200 000, one per line")
            << "json"
            << "200000 corners, more than the 2048 wallmatch shows";
        QTest::newRow("zind: a layout of 200 000 vertices")
            << "vertices"
            << "has 200000 vertices, more than the 1024 the viewer shows";
    }
    void sizes()
    {
        QFETCH(QString, what);
        QFETCH(QString, says);
        QTemporaryDir dir;
        QString said;
        if (what == "claimed") {
            const QByteArray jpeg = jpegClaiming(QSize(30000, 15000));
            QVERIFY(jpeg.size() < 2000);
            QVERIFY(writeTestFile(dir.filePath("huge.jpg"), jpeg));
            const ImageFile image = readImageFile(dir.filePath("huge.jpg"), true);
            QVERIFY(!image.ok);
            QVERIFY(image.image.isNull());
            said = image.reason;
        } else if (what == "json") {
            QByteArray json = "{\"uv\": [\n";
            for (int i = 0; i < 200000; ++i)
                json += QByteArray(i ? ",\n" : "") + "[0.5, " + (i % 2 ? "0.7]" : "0.3]");
            json += "\n]}\n";
            const CornerInput input =
                parseCornerInput(dir.filePath("big.json"), json, {QSizeF(1024, 512)});
            QVERIFY(!input.ok());
            said = input.errors.value(0).text();
        } else if (what == "convert") {
            QByteArray text;
            for (int i = 0; i < 10000; ++i)
                text += QByteArray::number(i % 1024) + " 100\n" + QByteArray::number(i % 1024)
                    + " 400\n";
            const CornerInput input =
                parseCornerInput(dir.filePath("big.txt"), text, {QSizeF(1024, 512)});
            QVERIFY(!input.ok());
            said = input.errors.value(0).text();
        } else {
            QVector<QPointF> many;
            for (int i = 0; i < 200000; ++i)
                many.append(QPointF(std::cos(i * 1e-5 * 2 * zindfixture::pi),
                                    std::sin(i * 1e-5 * 2 * zindfixture::pi)));
            const ZindTour tour =
                parseZindTour(dir.path(), editedTour([&](QJsonObject &p) {
                                  p.insert("layout_raw", QJsonObject {{"vertices", points(many)}});
                              }),
                              ZindLayout::Raw);
            QVERIFY(!tour.ok());
            said = tour.errors.value(0).text();
        }
        QVERIFY2(said.contains(says), qPrintable(said));
    }

    // 150 panos in one partial room would make 11 175 samples: a bounded number is made, and
    // a note says how many pairs there were.
    void samplesPerRoomBounded()
    {
        QVector<zindfixture::Pano> panos(150);
        for (int i = 0; i < panos.size(); ++i) {
            panos[i].pano = i + 1;
            panos[i].room = zindfixture::boxRoom();
            panos[i].camera = QPointF(1 + 0.01 * i, 1);
        }
        const ZindTour tour = parseZindTour("tour", zindfixture::tourJson(panos), ZindLayout::Raw);
        QVERIFY(tour.ok());
        QVector<Problem> notes;
        const auto pairs = zindPairs(tour, &notes);
        QCOMPARE(pairs.size(), maxZindSamplesPerRoom);
        QCOMPARE(notes.size(), 1);
        QVERIFY2(notes[0].message.contains("11175 pairs of panos; only the first 45"),
                 qPrintable(notes[0].text()));
    }

    // Layouts that leave no wall to pick and poses beyond any home are refused with the pano
    // that has them, not written as samples nobody can answer or truth of -1 throughout.
    void unusableLayouts_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");
        QTest::addColumn<QString>("says");
        const QJsonArray same = points({{1, 1}, {1, 1}, {1, 1}, {1, 1}});
        QTest::newRow("all vertices equal")
            << "layout_raw" << QJsonValue(QJsonObject {{"vertices", same}}) << "encloses no floor";
        QTest::newRow("three identical corners of four")
            << "layout_raw"
            << QJsonValue(QJsonObject {{"vertices", points({{1, 1}, {1, 1}, {1, 1}, {-1, -1}})}})
            << "encloses no floor";
        QTest::newRow("pose translation 1e308")
            << "floor_plan_transformation"
            << QJsonValue(QJsonObject {
                   {"rotation", 0}, {"scale", 1}, {"translation", QJsonArray {1e308, 1e308}}})
            << "not a pose in a home";
        QTest::newRow("vertex at 1e308")
            << "layout_raw"
            << QJsonValue(
                   QJsonObject {{"vertices", points({{1e308, 1}, {-1, 1}, {-1, -1}, {1, -1}})}})
            << "within a home's size";
    }
    void unusableLayouts()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, says);
        const ZindTour tour = parseZindTour(
            "tour", editedTour([&](QJsonObject &p) { p.insert(key, value); }), ZindLayout::Raw);
        QVERIFY(!tour.ok());
        QVERIFY2(tour.errors.value(0).text().contains("pano_1: ")
                     && tour.errors.value(0).text().contains(says),
                 qPrintable(tour.errors.value(0).text()));
    }

    // prep truth's poses: a coordinate of 1e308 is refused where it is read, not matched into
    // a truth of -1 throughout.
    void posesWithinAHome()
    {
        const SamplePoses poses = parsePoses(
            "POSES.csv", "sample,view,x,y,yaw degrees\n1,primary,1e308,0,0\n1,secondary,0,0,0\n");
        QVERIFY(!poses.errors.isEmpty());
        QVERIFY2(poses.errors.first().text().startsWith("POSES.csv:2: ")
                     && poses.errors.first().message.contains("within 1000000"),
                 qPrintable(poses.errors.first().text()));
    }

    // wallmatch-demo-data writes no more samples than a study can show.
    void demoDataBounded()
    {
        QTemporaryDir dir;
        const CliRun run = CliRun::run(QStringLiteral(WALLMATCH_DEMODATA_EXE),
                                       {"--samples", "100000000", dir.path()}, dir.path());
        QCOMPARE(run.status, 2);
        QVERIFY2(run.err.contains("from 1 to 10000"), qPrintable(run.err));
        QVERIFY(!QFile::exists(dir.filePath("test_datasets")));
    }
};

QTEST_GUILESS_MAIN(TestHostileInputs)
#include "tst_hostileinputs.moc"
