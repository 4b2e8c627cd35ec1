#include "engine/rtf.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

#include "engine/cp1251.h"

namespace tarsel {

namespace {

bool is_letter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool is_digit(char c)
{
    return c >= '0' && c <= '9';
}

// Value of every byte as a hexadecimal digit; -1 for the bytes that are none.
constexpr std::array<signed char, 256> kHexValue = [] {
    std::array<signed char, 256> t{};
    for (auto& v : t)
        v = -1;
    for (int c = '0'; c <= '9'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c)
        t[static_cast<std::size_t>(c)] = static_cast<signed char>(c - 'A' + 10);
    return t;
}();

int hex_value(char c)
{
    return kHexValue[static_cast<unsigned char>(c)];
}

// Groups whose content is no text of the document: tables, document
// information, pictures, objects, fields' instructions, generated numbers.
bool is_ignored_destination(std::string_view word)
{
    static constexpr std::array<std::string_view, 53> kWords = {
        "aftnsep", "aftnsepc", "annotation", "atnauthor", "atnid", "author", "bkmkend", "bkmkstart",
        "buptim", "colortbl", "comment", "company", "creatim", "datastore", "docvar", "doccomm",
        "fldinst", "filetbl", "fonttbl", "footer", "footerf", "footerl", "footerr", "footnote",
        "ftnsep", "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "info",
        "keywords", "listoverridetable", "listtable", "nonshppict", "object", "objdata", "operator",
        "pict", "pn", "pntext", "printim", "revtbl", "revtim", "rsidtbl", "shpinst", "stylesheet",
        "subject", "template", "themedata", "title", "xmlnstbl",
    };
    return std::find(kWords.begin(), kWords.end(), word) != kWords.end();
}

// Formatting state that a group saves and restores.
struct GroupState {
    bool skip = false;  // inside an ignored destination
    int uc = 1;         // fallback characters after \uN
};

class Reader {
public:
    // Reads the next piece of the document. A piece must not end inside a
    // control word or symbol; a piece that ends right after a line feed
    // never does (binary data of \bin may run on into the next piece).
    void feed(std::string_view piece)
    {
        src_ = piece;
        pos_ = std::min(bin_left_, piece.size());
        bin_left_ -= pos_;
        run();
    }

    std::vector<std::string> finish()
    {
        if (!current_.empty())
            lines_.push_back(std::move(current_));
        return std::move(lines_);
    }

private:
    void run()
    {
        const std::size_t n = src_.size();
        const char* const s = src_.data();
        while (pos_ < n && !done_) {
            // Fast path for the document's text: plain bytes and \'xx escapes
            // go straight into the line while no group skips its text and no
            // \uN fallback is pending.
            if (depth_ > 0 && !state_.skip && pending_skip_ == 0) {
                const char c0 = s[pos_];
                if (c0 == '\\') {
                    if (pos_ + 3 < n && s[pos_ + 1] == '\'') {
                        const int hi = hex_value(s[pos_ + 2]);
                        const int lo = hex_value(s[pos_ + 3]);
                        if ((hi | lo) >= 0) {
                            current_.push_back(static_cast<char>(hi * 16 + lo));
                            pos_ += 4;
                            continue;
                        }
                    }
                } else if (c0 != '{' && c0 != '}' && c0 != '\r' && c0 != '\n' && c0 != '\0') {
                    current_.push_back(c0);
                    ++pos_;
                    continue;
                }
            }
            const char c = s[pos_++];
            switch (c) {
            case '{':
                open_group();
                break;
            case '}':
                close_group();
                break;
            case '\\':
                control();
                break;
            case '\r':
            case '\n':
            case '\0':
                break;  // source layout, not text
            default:
                character(c);
                break;
            }
        }
    }

    // Deeper groups than this are only counted; they share the state of the
    // deepest saved group, so memory stays bounded on hostile input.
    static constexpr std::size_t kMaxSavedDepth = 256;

    void open_group()
    {
        pending_skip_ = 0;
        if (depth_ == 0 && started_) {
            // A second top-level group after the document ended is not read.
            done_ = true;
            return;
        }
        started_ = true;
        ++depth_;
        if (stack_.size() < kMaxSavedDepth)
            stack_.push_back(state_);
        else
            ++unsaved_;
    }

    void close_group()
    {
        pending_skip_ = 0;
        if (depth_ == 0)
            return;
        --depth_;
        if (unsaved_ > 0) {
            --unsaved_;
        } else if (!stack_.empty()) {
            state_ = stack_.back();
            stack_.pop_back();
        }
        if (depth_ == 0)
            done_ = true;  // the document's group is closed; what follows is no text
    }

    // Whether the next character is eaten as a \uN fallback.
    bool eat_fallback()
    {
        if (pending_skip_ > 0) {
            --pending_skip_;
            return true;
        }
        return false;
    }

    void emit(char byte)
    {
        if (depth_ == 0 || state_.skip)
            return;
        current_.push_back(byte);
    }

    void character(char c)
    {
        if (eat_fallback())
            return;
        emit(c);
    }

    void line_break()
    {
        if (depth_ == 0 || state_.skip)
            return;
        // The line gets a string of its own size; current_ keeps its
        // capacity for the next line.
        lines_.emplace_back(current_);
        current_.clear();
    }

    void control()
    {
        if (pos_ >= src_.size())
            return;
        const char c = src_[pos_];
        if (is_letter(c)) {
            control_word();
            return;
        }
        ++pos_;
        switch (c) {
        case '\'': {
            const int hi = pos_ < src_.size() ? hex_value(src_[pos_]) : -1;
            if (hi < 0)
                return;  // "\'" without hex digits: dropped
            ++pos_;
            const int lo = pos_ < src_.size() ? hex_value(src_[pos_]) : -1;
            if (lo < 0)
                return;  // one hex digit only: dropped with it
            ++pos_;
            character(static_cast<char>(hi * 16 + lo));
            return;
        }
        case '\\':
        case '{':
        case '}':
            character(c);
            return;
        case '~':
            character('\xA0');  // no-break space
            return;
        case '_':
            character('-');  // no-break hyphen
            return;
        case '\r':
        case '\n':
            // A backslash before a line end stands for \par.
            if (!eat_fallback())
                line_break();
            return;
        case '*':
            // The group is an ignorable destination. The document's own
            // group is never dropped this way.
            if (depth_ > 1)
                state_.skip = true;
            return;
        default:
            eat_fallback();  // \- (optional hyphen), \| , \: and unknown symbols
            return;
        }
    }

    void control_word()
    {
        const std::size_t start = pos_;
        while (pos_ < src_.size() && is_letter(src_[pos_]))
            ++pos_;
        const std::string_view word = src_.substr(start, pos_ - start);

        bool has_param = false;
        bool negative = false;
        std::int64_t param = 0;
        if (pos_ < src_.size() && src_[pos_] == '-' && pos_ + 1 < src_.size() && is_digit(src_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < src_.size() && is_digit(src_[pos_])) {
            has_param = true;
            if (param < 100000000)  // saturate: a parameter of many digits is garbage anyway
                param = param * 10 + (src_[pos_] - '0');
            ++pos_;
        }
        if (negative)
            param = -param;
        if (pos_ < src_.size() && src_[pos_] == ' ')
            ++pos_;  // the delimiting space belongs to the control word

        if (word == "bin") {
            // Binary data: never text, skipped byte for byte.
            const auto n = static_cast<std::size_t>(std::max<std::int64_t>(param, 0));
            const std::size_t here = std::min(n, src_.size() - pos_);
            pos_ += here;
            bin_left_ = n - here;  // the rest lies in the next pieces
            eat_fallback();
            return;
        }
        if (word == "u" && has_param) {
            if (eat_fallback())
                return;
            std::int64_t code = param;
            if (code < 0)
                code += 65536;
            if (code >= 0 && code <= 0x10FFFF)
                emit(unicode_to_cp1251(static_cast<char32_t>(code)));
            else
                emit('?');
            pending_skip_ = state_.uc;
            return;
        }
        if (word == "uc") {
            state_.uc = static_cast<int>(std::clamp<std::int64_t>(has_param ? param : 1, 0, 64));
            return;
        }
        if (eat_fallback())
            return;

        if (word == "par" || word == "line" || word == "sect") {
            line_break();
        } else if (word == "tab") {
            emit('\t');
        } else if (word == "lquote") {
            emit('\x91');
        } else if (word == "rquote") {
            emit('\x92');
        } else if (word == "ldblquote") {
            emit('\x93');
        } else if (word == "rdblquote") {
            emit('\x94');
        } else if (word == "bullet") {
            emit('\x95');
        } else if (word == "endash") {
            emit('\x96');
        } else if (word == "emdash") {
            emit('\x97');
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            emit(' ');
        } else if (depth_ > 1 && is_ignored_destination(word)) {
            state_.skip = true;
        }
    }

    std::string_view src_;
    std::size_t pos_ = 0;
    std::size_t bin_left_ = 0;
    std::size_t depth_ = 0;
    std::size_t unsaved_ = 0;
    bool started_ = false;
    bool done_ = false;
    int pending_skip_ = 0;
    GroupState state_;
    std::vector<GroupState> stack_;
    std::string current_;
    std::vector<std::string> lines_;
};

// How each byte is written: itself, "\\" + itself, "\\tab " or "\\'xx".
struct Escape {
    char text[8];
    unsigned char size;
};

constexpr std::array<Escape, 256> kEscapes = [] {
    constexpr char kHex[] = "0123456789abcdef";
    std::array<Escape, 256> t{};
    for (int b = 0; b < 256; ++b) {
        Escape& e = t[static_cast<std::size_t>(b)];
        const char c = static_cast<char>(b);
        if (c == '\\' || c == '{' || c == '}') {
            e.text[0] = '\\';
            e.text[1] = c;
            e.size = 2;
        } else if (c == '\t') {
            const char tab[] = "\\tab ";
            for (int i = 0; i < 5; ++i)
                e.text[i] = tab[i];
            e.size = 5;
        } else if (b < 0x20 || b >= 0x7F) {
            e.text[0] = '\\';
            e.text[1] = '\'';
            e.text[2] = kHex[b >> 4];
            e.text[3] = kHex[b & 0x0F];
            e.size = 4;
        } else {
            e.text[0] = c;
            e.size = 1;
        }
    }
    return t;
}();

constexpr std::string_view kDocumentStart =
    "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
    "{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
    "\\viewkind4\\uc1\\pard\\f0\\fs16 ";
constexpr std::string_view kParagraphEnd = "\\par\r\n";
constexpr std::string_view kDocumentEnd = "}\r\n";

// Escapes `line` to `out`, which has room for 5 bytes per byte of the line
// plus 8; returns the end of what was written.
char* put_escaped(char* out, std::string_view line)
{
    for (const char c : line) {
        const Escape& e = kEscapes[static_cast<unsigned char>(c)];
        std::memcpy(out, e.text, sizeof e.text);
        out += e.size;
    }
    return out;
}

// Hands the document to `out` in pieces of about kChunk bytes.
template <typename Out>
void produce_rtf(const std::vector<std::string>& lines, Out&& out)
{
    constexpr std::size_t kChunk = std::size_t{1} << 20;
    constexpr std::size_t kSlack = 8 + kParagraphEnd.size();
    // Kept from save to save: fresh memory is costly to touch, and this
    // buffer is all the writer needs.
    thread_local std::unique_ptr<char[]> kept;
    if (!kept)
        kept.reset(new char[kChunk + kSlack]);
    struct {
        char* data() const { return p; }
        char* p;
    } buf{kept.get()};
    std::size_t used = 0;
    const auto flush = [&] {
        if (used > 0)
            out(std::string_view(buf.data(), used));
        used = 0;
    };
    const auto put = [&](std::string_view text) {
        if (used + text.size() > kChunk)
            flush();
        if (text.size() > kChunk) {
            out(text);
            return;
        }
        std::memcpy(buf.data() + used, text.data(), text.size());
        used += text.size();
    };
    put(kDocumentStart);
    for (const std::string& line : lines) {
        // A long line goes in pieces, so the buffer never grows.
        std::string_view rest = line;
        do {
            const std::string_view piece = rest.substr(0, kChunk / 5);
            rest.remove_prefix(piece.size());
            if (used + piece.size() * 5 > kChunk)
                flush();
            used = static_cast<std::size_t>(put_escaped(buf.data() + used, piece) - buf.data());
        } while (!rest.empty());
        std::memcpy(buf.data() + used, kParagraphEnd.data(), kParagraphEnd.size());
        used += kParagraphEnd.size();
    }
    put(kDocumentEnd);
    flush();
}

} // namespace

bool is_rtf(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i).starts_with("{\\rtf");
}

std::vector<std::string> read_rtf(std::string_view rtf)
{
    Reader reader;
    reader.feed(rtf);
    return reader.finish();
}

struct RtfPieceReader::Impl {
    Reader reader;
    std::string pending;  // what follows the last line feed read so far
};

RtfPieceReader::RtfPieceReader() : impl_(std::make_unique<Impl>()) {}
RtfPieceReader::~RtfPieceReader() = default;

void RtfPieceReader::feed(std::string_view piece)
{
    // Only whole lines of the source go to the reader, so no control word
    // is cut in two.
    const std::size_t last_lf = piece.rfind('\n');
    if (last_lf == std::string_view::npos) {
        impl_->pending.append(piece);
        return;
    }
    const std::string_view ready = piece.substr(0, last_lf + 1);
    if (impl_->pending.empty()) {
        impl_->reader.feed(ready);
    } else {
        impl_->pending.append(ready);
        impl_->reader.feed(impl_->pending);
        impl_->pending.clear();
    }
    impl_->pending.append(piece.substr(last_lf + 1));
}

std::vector<std::string> RtfPieceReader::finish()
{
    if (!impl_->pending.empty()) {
        impl_->reader.feed(impl_->pending);
        impl_->pending.clear();
    }
    return impl_->reader.finish();
}

std::string write_rtf(const std::vector<std::string>& lines)
{
    std::string out;
    produce_rtf(lines, [&](std::string_view piece) { out.append(piece); });
    return out;
}

void write_rtf(const std::vector<std::string>& lines,
               const std::function<void(std::string_view)>& out)
{
    produce_rtf(lines, out);
}

} // namespace tarsel
