// libFuzzer target: see check_rtf_reader() in fuzz_checks.h for the properties.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tarsel::fuzz::check_rtf_reader(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
