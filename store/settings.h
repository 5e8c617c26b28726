// The settings file `Lang`: byte 0 the language index, bytes 1-2 the current
// creature index (signed 16-bit little-endian). Read anew at every use.
#pragma once

#include <string>

#include "store/data_folder.h"
#include "store/fault.h"
#include "store/folder_lock.h"
#include "store/whole_file.h"

namespace ce {

class FileOps;

// The two fields as the file stores them, before any range check: byte 0 as a
// signed byte, bytes 1-2 as a signed 16-bit number; a byte past the file's end
// reads as 0.
struct StoredSettings {
    int language = 0;
    int creature = 0;
};
StoredSettings stored_settings(const WholeFile& file);

// Language index to use: byte 0 when it is 0 or 1, otherwise 0. A missing or
// empty file reads as 0.
int read_language(const std::string& root);
// Creature index to show at start-up: bytes 1-2 when 0..999, otherwise 0.
int read_creature_index(const std::string& root);

// Read-modify-write of the 3 bytes under the folder's lock (waiting up to
// `wait_ms` for another writer; a missing file reads as zeros and is created;
// a longer file is cut to 3 bytes; one that cannot be read is left alone).
// A fault says what went wrong (busy when another writer held the lock).
// Language switch: byte 0 := language, bytes 1-2 as read.
Status write_language(FileOps& ops, const std::string& root, int language, int wait_ms = kLockWaitMs);
// Close: bytes 1-2 := low 16 bits of index, byte 0 as read (a 7 stays 7).
Status write_creature_index(FileOps& ops, const std::string& root, int index, int wait_ms = kLockWaitMs);

}  // namespace ce
