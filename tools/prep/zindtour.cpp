#include "zindtour.h"

#include "cli.h"
#include "projection.h"
#include "textinput.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <tuple>

namespace wallmatch {

namespace {

// zind_data.json of a large home is a few MB; anything far beyond is not a tour.
constexpr qint64 kMaxTourJson = 256 * 1024 * 1024;

// The number at the end of a key such as "partial_room_07"; -1 when the key has none.
int keyNumber(const QString &key, const char *prefix)
{
    static const QRegularExpression digits(QStringLiteral("^([a-z_]+)_(\\d+)$"));
    const QRegularExpressionMatch m = digits.match(key);
    if (!m.hasMatch() || m.captured(1) != QLatin1String(prefix))
        return -1;
    return m.captured(2).toInt();
}

std::optional<double> number(const QJsonObject &object, const char *key)
{
    const QJsonValue v = object.value(QLatin1String(key));
    if (!v.isDouble() || !std::isfinite(v.toDouble()))
        return std::nullopt;
    return v.toDouble();
}

auto sampleKey(const ZindPano &p)
{
    return std::make_tuple(p.floor, p.completeRoom, p.partialRoom, p.pano);
}

} // namespace

QString zindLayoutKey(ZindLayout layout)
{
    switch (layout) {
    case ZindLayout::Raw:
        return QStringLiteral("layout_raw");
    case ZindLayout::Complete:
        return QStringLiteral("layout_complete");
    case ZindLayout::Visible:
        return QStringLiteral("layout_visible");
    }
    return {};
}

QString ZindPano::stem() const
{
    return QFileInfo(image).completeBaseName();
}

bool plainTourPath(const QString &imagePath)
{
    if (imagePath.isEmpty())
        return true; // reported with the other missing fields
    if (QDir::isAbsolutePath(imagePath) || imagePath.startsWith(QLatin1Char('/'))
        || imagePath.contains(QLatin1Char('\\')))
        return false;
    const QString clean = QDir::cleanPath(imagePath);
    return clean != QLatin1String("..") && !clean.startsWith(QLatin1String("../"));
}

bool insideTour(const QString &tourDir, const QString &path)
{
    // A link inside the tour may still lead out of it: where the file really is decides.
    const QString tour = QFileInfo(tourDir).canonicalFilePath();
    const QString file = QFileInfo(path).canonicalFilePath();
    if (tour.isEmpty() || file.isEmpty())
        return plainTourPath(QDir(tourDir).relativeFilePath(path));
    return file.startsWith(tour + QLatin1Char('/'));
}

namespace {

QVector<QPointF> withoutRepeatedVertices(const QVector<QPointF> &vertices)
{
    QVector<QPointF> kept;
    for (const QPointF &v : vertices)
        if (kept.isEmpty() || kept.last() != v)
            kept.append(v);
    while (kept.size() > 1 && kept.first() == kept.last())
        kept.removeLast();
    return kept;
}

double signedArea(const QVector<QPointF> &ring)
{
    double area = 0;
    for (int i = 0; i < ring.size(); ++i) {
        const QPointF a = ring.at(i);
        const QPointF b = ring.at((i + 1) % ring.size());
        area += a.x() * b.y() - a.y() * b.x();
    }
    return area / 2;
}

bool plausiblePose(double camera, double ceiling, double rotation, double scale, double x, double y)
{
    for (const double v : {camera, ceiling, rotation, scale, x, y})
        if (!std::isfinite(v) || std::abs(v) > maxPoseMagnitude)
            return false;
    return true;
}

} // namespace

ZindTour parseZindTour(const QString &tourDir, const QByteArray &json, ZindLayout layout)
{
    ZindTour tour;
    tour.dir = tourDir;
    const QString file = QStringLiteral("%1/zind_data.json").arg(tourDir);
    QJsonParseError parseError;
    const QJsonDocument doc = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError || !doc.isObject()) {
        tour.errors.append({file, 0,
                            QStringLiteral("not a ZInD tour: %1")
                                .arg(parseError.error != QJsonParseError::NoError
                                         ? parseError.errorString()
                                         : QStringLiteral("not a JSON object"))});
        return tour;
    }
    const QJsonObject merger = doc.object().value(QLatin1String("merger")).toObject();
    if (merger.isEmpty()) {
        tour.errors.append({file, 0, QStringLiteral("no \"merger\" object with floors")});
        return tour;
    }
    const QString layoutKey = zindLayoutKey(layout);
    QVector<ZindPano> lacking; // panos without the chosen layout
    for (auto f = merger.begin(); f != merger.end(); ++f) {
        const QJsonObject floor = f.value().toObject();
        for (auto c = floor.begin(); c != floor.end(); ++c) {
            const QJsonObject complete = c.value().toObject();
            for (auto r = complete.begin(); r != complete.end(); ++r) {
                const QJsonObject partial = r.value().toObject();
                for (auto p = partial.begin(); p != partial.end(); ++p) {
                    const QString where =
                        QStringList {f.key(), c.key(), r.key(), p.key()}.join(QLatin1Char('/'));
                    ZindPano pano;
                    pano.floor = keyNumber(f.key(), "floor");
                    pano.completeRoom = keyNumber(c.key(), "complete_room");
                    pano.partialRoom = keyNumber(r.key(), "partial_room");
                    pano.pano = keyNumber(p.key(), "pano");
                    if (pano.floor < 0 || pano.completeRoom < 0 || pano.partialRoom < 0
                        || pano.pano < 0) {
                        tour.errors.append({file, 0,
                                            QStringLiteral("%1: expected floor_N/complete_room_N/"
                                                           "partial_room_N/pano_N")
                                                .arg(where)});
                        continue;
                    }
                    const QJsonObject o = p.value().toObject();
                    pano.image = o.value(QLatin1String("image_path")).toString();
                    const auto camera = number(o, "camera_height");
                    const auto ceiling = number(o, "ceiling_height");
                    const QJsonObject pose =
                        o.value(QLatin1String("floor_plan_transformation")).toObject();
                    const auto rotation = number(pose, "rotation");
                    const auto scale = number(pose, "scale");
                    const QJsonArray translation =
                        pose.value(QLatin1String("translation")).toArray();
                    if (!plainTourPath(pano.image)) {
                        tour.errors.append({file, 0,
                                            QStringLiteral("%1: image_path %2 leads out of the "
                                                           "tour; it must name a file inside it")
                                                .arg(where, quotedInput(pano.image))});
                        continue;
                    }
                    if (pano.image.isEmpty() || !camera || !ceiling || *camera <= 0
                        || *ceiling <= *camera || !rotation || !scale || *scale <= 0
                        || translation.size() != 2 || !translation.at(0).isDouble()
                        || !translation.at(1).isDouble()) {
                        tour.errors.append(
                            {file, 0,
                             QStringLiteral("%1: needs image_path, camera_height, a "
                                            "ceiling_height above it and a "
                                            "floor_plan_transformation (rotation, positive "
                                            "scale, translation [x, y])")
                                 .arg(where)});
                        continue;
                    }
                    if (!plausiblePose(*camera, *ceiling, *rotation, *scale,
                                       translation.at(0).toDouble(),
                                       translation.at(1).toDouble())) {
                        tour.errors.append({file, 0,
                                            QStringLiteral("%1: heights, rotation, scale or "
                                                           "translation beyond %2: not a pose "
                                                           "in a home")
                                                .arg(where)
                                                .arg(maxPoseMagnitude, 0, 'f', 0)});
                        continue;
                    }
                    pano.cameraHeight = *camera;
                    pano.ceilingHeight = *ceiling;
                    pano.rotation = *rotation;
                    pano.scale = *scale;
                    pano.translation =
                        QPointF(translation.at(0).toDouble(), translation.at(1).toDouble());
                    const QJsonValue layoutValue = o.value(layoutKey);
                    if (!layoutValue.isObject()) {
                        lacking.append(pano);
                        tour.panos.append(pano);
                        continue;
                    }
                    bool good = true;
                    for (const QJsonValue &v :
                         layoutValue.toObject().value(QLatin1String("vertices")).toArray()) {
                        const QJsonArray xy = v.toArray();
                        good = good && xy.size() == 2 && xy.at(0).isDouble() && xy.at(1).isDouble()
                            && std::abs(xy.at(0).toDouble()) <= maxPoseMagnitude
                            && std::abs(xy.at(1).toDouble()) <= maxPoseMagnitude;
                        if (good)
                            pano.vertices.append(QPointF(xy.at(0).toDouble(), xy.at(1).toDouble()));
                    }
                    if (!good || pano.vertices.size() < 3) {
                        tour.errors.append(
                            {file, 0,
                             QStringLiteral("%1: %2 needs at least 3 vertices [x, y] within "
                                            "a home's size")
                                 .arg(where, layoutKey)});
                        continue;
                    }
                    if (pano.vertices.size() > maxZindVertices) {
                        tour.errors.append({file, 0,
                                            QStringLiteral("%1: %2 has %3 vertices, more than "
                                                           "the %4 the viewer shows")
                                                .arg(where, layoutKey)
                                                .arg(pano.vertices.size())
                                                .arg(maxZindVertices)});
                        continue;
                    }
                    // A vertex repeated in place is no wall; fewer than three walls left, or no
                    // area, leaves nothing to pick.
                    pano.vertices = withoutRepeatedVertices(pano.vertices);
                    if (pano.vertices.size() < 3 || !(std::abs(signedArea(pano.vertices)) > 1e-9)) {
                        tour.errors.append({file, 0,
                                            QStringLiteral("%1: %2 encloses no floor (its "
                                                           "vertices coincide or lie on one "
                                                           "line): no wall to pick")
                                                .arg(where, layoutKey)});
                        continue;
                    }
                    tour.panos.append(pano);
                }
            }
        }
    }
    std::sort(tour.panos.begin(), tour.panos.end(),
              [](const ZindPano &a, const ZindPano &b) { return sampleKey(a) < sampleKey(b); });
    for (const ZindPano &l : lacking) {
        const bool shared =
            std::any_of(tour.panos.begin(), tour.panos.end(), [&](const ZindPano &p) {
                return p.pano != l.pano && p.floor == l.floor && p.completeRoom == l.completeRoom
                    && p.partialRoom == l.partialRoom;
            });
        if (shared)
            tour.errors.append({file, 0,
                                QStringLiteral("%1 has no %2, but shares its room with another "
                                               "pano")
                                    .arg(l.stem(), layoutKey)});
    }
    if (tour.panos.isEmpty() && tour.errors.isEmpty())
        tour.errors.append({file, 0, QStringLiteral("no panos in \"merger\"")});
    return tour;
}

ZindTour readZindTour(const QString &tourDir, ZindLayout layout)
{
    const QString file = QStringLiteral("%1/zind_data.json").arg(tourDir);
    const QFileInfo info(file);
    if (info.exists() && info.size() > kMaxTourJson) {
        ZindTour tour;
        tour.errors.append(
            {file, 0,
             QStringLiteral("%1 bytes, more than a tour's %2").arg(info.size()).arg(kMaxTourJson)});
        return tour;
    }
    QVector<Problem> problems;
    const std::optional<QByteArray> json = readFileOrComplain(file, problems);
    if (!json) {
        ZindTour tour;
        tour.errors = problems;
        return tour;
    }
    return parseZindTour(tourDir, *json, layout);
}

QVector<QPair<int, int>> zindPairs(const ZindTour &tour, QVector<Problem> *notes)
{
    QVector<QPair<int, int>> pairs;
    QMap<QString, int> perRoom;
    for (int i = 0; i < tour.panos.size(); ++i) {
        const ZindPano &a = tour.panos.at(i);
        if (a.vertices.isEmpty())
            continue;
        const QString room = QStringLiteral("floor_%1/complete_room_%2/partial_room_%3")
                                 .arg(a.floor)
                                 .arg(a.completeRoom)
                                 .arg(a.partialRoom);
        for (int j = i + 1; j < tour.panos.size(); ++j) {
            const ZindPano &b = tour.panos.at(j);
            if (b.floor != a.floor || b.completeRoom != a.completeRoom
                || b.partialRoom != a.partialRoom)
                break;
            if (b.vertices.isEmpty())
                continue;
            // Every pair of n panos is n (n - 1) / 2 samples: bounded per room.
            if (++perRoom[room] <= maxZindSamplesPerRoom)
                pairs.append({i, j});
        }
    }
    if (notes) {
        for (auto r = perRoom.cbegin(); r != perRoom.cend(); ++r)
            if (r.value() > maxZindSamplesPerRoom)
                notes->append({QDir(tour.dir).filePath(QStringLiteral("zind_data.json")), 0,
                               QStringLiteral("%1: %2 pairs of panos; only the first %3 are "
                                              "made samples")
                                   .arg(r.key())
                                   .arg(r.value())
                                   .arg(maxZindSamplesPerRoom)});
    }
    return pairs;
}

QVector<CornerPoint> zindCorners(const ZindPano &pano)
{
    // Our axes are the dataset's turned half a turn: (x, y) -> (-x, -y).
    QVector<QPointF> ring;
    for (const QPointF &v : pano.vertices)
        ring.append(-v);
    double area = 0;
    for (int i = 0; i < ring.size(); ++i) {
        const QPointF a = ring.at(i);
        const QPointF b = ring.at((i + 1) % ring.size());
        area += a.x() * b.y() - a.y() * b.x();
    }
    if (area < 0)
        std::reverse(ring.begin(), ring.end());
    int first = 0;
    double firstAzimuth = 10;
    for (int i = 0; i < ring.size(); ++i) {
        const double azimuth = azimuthOf({ring.at(i).x(), ring.at(i).y(), 0});
        if (azimuth < firstAzimuth) {
            firstAzimuth = azimuth;
            first = i;
        }
    }
    std::rotate(ring.begin(), ring.begin() + first, ring.end());
    QVector<CornerPoint> corners;
    for (double z : {pano.ceilingHeight - pano.cameraHeight, -pano.cameraHeight}) {
        for (const QPointF &p : ring)
            corners.append(CornerPoint(float(p.x()), float(p.y()), float(z)));
    }
    return corners;
}

FloorPose zindPose(const ZindPano &pano)
{
    // The dataset maps a local point p to scale * R(rotation) * p + translation; with our axes
    // p = -q, that is scale * R(rotation + 180) * q + translation. Lifting gives q in camera
    // heights, the layout's units times camera_height (1 throughout the dataset).
    FloorPose pose;
    pose.x = pano.translation.x();
    pose.y = pano.translation.y();
    pose.yawDegrees = pano.rotation + 180.0;
    pose.scale = pano.scale * pano.cameraHeight;
    return pose;
}

} // namespace wallmatch
