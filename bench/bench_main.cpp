// tarsel-bench: how the knowledge base's cost grows with its size.
//
//   tarsel-bench run <data-dir> [sizes...]   prepare missing data, measure, print the table
//   tarsel-bench turn <work-dir>             (child) one learning turn in a fresh process;
//                                            prints "<turn ms> <VmHWM kB>"
//
// Every figure is taken against the floor of the same run: reading the
// knowledge base's bytes once and writing them twice with plain system calls,
// once without and once with fsync after each write.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/cp1251.h"
#include "engine/dialogue.h"
#include "engine/keyword_scan.h"
#include "engine/knowledge_base.h"
#include "engine/line_list.h"
#include "engine/phrase.h"
#include "engine/random.h"
#include "engine/word_lists.h"

namespace fs = std::filesystem;
using namespace tarsel;

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

[[noreturn]] void die(const std::string& what)
{
    std::fprintf(stderr, "tarsel-bench: %s\n", what.c_str());
    std::exit(2);
}

// ---- data ---------------------------------------------------------------

// Everyday Russian words; phrases are drawn from them.
constexpr const char* kWords[] = {
    "я", "ты", "он", "она", "мы", "вы", "они", "это", "тот", "так", "как", "что", "где", "когда",
    "почему", "зачем", "очень", "тоже", "уже", "ещё", "всегда", "иногда", "сегодня", "завтра",
    "вчера", "утром", "вечером", "дома", "на", "в", "с", "у", "о", "по", "за", "из", "к", "и", "а",
    "но", "или", "не", "да", "нет", "хорошо", "плохо", "весело", "грустно", "интересно", "скучно",
    "думаю", "знаю", "люблю", "хочу", "могу", "буду", "было", "будет", "читать", "гулять",
    "работать", "спать", "смотреть", "слушать", "говорить", "рассказать", "понимать", "помнить",
    "книгу", "фильм", "музыку", "погода", "солнце", "дождь", "снег", "лето", "зима", "весна",
    "осень", "город", "улица", "парк", "море", "лес", "река", "дорога", "машина", "поезд", "друг",
    "подруга", "мама", "папа", "брат", "сестра", "кошка", "собака", "чай", "кофе", "хлеб", "суп",
    "обед", "ужин", "завтрак", "работа", "школа", "учёба", "время", "день", "ночь", "неделя",
    "месяц", "год", "жизнь", "мир", "дело", "слово", "вопрос", "ответ", "правда", "мысль",
    "новый", "старый", "большой", "маленький", "красивый", "тёплый", "холодный", "быстро",
    "медленно", "вместе", "опять", "совсем", "немного", "много", "давно", "скоро", "потом",
    "сначала", "конечно", "наверное", "просто", "вообще", "сейчас", "здесь", "там", "туда",
};
constexpr std::size_t kWordCount = std::size(kWords);
constexpr std::string_view kHeader = "База знаний Тарселя";

class Gen {
public:
    explicit Gen(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ull + 1) {}
    std::uint64_t next()
    {
        s_ ^= s_ << 13;
        s_ ^= s_ >> 7;
        s_ ^= s_ << 17;
        return s_;
    }
    std::size_t below(std::size_t n) { return static_cast<std::size_t>(next() % n); }
    std::size_t between(std::size_t lo, std::size_t hi) { return lo + below(hi - lo + 1); }

private:
    std::uint64_t s_;
};

const std::vector<std::string>& words_cp1251()
{
    static const std::vector<std::string> words = [] {
        std::vector<std::string> w;
        for (const char* s : kWords)
            w.push_back(utf8_to_cp1251(s));
        return w;
    }();
    return words;
}

bool hits_builtin_list(std::string_view upper)
{
    static const LineList rude = rude_word_list();
    static const LineList topics = topic_list();
    return list_scan(rude, upper).has_value() || list_scan(topics, upper).has_value();
}

// A phrase as the window shows it: lower case, capital first letter, final
// punctuation; between `lo` and `hi` characters, punctuation included. It
// never trips the rude-word or topic rules.
std::string shown_phrase(Gen& g, std::size_t lo, std::size_t hi)
{
    static constexpr char kEnds[] = {'.', '!', '?'};
    const auto& words = words_cp1251();
    for (;;) {
        const std::size_t target = g.between(lo, hi) - 1;
        std::string s;
        while (s.size() < target) {
            const std::string& w = words[g.below(kWordCount)];
            if (!s.empty() && s.size() + 1 + w.size() > target)
                break;
            if (!s.empty())
                s += ' ';
            s += w;
        }
        if (s.size() + 1 < lo)
            continue;
        s += kEnds[g.below(3)];
        capitalize_first(s);
        if (!hits_builtin_list(to_upper(s)))
            return s;
    }
}

struct Layout {
    std::size_t entries;
    fs::path dir;
};

void write_pools(const fs::path& base, Gen& g)
{
    for (const char* name : {"W1.Dat", "W2.Dat"}) {
        LineList pool;
        for (int i = 0; i < 1000; ++i)
            pool.add(shown_phrase(g, 10, 50));
        pool.save_rich((base / name).string());
    }
    LineList small;
    for (int i = 0; i < 20; ++i)
        small.add(shown_phrase(g, 10, 40));
    for (const char* name : {"Povtor.Dat", "X.Dat", "BigString.Dat", "Pause.Dat"})
        small.save_plain((base / name).string());
}

// Base/ with a knowledge base of `entries` entry lines (plus the header), as
// the program itself writes it.
void prepare(const fs::path& dir, std::size_t entries)
{
    const fs::path base = dir / "Base";
    const fs::path done = dir / "complete-v1";
    if (fs::exists(done))
        return;
    std::fprintf(stderr, "preparing %zu entries in %s\n", entries, dir.c_str());
    fs::remove_all(dir);
    fs::create_directories(base);
    Gen g(entries + 7);
    LineList kb;
    kb.lines().reserve(entries + 1);
    kb.add(utf8_to_cp1251(kHeader));
    for (std::size_t i = 0; i < entries; ++i) {
        std::string line = to_upper(shown_phrase(g, 20, 60));
        line += '^';
        const std::size_t replies = g.between(1, 3);
        for (std::size_t r = 0; r < replies; ++r) {
            line += shown_phrase(g, 10, 60);
            line += ';';
        }
        kb.lines().push_back(std::move(line));
    }
    kb.save_rich((base / "Words.Dat").string());
    write_pools(base, g);
    std::ofstream(done) << "ok\n";
}

void copy_tree(const fs::path& from, const fs::path& to)
{
    fs::remove_all(to);
    fs::create_directories(to);
    fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    fs::remove(to / "complete-v1");
}

// ---- the floor ----------------------------------------------------------

std::unique_ptr<char[]> read_plain(const fs::path& p, std::size_t& size)
{
    const int fd = ::open(p.c_str(), O_RDONLY);
    if (fd < 0)
        die("cannot open " + p.string());
    struct stat st {};
    ::fstat(fd, &st);
    size = static_cast<std::size_t>(st.st_size);
    std::unique_ptr<char[]> buf(new char[size + 1]);
    std::size_t got = 0;
    while (got < size) {
        const ssize_t n = ::read(fd, buf.get() + got, size - got);
        if (n <= 0)
            die("read failed");
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return buf;
}

void write_plain(const fs::path& p, const char* data, std::size_t size, bool sync)
{
    const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        die("cannot create " + p.string());
    std::size_t put = 0;
    while (put < size) {
        const ssize_t n = ::write(fd, data + put, size - put);
        if (n <= 0)
            die("write failed");
        put += static_cast<std::size_t>(n);
    }
    if (sync && ::fsync(fd) != 0)
        die("fsync failed");
    ::close(fd);
}

struct Floor {
    double read_ms = 0;
    double plain_ms = 0;  // read once + write twice
    double sync_ms = 0;   // the same with fsync after each write
};

Floor measure_floor(const fs::path& words, int reps)
{
    std::vector<double> reads, plain, synced;
    const fs::path dir = words.parent_path();
    for (int i = 0; i < reps; ++i) {
        for (const bool sync : {false, true}) {
            const fs::path a = dir / ("floor-a-" + std::to_string(i));
            const fs::path b = dir / ("floor-b-" + std::to_string(i));
            const auto t0 = Clock::now();
            std::size_t size = 0;
            auto buf = read_plain(words, size);
            const double r = ms_since(t0);
            write_plain(a, buf.get(), size, sync);
            write_plain(b, buf.get(), size, sync);
            const double total = ms_since(t0);
            buf.reset();
            fs::remove(a);
            fs::remove(b);
            reads.push_back(r);
            (sync ? synced : plain).push_back(total);
        }
    }
    return {median(reads), median(plain), median(synced)};
}

// ---- turns --------------------------------------------------------------

class Host : public DialogueHost {
public:
    std::string input;
    bool cpu_cpu_mode() const override { return false; }
    std::string input_text() const override { return input; }
    std::string previous_line() const override { return {}; }
    std::string exchange_path() const override { return files::kExchangeRead; }
    void play(Cue) override {}
    void add_user_line(const std::string&) override {}
    void add_reply_line(const std::string&) override {}
    void add_idle_remark(const std::string&) override {}
    void clear_input() override { input.clear(); }
    void start_farewell() override {}
};

// A pattern near the end of the knowledge base that has replies, with its line.
struct Target {
    std::string pattern;
    std::string line;
};

Target target_near_end(std::size_t from_end)
{
    LineList kb;
    kb.load_rich(files::kWords);
    const std::size_t count = kb.count();
    for (std::size_t i = count > from_end ? count - from_end : 1; i < count; ++i) {
        const std::string& line = kb.lines()[i];
        const auto p = line_pattern(line);
        if (p && p->size() + 1 < line.size())
            return {std::string(*p), line};
    }
    die("no entry line near the end");
}

// One learning turn: the phrase misses the lookup, the pools answer and learn,
// the knowledge base gets a new line and extends the line of `last_reply`.
double learning_turn(Dialogue& dialogue, Gen& g, const std::string& last_reply, std::size_t n)
{
    Host host;
    host.input = shown_phrase(g, 25, 50);
    host.input.pop_back();
    host.input += ' ' + std::to_string(n) + '!';
    auto& st = dialogue.state();
    st.last_reply = last_reply;
    st.last_reply_shown = last_reply;
    const auto t0 = Clock::now();
    dialogue.say(host);
    return ms_since(t0);
}

void check_learned(const std::string& last_reply)
{
    LineList kb;
    kb.load_rich(files::kWords);
    const std::string& last = kb.lines().back();
    if (!last.starts_with(last_reply + '^'))
        die("the learning turn did not extend the expected line");
}

double lookup_hit(Dialogue& dialogue, const Target& t)
{
    Host host;
    host.input = t.pattern;  // typed by the user; it holds the pattern
    const auto t0 = Clock::now();
    dialogue.say(host);
    const double ms = ms_since(t0);
    const std::string& reply = dialogue.state().reply_text;
    if (reply.empty() || t.line.find('^' + reply) == std::string::npos &&
                             t.line.find(';' + reply) == std::string::npos)
        die("the lookup did not answer from the expected line");
    return ms;
}

long vm_hwm_kb()
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with("VmHWM:"))
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

std::string to_hex(std::string_view s)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    for (const char c : s) {
        out += kHex[static_cast<unsigned char>(c) >> 4];
        out += kHex[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::string from_hex(std::string_view s)
{
    std::string out;
    for (std::size_t i = 0; i + 1 < s.size(); i += 2)
        out += static_cast<char>(std::stoi(std::string(s.substr(i, 2)), nullptr, 16));
    return out;
}

// Child: one learning turn, the first of a fresh process. Nothing of the
// knowledge base is read before the turn; the parent names the line to extend.
int child_turn(const fs::path& work, const std::string& last_reply)
{
    fs::current_path(work);
    Random random([] { return 4242u; });
    Dialogue dialogue(random);
    Gen g(99);
    const double ms = learning_turn(dialogue, g, last_reply, 0);
    std::printf("%.3f %ld\n", ms, vm_hwm_kb());
    return 0;
}

std::string self_exe()
{
    return fs::read_symlink("/proc/self/exe").string();
}

// Runs `argv` in `cwd`, with extra environment, and returns the first line
// of its output and the wall time until that line arrived.
std::pair<std::string, double> run_child(const std::vector<std::string>& argv, const fs::path& cwd,
                                         const std::vector<std::string>& env = {})
{
    int fds[2];
    if (::pipe(fds) != 0)
        die("pipe");
    const auto t0 = Clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        // The toolkit's complaints about a missing sound server are no figure.
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
            ::dup2(null, 2);
        ::close(fds[0]);
        ::close(fds[1]);
        if (::chdir(cwd.c_str()) != 0)
            _exit(127);
        for (const auto& e : env)
            ::putenv(const_cast<char*>(e.c_str()));
        std::vector<char*> args;
        for (const auto& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        _exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char c;
    while (::read(fds[0], &c, 1) == 1 && c != '\n')
        out += c;
    const double ms = ms_since(t0);
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (out.empty())
        die("child " + argv[0] + " gave no result");
    return {out, ms};
}

struct Row {
    std::size_t entries = 0;
    double file_mb = 0;
    Floor floor;
    double turn_warm = 0, turn_first = 0, lookup = 0, startup = -1;
    double peak_mb = 0;
};

Row measure(const fs::path& data, std::size_t entries, double empty_hwm_kb)
{
    Row row;
    row.entries = entries;
    const fs::path pristine = data / std::to_string(entries);
    prepare(pristine, entries);
    const fs::path work = data / "work" / std::to_string(entries);
    copy_tree(pristine, work);
    const fs::path words = work / "Base" / "Words.Dat";
    std::string last_reply;
    {
        const fs::path old = fs::current_path();
        fs::current_path(work);
        last_reply = target_near_end(10).pattern;
        fs::current_path(old);
    }
    row.file_mb = static_cast<double>(fs::file_size(words)) / 1e6;

    const int reps = entries >= 1000000 ? 3 : entries >= 100000 ? 5 : 11;
    row.floor = measure_floor(words, reps);

    // Fresh processes: the first turn of a run and the peak memory.
    {
        std::vector<double> first;
        std::vector<double> hwm;
        for (int i = 0; i < (entries >= 1000000 ? 2 : 3); ++i) {
            const fs::path child = data / "work" / "child";
            copy_tree(pristine, child);
            const auto [out, wall] = run_child({self_exe(), "turn", child.string(), to_hex(last_reply)}, child);
            double ms = 0;
            long kb = 0;
            if (std::sscanf(out.c_str(), "%lf %ld", &ms, &kb) != 2)
                die("bad child output: " + out);
            first.push_back(ms);
            hwm.push_back(static_cast<double>(kb));
            fs::remove_all(child);
        }
        row.turn_first = median(first);
        row.peak_mb = (median(hwm) - empty_hwm_kb) * 1024 / 1e6;
    }

    const fs::path old_cwd = fs::current_path();
    fs::current_path(work);
    {
        Random random([] { return 777u; });
        Dialogue dialogue(random);
        Gen g(entries * 3 + 1);
        learning_turn(dialogue, g, last_reply, 1);  // warm-up: the turns of a running program
        std::vector<double> turns;
        for (int i = 0; i < reps; ++i) {
            turns.push_back(learning_turn(dialogue, g, last_reply, 100 + i));
            check_learned(last_reply);
        }
        row.turn_warm = median(turns);

        const Target t = target_near_end(20);
        std::vector<double> hits;
        lookup_hit(dialogue, t);
        for (int i = 0; i < reps; ++i)
            hits.push_back(lookup_hit(dialogue, t));
        row.lookup = median(hits);
    }
    fs::current_path(old_cwd);

#ifdef TARSEL_STARTUP_BENCH
    {
        // The window program needs its sound cues.
        fs::copy(fs::path(TARSEL_SOURCE_DATA) / "Sound", work / "Sound",
                 fs::copy_options::recursive | fs::copy_options::overwrite_existing);
        std::vector<double> starts;
        for (int i = 0; i < (entries >= 1000000 ? 3 : 5); ++i) {
            const auto [out, wall] =
                run_child({TARSEL_STARTUP_BENCH}, work, {"QT_QPA_PLATFORM=offscreen"});
            if (out != "ready")
                die("start-up child: " + out);
            starts.push_back(wall);
        }
        row.startup = median(starts);
    }
#endif
    fs::remove_all(work);
    return row;
}

double empty_hwm(const fs::path& data)
{
    const fs::path dir = data / "work" / "empty";
    fs::remove_all(dir);
    fs::create_directories(dir / "Base");
    Gen g(5);
    write_pools(dir / "Base", g);
    LineList kb;
    kb.add(utf8_to_cp1251(kHeader));
    kb.save_rich((dir / "Base" / "Words.Dat").string());
    std::vector<double> hwm;
    for (int i = 0; i < 3; ++i) {
        const auto [out, wall] = run_child({self_exe(), "turn", dir.string(), to_hex("X")}, dir);
        double ms = 0;
        long kbytes = 0;
        std::sscanf(out.c_str(), "%lf %ld", &ms, &kbytes);
        hwm.push_back(static_cast<double>(kbytes));
    }
    fs::remove_all(dir);
    return median(hwm);
}

void print_table(const std::vector<Row>& rows)
{
    std::printf("| entries | file MB | figure | ms | x floor+fsync | x floor | target |\n");
    std::printf("|---:|---:|---|---:|---:|---:|---|\n");
    for (const Row& r : rows) {
        const auto line = [&](const char* figure, double ms, const std::string& target) {
            std::printf("| %zu | %.1f | %s | %.2f | %.2f | %.2f | %s |\n", r.entries, r.file_mb, figure,
                        ms, ms / r.floor.sync_ms, ms / r.floor.plain_ms, target.c_str());
        };
        char buf[128];
        line("read file once", r.floor.read_ms, "");
        line("floor: read once, write twice", r.floor.plain_ms, "");
        line("floor with fsync (judged)", r.floor.sync_ms, "");
        const bool big = r.entries >= 100000;
        std::snprintf(buf, sizeof buf, "%s1.5x floor+fsync", big ? "<= " : "(<= ");
        std::string t = buf;
        if (!big)
            t += ")";
        line("learning turn, running program", r.turn_warm, t);
        line("learning turn, first of a process", r.turn_first, t);
        std::snprintf(buf, sizeof buf, "<= 1.2x read once: %.2fx", r.lookup / r.floor.read_ms);
        line("lookup hit near the end", r.lookup, buf);
        if (r.startup >= 0)
            line("start-up to window shown and loaded", r.startup,
                 r.entries == 100000 ? "< 300 ms" : "");
        const double file = r.file_mb;
        std::printf("| %zu | %.1f | peak memory above empty | %.1f MB | | | <= 3x file: %.2fx |\n",
                    r.entries, file, r.peak_mb, file > 0 ? r.peak_mb / file : 0.0);
    }
}

int run(const fs::path& data, std::vector<std::size_t> sizes)
{
    if (sizes.empty())
        sizes = {1000, 10000, 100000, 1000000};
    fs::create_directories(data);
    for (std::size_t n : sizes)
        prepare(data / std::to_string(n), n);
    const double empty = empty_hwm(data);
    std::vector<Row> rows;
    for (std::size_t n : sizes) {
        std::fprintf(stderr, "measuring %zu entries\n", n);
        rows.push_back(measure(data, n, empty));
    }
    print_table(rows);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    try {
        if (argc >= 4 && std::strcmp(argv[1], "turn") == 0)
            return child_turn(argv[2], from_hex(argv[3]));
        if (argc >= 3 && std::strcmp(argv[1], "run") == 0) {
            std::vector<std::size_t> sizes;
            for (int i = 3; i < argc; ++i)
                sizes.push_back(std::strtoull(argv[i], nullptr, 10));
            return run(fs::absolute(argv[2]), sizes);
        }
    } catch (const std::exception& e) {
        die(e.what());
    }
    std::fprintf(stderr, "usage: tarsel-bench run <data-dir> [entries...]\n");
    return 2;
}
