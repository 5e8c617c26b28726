// The one write of an import (import_commit.h).
#include "folder/commit.h"

#include <algorithm>
#include <ostream>

#include "folder/dataset.h"
#include "store/layouts.h"

namespace ce {

std::map<std::string, std::string> files_as_read(const Dataset& data) {
    std::map<std::string, std::string> read;
    for (const DataFileInfo& info : data_files()) {
        const DataBytes& d = data.folder.file(info.id);
        if (d.present) read[d.path] = std::string(reinterpret_cast<const char*>(d.bytes.data()), d.length);
    }
    for (const LanguageText& t : data.texts)
        if (t.present) read[t.path] = t.bytes;
    return read;
}

Result<Committed> commit_import(const std::string& root, FileOps& ops, const std::vector<PlannedFile>& files,
                                std::vector<int> slots, FolderLock& lock) {
    std::sort(slots.begin(), slots.end());
    slots.erase(std::unique(slots.begin(), slots.end()), slots.end());
    const std::string made_by = "import of " + std::to_string(slots.size()) + (slots.size() == 1 ? " slot" : " slots");
    return commit_folder_write(ops, root, files, {made_by, slots}, &lock);
}

}  // namespace ce
