#pragma once
// The properties that the fuzz targets check, shared with the regression
// test that replays stored inputs (tests/engine/fuzz_regression_test.cpp).
// Each check takes the raw input bytes; a broken property throws
// CheckFailure. FileError is the one failure the engine may report; any
// other exception escapes to the caller as a finding.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "engine/dialogue.h"
#include "engine/errors.h"
#include "engine/keyword_scan.h"
#include "engine/layout_converter.h"
#include "engine/line_list.h"
#include "engine/paths.h"
#include "engine/random.h"
#include "engine/rtf.h"

namespace tarsel::fuzz {

class CheckFailure : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

inline void require(bool ok, const std::string& what)
{
    if (!ok)
        throw CheckFailure(what);
}

inline std::string without_line_breaks(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        if (c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

// ---------------------------------------------------------------------------
// RTF reader

inline void check_rtf_reader(std::string_view data)
{
    (void)is_rtf(data);
    const std::vector<std::string> lines = read_rtf(data);

    // Every byte of text and every paragraph costs at least one input byte.
    std::size_t produced = 0;
    for (const auto& line : lines)
        produced += line.size() + 1;
    require(produced <= data.size(), "read_rtf produced more text than its input");

    // What we read, we can write and read back.
    std::vector<std::string> clean;
    clean.reserve(lines.size());
    for (const auto& line : lines)
        clean.push_back(without_line_breaks(line));
    const std::string doc = write_rtf(clean);
    require(is_rtf(doc), "write_rtf output is not taken for RTF");
    require(read_rtf(doc) == clean, "write_rtf/read_rtf round trip changed the lines");
}

// ---------------------------------------------------------------------------
// Plain lines

// Every line break (CR LF, lone CR, lone LF) as CR LF, and a final CR LF.
inline std::string normalised_text(std::string_view data)
{
    std::string out;
    out.reserve(data.size() + 2);
    for (std::size_t i = 0; i < data.size(); ++i) {
        if (data[i] == '\r') {
            if (i + 1 < data.size() && data[i + 1] == '\n')
                ++i;
            out += "\r\n";
        } else if (data[i] == '\n') {
            out += "\r\n";
        } else {
            out += data[i];
        }
    }
    if (!out.empty() && !out.ends_with("\r\n"))
        out += "\r\n";
    return out;
}

inline void check_plain_lines(std::string_view data)
{
    LineList list;
    list.set_text(data);
    for (const auto& line : list.lines())
        require(line.find_first_of("\r\n") == std::string::npos, "a line holds a line break");

    const std::string text = list.text();
    require(text == normalised_text(data), "text() is not the input with CR LF line ends");

    LineList again;
    again.set_text(text);
    require(again == list, "set_text(text()) changed the list");

    LineList added;
    added.add(data);
    if (data.empty())
        require(added.count() == 1 && added.line(0).empty(), "add(\"\") must add one empty line");
    else
        require(added == list, "add() and set_text() split differently");

    const auto n = static_cast<std::ptrdiff_t>(list.count());
    require(list.line(-1).empty() && list.line(n).empty(), "a line outside the list is not empty");

    LineList same = list;
    same.remove(-1);
    same.remove(n);
    require(same == list, "removing outside the list changed it");
    if (n > 0) {
        const auto at = static_cast<std::ptrdiff_t>(data.size() % static_cast<std::size_t>(n));
        LineList fewer = list;
        fewer.remove(at);
        std::vector<std::string> expected = list.lines();
        expected.erase(expected.begin() + at);
        require(fewer.lines() == expected, "remove(i) did not remove exactly line i");
    }
}

// ---------------------------------------------------------------------------
// Keyword scan

// The forward-scan rule written as a walk over candidate starts: at each
// start compare as many keyword bytes as match; the byte that breaks a
// partial match is consumed with it and never starts a new attempt.
inline bool model_keyword_scan(std::string_view keyword, std::string_view phrase)
{
    if (keyword.empty())
        return false;
    std::size_t start = 0;
    while (start < phrase.size()) {
        const std::size_t room = std::min(keyword.size(), phrase.size() - start);
        const auto [k, p] = std::mismatch(keyword.begin(), keyword.begin() + static_cast<std::ptrdiff_t>(room),
                                          phrase.begin() + static_cast<std::ptrdiff_t>(start));
        const auto matched = static_cast<std::size_t>(k - keyword.begin());
        if (matched == keyword.size())
            return true;
        start += matched + 1;
        (void)p;
    }
    return false;
}

// Input: byte 0 gives the keyword length; the keyword follows, the rest is
// the phrase. For the list scan the bytes after byte 0 are split at "\n":
// the last piece is the phrase, the others the list's lines.
inline void check_keyword_scan(std::string_view data)
{
    if (data.empty())
        return;
    const std::size_t length = std::min<std::size_t>(static_cast<unsigned char>(data[0]) % 24, data.size() - 1);
    const std::string_view keyword = data.substr(1, length);
    const std::string_view phrase = data.substr(1 + length);

    const bool found = keyword_scan(keyword, phrase);
    require(found == model_keyword_scan(keyword, phrase), "keyword_scan disagrees with the forward-scan rule");
    if (found)
        require(phrase.find(keyword) != std::string_view::npos, "a match without a contiguous occurrence");
    if (keyword.size() == 1)
        require(found == (phrase.find(keyword[0]) != std::string_view::npos), "a one-byte keyword");
    if (!keyword.empty() && phrase.starts_with(keyword))
        require(found, "a phrase that starts with the keyword must match");

    std::vector<std::string> lines;
    std::string_view rest = data.substr(1);
    for (std::size_t nl; (nl = rest.find('\n')) != std::string_view::npos;) {
        lines.emplace_back(rest.substr(0, nl));
        rest.remove_prefix(nl + 1);
    }
    const std::string_view list_phrase = rest;
    const LineList list(lines);
    std::optional<std::size_t> expected;
    for (std::size_t i = 1; i < lines.size() && !expected; ++i) {
        if (model_keyword_scan(lines[i], list_phrase))
            expected = i;
    }
    require(list_scan(list, list_phrase) == expected, "list_scan is not the first matching line from 1 on");
}

// ---------------------------------------------------------------------------
// Layout converter

// The characters that the US layout puts on a key and the Russian layout
// replaces: 26 letters in both cases and 19 other characters.
inline constexpr std::string_view kLayoutSources =
    "qwertyuiopasdfghjklzxcvbnmQWERTYUIOPASDFGHJKLZXCVBNM`~[{]};:\"<>/@#$^&\\|";

inline bool is_layout_source(unsigned char b)
{
    return b != 0 && kLayoutSources.find(static_cast<char>(b)) != std::string_view::npos;
}

inline void check_layout_converter(std::string_view data)
{
    static_assert(kLayoutSources.size() == 71);
    const std::string once = convert_layout(data);
    require(once.size() == data.size(), "conversion changed the length");
    const std::string twice = convert_layout(once);

    for (std::size_t i = 0; i < data.size(); ++i) {
        const auto in = static_cast<unsigned char>(data[i]);
        const auto out = static_cast<unsigned char>(once[i]);
        require(out == convert_layout_byte(in), "convert_layout and convert_layout_byte differ");
        if (in >= 0x80 || !is_layout_source(in))
            require(out == in, "a byte that is no source changed");
        else if (in != '\\')
            require(out != in, "a source byte stayed unchanged");
        if (in >= 'a' && in <= 'z')
            require(out >= 0xE0, "a small Latin letter must give a small Cyrillic one");
        if (in >= 'A' && in <= 'Z')
            require(out >= 0xC0 && out <= 0xDF, "a capital Latin letter must give a capital Cyrillic one");

        // A second run changes only the bytes that the first run turned into
        // sources: "|" -> "/" -> ".", "@" -> "\"" -> "Э", "$" -> ";" -> "ж",
        // "^" -> ":" -> "Ж"; the backslash maps to itself.
        const auto second = static_cast<unsigned char>(twice[i]);
        if (!is_layout_source(out))
            require(second == out, "a second conversion changed a byte that is no source");
        else if (out != '\\')
            require(second != out && std::string_view("|@$^").find(static_cast<char>(in)) != std::string_view::npos,
                    "only | @ $ ^ may change again in a second conversion");
    }
}

// ---------------------------------------------------------------------------
// Say turns on hostile Base/ files

inline constexpr char kSectionSeparator = '\x1e';
inline constexpr char kAbsentMarker = '\x1f';

// Base/ files in the order of the input's sections.
inline constexpr const char* kSayFiles[] = {"Words.Dat", "W1.Dat", "W2.Dat", "Povtor.Dat",
                                            "X.Dat", "BigString.Dat", "Pause.Dat"};
inline constexpr std::size_t kSayFileCount = std::size(kSayFiles);
inline constexpr std::size_t kMaxTurns = 6;

struct SayInput {
    unsigned rich_mask = 0;  // bit i: section i is written as an RTF document
    bool cpu_cpu = false;
    std::uint32_t clock = 0;
    std::vector<std::optional<std::string>> files;  // nullopt: no such file
    std::vector<std::string> phrases;               // "\x1f...": an idle remark instead of a turn
};

// Byte 0: bits 0-6 choose RTF for the file sections, bit 7 Cpu\Cpu mode.
// Bytes 1-4: the clock. Then sections separated by 0x1E: the seven files
// (a missing section or one that is only 0x1F: no file), then the phrases.
inline SayInput parse_say_input(std::string_view data)
{
    SayInput in;
    if (!data.empty()) {
        in.rich_mask = static_cast<unsigned char>(data[0]) & 0x7F;
        in.cpu_cpu = (static_cast<unsigned char>(data[0]) & 0x80) != 0;
        data.remove_prefix(1);
    }
    for (int i = 0; i < 4 && !data.empty(); ++i) {
        in.clock = (in.clock << 8) | static_cast<unsigned char>(data[0]);
        data.remove_prefix(1);
    }
    std::vector<std::string_view> sections;
    while (!data.empty() || !sections.empty()) {
        const std::size_t sep = data.find(kSectionSeparator);
        sections.push_back(data.substr(0, sep));
        if (sep == std::string_view::npos)
            break;
        data.remove_prefix(sep + 1);
    }
    for (std::size_t i = 0; i < kSayFileCount; ++i) {
        if (i < sections.size() && sections[i] != std::string_view(&kAbsentMarker, 1))
            in.files.emplace_back(std::string(sections[i]));
        else
            in.files.emplace_back(std::nullopt);
    }
    for (std::size_t i = kSayFileCount; i < sections.size() && in.phrases.size() < kMaxTurns; ++i)
        in.phrases.emplace_back(sections[i]);
    return in;
}

// Records what a turn asks of the window.
class RecordingHost : public DialogueHost {
public:
    bool cpu_cpu = false;
    std::string input;
    LineList view;
    std::vector<std::string> user_lines;
    std::vector<std::string> reply_lines;

    bool cpu_cpu_mode() const override { return cpu_cpu; }
    std::string input_text() const override { return input; }
    std::string previous_line() const override
    {
        return view.line(static_cast<std::ptrdiff_t>(view.count()) - 2);
    }
    std::string exchange_path() const override { return files::kExchangeRead; }
    void play(Cue) override {}
    void add_user_line(const std::string& s) override
    {
        user_lines.push_back(s);
        view.add(s);
    }
    void add_reply_line(const std::string& s) override
    {
        reply_lines.push_back(s);
        view.add(s);
    }
    void add_idle_remark(const std::string& s) override { view.add(s); }
    void clear_input() override { input.clear(); }
    void start_farewell() override {}
};

namespace detail {

namespace fs = std::filesystem;

inline std::optional<std::string> bytes_of(const fs::path& path)
{
    std::error_code ec;
    if (!fs::is_regular_file(path, ec))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline void put(const fs::path& path, std::string_view bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    require(static_cast<bool>(out), "cannot write the scratch file " + path.string());
}

// The lines of a file as a rich list reads them; nullopt when there is none.
inline std::optional<std::vector<std::string>> rich_lines(const fs::path& path)
{
    const auto bytes = bytes_of(path);
    if (!bytes)
        return std::nullopt;
    return is_rtf(*bytes) ? read_rtf(*bytes) : split_lines(*bytes);
}

struct Snapshot {
    std::vector<std::optional<std::string>> bytes;
    std::vector<std::optional<std::vector<std::string>>> lines;
};

inline Snapshot snapshot()
{
    Snapshot s;
    for (const char* name : kSayFiles) {
        const fs::path path = fs::path("Base") / name;
        s.bytes.push_back(bytes_of(path));
        s.lines.push_back(rich_lines(path));
    }
    return s;
}

inline bool contains(const std::optional<std::vector<std::string>>& lines, const std::string& s)
{
    return lines && std::find(lines->begin(), lines->end(), s) != lines->end();
}

// `after` is `before` with at most one line taken out, followed by new lines
// (at most `max_new` of them, when given).
inline bool is_learning_successor(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                  std::optional<std::size_t> max_new)
{
    std::size_t common = 0;
    while (common < before.size() && common < after.size() && before[common] == after[common])
        ++common;
    std::size_t kept = common;
    if (common < before.size()) {
        // One line of `before` is taken out; the rest must follow in order,
        // and the line comes back extended among the new lines at the end.
        std::size_t pos = common;
        for (std::size_t i = common + 1; i < before.size(); ++i, ++pos) {
            if (pos >= after.size() || after[pos] != before[i])
                return false;
        }
        kept = before.size() - 1;
        const std::string& moved = before[common];
        if (std::none_of(after.begin() + static_cast<std::ptrdiff_t>(kept), after.end(),
                         [&](const std::string& line) { return line.starts_with(moved); }))
            return false;
    }
    if (after.size() < kept)
        return false;
    return !max_new || after.size() - kept <= *max_new;
}

inline void check_no_temp_files()
{
    for (const auto& e : fs::directory_iterator("Base"))
        require(!e.path().filename().string().starts_with(".~tarsel-"), "a temporary file was left in Base/");
}

} // namespace detail

// Runs the input's turns in the current directory, which it fills with a
// fresh Base/ (and a drive folder for the exchange file). Cpu\User phrases
// are cut to the input line's 255 characters and lose their line breaks, as
// the window's input line would give them.
inline void check_say_turns(std::string_view data)
{
    namespace fs = std::filesystem;
    const SayInput in = parse_say_input(data);

    std::error_code ec;
    fs::remove_all("Base", ec);
    fs::remove_all("drives", ec);
    fs::create_directory("Base");
    set_drive_root(fs::current_path() / "drives");
    for (std::size_t i = 0; i < kSayFileCount; ++i) {
        if (!in.files[i])
            continue;
        const fs::path path = fs::path("Base") / kSayFiles[i];
        if (in.rich_mask & (1u << i))
            detail::put(path, write_rtf(split_lines(*in.files[i])));
        else
            detail::put(path, *in.files[i]);
    }

    std::uint32_t clock = in.clock;
    Random random([&clock] { return clock += 7919; });
    Dialogue dialogue(random);
    RecordingHost host;
    host.cpu_cpu = in.cpu_cpu;
    const std::size_t kWords = 0, kW1 = 1, kW2 = 2, kPause = 6;

    for (const std::string& raw : in.phrases) {
        const detail::Snapshot before = detail::snapshot();
        const DialogueState state_before = dialogue.state();
        const std::size_t transcript_before = dialogue.transcript().count();
        const std::size_t replies_before = host.reply_lines.size();

        if (!raw.empty() && raw[0] == kAbsentMarker) {
            // Idle ticks until a remark comes (at most 90 ticks).
            bool said = false;
            for (int tick = 0; tick < 90 && !said; ++tick) {
                try {
                    said = dialogue.idle_tick(host);
                } catch (const FileError&) {
                    require(!before.bytes[kPause], "idle remark failed with Base/Pause.Dat present");
                    break;
                }
            }
            if (said) {
                const std::string& remark = dialogue.state().reply_text;
                require(remark.empty() || detail::contains(before.lines[kPause], remark),
                        "an idle remark that is no line of Base/Pause.Dat");
            }
            continue;
        }

        std::string phrase = raw;
        if (in.cpu_cpu) {
            fs::create_directories(drive_root() / "d", ec);
            detail::put(drive_root() / "d" / "Txt.Dat", phrase);
            dialogue.load_exchange();
        } else {
            phrase = without_line_breaks(phrase);
            if (phrase.size() > 255)
                phrase.resize(255);
            host.input = phrase;
        }

        bool failed = false;
        try {
            dialogue.say(host);
        } catch (const FileError& e) {
            failed = true;
            const std::string_view what = e.what();
            require(what.starts_with("Cannot open file ") || what.starts_with("Cannot create file "),
                    "unexpected FileError text");
        }

        const detail::Snapshot after = detail::snapshot();
        detail::check_no_temp_files();
        for (std::size_t i = 3; i < kSayFileCount; ++i)
            require(after.bytes[i] == before.bytes[i], std::string("a fixed pool changed: ") + kSayFiles[i]);
        for (std::size_t i = 0; i < 3; ++i)
            require(after.bytes[i].has_value() == before.bytes[i].has_value(),
                    std::string("a data file appeared or vanished: ") + kSayFiles[i]);

        // The knowledge base keeps every line but the one that moved to the
        // end; a Cpu\User turn appends at most the new pattern and that line.
        const std::optional<std::size_t> max_new = in.cpu_cpu ? std::nullopt : std::optional<std::size_t>(2);
        if (before.lines[kWords] && after.bytes[kWords] != before.bytes[kWords])
            require(detail::is_learning_successor(*before.lines[kWords], *after.lines[kWords], max_new),
                    "Base/Words.Dat lost lines or grew by more than one turn's learning");

        const bool w1_changed = after.bytes[kW1] != before.bytes[kW1];
        const bool w2_changed = after.bytes[kW2] != before.bytes[kW2];
        require(!(w1_changed && w2_changed), "one turn learned into both pools");

        const bool completed = host.reply_lines.size() > replies_before;
        if (failed || !completed) {
            require(dialogue.transcript().count() == transcript_before, "a failed or empty turn changed the transcript");
            require(dialogue.state().last_reply_shown == state_before.last_reply_shown,
                    "a failed turn changed LastReplyShown");
            continue;
        }

        const std::string& reply = dialogue.state().reply_text;
        const std::string shown = host.user_lines.back();
        require(host.reply_lines.back() == reply, "the reply shown is not ReplyText");
        require(dialogue.state().last_reply == reply && dialogue.state().last_reply_shown == reply,
                "LastReply/LastReplyShown not set to the reply");
        if (reply.find_first_of("\r\n") == std::string::npos) {
            const auto& transcript = dialogue.transcript();
            require(transcript.line(static_cast<std::ptrdiff_t>(transcript.count()) - 1) == "CPU:     " + reply,
                    "the transcript's last line is not the reply");
        }

        // Where the reply came from: the previous reply, a line of a pool as
        // it was before the turn, or a piece of a knowledge-base line.
        bool known = reply.empty() || reply == state_before.reply_text;
        for (std::size_t i = 1; i < kSayFileCount && !known; ++i)
            known = detail::contains(before.lines[i], reply);
        if (!known && before.lines[kWords]) {
            for (const auto& line : *before.lines[kWords]) {
                if (line.find(reply) != std::string::npos) {
                    known = true;
                    break;
                }
            }
        }
        require(known, "the reply comes from no file and is not the previous reply");

        for (std::size_t i : {kW1, kW2}) {
            if (after.bytes[i] == before.bytes[i])
                continue;
            std::vector<std::string> expected = *before.lines[i];
            LineList added;
            added.add(shown);
            expected.insert(expected.end(), added.lines().begin(), added.lines().end());
            require(*after.lines[i] == expected, std::string("a pool did not get exactly the shown phrase: ") +
                                                     kSayFiles[i]);
        }

        if (in.cpu_cpu) {
            LineList sent;
            sent.add(reply);
            const auto written = detail::bytes_of(drive_root() / "d" / "Txt.Dat");
            require(written && *written == sent.text(), "the exchange file does not hold the reply");
        }
    }
}

} // namespace tarsel::fuzz
