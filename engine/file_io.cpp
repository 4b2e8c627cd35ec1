#include "engine/file_io.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include <fcntl.h>
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

// A name for the temporary file that is unlikely to be taken; O_EXCL
// guarantees that an existing file is never reused.
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

} // namespace

std::string read_file(std::string_view program_path)
{
    const fs::path path = resolve_path(program_path);
    if (path.empty())
        throw_cannot_open(program_path);
    // O_NONBLOCK keeps a named pipe from stalling the open; only regular
    // files are read.
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.valid())
        throw_cannot_open(program_path);
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw_cannot_open(program_path);

    std::string bytes;
    if (st.st_size > 0)
        bytes.reserve(static_cast<std::size_t>(st.st_size));
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw_cannot_open(program_path);
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    return bytes;
}

void write_file(std::string_view program_path, std::string_view bytes)
{
    fs::path target = resolve_path(program_path);
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

    bool ok = write_all(fd.get(), bytes);
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
    ok = fd.close() && ok;
    if (ok)
        ok = ::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        throw_cannot_create(program_path);
    }

    // Make the rename itself durable; the new content is in place already,
    // so a folder that cannot be synced is no failure of the write.
    Fd dir_fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir_fd.valid())
        ::fsync(dir_fd.get());
}

} // namespace tarsel
