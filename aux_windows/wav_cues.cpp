#include "aux_windows/wav_cues.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QByteArray>
#include <QMediaDevices>

#include <string>
#include <utility>

#include "engine/errors.h"
#include "engine/file_io.h"
#include "engine/wav_header.h"

namespace tarsel::gui {

bool CueGate::try_start(CueClock::time_point now)
{
    if (started_ && now < *started_ + length_)
        return false;
    started_ = now;
    return true;
}

GatedCues::GatedCues(const std::array<std::chrono::milliseconds, 6>& lengths, Start start, Now now)
    : gates_{CueGate(lengths[0]), CueGate(lengths[1]), CueGate(lengths[2]),
             CueGate(lengths[3]), CueGate(lengths[4]), CueGate(lengths[5])},
      start_(std::move(start)),
      now_(std::move(now))
{
}

void GatedCues::play(Cue cue)
{
    const auto index = static_cast<std::size_t>(cue);
    if (index >= gates_.size())
        return;
    try {
        if (gates_[index].try_start(now_()))
            start_(cue);
    } catch (...) {
        // A play request never reports an error; the cue is simply not heard.
    }
}

namespace {

// The device plays a little behind the request; a cue counts as sounding
// until its buffer has been played out, so that a restart does not cut off
// the end of the previous play.
constexpr std::chrono::milliseconds kOutputLatency{50};

struct LoadedCue {
    QByteArray pcm;  // whole frames only
    QAudioFormat format;
    std::chrono::milliseconds length{0};
};

LoadedCue load_cue(const char* program_path)
{
    std::string bytes;
    try {
        bytes = tarsel::read_file(program_path);
    } catch (const FileError& e) {
        throw SoundOpenError(e.what());
    }
    const WavParseResult parsed = parse_wav(bytes);
    if (!parsed)
        throw SoundOpenError(std::string(program_path) + ": " + parsed.error);
    const WavHeader& header = *parsed.header;

    LoadedCue cue;
    cue.pcm = QByteArray(bytes.data() + header.data_offset, static_cast<qsizetype>(header.data_size));
    cue.format.setSampleRate(static_cast<int>(header.sample_rate));
    cue.format.setChannelCount(header.channels);
    cue.format.setSampleFormat(header.bits_per_sample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    cue.length = std::chrono::milliseconds(header.duration_ms);
    return cue;
}

// One output stream per cue, so that different cues can sound together.
// A cue without a stream (no device, a format the device refuses, a stream
// that failed to open) is silent.
class CueSinks {
public:
    explicit CueSinks(std::array<LoadedCue, 6>& cues)
    {
        if (QMediaDevices::audioOutputs().isEmpty())
            return;
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull())
            return;
        for (std::size_t i = 0; i < cues.size(); ++i) {
            if (!device.isFormatSupported(cues[i].format))
                continue;
            Slot& slot = slots_[i];
            slot.buffer = std::make_unique<QBuffer>();
            slot.buffer->setData(cues[i].pcm);
            slot.buffer->open(QIODevice::ReadOnly);
            slot.sink = std::make_unique<QAudioSink>(device, cues[i].format);
        }
    }

    void start(Cue cue)
    {
        Slot& slot = slots_[static_cast<std::size_t>(cue)];
        if (!slot.sink)
            return;
        slot.sink->stop();
        slot.buffer->seek(0);
        slot.sink->start(slot.buffer.get());
        if (slot.sink->error() == QAudio::OpenError) {
            // The device cannot be opened (gone, or no sound server): stay
            // silent for the rest of the run instead of retrying every time.
            slot.sink.reset();
        }
    }

private:
    struct Slot {
        std::unique_ptr<QBuffer> buffer;
        std::unique_ptr<QAudioSink> sink;  // declared last: goes first
    };
    std::array<Slot, 6> slots_;
};

} // namespace

std::unique_ptr<SoundCues> open_sound_cues()
{
    std::array<LoadedCue, 6> cues;
    std::array<std::chrono::milliseconds, 6> lengths{};
    for (std::size_t i = 0; i < kCueFiles.size(); ++i) {
        cues[i] = load_cue(kCueFiles[i]);
        lengths[i] = cues[i].length + kOutputLatency;
    }
    auto sinks = std::make_shared<CueSinks>(cues);
    return std::make_unique<GatedCues>(lengths, [sinks](Cue cue) { sinks->start(cue); });
}

} // namespace tarsel::gui
