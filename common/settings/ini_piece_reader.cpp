#include "settings/ini_piece_reader.h"

#include <cstring>
#include <utility>

std::size_t IniPieceEnd(std::string_view buffer, bool atEnd, bool first)
{
    if (atEnd) return buffer.size();
    if (first && buffer.find('\n') == std::string_view::npos) return 0;
    for (std::size_t i = buffer.size(); i > 0; --i) {
        // An LF after this CR would have been met first.
        const char c = buffer[i - 1];
        if (c == '\n' || (c == '\r' && i < buffer.size())) return i;
    }
    return 0;
}

IniPieceReader::IniPieceReader(Read read, std::size_t bufferSize)
    : read_(std::move(read)), buffer_(bufferSize > 0 ? bufferSize : 1, '\0')
{
}

bool IniPieceReader::Next(std::string_view& piece)
{
    if (given_ > 0) {
        // The rest of a line goes to the front; it is short beside the buffer.
        used_ -= given_;
        std::memmove(&buffer_[0], buffer_.data() + given_, used_);
        given_ = 0;
    }
    while (!failed_) {
        const std::size_t end = IniPieceEnd(std::string_view(buffer_.data(), used_), atEnd_, first_);
        if (end > 0) {
            piece = std::string_view(buffer_.data(), end);
            given_ = end;
            first_ = false;
            return true;
        }
        if (atEnd_) return false;
        if (used_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
        const long long n = read_(&buffer_[used_], buffer_.size() - used_);
        if (n < 0) {
            failed_ = true;
        } else if (n == 0) {
            atEnd_ = true;
        } else {
            used_ += static_cast<std::size_t>(n);
        }
    }
    return false;
}
