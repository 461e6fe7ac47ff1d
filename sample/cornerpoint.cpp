#include "cornerpoint.h"

#include <QByteArray>
#include <QDebug>
#include <QString>

namespace {

QString toText(const CornerPoint &point)
{
    // Nine significant digits tell any two floats apart.
    return QStringLiteral("CornerPoint(%1, %2, %3)")
        .arg(QString::number(point.x, 'g', 9), QString::number(point.y, 'g', 9),
             QString::number(point.z, 'g', 9));
}

} // namespace

QDebug operator<<(QDebug debug, const CornerPoint &point)
{
    const QDebugStateSaver saver(debug);
    debug.noquote().nospace() << toText(point);
    return debug;
}

char *toString(const CornerPoint &point)
{
    return qstrdup(toText(point).toUtf8().constData());
}
