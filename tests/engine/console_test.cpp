// The terminal front end, run as a process on a prepared Base/.
#include <sys/wait.h>

#include <cstdlib>

#include "engine_fixture.h"

namespace tarsel::test {
namespace {

class ConsoleTest : public WorkDirTest {
protected:
    void SetUp() override
    {
        WorkDirTest::SetUp();
        write_plain("Base/Povtor.Dat", cp_lines({"Ты повторяешься."}));
        write_plain("Base/X.Dat", cp_lines({"Не груби."}));
        write_plain("Base/BigString.Dat", cp_lines({"Как дела?"}));
        write_plain("Base/Pause.Dat", cp_lines({"Ау!"}));
        write_plain("Base/W1.Dat", cp_lines({"Как дела?"}));
        write_plain("Base/W2.Dat", cp_lines({"Ага."}));
        write_plain("Base/Words.Dat", {"H"});
        write_bytes("Base/Log.Tarsel", "");
    }

    // Runs the program with `input` (UTF-8) on stdin; returns its exit code.
    int run(std::string_view input)
    {
        write_bytes(dir_ / "in.txt", input);
        const std::string command = "cd '" + dir_.string() + "' && LC_ALL=C '" TARSEL_CONSOLE_BINARY
                                    "' < in.txt > out.txt 2> err.txt";
        const int status = std::system(command.c_str());
        out = split_lines(bytes_of(dir_ / "out.txt"));
        err = bytes_of(dir_ / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    std::vector<std::string> out;
    std::string err;
};

TEST_F(ConsoleTest, DialogueOverPipesEndsWithTheLog)
{
    std::filesystem::remove("Base/X.Dat");
    // The long line holds a topic word, so whichever way its draw goes it
    // says "Как дела?" again and learns nothing.
    const std::string too_long = "хочу " + std::string(300, 'z');
    ASSERT_EQ(run("привет ☺ друг\r\nпривет ☺ друг\n\nты хам\nкак дела?\n" + too_long + "\n"), 0);

    // UTF-8 out; the failing rude-word turn shows only its error.
    EXPECT_EQ(out, (std::vector<std::string>{"Ага.", "Ты повторяешься.", "Как дела?", "Как дела?"}));
    EXPECT_EQ(err, "Cannot open file Base\\X.Dat.\n");

    const auto log = lines_of("Base/Log.Tarsel");
    ASSERT_EQ(log.size(), 15u);
    EXPECT_EQ(log[0], "");
    EXPECT_EQ(log[3].rfind(std::string(22, ' ') + cp("Дата - "), 0), 0u) << log[3];
    EXPECT_NE(log[3].find(cp("   |   Время -")), std::string::npos);
    EXPECT_EQ(log[5], cp("//Загружено фраз выученных программой: 1"));  // "КАК ДЕЛА?^"
    EXPECT_EQ(log[6], cp("USER:     Привет ? друг."));
    EXPECT_EQ(log[7], cp("CPU:     Ага."));
    EXPECT_EQ(log[8], cp("USER:     Привет ? друг."));
    EXPECT_EQ(log[10], cp("USER:     Как дела?"));
    // The input line holds at most 255 characters; final punctuation follows.
    EXPECT_EQ(log[12], cp("USER:     Хочу ") + std::string(250, 'z') + ".");
    EXPECT_EQ(log[14], std::string(53, '='));
}

TEST_F(ConsoleTest, FarewellEndsTheConversation)
{
    ASSERT_EQ(run("пока\nпривет\n"), 0);
    EXPECT_EQ(out, (std::vector<std::string>{"Ага."}));
    const auto log = lines_of("Base/Log.Tarsel");
    ASSERT_EQ(log.size(), 9u);
    EXPECT_EQ(log[6], cp("USER:     Пока."));
    EXPECT_EQ(log[7], cp("CPU:     Ага."));
}

TEST_F(ConsoleTest, MissingLogFailsTheExit)
{
    std::filesystem::remove("Base/Log.Tarsel");
    EXPECT_EQ(run("привет\n"), 1);
    EXPECT_EQ(out, (std::vector<std::string>{"Ага."}));
    EXPECT_EQ(err, "Cannot open file Base\\Log.Tarsel.\n");
    EXPECT_FALSE(std::filesystem::exists("Base/Log.Tarsel"));
}

} // namespace
} // namespace tarsel::test
