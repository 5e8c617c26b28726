#include "folder/folder_bytes.h"

#include <algorithm>

#include "store/settings.h"
#include "store/whole_file.h"

namespace ce {
namespace {

WholeFile as_whole_file(const std::string& bytes) {
    WholeFile f;
    f.block.assign(bytes.begin(), bytes.end());
    f.length = bytes.size();
    return f;
}

Fault missing_file(const std::string& path) { return Fault(FaultKind::missing, path, reason::kMissing); }

Folder folder_from_bytes(const std::string& root, const FileBytes& files) {
    Folder folder;
    folder.root = root;
    if (const auto lang = files.find(kSettingsFile); lang != files.end()) {
        folder.lang_present = true;
        folder.lang_length = lang->second.size();
        const StoredSettings stored = stored_settings(as_whole_file(lang->second));
        folder.raw_language = stored.language;
        folder.raw_creature = stored.creature;
    } else {
        folder.lang_fault = missing_file(data_path(root, kSettingsFile));
    }
    folder.language = (folder.raw_language == 0 || folder.raw_language == 1) ? folder.raw_language : 0;
    for (const DataFileInfo& info : data_files()) {
        DataBytes& d = folder.file(info.id);
        d.path = data_path(root, info.name);
        if (const auto it = files.find(info.name); it != files.end()) {
            d.present = true;
            d.length = it->second.size();
            d.bytes.assign(it->second.begin(), it->second.end());
        } else {
            d.fault = missing_file(d.path);
        }
        d.bytes.resize(std::max(d.bytes.size(), info.size + 32), 0);
    }
    return folder;
}

}  // namespace

std::string record_name(std::string name) {
    std::replace(name.begin(), name.end(), kPathSeparator, '/');
    return name;
}

void put_over(FileBytes& files, const std::map<std::string, std::optional<std::string>>& history_files) {
    for (const auto& [name, bytes] : history_files) {
        // The folder's own names use the system's separator.
        std::string own = name;
        std::replace(own.begin(), own.end(), '/', kPathSeparator);
        if (bytes) files[own] = *bytes;
        else files.erase(own);
    }
}

FileBytes read_folder_bytes(const std::string& root) {
    std::vector<std::string> names{kSettingsFile};
    for (const DataFileInfo& info : data_files()) names.push_back(info.name);
    for (int language = 0; language < 2; ++language)
        for (int k = 0; k < 5; ++k) names.push_back(language_file_name(static_cast<TextKind>(k), language));
    FileBytes files;
    for (const std::string& name : names) {
        WholeFile file;
        if (!read_whole_file(data_path(root, name), file).ok()) continue;
        files[name].assign(reinterpret_cast<const char*>(file.data()), file.length);
    }
    return files;
}

Dataset dataset_from_bytes(const std::string& root, const FileBytes& files, int language) {
    Dataset data;
    data.folder = folder_from_bytes(root, files);
    data.language = language < 0 ? data.folder.language : language;
    for (int k = 0; k < 5; ++k) {
        LanguageText& text = data.texts[static_cast<std::size_t>(k)];
        text.path = language_file(root, static_cast<TextKind>(k), data.language);
        text.name = language_file_name(static_cast<TextKind>(k), data.language);
        if (const auto it = files.find(text.name); it != files.end()) {
            text.present = true;
            text.bytes = it->second;
        } else {
            text.fault = missing_file(text.path);
        }
        split_lines(text);
    }
    return data;
}

}  // namespace ce
