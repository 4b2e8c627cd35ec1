#include "engine/paths.h"

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include <pwd.h>
#include <unistd.h>

#include "engine/cp1251.h"

namespace tarsel {
namespace fs = std::filesystem;

namespace {

std::mutex& root_mutex()
{
    static std::mutex m;
    return m;
}

fs::path& root_storage()
{
    static fs::path root;
    return root;
}

fs::path default_drive_root()
{
    const char* data_home = std::getenv("XDG_DATA_HOME");
    if (data_home && data_home[0] == '/')
        return fs::path(data_home) / "tarsel" / "drives";
    const char* home = std::getenv("HOME");
    std::string home_dir = home && home[0] == '/' ? home : "";
    if (home_dir.empty()) {
        if (const passwd* pw = getpwuid(getuid()); pw && pw->pw_dir && pw->pw_dir[0] == '/')
            home_dir = pw->pw_dir;
    }
    if (home_dir.empty())
        return fs::temp_directory_path() / "tarsel" / "drives";
    return fs::path(home_dir) / ".local" / "share" / "tarsel" / "drives";
}

// One UTF-8 name as a sequence of case-folded code points. Bytes that do not
// form valid UTF-8 stay distinct from every letter (mapped into a private
// range), so odd names still compare only with themselves.
std::u32string fold_name(std::string_view utf8)
{
    std::u32string out;
    out.reserve(utf8.size());
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        char32_t cp = 0;
        std::size_t len = 0;
        if (b < 0x80) {
            cp = b;
            len = 1;
        } else if ((b & 0xE0) == 0xC0) {
            cp = b & 0x1F;
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            cp = b & 0x0F;
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            cp = b & 0x07;
            len = 4;
        }
        bool valid = len != 0 && i + len <= utf8.size();
        for (std::size_t k = 1; valid && k < len; ++k) {
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (c & 0x3F);
        }
        if (!valid) {
            out.push_back(0xF0000 + b);
            ++i;
            continue;
        }
        i += len;

        if (cp >= U'A' && cp <= U'Z')
            cp += 0x20;
        else if (cp >= 0x0410 && cp <= 0x042F)  // А..Я
            cp += 0x20;
        else if (cp >= 0x0400 && cp <= 0x040F)  // Ѐ..Џ (Ё, Ukrainian and Belarusian letters)
            cp += 0x50;
        else if (cp == 0x0490)  // Ґ
            cp = 0x0491;
        out.push_back(cp);
    }
    return out;
}

// The entry of `dir` whose name equals `name` without regard to case: the
// exact spelling when present, else the first match in byte order. Empty when
// there is none (or `dir` cannot be listed).
std::string match_entry(const fs::path& dir, const std::string& name)
{
    std::error_code ec;
    const fs::path listed = dir.empty() ? fs::path(".") : dir;
    fs::directory_iterator it(listed, ec);
    if (ec)
        return {};
    const std::u32string wanted = fold_name(name);
    std::string best;
    bool found = false;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            break;
        std::string entry = it->path().filename().string();
        if (entry == name)
            return entry;
        if (fold_name(entry) != wanted)
            continue;
        if (!found || entry < best) {
            best = std::move(entry);
            found = true;
        }
    }
    return found ? best : std::string();
}

bool is_drive_path(std::string_view p)
{
    if (p.size() < 2 || p[1] != ':')
        return false;
    const char c = p[0];
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char drive_letter(std::string_view p)
{
    const char c = p[0];
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

fs::path drive_folder(char letter)
{
    return drive_root() / std::string(1, letter);
}

} // namespace

fs::path drive_root()
{
    std::lock_guard lock(root_mutex());
    fs::path& root = root_storage();
    if (root.empty())
        root = default_drive_root();
    return root;
}

void set_drive_root(fs::path root)
{
    std::lock_guard lock(root_mutex());
    root_storage() = std::move(root);
}

fs::path resolve_path(std::string_view program_path)
{
    // Paths are resolved by name, as the program's own platform does: ".."
    // takes back the previous component and never climbs above the root of
    // an absolute or drive path.
    fs::path base;
    std::string_view rest = program_path;
    bool rooted = false;
    if (is_drive_path(program_path)) {
        base = drive_folder(drive_letter(program_path));
        rest.remove_prefix(2);
        rooted = true;
    } else if (!program_path.empty() && (program_path[0] == '/' || program_path[0] == '\\')) {
        base = "/";
        rooted = true;
    }

    std::vector<std::string> parts;
    std::size_t pos = 0;
    while (pos <= rest.size()) {
        std::size_t next = rest.find_first_of("\\/", pos);
        if (next == std::string_view::npos)
            next = rest.size();
        const std::string_view part = rest.substr(pos, next - pos);
        pos = next + 1;
        if (part.empty() || part == ".")
            continue;
        if (part == "..") {
            if (!parts.empty() && parts.back() != "..")
                parts.pop_back();
            else if (!rooted)
                parts.emplace_back("..");
            continue;
        }
        parts.push_back(cp1251_to_utf8(part));
    }

    fs::path result = base;
    bool matching = true;  // stays true while every component so far exists
    for (const std::string& part : parts) {
        if (part == "..") {
            result /= part;
            continue;
        }
        if (matching) {
            std::string found = match_entry(result, part);
            if (!found.empty()) {
                result /= found;
                continue;
            }
            matching = false;
        }
        result /= part;
    }
    // A final separator names a folder; keep it so that a file is not taken
    // for it.
    if (!parts.empty() && (rest.ends_with('\\') || rest.ends_with('/')))
        result /= "";
    return result;
}

void ensure_drive_folder(std::string_view program_path)
{
    // A drive of the program's platform always exists; its folder here is
    // made on first use. Folders below it are not created.
    if (!is_drive_path(program_path))
        return;
    std::error_code ec;
    fs::create_directories(drive_folder(drive_letter(program_path)), ec);
}

} // namespace tarsel
