// The launcher row's texts and its rule for a client that is still installed, apart from
// the window that shows them.
#pragma once

#include <cstddef>
#include <string>

namespace launcher {

// Item 0 of the launcher list: an invitation while clients are listed, a notice once none is.
extern const char* const kSelectApplicationText;
extern const char* const kNothingDetectedText;

// The longest path a file search takes (MAX_PATH less its terminating NUL); a longer one
// counts as missing rather than being searched for in a cut form.
constexpr std::size_t kMaxSearchablePathLength = 259;

// "<name> NOT FOUND. <name> will be removed from list." The name is taken as plain text,
// whatever characters it holds.
std::string NotFoundMessage(const std::string& name);

// True when a file search on `path` finds an entry.
bool ExecutableExists(const std::string& path);

}  // namespace launcher
