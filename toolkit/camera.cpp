// The live view: a child widget that shows the source's newest frame scaled
// to its own size, refreshed as frames come in.
#include "toolkit/camera.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include <cstring>

#include "toolkit/system_camera.h"
#include "toolkit/toolkit_internal.h"

namespace pixmold {
namespace {

using detail::find_record;
using detail::find_window;

constexpr int REFRESH_MS = 33;  // about the frame rate of a webcam

// A frame that says what it holds: sizes within the engine's limits and
// exactly width x height x 3 bytes.
bool well_formed(const CameraFrame& frame) {
    return frame.width > 0 && frame.height > 0 && frame.width <= MAX_IMAGE_SIDE && frame.height <= MAX_IMAGE_SIDE &&
           frame.rgb.size() == std::size_t(frame.width) * std::size_t(frame.height) * 3;
}

class CameraView : public QWidget {
public:
    CameraView(QWidget* parent, std::shared_ptr<FrameSource> source) : QWidget(parent), source_(std::move(source)) {
        setObjectName("pixmold_camera_view");
        setAttribute(Qt::WA_OpaquePaintEvent);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { refresh(); });
        timer_.start(REFRESH_MS);
    }

    void refresh() {
        std::optional<CameraFrame> frame = source_->latest_frame();
        if (!frame || !well_formed(*frame)) return;
        shown_ = QImage(frame->rgb.data(), frame->width, frame->height, frame->width * 3, QImage::Format_RGB888)
                     .copy();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        if (shown_.isNull()) {
            painter.fillRect(rect(), Qt::black);
            return;
        }
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(rect(), shown_);
    }

private:
    std::shared_ptr<FrameSource> source_;
    QTimer timer_;
    QImage shown_;
};

std::shared_ptr<FrameSource> g_installed;
std::shared_ptr<FrameSource> g_running;  // the started source while live
QPointer<CameraView> g_view;

QWidget* parent_widget(Parent parent) {
    if (parent.container) {
        detail::WidgetRecord* record = find_record(parent.number);
        return record && record->kind == detail::WidgetKind::Container ? record->widget.data() : nullptr;
    }
    detail::ShellWindow* window = find_window(parent.number);
    return window ? window->client() : nullptr;
}

}  // namespace

void set_frame_source(std::shared_ptr<FrameSource> source) { g_installed = std::move(source); }

CameraStart camera_start(Parent parent, int x, int y, int width, int height) {
    camera_stop();
    QWidget* host = parent_widget(parent);
    if (!host || width < 1 || height < 1) return CameraStart::Failed;
    std::shared_ptr<FrameSource> source = g_installed ? g_installed : detail::make_system_camera();
    const CameraStart started = source->start();
    if (started != CameraStart::Started) return started;
    g_running = source;
    // Owned by its Qt parent; camera_stop or the window's end deletes it.
    g_view = new CameraView(host, source);
    g_view->setGeometry(x, y, width, height);
    g_view->raise();
    g_view->show();
    return CameraStart::Started;
}

bool camera_live() { return g_running != nullptr; }

bool camera_take_frame(ImageId number) {
    if (!g_running) return false;
    std::optional<CameraFrame> frame = g_running->latest_frame();
    if (!frame || !well_formed(*frame)) return false;
    if (!create_image_for_overwrite(number, frame->width, frame->height, 24)) return false;
    const PixelView v = image_pixels(number);
    for (int y = 0; y < v.height; ++y) {
        const std::uint8_t* from = frame->rgb.data() + std::size_t(y) * std::size_t(v.width) * 3;
        std::uint8_t* to = v.row_from_top(y);
        for (int x = 0; x < v.width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    return true;
}

void camera_stop() {
    // Not inside one of the view's own handlers: it can go at once.
    delete g_view.data();
    g_view = nullptr;
    if (!g_running) return;
    std::shared_ptr<FrameSource> source = std::move(g_running);
    g_running.reset();
    source->stop();
}

}  // namespace pixmold
