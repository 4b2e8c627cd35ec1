// libFuzzer target: Say turns and idle remarks on hostile Base/ files; see
// check_say_turns() in fuzz_checks.h for the input layout and the properties.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include <unistd.h>

#include "fuzz/fuzz_checks.h"

namespace {

std::filesystem::path g_scratch;

void remove_scratch()
{
    std::error_code ec;
    std::filesystem::current_path("/", ec);
    std::filesystem::remove_all(g_scratch, ec);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Every turn saves with fsync: a folder in memory keeps the runs fast.
    std::error_code ec;
    std::filesystem::path base = "/dev/shm";
    if (!std::filesystem::is_directory(base, ec) || ::access(base.c_str(), W_OK) != 0)
        base = std::filesystem::temp_directory_path();
    std::string pattern = (base / "tarsel-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr)
        std::abort();
    g_scratch = pattern;
    std::filesystem::current_path(g_scratch);
    std::atexit(remove_scratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    tarsel::fuzz::check_say_turns(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
