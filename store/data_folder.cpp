// The data folder's own files, and whether a path to one stays inside it.
#include "store/data_folder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "store/layouts.h"

namespace ce {
namespace {

namespace fs = std::filesystem;

bool inside(const fs::path& folder, const fs::path& path) {
    const fs::path rel = path.lexically_relative(folder);
    return !rel.empty() && *rel.begin() != "..";
}

}  // namespace

const std::vector<std::string>& folder_file_names() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out;
        for (const DataFileInfo& info : data_files()) out.emplace_back(info.name);
        out.emplace_back(kSettingsFile);
        for (const char* language : kLanguageFolders)
            for (const char* file : kWrittenLanguageFileNames)
                out.push_back(std::string(language) + "/" + file);
        return out;
    }();
    return names;
}

bool is_folder_file(std::string_view name) {
    const std::vector<std::string>& names = folder_file_names();
    return std::find(names.begin(), names.end(), name) != names.end();
}

bool is_language_folder(std::string_view name) {
    return std::find(kLanguageFolders.begin(), kLanguageFolders.end(), name) != kLanguageFolders.end();
}

Status link_out_of_folder(const std::string& root, const std::string& name) {
    std::error_code ec;
    const fs::path base = fs::canonical(root.empty() ? fs::path(".") : fs::path(root), ec);
    if (ec) return root + ": cannot be resolved: " + ec.message();
    fs::path at = base;
    std::string_view rest = name;
    while (!rest.empty()) {
        const std::size_t slash = std::min(rest.find('/'), rest.size());
        at /= std::string(rest.substr(0, slash));
        rest.remove_prefix(std::min(slash + 1, rest.size()));
        // Every link on the way is followed, a chain of them too (a dangling
        // one included: a write would create its target).
        for (int hops = 0; fs::is_symlink(fs::symlink_status(at, ec)); ++hops) {
            fs::path target = fs::read_symlink(at, ec);
            if (ec || hops > 40) return name + ": a symbolic link that cannot be followed";
            if (target.is_relative()) target = at.parent_path() / target;
            at = fs::weakly_canonical(target, ec);
            if (ec) return name + ": a symbolic link that cannot be followed";
            if (!inside(base, at))
                return name + ": a symbolic link leads out of the data folder (to " + at.string() + ")";
        }
    }
    return {};
}

}  // namespace ce
