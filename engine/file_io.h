#pragma once
// Whole-file reads and crash-safe whole-file writes.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tarsel {

// Reads the whole file named by a program path. Throws FileError
// "Cannot open file <program_path>" when it is missing, a folder or unreadable.
std::string read_file(std::string_view program_path);

// Replaces the file named by a program path with `bytes`: the bytes go to a
// temporary file in the same folder, are flushed to disk and the temporary
// file is renamed over the old one (an existing file keeps its own spelling).
// On any failure the old file is left as it was, the temporary file is
// removed and FileError "Cannot create file <program_path>" is thrown.
void write_file(std::string_view program_path, std::string_view bytes);

// What tells one state of a file from another: its identity (device,
// inode), its size and its modification and change times to the nanosecond.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1;
    std::int64_t mtime_sec = 0;
    std::int64_t mtime_nsec = 0;
    std::int64_t ctime_sec = 0;
    std::int64_t ctime_nsec = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of a regular file (symbolic links followed); nullopt when it
// cannot be opened for reading or is no regular file.
std::optional<FileStamp> file_stamp(const std::filesystem::path& path);

// read_file() for a path that resolve_path() already gave. When `stamp` is
// given it receives the file's stamp if the file did not change while it was
// read, and nullopt otherwise.
std::string read_file(std::string_view program_path, const std::filesystem::path& resolved,
                      std::optional<FileStamp>* stamp);

// read_file() in pieces of up to a megabyte, handed to `consume` in order;
// the piece's memory is reused, so `consume` must copy what it keeps.
// `stamp` as for read_file().
void read_file_pieces(std::string_view program_path, const std::filesystem::path& resolved,
                      const std::function<void(std::string_view)>& consume,
                      std::optional<FileStamp>* stamp);

// write_file() for a path that resolve_path() already gave, with the bytes
// handed to the sink in pieces by `produce`. When `stamp` is given it
// receives the new file's stamp as it stands after the rename.
using ByteSink = std::function<void(std::string_view)>;
void write_file(std::string_view program_path, const std::filesystem::path& resolved,
                const std::function<void(const ByteSink&)>& produce, FileStamp* stamp);

} // namespace tarsel
