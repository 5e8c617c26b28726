// The settings file `Lang`: three bytes, every access a whole-file read and
// every write a read-modify-write of those three bytes.
#include "store/settings.h"

#include <array>
#include <cstdint>

#include "store/file_ops.h"
#include "store/folder_lock.h"
#include "store/journal.h"
#include "store/layouts.h"
#include "store/whole_file.h"

namespace ce {
namespace {

// The stored fields; a missing file reads as zeros.
StoredSettings read_stored(const std::string& root) {
    WholeFile file;
    if (!read_whole_file(data_path(root, kSettingsFile), file).ok()) return {};
    return stored_settings(file);
}

Status modify(FileOps& ops, const std::string& root, int first, int count, int value, int wait_ms) {
    // One writer at a time in the folder, Lang included: a write of another
    // program in the middle of this read-modify-write would be lost. Read
    // under the lock, written as one write of the folder: journaled like any
    // other (a Lang with other names is rewritten in place, its old bytes kept
    // in the journal, never in a backup copy beside it), but no history entry.
    FolderLock lock;
    if (Status busy = lock_for_write(ops, root, lock, wait_ms); !busy.ok()) return busy;
    const std::string path = data_path(root, kSettingsFile);
    std::array<std::uint8_t, 3> bytes{};
    WholeFile file;
    std::optional<std::string> read;
    if (Status fault = read_whole_file(path, file); !fault.ok()) {
        // Only a missing file may read as zeros: one that exists but cannot be
        // read (a folder, a pipe, a dangling link) must not be replaced, nor its
        // other field overwritten.
        if (!fault.is(FaultKind::missing)) return fault;
    } else {
        for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = file.block[i];
        read = std::string(reinterpret_cast<const char*>(file.data()), file.length);
    }
    const auto v = static_cast<std::uint32_t>(value);
    for (int i = 0; i < count; ++i) bytes[first + i] = static_cast<std::uint8_t>(v >> (8 * i));
    const std::vector<PlannedFile> planned{
        {kSettingsFile, read, std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size())}};
    return commit_folder_write(ops, root, planned, {"write of the settings file Lang", {}, false}, &lock).status();
}

}  // namespace

StoredSettings stored_settings(const WholeFile& file) {
    // The 32 zero bytes after the file's bytes make a short file read as zeros.
    const std::uint8_t* b = file.data();
    return {static_cast<std::int8_t>(b[0]), static_cast<std::int16_t>(static_cast<std::uint16_t>(b[1] | (b[2] << 8)))};
}

int read_language(const std::string& root) {
    const int language = read_stored(root).language;
    return language == 0 || language == 1 ? language : 0;
}

int read_creature_index(const std::string& root) {
    const int index = read_stored(root).creature;
    return is_slot(index) ? index : 0;
}

Status write_language(FileOps& ops, const std::string& root, int language, int wait_ms) {
    return modify(ops, root, 0, 1, language, wait_ms);
}

Status write_creature_index(FileOps& ops, const std::string& root, int index, int wait_ms) {
    return modify(ops, root, 1, 2, index, wait_ms);
}

}  // namespace ce
