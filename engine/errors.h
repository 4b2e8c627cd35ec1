#pragma once
// File failures of the engine. They carry the exact text that the message
// box shows (before the final-stop rule of message_box_text()).
#include <stdexcept>
#include <string>
#include <string_view>

namespace tarsel {

// A data file that cannot be opened or created. what() is
// "Cannot open file <path>" or "Cannot create file <path>", with the path as
// the program spelled it (Windows-1251 bytes, backslashes kept).
class FileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void throw_cannot_open(std::string_view program_path);
[[noreturn]] void throw_cannot_create(std::string_view program_path);

// The text of the error box: a "." is appended when the message's last
// character sorts after "." (as an unsigned byte).
std::string message_box_text(std::string_view message);

} // namespace tarsel
