// The settings files' text writer: after a section is replaced or keys are
// set, the section reads back exactly as written, every other section and
// key reads as before, and doing it again changes nothing. The writer's
// output, whole or in pieces, is the plain line-by-line edit's.
#include "settings/ini_text.h"

#include "fuzz_text.h"
#include "settings/ini_piece_reader.h"
#include "settings/ini_section.h"
#include "settings/multibyte.h"
#include "ini_text_plain.h"

#include <algorithm>
#include <fuzzer/FuzzedDataProvider.h>
#include <iterator>
#include <random>

#include <vector>

namespace {

const char* const kSections[] = {"CmdTable", "cmdtable", " CmdTable ", "Desktop", "A", "[B"};
const char* const kKeys[] = {"k", "K", "cmd[0].caption", "x y", "HideIcon"};

bool IsReaderBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\x1a';
}

// A value as a program writes it: one line, without blanks at its ends.
std::string Value(FuzzedDataProvider& in)
{
    std::string v = in.ConsumeRandomLengthString(12);
    std::string out;
    for (char c : v) {
        if (c != '\r' && c != '\n' && c != '\0') out.push_back(c);
    }
    while (!out.empty() && IsReaderBlank(out.back())) out.pop_back();
    while (!out.empty() && IsReaderBlank(out.front())) out.erase(out.begin());
    return out;
}

std::string Lower(std::string s)
{
    for (char& c : s) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return s;
}

std::string Name(const char* section)
{
    std::string s = section;
    while (!s.empty() && s.back() == ' ') s.pop_back();
    while (!s.empty() && s.front() == ' ') s.erase(s.begin());
    return Lower(s);
}

// The value of the first line of `key` in a section block, as a read by key finds it.
bool FindValue(const std::string& block, const std::string& key, std::string& value)
{
    for (std::size_t p = 0; p < block.size();) {
        const std::size_t end = block.find('\0', p);
        const std::string line = block.substr(p, end - p);
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos && Lower(line.substr(0, eq)) == Lower(key)) {
            value = line.substr(eq + 1);
            return true;
        }
        p = end + 1;
    }
    return false;
}

void CheckOthersUnchanged(const std::string& before, const std::string& after, const char* section)
{
    for (const char* other : kSections) {
        if (Name(other) != Name(section)) FUZZ_CHECK(IniSectionBlock(before, other) == IniSectionBlock(after, other));
    }
}

// Where the pieces are cut: drawn from a seed the fuzzer gives before the
// text, which takes the rest of its bytes.
using Cuts = std::minstd_rand;

// The pieces handed over in turn.
template <class Piece>
IniLines InTurn(const std::vector<Piece>& pieces)
{
    return [&pieces, next = std::size_t{0}](std::string_view& piece) mutable {
        if (next == pieces.size()) return false;
        piece = pieces[next++];
        return true;
    };
}

// The section replaced with the lines handed over in pieces of whole lines,
// cut where the fuzzer says.
std::string ReplaceInPieces(const std::string& text, const char* section, const std::string& lines, Cuts& cuts)
{
    std::vector<std::string_view> pieces;
    std::size_t start = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const bool lineEnd = lines[i] == '\n' || (lines[i] == '\r' && (i + 1 == lines.size() || lines[i + 1] != '\n'));
        if (lineEnd && cuts() % 2 == 0) {
            pieces.push_back(std::string_view(lines).substr(start, i + 1 - start));
            start = i + 1;
        }
    }
    pieces.push_back(std::string_view(lines).substr(start));
    std::string out;
    ReplaceIniSection(text, section, InTurn(pieces), [&](std::string_view piece) { out.append(piece); });
    return out;
}

// The text as a file is read for an edit: through a small buffer, in reads
// of the sizes the fuzzer says. Each piece is checked to be what the edit
// may rely on, and the pieces to make up the text.
std::vector<std::string> ReadInPieces(const std::string& text, Cuts& cuts)
{
    std::size_t at = 0;
    IniPieceReader reader(
        [&](char* into, std::size_t room) -> long long {
            const std::size_t n = std::min({room, text.size() - at, std::size_t{1} + cuts() % 40});
            std::copy(text.begin() + static_cast<std::ptrdiff_t>(at), text.begin() + static_cast<std::ptrdiff_t>(at + n), into);
            at += n;
            return static_cast<long long>(n);
        },
        std::size_t{1} + cuts() % 48);
    std::vector<std::string> pieces;
    std::string joined;
    for (std::string_view piece; reader.Next(piece);) {
        FUZZ_CHECK(!piece.empty());
        pieces.emplace_back(piece);
        joined.append(piece);
    }
    FUZZ_CHECK(!reader.Failed() && joined == text);
    const std::size_t firstLf = text.find('\n');
    FUZZ_CHECK(pieces.empty() || firstLf == std::string::npos || pieces[0].size() > firstLf);
    std::size_t end = 0;
    for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
        // Each cut falls after a line end that the next byte does not extend.
        end += pieces[i].size();
        FUZZ_CHECK(text[end - 1] == '\n' || (text[end - 1] == '\r' && text[end] != '\n'));
    }
    return pieces;
}

// A code page check of the double-byte kind: a lead byte needs a trail
// byte of 0x40 or more, and some single high bytes are undefined.
bool ValidDoubleByte(std::string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == 0x80 || c == 0xA0 || c >= 0xFD) return false;
        if (!IsCp932LeadByte(c)) continue;
        if (++i == text.size() || static_cast<unsigned char>(text[i]) < 0x40) return false;
    }
    return true;
}

// A section's lines as a parse of it passes them.
std::string Entries(const IniSection& section)
{
    std::string out;
    section.ForEach([&](const char* key, const char* value) { out.append(key).append("=").append(value) += '\0'; });
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const char* section = kSections[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kSections) - 1)];
    const bool replace = in.ConsumeBool();
    std::vector<IniKeyValue> values(in.ConsumeIntegralInRange<int>(0, 4));
    for (IniKeyValue& v : values) {
        v.key = kKeys[in.ConsumeIntegralInRange<std::size_t>(0, std::size(kKeys) - 1)];
        v.value = Value(in);
    }
    const std::string raw = in.ConsumeRandomLengthString(64);
    Cuts cuts(in.ConsumeIntegral<std::uint32_t>());
    const std::string text = in.ConsumeRemainingBytesAsString();

    // Checked in stretches, the text is refused exactly when the check of
    // the whole text refuses it or it holds a NUL.
    // Repeated past a few stretches, so that the cuts fall all over it.
    std::string longText = text;
    while (!text.empty() && longText.size() < 20000) longText += text;
    for (const std::string& t : {text, longText}) {
        FUZZ_CHECK(IsSettingsText(t, ValidDoubleByte) == (t.find('\0') == std::string::npos && ValidDoubleByte(t)));
    }

    // The line count the load reserves by: line feeds, else carriage returns.
    for (const std::string& t : {text, longText}) {
        const auto feeds = static_cast<std::size_t>(std::count(t.begin(), t.end(), '\n'));
        const auto returns = static_cast<std::size_t>(std::count(t.begin(), t.end(), '\r'));
        FUZZ_CHECK(CountIniLines(t) == (feeds != 0 ? feeds : returns) + 1);
    }

    // The load's one-pass parse of the file text is the parse of the block
    // the section read returns.
    IniSection direct, ofBlock;
    direct.ParseText(text, section);
    const std::string block = IniSectionBlock(text, section);
    ofBlock.Parse(block.data(), block.size());
    FUZZ_CHECK(Entries(direct) == Entries(ofBlock));

    if (replace) {
        std::string lines, expected;
        for (const IniKeyValue& v : values) {
            lines += v.key + "=" + v.value + "\r\n";
            expected += v.key + "=" + v.value + '\0';
        }
        const std::string out = ReplaceIniSection(text, section, lines);
        FUZZ_CHECK(out == plain::ReplaceSection(text, section, lines));
        FUZZ_CHECK(ReplaceIniSection(text, section, raw) == plain::ReplaceSection(text, section, raw));
        FUZZ_CHECK(ReplaceInPieces(text, section, lines + raw, cuts) == ReplaceIniSection(text, section, lines + raw));
        // The old text read in pieces gives the edit of the whole text.
        const std::vector<std::string> pieces = ReadInPieces(text, cuts);
        std::string streamed;
        ReplaceIniSection(InTurn(pieces), section, OnePiece(lines + raw),
                          [&](std::string_view piece) { streamed.append(piece); });
        FUZZ_CHECK(streamed == ReplaceIniSection(text, section, lines + raw));
        FUZZ_CHECK(IniSectionBlock(out, section) == expected);
        CheckOthersUnchanged(text, out, section);
        FUZZ_CHECK(ReplaceIniSection(out, section, lines) == out);
    } else {
        const std::string out = SetIniKeys(text, section, values);
        std::vector<std::pair<std::string, std::string>> pairs;
        for (const IniKeyValue& v : values) pairs.emplace_back(v.key, v.value);
        FUZZ_CHECK(out == plain::SetKeys(text, section, pairs));
        const std::string block = IniSectionBlock(out, section), old = IniSectionBlock(text, section);
        for (std::size_t i = 0; i < values.size(); ++i) {
            // A key set twice keeps the later value.
            std::string expected = values[i].value;
            for (std::size_t j = i + 1; j < values.size(); ++j) {
                if (Lower(values[j].key) == Lower(values[i].key)) expected = values[j].value;
            }
            std::string found;
            FUZZ_CHECK(FindValue(block, values[i].key, found));
            FUZZ_CHECK(found == expected);
        }
        for (const char* key : kKeys) {
            bool set = false;
            for (const IniKeyValue& v : values) set = set || Lower(v.key) == Lower(key);
            std::string before, after;
            if (!set) FUZZ_CHECK(FindValue(old, key, before) == FindValue(block, key, after) && before == after);
        }
        CheckOthersUnchanged(text, out, section);
        FUZZ_CHECK(SetIniKeys(out, section, values) == out);
    }
    return 0;
}
