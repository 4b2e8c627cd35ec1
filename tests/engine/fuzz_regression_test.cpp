// Replays the inputs kept from fuzzing (faults found and fixed, and a few
// telling corpus entries) through the same checks as the fuzz targets.
#include <algorithm>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "fuzz/fuzz_checks.h"

namespace tarsel::test {
namespace {

namespace fs = std::filesystem;

class FuzzRegression : public WorkDirTest {};

TEST_F(FuzzRegression, StoredInputsPassTheirTargetsChecks)
{
    struct Target {
        const char* name;
        void (*check)(std::string_view);
    };
    const Target targets[] = {
        {"fuzz_rtf_reader", fuzz::check_rtf_reader},
        {"fuzz_plain_lines", fuzz::check_plain_lines},
        {"fuzz_keyword_scan", fuzz::check_keyword_scan},
        {"fuzz_layout_converter", fuzz::check_layout_converter},
        {"fuzz_say_turn", fuzz::check_say_turns},  // works in the test's scratch folder
    };
    const fs::path root = fs::path(TARSEL_TEST_DATA_DIR) / "fuzz_regressions";
    for (const auto& t : targets) {
        std::vector<fs::path> inputs;
        for (const auto& e : fs::directory_iterator(root / t.name))
            inputs.push_back(e.path());
        std::sort(inputs.begin(), inputs.end());
        ASSERT_FALSE(inputs.empty()) << "no stored inputs in " << (root / t.name);
        for (const auto& input : inputs) {
            SCOPED_TRACE(input.filename().string());
            const std::string bytes = bytes_of(input);
            try {
                t.check(bytes);
            } catch (const std::exception& e) {
                ADD_FAILURE() << t.name << ": " << e.what();
            }
        }
    }
}

} // namespace
} // namespace tarsel::test
