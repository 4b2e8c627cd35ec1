#pragma once
// Program file names are Windows-style ("Base\\Words.Dat", "D:\\Txt.Dat").
// They are resolved against the working directory with "\\" or "/" as the
// separator, and each component is matched without regard to case, so that
// an existing file is found (and saved) under its own spelling.
#include <filesystem>
#include <string_view>

namespace tarsel {

// Maps a program path (Windows-1251 bytes) to a path of this file system.
// - "Base\\Words.dat", "base/WORDS.DAT": relative to the current directory;
//   every existing component is matched case-insensitively (ASCII and
//   Cyrillic letters), missing components keep the given spelling.
// - "X:\\dir\\file": drive X maps to the per-user folder drive_root()/x,
//   with the same case-insensitive matching below it.
// - "/abs/path": an ordinary absolute path of this system, matched the same way.
std::filesystem::path resolve_path(std::string_view program_path);

// Folder that holds one sub-folder per drive letter. Defaults to
// $XDG_DATA_HOME/tarsel/drives (or ~/.local/share/tarsel/drives).
std::filesystem::path drive_root();
void set_drive_root(std::filesystem::path root);

// Creates the folder of a drive-letter path when it lies directly in a
// drive's folder that does not exist yet ("D:\\Txt.Dat" -> .../drives/d).
void ensure_drive_folder(std::string_view program_path);

} // namespace tarsel
