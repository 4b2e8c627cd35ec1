#include "engine/rich_file_cache.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>

#include "engine/file_io.h"
#include "engine/line_list.h"
#include "engine/paths.h"
#include "engine/rtf.h"

namespace tarsel {
namespace fs = std::filesystem;

namespace {

// A file whose change time is this close to the moment it was read is not
// kept: a second write within the same clock tick of the file system would
// leave the stamp as it was. The coarsest common tick is FAT's two seconds
// (a Base folder on a memory stick); ext3 and HFS+ count whole seconds.
constexpr std::int64_t kSettleNs = 2'000'000'000;
// Files kept at most; the least recently used goes first.
constexpr std::size_t kMaxEntries = 8;

struct Entry {
    std::string key;
    FileStamp stamp;
    std::shared_ptr<Lines> lines;
    std::uint64_t used = 0;
};

class Cache {
public:
    std::mutex mutex;

    Entry* find(const std::string& key)
    {
        for (Entry& e : entries_) {
            if (e.key == key) {
                e.used = ++clock_;
                return &e;
            }
        }
        return nullptr;
    }

    void forget(const std::string& key)
    {
        std::erase_if(entries_, [&](const Entry& e) { return e.key == key; });
    }

    void put(std::string key, const FileStamp& stamp, std::shared_ptr<Lines> lines)
    {
        forget(key);
        if (entries_.size() >= kMaxEntries) {
            const auto oldest = std::min_element(entries_.begin(), entries_.end(),
                [](const Entry& a, const Entry& b) { return a.used < b.used; });
            entries_.erase(oldest);
        }
        entries_.push_back({std::move(key), stamp, std::move(lines), ++clock_});
    }

    void clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    std::uint64_t clock_ = 0;
};

Cache& cache()
{
    static Cache c;
    return c;
}

// The cache's name for a file: its resolved path made absolute, so that a
// change of the working directory never mixes up two files.
std::string key_of(const fs::path& resolved)
{
    if (resolved.empty())
        return {};
    std::error_code ec;
    const fs::path abs = resolved.is_absolute() ? resolved : fs::absolute(resolved, ec);
    return ec ? std::string() : abs.lexically_normal().string();
}

bool settled(const FileStamp& s)
{
    timespec now {};
    if (::clock_gettime(CLOCK_REALTIME, &now) != 0)
        return false;
    const std::int64_t now_ns = static_cast<std::int64_t>(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
    const std::int64_t mtime = s.mtime_sec * 1'000'000'000 + s.mtime_nsec;
    const std::int64_t ctime = s.ctime_sec * 1'000'000'000 + s.ctime_nsec;
    return now_ns - std::max(mtime, ctime) >= kSettleNs;
}

// Reads a rich-text file block by block: an RTF document is parsed as it
// arrives, plain text is gathered and split at the end.
class RichParser {
public:
    void feed(std::string_view piece)
    {
        if (rtf_) {
            rtf_->feed(piece);
            return;
        }
        head_.append(piece);
        if (!decided_) {
            // "{\rtf" after any leading white space decides it.
            const std::size_t start = head_.find_first_not_of(" \t\r\n");
            if (start == std::string::npos || head_.size() - start < 5)
                return;
            decide();
        }
    }

    Lines finish()
    {
        if (!decided_)
            decide();
        return rtf_ ? rtf_->finish() : split_lines(head_);
    }

private:
    void decide()
    {
        decided_ = true;
        if (is_rtf(head_)) {
            rtf_ = std::make_unique<RtfPieceReader>();
            rtf_->feed(head_);
            head_.clear();
            head_.shrink_to_fit();
        }
    }

    bool decided_ = false;
    std::string head_;
    std::unique_ptr<RtfPieceReader> rtf_;
};

void write_rich(std::string_view program_path, const fs::path& resolved, const Lines& lines,
                FileStamp* stamp)
{
    write_file(program_path, resolved,
               [&lines](const ByteSink& sink) { write_rtf(lines, sink); }, stamp);
}

} // namespace

SharedLines load_rich_lines(std::string_view program_path)
{
    const fs::path resolved = resolve_path(program_path);
    const std::string key = key_of(resolved);
    Cache& c = cache();
    if (!key.empty()) {
        const std::optional<FileStamp> now = file_stamp(resolved);
        std::lock_guard lock(c.mutex);
        if (Entry* e = c.find(key)) {
            if (now && *now == e->stamp)
                return e->lines;
            c.forget(key);
        }
    }

    std::optional<FileStamp> stamp;
    RichParser parser;
    read_file_pieces(program_path, resolved, [&](std::string_view piece) { parser.feed(piece); },
                     &stamp);
    auto lines = std::make_shared<Lines>(parser.finish());
    if (!key.empty() && stamp && settled(*stamp)) {
        std::lock_guard lock(c.mutex);
        c.put(key, *stamp, lines);
    }
    return lines;
}

Lines take_rich_lines(std::string_view program_path, SharedLines lines)
{
    const std::string key = key_of(resolve_path(program_path));
    {
        Cache& c = cache();
        std::lock_guard lock(c.mutex);
        c.forget(key);
    }
    if (!lines)
        return {};
    if (lines.use_count() == 1) {
        // Nobody else can see them any more: the lines were made changeable
        // (make_shared<Lines>) and are only handed out as const.
        return std::move(*std::const_pointer_cast<Lines>(lines));
    }
    return *lines;
}

void save_rich_lines(std::string_view program_path, Lines lines)
{
    const fs::path resolved = resolve_path(program_path);
    const std::string key = key_of(resolved);
    Cache& c = cache();
    {
        std::lock_guard lock(c.mutex);
        c.forget(key);
    }
    FileStamp stamp;
    write_rich(program_path, resolved, lines, &stamp);
    if (!key.empty() && stamp.size >= 0) {
        std::lock_guard lock(c.mutex);
        c.put(key, stamp, std::make_shared<Lines>(std::move(lines)));
    }
}

void save_rich_lines_uncached(std::string_view program_path, const Lines& lines)
{
    const fs::path resolved = resolve_path(program_path);
    {
        Cache& c = cache();
        std::lock_guard lock(c.mutex);
        c.forget(key_of(resolved));
    }
    write_rich(program_path, resolved, lines, nullptr);
}

void clear_rich_file_cache()
{
    Cache& c = cache();
    std::lock_guard lock(c.mutex);
    c.clear();
}

} // namespace tarsel
