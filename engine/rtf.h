#pragma once
// A small RTF reader and writer for line lists: one paragraph per line,
// Windows-1251 text.
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel {

// True when the bytes form an RTF document (they start with "{\rtf",
// leading whitespace allowed).
bool is_rtf(std::string_view bytes);

// The text of an RTF document as lines of Windows-1251 bytes, one per
// paragraph. Never throws on malformed input, never recurses without bound.
std::vector<std::string> read_rtf(std::string_view rtf);

// read_rtf() for a document that arrives in pieces (a file read in blocks),
// without holding the whole document: feed() the pieces in order, then
// finish() gives the lines.
class RtfPieceReader {
public:
    RtfPieceReader();
    ~RtfPieceReader();
    RtfPieceReader(const RtfPieceReader&) = delete;
    RtfPieceReader& operator=(const RtfPieceReader&) = delete;
    void feed(std::string_view piece);
    std::vector<std::string> finish();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// An RTF document with one paragraph per line; read_rtf() gives the lines
// back unchanged for every byte value except CR and LF.
std::string write_rtf(const std::vector<std::string>& lines);
// The same document handed to `out` in pieces of about a megabyte, so that a
// large list is written without holding its whole document in memory.
void write_rtf(const std::vector<std::string>& lines,
               const std::function<void(std::string_view)>& out);

} // namespace tarsel
