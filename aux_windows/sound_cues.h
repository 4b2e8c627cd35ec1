#pragma once
// The six sound cues of the main window. Players are opened once at start
// and then only asked to play; a play request returns at once and never
// reports an error.
#include <memory>
#include <stdexcept>
#include <vector>

#include "engine/dialogue.h"

namespace tarsel::gui {

class SoundCues {
public:
    virtual ~SoundCues() = default;
    virtual void play(Cue cue) = 0;
};

// Records play requests; for tests and for machines where sound is off.
class RecordingCues : public SoundCues {
public:
    void play(Cue cue) override { played.push_back(cue); }
    std::vector<Cue> played;
};

// A sound file that cannot be opened at start. what() is the message of the
// start-up error box.
class SoundOpenError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace tarsel::gui
