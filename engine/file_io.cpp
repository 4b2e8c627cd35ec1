#include "engine/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/errors.h"
#include "engine/paths.h"

namespace tarsel {
namespace fs = std::filesystem;

namespace {

// Closes a descriptor when it goes out of scope.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    ~Fd() { reset(); }
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes now and says whether the close succeeded.
    bool close()
    {
        const int fd = fd_;
        fd_ = -1;
        return fd < 0 || ::close(fd) == 0;
    }
    void reset(int fd = -1)
    {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

bool write_all(int fd, std::string_view bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

constexpr std::string_view kTempPrefix = ".~tarsel-";
constexpr std::string_view kTempSuffix = ".tmp";

// A name for the temporary file that is unlikely to be taken; O_EXCL
// guarantees that an existing file is never reused. The writer's process id
// comes first, so that a file left behind by a writer that was killed can be
// told apart from one that is still being written.
std::string temp_name()
{
    static std::atomic<unsigned> counter{0};
    const auto now = static_cast<unsigned long long>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    char buf[64];
    std::snprintf(buf, sizeof buf, ".~tarsel-%lx-%llx-%x.tmp",
                  static_cast<unsigned long>(::getpid()), now & 0xFFFFFFFFFFull,
                  counter.fetch_add(1));
    return buf;
}

bool is_hex(std::string_view s)
{
    return !s.empty() && s.size() <= 16 &&
           s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

// The writer's process id of a temporary file name as temp_name() makes
// them (".~tarsel-<pid>-<time>-<counter>.tmp", all hexadecimal); -1 for any
// other name.
long temp_owner(std::string_view name)
{
    if (!name.starts_with(kTempPrefix) || !name.ends_with(kTempSuffix))
        return -1;
    name.remove_prefix(kTempPrefix.size());
    name.remove_suffix(kTempSuffix.size());
    std::string_view parts[3];
    for (int i = 0; i < 3; ++i) {
        const std::size_t dash = i < 2 ? name.find('-') : name.size();
        if (dash == std::string_view::npos)
            return -1;
        parts[i] = name.substr(0, dash);
        name.remove_prefix(i < 2 ? dash + 1 : dash);
        if (!is_hex(parts[i]))
            return -1;
    }
    if (parts[0].size() > 8)
        return -1;
    return static_cast<long>(std::stoul(std::string(parts[0]), nullptr, 16));
}

// A writer that is killed between creating its temporary file and renaming
// it leaves the file behind; without cleaning up, such files would pile up in
// Base/ over many runs. A leftover is removed when nothing has written to it
// for a minute and its writer is no process of this machine, or, whoever the
// writer was (a folder shared with another machine), after an hour. A writer
// that is still at work keeps touching its file, so it never looks stale.
void remove_stale_temps(const fs::path& dir)
{
    constexpr long kDeadWriterAge = 60;       // seconds
    constexpr long kAnyWriterAge = 60 * 60;   // seconds
    std::error_code ec;
    fs::directory_iterator it(dir, ec);
    if (ec)
        return;
    const auto own_pid = static_cast<long>(::getpid());
    const std::time_t now = std::time(nullptr);
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            return;
        const std::string name = it->path().filename().string();
        const long owner = temp_owner(name);
        if (owner <= 0 || owner == own_pid)
            continue;
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        const long age = static_cast<long>(now - st.st_mtime);
        const bool writer_gone = ::kill(static_cast<pid_t>(owner), 0) != 0 && errno == ESRCH;
        if ((writer_gone && age >= kDeadWriterAge) || age >= kAnyWriterAge)
            ::unlink(it->path().c_str());
    }
}

FileStamp stamp_of(const struct stat& st)
{
    FileStamp s;
    s.device = static_cast<std::uint64_t>(st.st_dev);
    s.inode = static_cast<std::uint64_t>(st.st_ino);
    s.size = static_cast<std::int64_t>(st.st_size);
    s.mtime_sec = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    s.mtime_nsec = static_cast<std::int64_t>(st.st_mtim.tv_nsec);
    s.ctime_sec = static_cast<std::int64_t>(st.st_ctim.tv_sec);
    s.ctime_nsec = static_cast<std::int64_t>(st.st_ctim.tv_nsec);
    return s;
}

} // namespace

std::optional<FileStamp> file_stamp(const std::filesystem::path& path)
{
    // Opened rather than stat'ed by name: on a network file system only an
    // open asks the server again, while stat() may answer from attributes
    // the client cached a minute ago.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        return std::nullopt;
    return stamp_of(st);
}

std::string read_file(std::string_view program_path)
{
    return read_file(program_path, resolve_path(program_path), nullptr);
}

std::string read_file(std::string_view program_path, const std::filesystem::path& path,
                      std::optional<FileStamp>* stamp)
{
    std::string bytes;
    read_file_pieces(program_path, path, [&bytes](std::string_view piece) { bytes.append(piece); },
                     stamp);
    return bytes;
}

void read_file_pieces(std::string_view program_path, const std::filesystem::path& path,
                      const ByteSink& consume, std::optional<FileStamp>* stamp)
{
    if (stamp)
        stamp->reset();
    if (path.empty())
        throw_cannot_open(program_path);
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        throw_cannot_open(program_path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw_cannot_open(program_path);

    // One buffer for every read of the thread: touching fresh memory costs
    // more than copying the bytes.
    constexpr std::size_t kPiece = std::size_t{1} << 20;
    thread_local std::unique_ptr<char[]> buffer;
    if (!buffer)
        buffer.reset(new char[kPiece]);
    std::size_t got = 0;
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer.get(), kPiece);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw_cannot_open(program_path);
        }
        if (n == 0)
            break;
        got += static_cast<std::size_t>(n);
        consume(std::string_view(buffer.get(), static_cast<std::size_t>(n)));
    }

    if (stamp) {
        struct stat after {};
        if (::fstat(fd.get(), &after) == 0 && stamp_of(after) == stamp_of(st) &&
            got == static_cast<std::size_t>(st.st_size))
            *stamp = stamp_of(st);
    }
}

void write_file(std::string_view program_path, std::string_view bytes)
{
    write_file(program_path, resolve_path(program_path),
               [bytes](const ByteSink& sink) { sink(bytes); }, nullptr);
}

void write_file(std::string_view program_path, const std::filesystem::path& resolved,
                const std::function<void(const ByteSink&)>& produce, FileStamp* stamp)
{
    fs::path target = resolved;
    if (target.empty() || !target.has_filename())
        throw_cannot_create(program_path);
    // A symbolic link is kept: the file it points to is replaced.
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(target, ec))) {
        const fs::path real = fs::canonical(target, ec);
        if (!ec)
            target = real;
    }

    struct stat old {};
    const bool exists = ::stat(target.c_str(), &old) == 0;
    if (exists && !S_ISREG(old.st_mode))
        throw_cannot_create(program_path);
    // Renaming over a file needs only the folder's permission; a file the
    // user marked read-only must stay as it is all the same. (Checked by the
    // mode bits, so that it holds for root as well.)
    if (exists && (old.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        throw_cannot_create(program_path);

    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";

    fs::path temp;
    Fd fd;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        temp = dir / temp_name();
        fd.reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST)
            break;
    }
    if (!fd.valid())
        throw_cannot_create(program_path);

    bool ok = true;
    try {
        produce([&](std::string_view piece) {
            if (ok)
                ok = write_all(fd.get(), piece);
        });
    } catch (...) {
        fd.close();
        ::unlink(temp.c_str());
        throw;
    }
    if (ok && exists) {
        // Keep the old file's permissions and, where allowed, its owner.
        if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
            ok = false;
        if (ok && (old.st_uid != ::geteuid() || old.st_gid != ::getegid())) {
            [[maybe_unused]] const int ignored = ::fchown(fd.get(), old.st_uid, old.st_gid);
        }
    }
    if (ok)
        ok = ::fsync(fd.get()) == 0;
    // A second descriptor of the new file tells its stamp after the rename
    // (which changes its change time), whatever happens to the name since.
    Fd kept(stamp ? ::dup(fd.get()) : -1);
    ok = fd.close() && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw_cannot_create(program_path);
    }
    if (stamp) {
        struct stat st {};
        *stamp = kept.valid() && ::fstat(kept.get(), &st) == 0 ? stamp_of(st) : FileStamp{};
    }

    // Make the rename itself durable; the new content is in place already,
    // so a folder that cannot be synced is no failure of the write.
    Fd dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir_fd.valid())
        ::fsync(dir_fd.get());

    remove_stale_temps(dir);
}

} // namespace tarsel
