// Holds a data folder's lock as the native tool takes it, for the tests of the
// editor under Wine: takes it, makes the file MARKER, holds it SECONDS, removes
// MARKER and ends. Exit 1 when the lock could not be taken.
// Usage: hold_folder_lock DIR SECONDS MARKER
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <thread>

#include "store/folder_lock.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: hold_folder_lock DIR SECONDS MARKER\n";
        return 2;
    }
    ce::FolderLock lock;
    if (ce::Status refused = lock.acquire(argv[1], 0); !refused.ok()) {
        std::cerr << refused.message() << "\n";
        return 1;
    }
    if (std::FILE* marker = std::fopen(argv[3], "w")) std::fclose(marker);
    std::this_thread::sleep_for(std::chrono::seconds(std::atoi(argv[2])));
    std::remove(argv[3]);
    return 0;
}
