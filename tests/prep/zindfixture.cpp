#include "zindfixture.h"

#include <QColor>
#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace zindfixture {

namespace {

QString two(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QJsonArray pointArray(const QVector<QPointF> &points)
{
    QJsonArray array;
    for (const QPointF &p : points)
        array.append(QJsonArray {p.x(), p.y()});
    return array;
}

} // namespace

QVector<QPointF> boxRoom()
{
    return {{0, 0}, {5, 0}, {5, 3}, {0, 3}};
}

QVector<QPointF> lRoom()
{
    return {{0, 0}, {4, 0}, {4, 2}, {2, 2}, {2, 4}, {0, 4}};
}

QString Pano::stem() const
{
    return QStringLiteral("floor_%1_partial_room_%2_pano_%3")
        .arg(two(floor), two(partialRoom))
        .arg(pano);
}

QVector<QPointF> localVertices(const Pano &pano)
{
    const int n = int(pano.room.size());
    const double r = pano.rotation * pi / 180.0;
    QVector<QPointF> local;
    for (int k = 0; k < n; ++k) {
        const int i = pano.reversed ? ((pano.start - k) % n + n) % n : (pano.start + k) % n;
        const QPointF d = (pano.room.at(i) - pano.camera) / pano.scale;
        // Inverse of the dataset's rotation: R(-rotation).
        local.append(QPointF(std::cos(r) * d.x() + std::sin(r) * d.y(),
                             -std::sin(r) * d.x() + std::cos(r) * d.y()));
    }
    return local;
}

QByteArray tourJson(const QVector<Pano> &panos)
{
    QJsonObject merger;
    for (const Pano &p : panos) {
        QJsonObject pano;
        pano.insert(QStringLiteral("image_path"), QStringLiteral("panos/%1.jpg").arg(p.stem()));
        pano.insert(QStringLiteral("camera_height"), 1.0);
        pano.insert(QStringLiteral("ceiling_height"), p.ceilingHeight);
        pano.insert(QStringLiteral("is_primary"), p.pano % 2 == 1);
        pano.insert(
            QStringLiteral("floor_plan_transformation"),
            QJsonObject {{QStringLiteral("rotation"), p.rotation},
                         {QStringLiteral("scale"), p.scale},
                         {QStringLiteral("translation"), QJsonArray {p.camera.x(), p.camera.y()}}});
        if (p.withLayout) {
            const QJsonObject layout {{QStringLiteral("vertices"), pointArray(localVertices(p))},
                                      {QStringLiteral("doors"), QJsonArray()},
                                      {QStringLiteral("windows"), QJsonArray()},
                                      {QStringLiteral("openings"), QJsonArray()}};
            for (const char *key : {"layout_raw", "layout_complete", "layout_visible"})
                pano.insert(QLatin1String(key), layout);
        }
        const QString floor = QStringLiteral("floor_") + two(p.floor);
        const QString complete = QStringLiteral("complete_room_") + two(p.completeRoom);
        const QString partial = QStringLiteral("partial_room_") + two(p.partialRoom);
        QJsonObject f = merger.value(floor).toObject();
        QJsonObject c = f.value(complete).toObject();
        QJsonObject r = c.value(partial).toObject();
        r.insert(QStringLiteral("pano_%1").arg(p.pano), pano);
        c.insert(partial, r);
        f.insert(complete, c);
        merger.insert(floor, f);
    }
    return QJsonDocument(
               QJsonObject {{QStringLiteral("merger"), merger},
                            {QStringLiteral("scale_meters_per_coordinate"), QJsonObject()}})
        .toJson();
}

bool writeTour(const QString &dir, const QVector<Pano> &panos, int imageWidth)
{
    if (!QDir().mkpath(dir + QStringLiteral("/panos")))
        return false;
    QFile json(dir + QStringLiteral("/zind_data.json"));
    if (!json.open(QIODevice::WriteOnly) || json.write(tourJson(panos)) < 0)
        return false;
    for (const Pano &p : panos) {
        QImage image(imageWidth, imageWidth / 2, QImage::Format_RGB32);
        image.fill(QColor::fromHsv((p.pano * 47) % 360, 90, 200));
        if (!image.save(QStringLiteral("%1/panos/%2.jpg").arg(dir, p.stem()), "JPG"))
            return false;
    }
    return true;
}

QPointF datasetPixelFraction(QPointF local, double z)
{
    const double theta = std::atan2(-local.x(), local.y());
    const double phi = std::atan2(z, std::hypot(local.x(), local.y()));
    return {(theta + pi) / (2 * pi), 1.0 - (phi + pi / 2) / pi};
}

} // namespace zindfixture
