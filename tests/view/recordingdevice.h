#ifndef RECORDINGDEVICE_H
#define RECORDINGDEVICE_H

#include <QPaintDevice>
#include <QPaintEngine>
#include <QPointF>
#include <QVector>
#include <memory>

// A paint device that keeps the polylines drawn on it, in drawing order, and nothing else.
class RecordingDevice : public QPaintDevice
{
public:
    struct Polyline
    {
        bool integer = false; // drawn with the QPoint overload
        QVector<QPointF> points;
    };

    explicit RecordingDevice(const QSize &size = QSize(1024, 512));
    ~RecordingDevice() override;

    QPaintEngine *paintEngine() const override;
    const QVector<Polyline> &polylines() const;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    class Engine;
    QSize size;
    std::unique_ptr<Engine> engine;
};

#endif // RECORDINGDEVICE_H
