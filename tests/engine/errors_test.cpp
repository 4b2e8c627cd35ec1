#include <gtest/gtest.h>

#include "engine/errors.h"

namespace tarsel {
namespace {

TEST(MessageBoxText, AppendsStopOnlyAfterCharactersSortingAfterStop)
{
    struct Case { const char* message; const char* shown; };
    const Case cases[] = {
        {"Cannot open file Base\\X.Dat", "Cannot open file Base\\X.Dat."},  // "t" sorts after "."
        {"Cannot open file Base\\X", "Cannot open file Base\\X."},
        {"ends with stop.", "ends with stop."},
        {"ends with dash-", "ends with dash-"},  // '-' < '.'
        {"ends with digit 1", "ends with digit 1."},
        {"", ""},
        {"\xC4\xE0", "\xC4\xE0."},  // Cyrillic bytes sort after '.'
    };
    for (const auto& c : cases)
        EXPECT_EQ(message_box_text(c.message), c.shown) << c.message;
}

TEST(FileErrorText, CarriesThePathAsGiven)
{
    try {
        throw_cannot_create("D:\\Txt.Dat");
        FAIL();
    } catch (const FileError& e) {
        EXPECT_STREQ(e.what(), "Cannot create file D:\\Txt.Dat");
    }
    EXPECT_THROW(throw_cannot_open("Base\\W1.Dat"), FileError);
}

} // namespace
} // namespace tarsel
