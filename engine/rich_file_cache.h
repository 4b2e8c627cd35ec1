#pragma once
// The lines of rich-text files (the knowledge base above all), kept between
// loads so that a file is parsed again only when it changed.
//
// A kept copy is used only while the file still has the stamp it had when
// the copy was made: the same identity (device, inode), size, and
// modification and change times to the nanosecond. Anything else drops it:
// a file that cannot be opened, one that changed while it was read, one
// whose change time is too recent to trust (another write could still land
// within the same clock tick), or any failure. After the program's own save
// the saved lines are kept with the new file's stamp.
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel {

using Lines = std::vector<std::string>;
using SharedLines = std::shared_ptr<const Lines>;

// The lines of a rich-text file as LineList::load_rich() reads them (RTF, or
// plain text when the file is none). Throws FileError "Cannot open file
// <program_path>".
SharedLines load_rich_lines(std::string_view program_path);

// Lines that load_rich_lines() gave, made changeable: moved out of the cache
// when nothing else holds them, copied otherwise. Either way the cache keeps
// nothing for the file until it is saved or loaded again.
Lines take_rich_lines(std::string_view program_path, SharedLines lines);

// Writes the lines as an RTF document (crash-safe, as write_file() does) and
// keeps them as the file's content. Throws FileError "Cannot create file
// <program_path>"; the cache then keeps nothing for the file.
void save_rich_lines(std::string_view program_path, Lines lines);

// Writes the lines as an RTF document without keeping them.
void save_rich_lines_uncached(std::string_view program_path, const Lines& lines);

// Drops everything kept (tests, benchmarks).
void clear_rich_file_cache();

} // namespace tarsel
