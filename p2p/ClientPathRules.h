// How a client's executable path is formed from the text its registry record holds.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace p2p {

// Longest path a probe may form; a longer one is never shortened into another path.
constexpr std::size_t kMaxFormedPathLength = 263;

enum class PathRule {
    AsStored,                 // the text itself
    AppendFile,               // "%s\<file>"
    CutThenAppend,            // cut at the last backslash, then "%s\<file>"
    CutDropFirstThenAppend,   // cut, drop the first character, then "%s\<file>"
    StripEnds,                // the text without its first and last character
};

// The text ended at its last backslash (the backslash dropped too); nothing when the text
// holds no backslash, because then it names no folder.
std::optional<std::string> CutAtLastBackslash(std::string_view text);
// The text without its first character; an empty text stays empty.
std::string DropFirstCharacter(std::string_view text);
// The text without its first and last character (the quotes around a quoted path); a text
// of fewer than two characters becomes empty.
std::string StripFirstAndLast(std::string_view text);
// "%s\<fileName>" filled with `folder`.
std::string AppendFileName(std::string_view folder, std::string_view fileName);

// The executable path a rule forms from a record's text, or nothing when this text cannot
// give one: a cut without a backslash, or a result longer than kMaxFormedPathLength.
// `fileName` is used only by the rules that append a file.
std::optional<std::string> FormClientPath(PathRule rule, std::string_view text, std::string_view fileName);

}  // namespace p2p
