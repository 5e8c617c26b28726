// What reaches the device, watched at the system calls themselves (below the
// FileOps seam that every other test replaces): every file is flushed with
// fsync before its name changes, a file rewritten in place before the write is
// marked complete, and each folder whose names changed before that too. And a
// replacement keeps its owner and set-id bits as the system allows.
#include <gtest/gtest.h>

#ifdef __linux__
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "store/history.h"
#include "store/journal.h"
#include "store/whole_file.h"
#include "support/temp_dir.h"

namespace {

// The calls made while `watching`: "fsync <file>" or "rename <file> <from>
// <to>", a file named by its inode (so that a file is known under every name it
// takes), a folder by its path.
bool watching = false;
std::vector<std::string> calls;

std::string resolved(const char* path) {
    char buffer[PATH_MAX];
    if (::realpath(path, buffer)) return buffer;
    // A name that does not exist yet: its folder resolved.
    const std::string p = path;
    const std::size_t slash = p.rfind('/');
    if (slash == std::string::npos || !::realpath(p.substr(0, slash).c_str(), buffer)) return p;
    return std::string(buffer) + p.substr(slash);
}

std::string file_of(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return "?";
    return "#" + std::to_string(st.st_ino);
}

}  // namespace

// The program's own fsync and rename: recorded, then the C library's.
extern "C" int fsync(int fd) {
    using Real = int (*)(int);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "fsync"));
    if (watching) {
        struct stat st {};
        ::fstat(fd, &st);
        std::string name = file_of(st);
        if (S_ISDIR(st.st_mode)) {
            char buffer[PATH_MAX];
            const std::string link = "/proc/self/fd/" + std::to_string(fd);
            const ssize_t n = ::readlink(link.c_str(), buffer, sizeof buffer - 1);
            name = n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "?";
        }
        calls.push_back("fsync " + name);
    }
    return real(fd);
}

extern "C" int rename(const char* from, const char* to) {
    using Real = int (*)(const char*, const char*);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "rename"));
    if (watching) {
        struct stat st {};
        ::lstat(from, &st);
        calls.push_back("rename " + file_of(st) + " " + resolved(from) + " " + resolved(to));
    }
    return real(from, to);
}

namespace ce {
namespace {

namespace fs = std::filesystem;

// Where `call` was first made (calls.size() when it was not).
std::size_t first(const std::string& call) {
    return static_cast<std::size_t>(std::find(calls.begin(), calls.end(), call) - calls.begin());
}

// The file (by inode) `path` names now.
std::string file_at(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? file_of(st) : "?";
}

// Every file renamed was flushed before its rename, and so was each of
// `flushed_before` before the rename `last`; every folder of `folders` was
// flushed after the last rename into it before `last`, and before `last`.
void expect_durable_order(const std::vector<std::string>& flushed_before, const std::string& last,
                          const std::vector<std::string>& folders) {
    const std::size_t end = first(last);
    ASSERT_LT(end, calls.size()) << last;
    for (std::size_t i = 0; i <= end; ++i) {
        if (calls[i].rfind("rename ", 0) != 0) continue;
        const std::string file = calls[i].substr(7, calls[i].find(' ', 7) - 7);
        EXPECT_LT(first("fsync " + file), i) << calls[i] << ": its bytes were not flushed first";
    }
    for (const std::string& path : flushed_before) EXPECT_LT(first("fsync " + file_at(path)), end) << path;
    for (const std::string& folder : folders) {
        std::size_t last_rename_into = calls.size();
        for (std::size_t i = 0; i < end; ++i) {
            const std::string to = calls[i].substr(calls[i].rfind(' ') + 1);
            if (calls[i].rfind("rename ", 0) == 0 && fs::path(to).parent_path() == folder) last_rename_into = i;
        }
        ASSERT_LT(last_rename_into, calls.size()) << "nothing was renamed into " << folder;
        bool synced = false;
        for (std::size_t i = last_rename_into; i < end; ++i) synced = synced || calls[i] == "fsync " + folder;
        EXPECT_TRUE(synced) << folder << ": its new names were not made durable before " << last;
    }
}

TEST(Durability, EveryByteReachesTheDeviceBeforeANameChangesOrTheWriteIsMarkedComplete) {
    test::TempDir dir;
    const std::string root = fs::canonical(dir.path()).string();
    dir.write("Ammo.vrh", std::string(3000, 'a'));
    dir.write("Firewall.vrh", std::string(5000, 'b'));
    dir.write("Eng/Plural.txt", "one\r\n");
    fs::create_directory(dir.file("elsewhere"));
    fs::create_hard_link(dir.file("Firewall.vrh"), dir.file("elsewhere/Firewall.vrh"));  // rewritten in place

    calls.clear();
    watching = true;
    const Result<Committed> r = commit_folder_write(system_file_ops(), root,
                                               {{"Ammo.vrh", std::nullopt, "A"},
                                                {"Firewall.vrh", std::nullopt, "B"},
                                                {"Eng/Plural.txt", std::nullopt, "two\r\n"}},
                                               {"w", {}});
    watching = false;
    ASSERT_TRUE(r.ok()) << r.fault();
    const std::string history = root + "/.history";
    std::string mark;
    for (const std::string& c : calls)
        if (c.ends_with(" " + history + "/000001.journal " + history + "/000001.entry")) mark = c;
    expect_durable_order({root + "/Firewall.vrh"}, mark, {root, root + "/Eng", history, history + "/content"});

    // One file alone, replaced by rename.
    calls.clear();
    watching = true;
    ASSERT_TRUE(store_whole_file(root + "/Lang", "abc", 3).ok());
    watching = false;
    std::vector<std::string> renames;
    for (const std::string& c : calls)
        if (c.rfind("rename ", 0) == 0) renames.push_back(c);
    ASSERT_EQ(renames.size(), 1u);
    expect_durable_order({}, renames[0], {});
    EXPECT_LT(first(renames[0]), first("fsync " + root)) << "the new name is made durable after the rename";
    EXPECT_LT(first("fsync " + root), calls.size());
}

// A replacement made as root keeps the old file's owner, and its set-id bits:
// the owner is given first, since giving an owner clears those bits.
TEST(Durability, AReplacementKeepsItsOwnerAndSetIdBits) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file another owner needs root";
    test::TempDir dir;
    const std::string path = dir.file("Ammo.vrh");
    dir.write("Ammo.vrh", "old");
    ASSERT_EQ(::chown(path.c_str(), 1234, 1235), 0);
    ASSERT_EQ(::chmod(path.c_str(), 06755), 0);
    ASSERT_TRUE(store_whole_file(path, "new", 3).ok());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1234u);
    EXPECT_EQ(st.st_gid, 1235u);
    EXPECT_EQ(st.st_mode & 07777, 06755u);
    EXPECT_EQ(dir.read("Ammo.vrh"), "new");
}

}  // namespace
}  // namespace ce
#endif
