#pragma once
// Whole-file reads and crash-safe whole-file writes.
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

} // namespace tarsel
