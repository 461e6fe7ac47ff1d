#include "recordingdevice.h"

class RecordingDevice::Engine : public QPaintEngine
{
public:
    Engine()
        : QPaintEngine(QPaintEngine::AllFeatures)
    {
    }

    bool begin(QPaintDevice *) override { return true; }
    bool end() override { return true; }
    void updateState(const QPaintEngineState &) override { }
    void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override { }
    Type type() const override { return QPaintEngine::User; }

    void drawPolygon(const QPointF *points, int count, PolygonDrawMode mode) override
    {
        if (mode == PolylineMode)
            polylines.append({false, QVector<QPointF>(points, points + count)});
    }

    void drawPolygon(const QPoint *points, int count, PolygonDrawMode mode) override
    {
        if (mode != PolylineMode)
            return;
        RecordingDevice::Polyline polyline;
        polyline.integer = true;
        for (int i = 0; i < count; ++i)
            polyline.points.append(QPointF(points[i]));
        polylines.append(polyline);
    }

    QVector<RecordingDevice::Polyline> polylines;
};

RecordingDevice::RecordingDevice(const QSize &size)
    : size(size)
    , engine(new Engine)
{
}

RecordingDevice::~RecordingDevice() = default;

QPaintEngine *RecordingDevice::paintEngine() const
{
    return engine.get();
}

const QVector<RecordingDevice::Polyline> &RecordingDevice::polylines() const
{
    return engine->polylines;
}

int RecordingDevice::metric(PaintDeviceMetric metric) const
{
    switch (metric) {
    case PdmWidth:
        return size.width();
    case PdmHeight:
        return size.height();
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDepth:
        return 32;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    default:
        return QPaintDevice::metric(metric);
    }
}
