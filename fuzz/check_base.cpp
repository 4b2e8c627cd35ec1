// tarsel-check-base: reads every file of one or more Base/ folders the way the
// program reads its data files and prints what it found as JSON (UTF-8):
//
//   {"<folder>": {"files": {"<name>": {"rtf": bool, "complete": bool,
//                                      "lines": ["...", ...]}, ...},
//                 "temp": ["<leftover temporary file>", ...]}, ...}
//
// "complete" is false for an RTF document whose outer group is not closed
// (a file cut short). Exit status 0 when every file could be read, 1 when
// one could not, 2 on a usage error. Used by scripts/crash-harness.py.
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "engine/cp1251.h"
#include "engine/file_io.h"
#include "engine/line_list.h"
#include "engine/rtf.h"

namespace {

namespace fs = std::filesystem;

std::string json_string(std::string_view utf8)
{
    std::string out = "\"";
    for (const char c : utf8) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (b < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", b);
            out += buf;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// The document's outer group is closed: the last byte that is no white space
// is "}".
bool complete_rtf(std::string_view bytes)
{
    const auto last = bytes.find_last_not_of(" \t\r\n");
    return last != std::string_view::npos && bytes[last] == '}';
}

bool is_temp(const std::string& name)
{
    return name.starts_with(".~tarsel-");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::cerr << "usage: tarsel-check-base BASE_FOLDER...\n";
        return 2;
    }
    int status = 0;
    std::string out = "{";
    for (int a = 1; a < argc; ++a) {
        const fs::path dir = argv[a];
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
            names.push_back(it->path().filename().string());
        if (ec) {
            std::cerr << "cannot list " << dir << ": " << ec.message() << "\n";
            return 1;
        }
        std::sort(names.begin(), names.end());

        std::string files;
        std::string temps;
        for (const std::string& name : names) {
            if (is_temp(name)) {
                temps += (temps.empty() ? "" : ",") + json_string(name);
                continue;
            }
            const std::string path = (dir / name).string();
            try {
                tarsel::LineList list;
                list.load_rich(path);
                const std::string bytes = tarsel::read_file(path);
                const bool rtf = tarsel::is_rtf(bytes);
                std::string lines;
                for (const auto& line : list.lines())
                    lines += (lines.empty() ? "" : ",") + json_string(tarsel::cp1251_to_utf8(line));
                files += (files.empty() ? "" : ",") + json_string(name) + ":{\"rtf\":" + (rtf ? "true" : "false") +
                         ",\"complete\":" + (!rtf || complete_rtf(bytes) ? "true" : "false") + ",\"lines\":[" +
                         lines + "]}";
            } catch (const std::exception& e) {
                std::cerr << tarsel::cp1251_to_utf8(e.what()) << "\n";
                status = 1;
            }
        }
        out += (a > 1 ? "," : "") + json_string(argv[a]) + ":{\"files\":{" + files + "},\"temp\":[" + temps + "]}";
    }
    std::cout << out << "}\n";
    return status;
}
