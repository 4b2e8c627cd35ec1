#pragma once
// The dialogue engine's turn: one incoming phrase in, one reply out, with
// learning into the knowledge base and the pools. The on-screen steps of the
// turn (cues, adding lines to the dialogue view, clearing the input line,
// starting the farewell close) are asked of a DialogueHost in the order the
// turn needs them, so the window and the terminal front end run the same turn.
#include <string>

#include "engine/line_list.h"
#include "engine/random.h"

namespace tarsel {

// The six sound cues, by player.
enum class Cue {
    KeyClick,  // MediaPlayer1, Sound\KeyBoard.wav: the input line changed
    UserLine,  // MediaPlayer2, Sound\Button3.wav: a Say turn shows the user line
    Layout,    // MediaPlayer3, Sound\Button2.wav: the layout converter
    Shake,     // MediaPlayer4, Sound\Button1.wav: the window shake
    BotReply,  // MediaPlayer5, Sound\CpuSound.wav: a reply or an idle remark
    Close,     // MediaPlayer6, Sound\Close.wav: the farewell close
};

// Data files of the engine, as the program names them.
namespace files {
inline constexpr const char* kWords = "Base\\Words.Dat";
inline constexpr const char* kQuestions = "Base\\W1.Dat";
inline constexpr const char* kStatements = "Base\\W2.Dat";
inline constexpr const char* kRepeat = "Base\\Povtor.Dat";
inline constexpr const char* kRude = "Base\\X.Dat";
inline constexpr const char* kLongPhrase = "Base\\BigString.Dat";
inline constexpr const char* kIdle = "Base\\Pause.Dat";
inline constexpr const char* kLog = "Base\\Log.Tarsel";
inline constexpr const char* kExchangeRead = "D:\\Txt.Dat";
} // namespace files

// What a turn needs from the window (or the terminal front end).
// All strings are Windows-1251 bytes.
class DialogueHost {
public:
    virtual ~DialogueHost() = default;

    // Cpu\Cpu mode: the phrase is the exchange buffer's whole text and the
    // reply is written to exchange_path().
    virtual bool cpu_cpu_mode() const = 0;
    // The input line's text.
    virtual std::string input_text() const = 0;
    // Second-to-last line of the dialogue view; "" with fewer than two lines.
    virtual std::string previous_line() const = 0;
    // The exchange settings' write path.
    virtual std::string exchange_path() const = 0;

    virtual void play(Cue cue) = 0;
    // Sets the user colour and font, then adds the line to the dialogue view.
    virtual void add_user_line(const std::string& shown_phrase) = 0;
    // Sets the bot colour and font, then adds the line to the dialogue view.
    virtual void add_reply_line(const std::string& reply) = 0;
    // Sets the idle-remark colour, then adds the line to the dialogue view.
    virtual void add_idle_remark(const std::string& remark) = 0;
    // Empties the input line (a real change plays the key click).
    virtual void clear_input() = 0;
    // Enables the farewell close timer.
    virtual void start_farewell() = 0;
};

struct DialogueState {
    std::string current_phrase;    // CurrentPhrase
    std::string last_reply;        // LastReply
    std::string last_reply_shown;  // LastReplyShown
    std::string reply_text;        // ReplyText
    int idle_ticks = 0;            // IdleTicks
};

class Dialogue {
public:
    explicit Dialogue(Random& random);

    // One Say turn. Throws FileError when a file cannot be opened or
    // created; what the turn did before that stays done.
    // A turn with an empty phrase ends without any effect.
    void say(DialogueHost& host);

    // One tick of the idle-remark timer. Throws FileError when
    // Base\Pause.Dat cannot be opened. Returns true when a remark was made.
    bool idle_tick(DialogueHost& host);

    // Exchange poll, first step: loads the exchange file at the fixed read
    // path into the exchange buffer (line breaks normalised to CR LF).
    void load_exchange(std::string_view read_path = files::kExchangeRead);

    DialogueState& state() { return state_; }
    const DialogueState& state() const { return state_; }
    // Memo1: the rude-word list, doubling as the exchange buffer.
    LineList& exchange_buffer() { return memo1_; }
    const LineList& topics() const { return memo4_; }
    const LineList& farewells() const { return memo2_; }
    // RichEdit4: "USER:     " and "CPU:     " lines.
    LineList& transcript() { return transcript_; }
    const LineList& transcript() const { return transcript_; }

    Random& random() { return random_; }

private:
    Random& random_;
    DialogueState state_;
    LineList memo1_;
    LineList memo2_;
    LineList memo4_;
    LineList transcript_;
};

} // namespace tarsel
