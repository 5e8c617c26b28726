#include "store/whole_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "store/file_ops.h"
#include "support/forwarding_ops.h"
#include "support/temp_dir.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ce {
namespace {

using Bytes = std::vector<unsigned char>;

// The system's operations, with one chosen step failing on its n-th call.
class FailingOps : public test::ForwardingOps {
public:
    std::optional<Step> fail;
    int fail_from = 1;  // the first call that fails; later calls fail too when `sticky`
    bool sticky = false;

    Status before(Step step, const std::string&) override {
        if (step != fail) return {};
        ++calls_;
        if (calls_ == fail_from || (sticky && calls_ > fail_from)) return std::string("Operation not permitted");
        return {};
    }

private:
    int calls_ = 0;
};

TEST(LoadWholeFile, ReadsBytesFollowedByThirtyTwoZeros) {
    test::TempDir dir;
    dir.write("data.bin", {1, 2, 3, 0, 255});
    WholeFile f;
    ASSERT_TRUE(read_whole_file(dir.file("data.bin"), f).ok());
    EXPECT_EQ(f.length, 5u);
    ASSERT_EQ(f.block.size(), 37u);
    EXPECT_EQ(Bytes(f.block.begin(), f.block.begin() + 5), (Bytes{1, 2, 3, 0, 255}));
    for (std::size_t i = 5; i < 37; ++i) EXPECT_EQ(f.block[i], 0) << i;

    dir.write("empty", {});
    WholeFile e;
    ASSERT_TRUE(read_whole_file(dir.file("empty"), e).ok());
    EXPECT_EQ(e.length, 0u);
    EXPECT_EQ(e.block, Bytes(32, 0));
}

TEST(LoadWholeFile, FailedOpenLeavesTheOutputUntouched) {
    test::TempDir dir;
    WholeFile f;
    f.block = {9, 8, 7};
    f.length = 77;
    EXPECT_FALSE(read_whole_file(dir.file("missing.vrh"), f).ok());
    EXPECT_EQ(f.block, (Bytes{9, 8, 7}));
    EXPECT_EQ(f.length, 77u);
    // A folder is not a file that can be read whole.
    EXPECT_FALSE(read_whole_file(dir.str(), f).ok());
    EXPECT_EQ(f.length, 77u);
}

// The stamp tells a file rewritten with as many bytes, or replaced by another
// file, from the file it was.
TEST(FileStamp, ChangesWhenTheFileIsRewrittenOrReplacedEvenAtTheSameSize) {
    test::TempDir dir;
    EXPECT_FALSE(file_stamp(dir.file("missing")));
    dir.write("entry", {1, 2, 3});
    const std::optional<FileStamp> first = file_stamp(dir.file("entry"));
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size, 3u);
    EXPECT_EQ(file_stamp(dir.file("entry")), first);

    const auto later = std::filesystem::last_write_time(dir.file("entry")) + std::chrono::seconds(2);
    dir.write("entry", {4, 5, 6});
    std::filesystem::last_write_time(dir.file("entry"), later);
    const std::optional<FileStamp> rewritten = file_stamp(dir.file("entry"));
    ASSERT_TRUE(rewritten);
    EXPECT_NE(rewritten, first);

#ifndef _WIN32
    // Another file with the same size and time put in its place (Windows
    // tells files apart by size and time alone).
    dir.write("other", {7, 8, 9});
    std::filesystem::last_write_time(dir.file("other"), later);
    std::filesystem::rename(dir.file("other"), dir.file("entry"));
    EXPECT_NE(file_stamp(dir.file("entry")), rewritten);
#endif
}

// After a restamp, any name added, renamed or removed in the folder changes
// its stamp, however soon it follows (the system's own stamps of changes are
// coarser than the time the restamp gives the folder).
TEST(FileStamp, AFolderRestampedShowsEveryChangeThatFollowsAtOnce) {
    test::TempDir dir;
    std::filesystem::create_directory(dir.file("h"));
    EXPECT_FALSE(restamp_folder(dir.file("missing")));
    for (int i = 0; i < 40; ++i) {
        const std::optional<FileStamp> marked = restamp_folder(dir.file("h"));
        ASSERT_TRUE(marked);
        EXPECT_EQ(file_stamp(dir.file("h")), marked);
        const std::string name = "h/" + std::to_string(i % 3);
        switch (i % 3) {
            case 0: dir.write(name, {1}); break;
            case 1: std::filesystem::rename(dir.file("h/0"), dir.file(name)); break;
            default: std::filesystem::remove(dir.file("h/1")); break;
        }
        EXPECT_NE(file_stamp(dir.file("h")), marked) << "change " << i;
    }
}

TEST(StoreWholeFile, WritesExactlyCountBytesAndLeavesNothingElse) {
    test::TempDir dir;
    const Bytes data{10, 20, 30};
    EXPECT_TRUE(store_whole_file(dir.file("new.vrh"), data.data(), data.size()).ok());
    EXPECT_EQ(dir.bytes("new.vrh"), data);

    dir.write("Ammo.vrh", Bytes(100, 7));
    EXPECT_TRUE(store_whole_file(dir.file("Ammo.vrh"), data.data(), 2).ok());
    EXPECT_EQ(dir.bytes("Ammo.vrh"), (Bytes{10, 20}));
    EXPECT_TRUE(store_whole_file(dir.file("Ammo.vrh"), nullptr, 0).ok());
    EXPECT_EQ(dir.bytes("Ammo.vrh"), Bytes{});
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Ammo.vrh", "new.vrh"}));
}

TEST(StoreWholeFile, EveryFailingStepKeepsTheOldBytesAndNoTemporaryFile) {
    const Bytes old(50, 0xAB);
    const Bytes fresh(60, 0x11);
    const struct {
        FailingOps::Step step;
        const char* message;
    } cases[] = {
        {FailingOps::Create, "cannot create a temporary file"},
        {FailingOps::Write, "cannot write the file"},
        {FailingOps::Flush, "cannot flush the file"},
        {FailingOps::Close, "cannot close the file"},
        {FailingOps::Replace, "cannot replace the file"},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        dir.write("Ammo.vrh", old);
        FailingOps ops;
        ops.fail = c.step;
        const std::string path = dir.file("Ammo.vrh");
        const Status error = store_whole_file(ops, path, fresh.data(), fresh.size());
        ASSERT_FALSE(error.ok()) << c.message;
        EXPECT_EQ(error.fault().path, path);
        EXPECT_EQ(error.message(), path + ": " + c.message + ": Operation not permitted");
        EXPECT_EQ(dir.bytes("Ammo.vrh"), old) << c.message;
        EXPECT_EQ(dir.entries(), std::vector<std::string>{"Ammo.vrh"}) << c.message;
    }
    // A missing file that cannot be created stays missing.
    test::TempDir dir;
    FailingOps ops;
    ops.fail = FailingOps::Write;
    EXPECT_FALSE(store_whole_file(ops, dir.file("Ammo.vrh"), fresh.data(), fresh.size()).ok());
    EXPECT_TRUE(dir.entries().empty());
}

TEST(StoreWholeFile, AFileWithTwoHardLinksKeepsBoth) {
    test::TempDir dir;
    dir.write("Ammo.vrh", Bytes(40, 1));
    std::filesystem::create_hard_link(dir.file("Ammo.vrh"), dir.file("deployed.vrh"));
    const Bytes fresh{5, 6, 7};
    EXPECT_TRUE(store_whole_file(dir.file("Ammo.vrh"), fresh.data(), fresh.size()).ok());
    EXPECT_EQ(dir.bytes("Ammo.vrh"), fresh);
    EXPECT_EQ(dir.bytes("deployed.vrh"), fresh);
    unsigned links = 0;
    EXPECT_TRUE(system_file_ops().link_count(dir.file("Ammo.vrh"), links).ok());
    EXPECT_EQ(links, 2u);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Ammo.vrh", "deployed.vrh"}));
}

TEST(StoreWholeFile, AFailedInPlaceRewriteRestoresTheOldBytes) {
    const Bytes old(40, 1);
    const Bytes fresh(10, 2);
    for (FailingOps::Step step : {FailingOps::Write, FailingOps::SetSize, FailingOps::Flush, FailingOps::Open}) {
        test::TempDir dir;
        dir.write("Ammo.vrh", old);
        std::filesystem::create_hard_link(dir.file("Ammo.vrh"), dir.file("deployed.vrh"));
        FailingOps ops;
        ops.fail = step;
        EXPECT_FALSE(store_whole_file(ops, dir.file("Ammo.vrh"), fresh.data(), fresh.size()).ok());
        EXPECT_EQ(dir.bytes("Ammo.vrh"), old) << step;
        EXPECT_EQ(dir.bytes("deployed.vrh"), old) << step;
        EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Ammo.vrh", "deployed.vrh"})) << step;
    }
    // The backup copy cannot be made: nothing is touched.
    test::TempDir dir;
    dir.write("Ammo.vrh", old);
    std::filesystem::create_hard_link(dir.file("Ammo.vrh"), dir.file("deployed.vrh"));
    FailingOps ops;
    ops.fail = FailingOps::Copy;
    const auto error = store_whole_file(ops, dir.file("Ammo.vrh"), fresh.data(), fresh.size());
    ASSERT_FALSE(error.ok());
    EXPECT_NE(error.fault().reason.find("cannot back up the file"), std::string::npos);
    EXPECT_EQ(dir.bytes("deployed.vrh"), old);
    EXPECT_EQ(dir.entries(), (std::vector<std::string>{"Ammo.vrh", "deployed.vrh"}));
}

TEST(StoreWholeFile, WhenRestoringFailsTooTheBackupKeepsTheOldBytesAndIsNamed) {
    test::TempDir dir;
    const Bytes old(40, 1);
    dir.write("Ammo.vrh", old);
    std::filesystem::create_hard_link(dir.file("Ammo.vrh"), dir.file("deployed.vrh"));
    FailingOps ops;
    ops.fail = FailingOps::Flush;
    ops.sticky = true;
    const Bytes fresh(10, 2);
    const auto error = store_whole_file(ops, dir.file("Ammo.vrh"), fresh.data(), fresh.size());
    ASSERT_FALSE(error.ok());
    const std::string marker = "the old contents are kept in ";
    const std::size_t at = error.fault().reason.find(marker);
    ASSERT_NE(at, std::string::npos) << error.fault();
    const std::string backup = error.fault().reason.substr(at + marker.size());
    WholeFile kept;
    ASSERT_TRUE(read_whole_file(backup, kept).ok());
    EXPECT_EQ(Bytes(kept.block.begin(), kept.block.begin() + kept.length), old);
}

#ifndef _WIN32
TEST(StoreWholeFile, KeepsPermissionsAndSymbolicLinks) {
    test::TempDir dir;
    dir.write("real.vrh", Bytes(8, 3));
    ::chmod(dir.file("real.vrh").c_str(), 0640);
    std::filesystem::create_symlink(dir.file("real.vrh"), dir.file("Ammo.vrh"));
    const Bytes fresh{1, 2};
    EXPECT_TRUE(store_whole_file(dir.file("Ammo.vrh"), fresh.data(), fresh.size()).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Ammo.vrh")));
    EXPECT_EQ(dir.bytes("real.vrh"), fresh);
    struct stat st {};
    ASSERT_EQ(::stat(dir.file("real.vrh").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}
#endif

#ifndef _WIN32
// A name taken before us, by a file or a link to anywhere, is never written
// through or taken over: the temporary file or backup copy goes under the next
// free name, and one named exactly (a journal's number) is refused.
TEST(StoreWholeFile, TemporaryFilesAndBackupCopiesAreMadeNewNeverTakenOver) {
    test::TempDir dir;
    test::TempDir elsewhere;
    elsewhere.write("secret", "someone's own\n");
    const Bytes fresh{4, 5, 6};
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "hard-linked: rewritten in place after a backup copy" : "replaced by a new file");
        dir.write("Ammo.vrh", Bytes(40, 1));
        if (linked) std::filesystem::create_hard_link(dir.file("Ammo.vrh"), dir.file("deployed.vrh"));
        const char* tag = linked ? "Ammo.vrh.~old" : "Ammo.vrh.~new";
        std::filesystem::create_symlink(elsewhere.file("secret"), dir.file(std::string(tag) + "0"));
        std::filesystem::create_symlink(elsewhere.file("nothing yet"), dir.file(std::string(tag) + "1"));  // dangling
        dir.write(std::string(tag) + "2", "not ours");
        ASSERT_TRUE(store_whole_file(dir.file("Ammo.vrh"), fresh.data(), fresh.size()).ok());
        EXPECT_EQ(dir.bytes("Ammo.vrh"), fresh);
        EXPECT_EQ(elsewhere.read("secret"), "someone's own\n");
        EXPECT_FALSE(elsewhere.exists("nothing yet"));
        EXPECT_EQ(dir.read(std::string(tag) + "2"), "not ours");
        for (int n = 0; n < 3; ++n) std::filesystem::remove(dir.file(std::string(tag) + std::to_string(n)));
        EXPECT_EQ(dir.entries().size(), linked ? 2u : 1u);
        std::filesystem::remove(dir.file("deployed.vrh"));
    }
    dir.write("Ammo.vrh", Bytes(40, 1));
    std::filesystem::create_symlink(elsewhere.file("secret"), dir.file("Ammo.vrh.~new7"));
    StagedFile staged;
    const Status e = stage_whole_file(system_file_ops(), dir.file("Ammo.vrh"), fresh.data(), fresh.size(), staged,
                                      nullptr, ".~new7");
    ASSERT_FALSE(e.ok());
    EXPECT_NE(e.message().find("a file that no write of ours made is in the way"), std::string::npos) << e.message();
    EXPECT_EQ(elsewhere.read("secret"), "someone's own\n");
    EXPECT_TRUE(drop_staged(system_file_ops(), staged).ok());
    EXPECT_TRUE(std::filesystem::is_symlink(dir.file("Ammo.vrh.~new7")));
}

// A folder for temporary files is new, ours alone (0700), under the system's
// temporary folder, and never one that is there already.
TEST(PrivateFolder, IsNewAndOpenToNobodyElse) {
    test::TempDir tmp;
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", tmp.str().c_str(), 1);
    std::vector<std::string> made;
    for (int i = 0; i < 20; ++i) {
        std::string path;
        ASSERT_TRUE(make_private_folder("creatures-", path).ok());
        made.push_back(path);
        EXPECT_EQ(std::filesystem::path(path).parent_path(), tmp.path());
        EXPECT_EQ(std::filesystem::path(path).filename().string().rfind("creatures-", 0), 0u) << path;
        struct stat st {};
        ASSERT_EQ(::lstat(path.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u) << path;
        EXPECT_EQ(st.st_uid, ::geteuid());
        EXPECT_TRUE(std::filesystem::is_empty(path));
    }
    std::sort(made.begin(), made.end());
    EXPECT_EQ(std::unique(made.begin(), made.end()), made.end());
    if (old) ::setenv("TMPDIR", saved.c_str(), 1);
    else ::unsetenv("TMPDIR");
}
#endif

TEST(DataPath, JoinsRootAndName) {
    EXPECT_EQ(data_path("", "Lang"), "Lang");
    EXPECT_EQ(data_path("data", "Lang"), std::string("data") + kPathSeparator + "Lang");
    EXPECT_EQ(data_path("data/", "Lang"), "data/Lang");
    EXPECT_EQ(data_path(std::string("d") + kPathSeparator, "Lang"), std::string("d") + kPathSeparator + "Lang");
}

}  // namespace
}  // namespace ce
