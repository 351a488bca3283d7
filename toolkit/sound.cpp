// Sound samples played on their own thread, so a caller that blocks (the
// click plays while the user-interface thread sleeps) does not starve the
// audio output.
#include "toolkit/sound.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QCoreApplication>
#include <QMediaDevices>
#include <QThread>

#include <map>
#include <memory>
#include <mutex>

#include "platform/wave.h"

namespace pixmold {
namespace {

struct Sample {
    QByteArray pcm;
    QAudioFormat format;
};

struct Playing {
    std::unique_ptr<QBuffer> buffer;
    std::unique_ptr<QAudioSink> sink;
};

struct SoundSystem {
    QThread thread;
    std::unique_ptr<QObject> context;  // lives on `thread`; queued work runs there
    QAudioDevice device;
    std::mutex lock;
    std::map<int, Sample> samples;
    std::map<int, Playing> playing;  // touched on `thread` only
};

std::unique_ptr<SoundSystem> sound;

void stop_on_sound_thread(int number) {
    auto it = sound->playing.find(number);
    if (it == sound->playing.end()) return;
    it->second.sink->stop();
    sound->playing.erase(it);
}

}  // namespace

bool init_sound() {
    if (sound) return true;
    if (!QCoreApplication::instance()) return false;
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return false;
    auto system = std::make_unique<SoundSystem>();
    system->device = device;
    system->context = std::make_unique<QObject>();
    system->context->moveToThread(&system->thread);
    system->thread.start();
    sound = std::move(system);
    return true;
}

void shutdown_sound() {
    if (!sound) return;
    QMetaObject::invokeMethod(
        sound->context.get(),
        [] {
            sound->playing.clear();
            sound->context.reset();  // deleted on its own thread
        },
        Qt::BlockingQueuedConnection);
    sound->thread.quit();
    sound->thread.wait();
    sound.reset();
}

bool catch_sound(int number, const std::uint8_t* data, std::size_t size) {
    if (!sound) return false;
    WaveInfo info = parse_wave(data, size);
    if (info.channels == 0) return false;
    Sample sample;
    sample.pcm = QByteArray(reinterpret_cast<const char*>(data + info.data_offset), qsizetype(info.data_size));
    sample.format.setSampleRate(info.sample_rate);
    sample.format.setChannelCount(info.channels);
    sample.format.setSampleFormat(info.bits == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    std::lock_guard guard(sound->lock);
    sound->samples[number] = std::move(sample);
    return true;
}

void play_sound(int number) {
    if (!sound) return;
    QMetaObject::invokeMethod(
        sound->context.get(),
        [number] {
            stop_on_sound_thread(number);
            Sample sample;
            {
                std::lock_guard guard(sound->lock);
                auto it = sound->samples.find(number);
                if (it == sound->samples.end()) return;
                sample = it->second;
            }
            Playing p;
            p.buffer = std::make_unique<QBuffer>();
            p.buffer->setData(sample.pcm);
            p.buffer->open(QIODevice::ReadOnly);
            p.sink = std::make_unique<QAudioSink>(sound->device, sample.format);
            p.sink->start(p.buffer.get());
            sound->playing[number] = std::move(p);
        },
        Qt::QueuedConnection);
}

void stop_sound(int number) {
    if (!sound) return;
    QMetaObject::invokeMethod(sound->context.get(), [number] { stop_on_sound_thread(number); }, Qt::QueuedConnection);
}

}  // namespace pixmold
