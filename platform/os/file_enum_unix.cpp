// Folder listing over opendir/readdir, and the executable's path from /proc.
#include "platform/os/file_enum.h"

#include "platform/rtl/strings.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

namespace zarix {

namespace {

struct DirCloser {
    void operator()(DIR* d) const noexcept { closedir(d); }
};
using DirHandle = std::unique_ptr<DIR, DirCloser>;

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

bool MatchesMask(std::string_view Pattern, std::string_view Name) noexcept {
    // Iterative matching with one backtrack point: linear in practice, no recursion.
    std::size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < Name.size()) {
        if (p < Pattern.size() && (Pattern[p] == '?' || Fold(Pattern[p]) == Fold(Name[n]))) {
            ++p;
            ++n;
        } else if (p < Pattern.size() && Pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < Pattern.size() && Pattern[p] == '*') ++p;
    return p == Pattern.size();
}

std::vector<std::string> FindFiles(const std::string& Folder, std::string_view Pattern) {
    std::vector<std::string> names;
    DirHandle dir(opendir(Folder.empty() ? "." : Folder.c_str()));
    if (!dir) return names;
    const std::string prefix = Folder.empty() ? std::string() : IncludeTrailingPathDelimiter(Folder);
    while (const dirent* entry = readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name.front() == '.' || !MatchesMask(Pattern, name)) continue;
        bool regular = entry->d_type == DT_REG;
        if (entry->d_type == DT_UNKNOWN || entry->d_type == DT_LNK) {
            struct stat st {};
            regular = stat((prefix + std::string(name)).c_str(), &st) == 0 && S_ISREG(st.st_mode);
        }
        if (regular) names.emplace_back(name);
    }
    return names;
}

std::string ExecutablePath() {
    std::string path(4096, '\0');
    const ssize_t n = readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return {};
    path.resize(static_cast<std::size_t>(n));
    return path;
}

std::string ExecutableFolder() { return ExtractFilePath(ExecutablePath()); }

}  // namespace zarix
