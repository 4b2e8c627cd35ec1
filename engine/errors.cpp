#include "engine/errors.h"

namespace tarsel {

void throw_cannot_open(std::string_view program_path)
{
    throw FileError("Cannot open file " + std::string(program_path));
}

void throw_cannot_create(std::string_view program_path)
{
    throw FileError("Cannot create file " + std::string(program_path));
}

std::string message_box_text(std::string_view message)
{
    std::string text(message);
    if (!text.empty() && static_cast<unsigned char>(text.back()) > static_cast<unsigned char>('.'))
        text += '.';
    return text;
}

} // namespace tarsel
