#include "toolkit/system_camera.h"

#include <QCamera>
#include <QCameraDevice>
#include <QCameraFormat>
#include <QImage>
#include <QMediaCaptureSession>
#include <QMediaDevices>
#include <QVideoFrame>
#include <QVideoSink>

#include <cstdlib>
#include <cstring>
#include <mutex>

namespace pixmold::detail {
namespace {

// The device's format nearest 640 x 480, the size the live view is made
// for; at equal distance the faster one. A camera's largest format would
// cost far more to turn into pictures, many times a second.
QCameraFormat preferred_format(const QCameraDevice& device) {
    QCameraFormat best;
    int best_distance = 0;
    for (const QCameraFormat& format : device.videoFormats()) {
        const QSize size = format.resolution();
        const int distance = std::abs(size.width() - 640) + std::abs(size.height() - 480);
        if (best.isNull() || distance < best_distance ||
            (distance == best_distance && format.maxFrameRate() > best.maxFrameRate())) {
            best = format;
            best_distance = distance;
        }
    }
    return best;
}

class SystemCamera : public FrameSource {
public:
    ~SystemCamera() override { release(); }

    CameraStart start() override {
        release();
        // Without this check Qt would run a camera with no device, whose
        // backend delivers a test pattern as if it were a picture.
        const QList<QCameraDevice> inputs = QMediaDevices::videoInputs();
        if (inputs.isEmpty()) return CameraStart::NoDevice;
        camera_ = std::make_unique<QCamera>(inputs.first());
        if (const QCameraFormat format = preferred_format(inputs.first()); !format.isNull())
            camera_->setCameraFormat(format);
        sink_ = std::make_unique<QVideoSink>();
        session_ = std::make_unique<QMediaCaptureSession>();
        // Frames may arrive on the backend's own thread.
        QObject::connect(
            sink_.get(), &QVideoSink::videoFrameChanged, sink_.get(),
            [this](const QVideoFrame& frame) {
                std::lock_guard<std::mutex> lock(mutex_);
                if (!failed_) latest_ = frame;
            },
            Qt::DirectConnection);
        QObject::connect(
            camera_.get(), &QCamera::errorOccurred, camera_.get(),
            [this](QCamera::Error error) {
                if (error == QCamera::NoError) return;
                std::lock_guard<std::mutex> lock(mutex_);
                failed_ = true;
                latest_ = QVideoFrame();
            },
            Qt::DirectConnection);
        session_->setCamera(camera_.get());
        session_->setVideoSink(sink_.get());
        camera_->start();
        if (camera_->error() != QCamera::NoError) {
            release();
            return CameraStart::Failed;
        }
        return CameraStart::Started;
    }

    std::optional<CameraFrame> latest_frame() override {
        QVideoFrame frame;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            frame = latest_;
        }
        return camera_frame_from(frame);
    }

    void stop() override { release(); }

private:
    void release() {
        if (camera_) camera_->stop();
        session_.reset();
        camera_.reset();
        sink_.reset();
        std::lock_guard<std::mutex> lock(mutex_);
        latest_ = QVideoFrame();
        failed_ = false;
    }

    std::unique_ptr<QCamera> camera_;
    std::unique_ptr<QVideoSink> sink_;
    std::unique_ptr<QMediaCaptureSession> session_;
    std::mutex mutex_;
    QVideoFrame latest_;
    bool failed_ = false;
};

}  // namespace

std::optional<CameraFrame> camera_frame_from(const QVideoFrame& frame) {
    if (!frame.isValid()) return std::nullopt;
    const QImage image = frame.toImage().convertToFormat(QImage::Format_RGB888);
    if (image.isNull()) return std::nullopt;
    CameraFrame out;
    out.width = image.width();
    out.height = image.height();
    const std::size_t row = std::size_t(out.width) * 3;
    out.rgb.resize(row * std::size_t(out.height));
    for (int y = 0; y < out.height; ++y) std::memcpy(out.rgb.data() + row * std::size_t(y), image.constScanLine(y), row);
    return out;
}

std::shared_ptr<FrameSource> make_system_camera() { return std::make_shared<SystemCamera>(); }

}  // namespace pixmold::detail
