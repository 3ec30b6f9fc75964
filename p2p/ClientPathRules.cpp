#include "p2p/ClientPathRules.h"

namespace p2p {

std::optional<std::string> CutAtLastBackslash(std::string_view text) {
    std::size_t last = text.rfind('\\');
    if (last == std::string_view::npos) return std::nullopt;
    return std::string(text.substr(0, last));
}

std::string DropFirstCharacter(std::string_view text) {
    if (text.empty()) return std::string();
    return std::string(text.substr(1));
}

std::string StripFirstAndLast(std::string_view text) {
    if (text.size() < 2) return std::string();
    return std::string(text.substr(1, text.size() - 2));
}

std::string AppendFileName(std::string_view folder, std::string_view fileName) {
    std::string path;
    path.reserve(folder.size() + 1 + fileName.size());
    path.append(folder);
    path.push_back('\\');
    path.append(fileName);
    return path;
}

std::optional<std::string> FormClientPath(PathRule rule, std::string_view text, std::string_view fileName) {
    std::string path;
    switch (rule) {
        case PathRule::AsStored:
            path = std::string(text);
            break;
        case PathRule::AppendFile:
            path = AppendFileName(text, fileName);
            break;
        case PathRule::CutThenAppend: {
            std::optional<std::string> folder = CutAtLastBackslash(text);
            if (!folder) return std::nullopt;
            path = AppendFileName(*folder, fileName);
            break;
        }
        case PathRule::CutDropFirstThenAppend: {
            std::optional<std::string> folder = CutAtLastBackslash(text);
            if (!folder) return std::nullopt;
            path = AppendFileName(DropFirstCharacter(*folder), fileName);
            break;
        }
        case PathRule::StripEnds:
            path = StripFirstAndLast(text);
            break;
    }
    if (path.size() > kMaxFormedPathLength) return std::nullopt;
    return path;
}

}  // namespace p2p
