// The knowledge base is parsed once per state of its file and kept between
// turns. These tests edit Base\Words.Dat behind the program's back in the
// ways a stamp check could miss, and check that every turn still sees the
// file as it stands; and that what is kept after a save is what was written.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine_fixture.h"
#include "engine/knowledge_base.h"
#include "engine/rich_file_cache.h"

namespace tarsel::test {
namespace {

namespace fs = std::filesystem;

const fs::path kWordsFile = "Base/Words.Dat";

struct stat stat_of(const fs::path& p)
{
    struct stat st {};
    EXPECT_EQ(::stat(p.c_str(), &st), 0);
    return st;
}

void set_mtime(const fs::path& p, const timespec& mtime)
{
    const timespec times[2] = {{0, UTIME_OMIT}, mtime};
    ASSERT_EQ(::utimensat(AT_FDCWD, p.c_str(), times, 0), 0);
}

// Overwrites the file's bytes in place: same inode, no truncation.
void overwrite_in_place(const fs::path& p, std::string_view bytes)
{
    const int fd = ::open(p.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    ::close(fd);
}

class KbCacheTest : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        clear_rich_file_cache();
    }
    void TearDown() override
    {
        clear_rich_file_cache();
        WorkDirTest::TearDown();
    }

    // The reply a Say turn gives to `phrase` (a knowledge-base hit).
    std::string reply_to(const std::string& phrase)
    {
        RecordingHost host(&dialogue);
        host.input = phrase;
        dialogue.say(host);
        return dialogue.state().reply_text;
    }

    Random random{[] { return 1234u; }};
    Dialogue dialogue{random};
};

enum class Edit { InPlaceSameSecond, InPlaceOldMtime, RenameOldMtime };

class KbEditBetweenTurns : public KbCacheTest, public ::testing::WithParamInterface<Edit> {};

// The knowledge base is kept after the program's own save; then it is edited
// so that its size stays the same and its modification time lands in the
// same second, or is even put back exactly. The next turn answers from the
// edited file.
TEST_P(KbEditBetweenTurns, NextTurnSeesTheEdit)
{
    const auto before = cp_lines({"База", "ПРИВЕТ.^Старый ответ.;"});
    const auto after = cp_lines({"База", "ПРИВЕТ.^Другой ответ.;"});
    const std::string new_bytes = write_rtf(after);
    save_rich_lines(files::kWords, before);  // kept, with the stamp of the saved file
    ASSERT_EQ(write_rtf(before).size(), new_bytes.size());

    EXPECT_EQ(reply_to(cp("привет. как ты")), cp("Старый ответ."));

    const struct stat old = stat_of(kWordsFile);
    switch (GetParam()) {
    case Edit::InPlaceSameSecond: {
        overwrite_in_place(kWordsFile, new_bytes);
        const long ns = (old.st_mtim.tv_nsec + 1) % 1'000'000'000;
        set_mtime(kWordsFile, {old.st_mtim.tv_sec, ns});
        break;
    }
    case Edit::InPlaceOldMtime:
        overwrite_in_place(kWordsFile, new_bytes);
        set_mtime(kWordsFile, old.st_mtim);
        break;
    case Edit::RenameOldMtime: {
        const fs::path side = "Base/Words.new";
        write_bytes(side, new_bytes);
        set_mtime(side, old.st_mtim);
        fs::rename(side, kWordsFile);
        break;
    }
    }
    const struct stat now = stat_of(kWordsFile);
    ASSERT_EQ(now.st_size, old.st_size);
    ASSERT_EQ(now.st_mtim.tv_sec, old.st_mtim.tv_sec);
    if (GetParam() != Edit::InPlaceSameSecond) {
        ASSERT_EQ(now.st_mtim.tv_nsec, old.st_mtim.tv_nsec);
    }

    EXPECT_EQ(reply_to(cp("привет. как дела")), cp("Другой ответ."));
}

INSTANTIATE_TEST_SUITE_P(Edits, KbEditBetweenTurns,
                         ::testing::Values(Edit::InPlaceSameSecond, Edit::InPlaceOldMtime,
                                           Edit::RenameOldMtime));

// A learning turn after an edit that keeps size and modification time works
// on the edited file: the edit is neither lost nor overwritten by what was
// kept from before it.
TEST_F(KbCacheTest, LearningAfterAnEditKeepsTheEdit)
{
    write_rich("Base/W1.Dat", cp_lines({"", "А ты?"}));
    write_rich("Base/W2.Dat", cp_lines({"", "Ну и ну."}));
    save_rich_lines(files::kWords, cp_lines({"База", "КАК ДЕЛА?^Старый ответ.;"}));
    const std::string edited = write_rtf(cp_lines({"База", "КАК ДЕЛА?^Другой ответ.;"}));
    const struct stat old = stat_of(kWordsFile);
    overwrite_in_place(kWordsFile, edited);
    set_mtime(kWordsFile, old.st_mtim);

    dialogue.state().last_reply = cp("Как дела?");
    dialogue.state().last_reply_shown = cp("Как дела?");
    RecordingHost host(&dialogue);
    host.input = cp("нормально");
    dialogue.say(host);

    EXPECT_EQ(lines_of(kWordsFile),
              cp_lines({"База", "НОРМАЛЬНО.^", "КАК ДЕЛА?^Другой ответ.;Нормально.;"}));
}

// What is kept after a save is exactly what a fresh read of the file gives,
// also for bytes that the RTF writer escapes and for a phrase that holds a
// line break (it becomes two lines).
TEST_F(KbCacheTest, KeptLinesMatchTheSavedFile)
{
    write_rich("Base/W2.Dat", cp_lines({"", "Ну и ну."}));
    save_rich_lines(files::kWords, cp_lines({"База", "ДА.^Так {и} есть\\.;"}));
    dialogue.state().last_reply = cp("Да.");
    dialogue.state().last_reply_shown = cp("Да.");
    RecordingHost host(&dialogue);
    host.input = cp("скобки {} и\tтаб\r\nвторая строка");
    dialogue.say(host);

    const auto on_disk = lines_of(kWordsFile);
    ASSERT_EQ(on_disk.size(), 5u);
    EXPECT_EQ(*load_rich_lines(files::kWords), on_disk);
    LineList via_list;
    via_list.load_rich("base\\words.dat");
    EXPECT_EQ(via_list.lines(), on_disk);
}

// A kept knowledge base is never used for a file that is gone.
TEST_F(KbCacheTest, RemovedFileIsReportedNotServedFromMemory)
{
    save_rich_lines(files::kWords, cp_lines({"База", "ПРИВЕТ.^Ответ.;"}));
    EXPECT_EQ(reply_to(cp("привет. как ты")), cp("Ответ."));
    fs::remove(kWordsFile);
    EXPECT_EQ(file_error_of([&] { reply_to(cp("привет. ну")); }),
              "Cannot open file Base\\Words.Dat");
}

// Lists far larger than the writer's buffer, with one line longer than the
// buffer itself, are written in pieces and read back unchanged; the pieces
// join to the same document as the one-piece writer gives.
TEST(RtfPieces, LargeListsRoundTrip)
{
    std::vector<std::string> lines;
    for (int i = 0; i < 40000; ++i)
        lines.push_back(cp("Строка номер ") + std::to_string(i) + "\t{\\}");
    lines.insert(lines.begin() + 1234, std::string(700000, '\xE9'));
    lines.emplace_back();
    std::string pieces;
    std::size_t count = 0;
    write_rtf(lines, [&](std::string_view piece) {
        pieces.append(piece);
        ++count;
    });
    EXPECT_GT(count, 1u);
    EXPECT_EQ(pieces, write_rtf(lines));
    EXPECT_EQ(read_rtf(pieces), lines);
}

} // namespace
} // namespace tarsel::test
