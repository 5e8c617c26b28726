// The one write of an import: every file it changes, committed as one write
// of the folder, checked against the bytes the import read.
#pragma once

#include <iosfwd>
#include <map>
#include <string>
#include <vector>

#include "store/journal.h"

namespace ce {

class FileOps;
struct Dataset;

// The bytes of every file of the dataset as it was read (full path -> bytes),
// so that the write can check that nothing changed them since.
std::map<std::string, std::string> files_as_read(const Dataset& data);

// Commits an import's files as one write, under `lock` (lock_for_write), which
// the import took before it read the folder.
Result<Committed> commit_import(const std::string& root, FileOps& ops, const std::vector<PlannedFile>& files,
                                std::vector<int> slots, FolderLock& lock);

}  // namespace ce
