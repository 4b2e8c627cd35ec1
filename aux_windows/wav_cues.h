#pragma once
// The six sound cues of the main window, played from the WAV files of the
// Sound folder, which are read and checked once at start and then kept in
// memory.
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

#include "aux_windows/sound_cues.h"
#include "engine/dialogue.h"

namespace tarsel::gui {

// Cue files in player order (MediaPlayer1 ... MediaPlayer6), indexed by Cue.
inline constexpr std::array<const char*, 6> kCueFiles = {
    "Sound\\KeyBoard.wav",  // Cue::KeyClick
    "Sound\\Button3.wav",   // Cue::UserLine
    "Sound\\Button2.wav",   // Cue::Layout
    "Sound\\Button1.wav",   // Cue::Shake
    "Sound\\CpuSound.wav",  // Cue::BotReply
    "Sound\\Close.wav",     // Cue::Close
};

using CueClock = std::chrono::steady_clock;

// Decides whether one cue may start now. A cue that is still sounding is
// neither restarted nor doubled: a request before the last start plus the
// cue's length is refused; from that moment on the cue may start again.
// The time is passed in, so the rule does not depend on a real clock.
class CueGate {
public:
    explicit CueGate(std::chrono::milliseconds length) : length_(length) {}

    // True when the cue may start at `now`; it then counts as started at `now`.
    bool try_start(CueClock::time_point now);

    std::chrono::milliseconds length() const { return length_; }

private:
    std::chrono::milliseconds length_;
    std::optional<CueClock::time_point> started_;
};

// Sound cues with one gate per cue. `start` makes the sound (it must return
// at once and not throw); `now` is the clock.
class GatedCues final : public SoundCues {
public:
    using Start = std::function<void(Cue)>;
    using Now = std::function<CueClock::time_point()>;

    GatedCues(const std::array<std::chrono::milliseconds, 6>& lengths, Start start,
              Now now = &CueClock::now);

    // Never reports an error: a refused or failing request is dropped.
    void play(Cue cue) override;

private:
    std::array<CueGate, 6> gates_;
    Start start_;
    Now now_;
};

// Reads and checks the six cue files, in player order, relative to the
// working directory. A file that is missing, unreadable or not a playable
// PCM WAV throws SoundOpenError naming the file as the program spells it
// ("Cannot open file Sound\KeyBoard.wav", "Sound\Close.wav: truncated data
// chunk"); the files after it are not opened. Needs a QCoreApplication.
//
// Without a sound output device (no sound card or sound server) the cues are
// opened all the same and play silently. Loading never waits for a device.
std::unique_ptr<SoundCues> open_sound_cues();

} // namespace tarsel::gui
