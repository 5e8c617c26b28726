// Files that are not what a data file should be: each is refused with its
// reason, and none can hold a read or a write up. A replacement keeps what the
// old file had, and a file its user may not write stays as it is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "store/data_check.h"
#include "store/fault.h"
#include "store/folder_lock.h"
#include "store/settings.h"
#include "store/whole_file.h"
#include "support/temp_dir.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace ce {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

// Why the file cannot be read, or "" when it can.
std::string why_unreadable(const std::string& path) {
    WholeFile f;
    const Status fault = read_whole_file(path, f);
    if (fault.ok()) return "";
    EXPECT_EQ(fault.fault().path, path);
    return fault.fault().reason;
}

TEST(OddFiles, EachIsRefusedWithItsReason) {
    test::TempDir dir;
    EXPECT_EQ(why_unreadable(dir.file("none.vrh")), "does not exist");
    EXPECT_EQ(why_unreadable(dir.file("none/inner.vrh")), "does not exist");
    fs::create_directory(dir.file("Ammo.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("Ammo.vrh")), "is a folder");
#ifdef _WIN32
    EXPECT_EQ(why_unreadable("NUL"), "not a regular file");
#else
    EXPECT_EQ(why_unreadable("/dev/zero"), "not a regular file");
    fs::create_symlink("/dev/zero", dir.file("zero.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("zero.vrh")), "not a regular file");
    fs::create_symlink(dir.file("gone.vrh"), dir.file("dangling.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("dangling.vrh")), "dangling link");
    fs::create_symlink(dir.file("loop2.vrh"), dir.file("loop1.vrh"));
    fs::create_symlink(dir.file("loop1.vrh"), dir.file("loop2.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("loop1.vrh")), "link loop");
    // A pipe with no writer would block an ordinary open for ever.
    ASSERT_EQ(::mkfifo(dir.file("pipe.vrh").c_str(), 0644), 0);
    EXPECT_EQ(why_unreadable(dir.file("pipe.vrh")), "not a regular file");
    fs::create_symlink(dir.file("pipe.vrh"), dir.file("to-pipe.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("to-pipe.vrh")), "not a regular file");
    // A socket (bound where the path is short enough for one).
    const std::string socket_path = "/tmp/ce-odd-" + std::to_string(::getpid()) + ".sock";
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    socket_path.copy(address.sun_path, sizeof address.sun_path - 1);
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(why_unreadable(socket_path), "not a regular file");
    ::close(s);
    ::unlink(socket_path.c_str());
    // Over 1 GiB: a sparse file, so the test costs no space.
    {
        const int fd = ::open(dir.file("huge.vrh").c_str(), O_WRONLY | O_CREAT, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::ftruncate(fd, (off_t{1} << 30) + 1), 0);
        ::close(fd);
    }
    EXPECT_EQ(why_unreadable(dir.file("huge.vrh")), "larger than 1 GiB");
    // A link to a regular file is read through.
    dir.write("real.vrh", {1, 2, 3});
    fs::create_symlink(dir.file("real.vrh"), dir.file("link.vrh"));
    EXPECT_EQ(why_unreadable(dir.file("link.vrh")), "");
#endif
}

#ifdef _WIN32
TEST(Replacement, KeepsTheFilesAttributes) {
    test::TempDir dir;
    dir.write("Ammo.vrh", Bytes(10, 1));
    const std::string path = dir.file("Ammo.vrh");
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN));
    const Bytes fresh(20, 2);
    ASSERT_TRUE(store_whole_file(path, fresh.data(), fresh.size()).ok());
    EXPECT_EQ(dir.bytes("Ammo.vrh"), fresh);
    EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Ammo.vrh"});
    // A read-only file is refused, not replaced.
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    const Status fault = store_whole_file(path, Bytes(5, 3).data(), 5);
    ASSERT_FALSE(fault.ok());
    EXPECT_EQ(fault.message(), path + ": permission denied");
    EXPECT_EQ(dir.bytes("Ammo.vrh"), fresh);
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
#else
// Runs `check` as an ordinary user (a child process that gives up root), or
// in this process when we are no root. Returns what `check` returned.
template <class Check>
bool as_ordinary_user(Check check) {
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(1234) != 0 || ::setuid(1234) != 0) ::_exit(3);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(OddFiles, AFileWithoutReadPermissionIsDenied) {
    test::TempDir dir;
    ::chmod(dir.str().c_str(), 0755);
    dir.write("Ammo.vrh", {1, 2});
    ASSERT_EQ(::chmod(dir.file("Ammo.vrh").c_str(), 0200), 0);
    const std::string path = dir.file("Ammo.vrh");
    EXPECT_TRUE(as_ordinary_user([&] {
        WholeFile f;
        const Status fault = read_whole_file(path, f);
        return fault.is(FaultKind::denied) && fault.fault().reason == "permission denied";
    }));
}

TEST(Replacement, KeepsOwnerGroupModeAndExtendedAttributes) {
    test::TempDir dir;
    dir.write("Ammo.vrh", Bytes(10, 1));
    const std::string path = dir.file("Ammo.vrh");
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
    }
    const bool attributes = ::setxattr(path.c_str(), "user.note", "kept", 4, 0) == 0;

    const Bytes fresh(20, 2);
    ASSERT_TRUE(store_whole_file(path, fresh.data(), fresh.size()).ok());
    EXPECT_EQ(dir.bytes("Ammo.vrh"), fresh);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (root) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 1234u);
    }
    if (attributes) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.note", value, sizeof value), 4);
        EXPECT_EQ(std::string(value), "kept");
    } else {
        std::printf("extended attributes not checked: the file system of %s has none for users\n", dir.str().c_str());
    }
    EXPECT_EQ(dir.entries(), std::vector<std::string>{"Ammo.vrh"});
}

TEST(Replacement, AFileTheUserMayNotWriteIsRefusedNotReplaced) {
    test::TempDir dir;
    ::chmod(dir.str().c_str(), 0777);
    dir.write("Ammo.vrh", Bytes(10, 1));
    const std::string path = dir.file("Ammo.vrh");
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 1234), 0);
    }
    const Bytes fresh(20, 2);
    // Even root, who could, leaves it: the owner made it read-only.
    const Status fault = store_whole_file(path, fresh.data(), fresh.size());
    ASSERT_FALSE(fault.ok());
    EXPECT_EQ(fault.message(), path + ": permission denied");
    EXPECT_EQ(dir.bytes("Ammo.vrh"), Bytes(10, 1));
    // Its hard-linked twin is not rewritten in place either.
    fs::create_hard_link(path, dir.file("deployed.vrh"));
    EXPECT_FALSE(store_whole_file(path, fresh.data(), fresh.size()).ok());
    EXPECT_EQ(dir.bytes("deployed.vrh"), Bytes(10, 1));
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Ammo.vrh", "deployed.vrh"}));
    // As an ordinary user too, through a folder the user may write.
    EXPECT_TRUE(as_ordinary_user([&] {
        const Status f = store_whole_file(path, fresh.data(), fresh.size());
        return f.is(FaultKind::denied) && f.fault().reason == "permission denied";
    }));
    EXPECT_EQ(dir.bytes("Ammo.vrh"), Bytes(10, 1));
}

TEST(Replacement, AFolderOrPipeInThePlaceOfTheFileIsNamedAndLeftAlone) {
    test::TempDir dir;
    fs::create_directory(dir.file("MonstersSetup.vrh"));
    ASSERT_EQ(::mkfifo(dir.file("Ammo.vrh").c_str(), 0644), 0);
    const Bytes fresh(20, 2);
    const Status folder = store_whole_file(dir.file("MonstersSetup.vrh"), fresh.data(), fresh.size());
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.message(), dir.file("MonstersSetup.vrh") + ": is a folder");
    const Status pipe = store_whole_file(dir.file("Ammo.vrh"), fresh.data(), fresh.size());
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.fault().reason, "not a regular file");
    EXPECT_TRUE(fs::is_directory(dir.file("MonstersSetup.vrh")));
    EXPECT_TRUE(fs::is_fifo(dir.file("Ammo.vrh")));
}

TEST(FolderLock, APipeOrFolderInPlaceOfTheLockFileIsNamedNotWaitedOn) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file(kLockFileName).c_str(), 0644), 0);
    FolderLock lock;
    const auto pipe = lock.acquire(dir.str(), 0);
    ASSERT_FALSE(pipe.ok());
    EXPECT_NE(pipe.message().find("not a regular file"), std::string::npos) << pipe.fault();
    fs::remove(dir.file(kLockFileName));
    fs::create_directory(dir.file(kLockFileName));
    const auto folder = lock.acquire(dir.str(), 0);
    ASSERT_FALSE(folder.ok());
    EXPECT_NE(folder.message().find(dir.file(kLockFileName) + ": cannot open the folder's lock file: is a folder"),
              std::string::npos)
        << folder.fault();
}

TEST(Settings, ALangThatIsNoFileReadsAsZeroAndIsNotReplaced) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo(dir.file("Lang").c_str(), 0644), 0);
    EXPECT_EQ(read_language(dir.str()), 0);
    EXPECT_EQ(read_creature_index(dir.str()), 0);
    const Status pipe = write_language(system_file_ops(), dir.str(), 1);
    ASSERT_FALSE(pipe.ok());
    EXPECT_EQ(pipe.message(), dir.file("Lang") + ": not a regular file");
    EXPECT_TRUE(fs::is_fifo(dir.file("Lang")));

    fs::remove(dir.file("Lang"));
    fs::create_directory(dir.file("Lang"));
    const Status folder = write_creature_index(system_file_ops(), dir.str(), 5);
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.message(), dir.file("Lang") + ": is a folder");
}
#endif

TEST(DataCheck, AFaultIsWordedForTheFileNameInTheFolder) {
    test::TempDir dir;
    const DataFileInfo& info = data_files()[0];
    WholeFile f;
    const Status missing = load_data_file(dir.str(), info, f);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.message(), std::string(info.name) + ": does not exist");
    fs::create_directory(dir.file(info.name));
    const Status folder = load_data_file(dir.str(), info, f);
    ASSERT_FALSE(folder.ok());
    EXPECT_EQ(folder.message(), std::string(info.name) + ": is a folder");
    EXPECT_EQ(Fault("no path").message(), "no path");
}

}  // namespace
}  // namespace ce
