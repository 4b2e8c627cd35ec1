#include "engine/rtf.h"

#include <algorithm>
#include <array>
#include <cstdint>

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

int hex_value(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
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
    explicit Reader(std::string_view rtf) : src_(rtf) {}

    std::vector<std::string> run()
    {
        while (pos_ < src_.size() && !done_) {
            const char c = src_[pos_++];
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
        if (!current_.empty())
            lines_.push_back(std::move(current_));
        return std::move(lines_);
    }

private:
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
        lines_.push_back(std::move(current_));
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
            pos_ += std::min(n, src_.size() - pos_);
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

void append_escaped(std::string& out, const std::string& line)
{
    static constexpr char kHex[] = "0123456789abcdef";
    for (const char c : line) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (b < 0x20 || b >= 0x7F) {
            out += "\\'";
            out += kHex[b >> 4];
            out += kHex[b & 0x0F];
        } else {
            out += c;
        }
    }
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
    return Reader(rtf).run();
}

std::string write_rtf(const std::vector<std::string>& lines)
{
    std::string out =
        "{\\rtf1\\ansi\\ansicpg1251\\deff0\\deflang1049"
        "{\\fonttbl{\\f0\\fnil\\fcharset204 MS Sans Serif;}}\r\n"
        "\\viewkind4\\uc1\\pard\\f0\\fs16 ";
    for (const auto& line : lines) {
        append_escaped(out, line);
        out += "\\par\r\n";
    }
    out += "}\r\n";
    return out;
}

} // namespace tarsel
