#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// A file's text read in pieces of whole lines through one buffer, which is
// reused: a table of megabytes is edited without the memory of its whole
// text, whose first touch costs more than the read itself.
//
// A piece ends after a line end that no byte to come can extend (a CR at the
// end of what was read may yet be followed by its LF); the first reaches past
// the text's first LF, which decides the line ends an edit adds; the last
// ends where the text does. A line longer than the buffer grows it.
class IniPieceReader {
public:
    // Fills up to `room` bytes at `into`; how many (0 at the end of the text),
    // or a negative number when the read failed.
    using Read = std::function<long long(char* into, std::size_t room)>;

    explicit IniPieceReader(Read read, std::size_t bufferSize = 64 * 1024);

    // The next piece, valid until the next call; false at the end or when a
    // read failed.
    bool Next(std::string_view& piece);
    bool Failed() const { return failed_; }

private:
    Read read_;
    std::string buffer_;
    std::size_t used_ = 0;   // bytes read into the buffer
    std::size_t given_ = 0;  // of them, the piece handed out last
    bool first_ = true;
    bool atEnd_ = false;
    bool failed_ = false;
};

// Where the whole lines of `buffer` end for IniPieceReader: its length at
// the end of the text, else after its last line end that no byte to come can
// extend, or 0 when there is none (nor, for the first piece, any LF).
std::size_t IniPieceEnd(std::string_view buffer, bool atEnd, bool first);
