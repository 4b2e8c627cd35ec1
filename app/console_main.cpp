// Terminal front end: one Say turn per line of standard input (UTF-8), one
// reply per line of standard output. Run it in a working directory that holds
// Base/. A farewell or the end of input writes the conversation log and ends.
#include <ctime>
#include <iomanip>
#include <iostream>
#include <locale>
#include <sstream>
#include <string>

#include "engine/conversation_log.h"
#include "engine/cp1251.h"
#include "engine/dialogue.h"
#include "engine/errors.h"
#include "engine/line_list.h"
#include "engine/random.h"

namespace {

constexpr std::size_t kInputLimit = 255;  // the input line's length limit

// Cpu\User mode with a dialogue view of its own, so that the repeat rule sees
// the previous user line as in the window.
class ConsoleHost : public tarsel::DialogueHost {
public:
    void set_input(std::string text) { input_ = std::move(text); }
    bool farewell() const { return farewell_; }
    const std::string& last_reply() const { return reply_; }

    bool cpu_cpu_mode() const override { return false; }
    std::string input_text() const override { return input_; }
    std::string previous_line() const override
    {
        const auto n = static_cast<std::ptrdiff_t>(view_.count());
        return view_.line(n - 2);
    }
    std::string exchange_path() const override { return tarsel::files::kExchangeRead; }

    void play(tarsel::Cue) override {}
    void add_user_line(const std::string& shown_phrase) override { view_.add(shown_phrase); }
    void add_reply_line(const std::string& reply) override
    {
        view_.add(reply);
        reply_ = reply;
    }
    void add_idle_remark(const std::string& remark) override { view_.add(remark); }
    void clear_input() override { input_.clear(); }
    void start_farewell() override { farewell_ = true; }

private:
    tarsel::LineList view_;
    std::string input_;
    std::string reply_;
    bool farewell_ = false;
};

std::string format_now(const char* format, const std::locale& locale, const std::tm& now)
{
    std::ostringstream out;
    out.imbue(locale);
    out << std::put_time(&now, format);
    return out.str();
}

// Writes the conversation log; returns the exit code.
int exit_with_log(const tarsel::LineList& transcript)
{
    std::locale locale = std::locale::classic();
    try {
        locale = std::locale("");
    } catch (const std::exception&) {
        // An unknown locale in the environment: keep the classic formats.
    }
    const std::time_t t = std::time(nullptr);
    std::tm now{};
    localtime_r(&t, &now);
    const std::string date = tarsel::utf8_to_cp1251(format_now("%x", locale, now));
    std::string time = tarsel::utf8_to_cp1251(format_now("%X", locale, now));
    if (time.empty())
        time = format_now("%H:%M:%S", std::locale::classic(), now);

    try {
        tarsel::append_conversation_log(date, time, transcript);
    } catch (const std::exception& error) {
        std::cerr << tarsel::cp1251_to_utf8(tarsel::message_box_text(error.what())) << std::endl;
        return 1;
    }
    return 0;
}

} // namespace

int main()
{
    tarsel::Random random;
    tarsel::Dialogue dialogue(random);
    ConsoleHost host;

    std::string line;
    while (std::getline(std::cin, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string phrase = tarsel::utf8_to_cp1251(line);
        if (phrase.size() > kInputLimit)
            phrase.resize(kInputLimit);
        if (phrase.empty())
            continue;

        host.set_input(std::move(phrase));
        try {
            dialogue.say(host);
        } catch (const std::exception& error) {
            std::cerr << tarsel::cp1251_to_utf8(tarsel::message_box_text(error.what())) << std::endl;
            continue;
        }
        std::cout << tarsel::cp1251_to_utf8(host.last_reply()) << std::endl;
        if (host.farewell())
            break;
    }
    return exit_with_log(dialogue.transcript());
}
