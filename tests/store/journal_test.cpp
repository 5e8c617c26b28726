// The folder's write transaction: all or nothing across files at every failing
// step and after a kill, the lock, the check of what was read, recovery, the
// history it leaves and its pruning.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "store/content_hash.h"
#include "store/file_ops.h"
#include "support/forwarding_ops.h"
#include "store/folder_lock.h"
#include "store/history.h"
#include "store/journal.h"
#include "store/whole_file.h"

namespace ce {
namespace {

namespace fs = std::filesystem;
using test::TempDir;

// The system's file operations, counting every step (but asking whether a
// file may be written) and failing the chosen one.
class StepOps : public test::ForwardingOps {
public:
    int fail_at = -1;
    int steps = 0;
    // Called at every set_size (a hook for the kill test).
    void (*on_set_size)() = nullptr;

    Status before(Step step, const std::string&) override {
        if (step == MayWrite) return {};
        if (step == SetSize && on_set_size) on_set_size();
        if (steps++ == fail_at) return std::string("Input/output error (test)");
        return {};
    }
};

std::string bytes(const std::vector<unsigned char>& v) { return std::string(v.begin(), v.end()); }

// Three files of a folder, one in a subfolder, and a write of new bytes to all.
struct Folder {
    TempDir dir;
    std::map<std::string, std::string> old_bytes{
        {"Ammo.vrh", std::string(3000, 'a')}, {"Firewall.vrh", std::string(5000, 'b')}, {"Eng/Plural.txt", "one\r\ntwo\r\nthree\r\n"}};
    std::map<std::string, std::string> new_bytes{
        {"Ammo.vrh", std::string(3000, 'A')}, {"Firewall.vrh", std::string(4000, 'B')}, {"Eng/Plural.txt", "one\r\n2\r\n"}};

    Folder() {
        fs::create_directory(dir.file("Eng"));
        for (const auto& [name, b] : old_bytes) put(name, b);
    }
    void put(const std::string& name, const std::string& b) const {
        dir.write(name, std::vector<unsigned char>(b.begin(), b.end()));
    }
    std::string get(const std::string& name) const { return bytes(dir.bytes(name)); }
    std::vector<PlannedFile> plan() const {
        std::vector<PlannedFile> files;
        for (const auto& [name, b] : new_bytes) files.push_back({name, old_bytes.at(name), b});
        return files;
    }
    // "old", "new" or "mixed".
    std::string state() const {
        bool all_old = true, all_new = true;
        for (const auto& [name, b] : old_bytes) {
            all_old = all_old && get(name) == b;
            all_new = all_new && get(name) == new_bytes.at(name);
        }
        return all_old ? "old" : all_new ? "new" : "mixed";
    }
    // Files of ours that should not be there: temporaries and journals.
    std::vector<std::string> strays() const {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(dir.str())) {
            const std::string name = e.path().filename().string();
            static const std::regex ours(R"(.*\.~(new|old)[0-9]+|.*\.journal)");
            if (std::regex_match(name, ours)) found.push_back(name);
        }
        return found;
    }
    // Hard-links Firewall.vrh to a second name outside the folder.
    void link_b() const {
        fs::create_directory(dir.file("elsewhere"));
        fs::create_hard_link(dir.file("Firewall.vrh"), dir.file("elsewhere/Firewall.vrh"));
    }
};

TEST(FolderWrite, CommitsEveryFileAndKeepsTheOldBytesAsAHistoryEntry) {
    Folder f;
    f.put("Demonology.vrh", std::string(3000, 'a'));  // same old bytes as Ammo.vrh: stored once
    std::vector<PlannedFile> files = f.plan();
    files.push_back({"Demonology.vrh", std::nullopt, "c"});
    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), files, {"test write", {3, 4}});
    ASSERT_TRUE(r.ok()) << r.fault();
    EXPECT_EQ(r->entry, 1);
    EXPECT_EQ(f.state(), "new");
    EXPECT_TRUE(f.strays().empty());

    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].made_by, "test write");
    EXPECT_EQ(entries[0].slots, (std::vector<int>{3, 4}));
    EXPECT_EQ(entries[0].files.size(), 4u);
    int contents = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(history_path(f.dir.str(), "content"))) ++contents;
    EXPECT_EQ(contents, 3);

    FolderBytes before;
    ASSERT_TRUE(folder_before(f.dir.str(), 1, before).ok());
    for (const auto& [name, b] : f.old_bytes) EXPECT_EQ(before.at(name), b) << name;
    EXPECT_EQ(before.at("Demonology.vrh"), std::string(3000, 'a'));
}

TEST(FolderWrite, AWriteThatChangesNothingMakesNoEntry) {
    Folder f;
    std::vector<PlannedFile> same;
    for (const auto& [name, b] : f.old_bytes) same.push_back({name, b, b});
    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), same, {"nothing", {}});
    EXPECT_TRUE(r.ok());
    EXPECT_EQ(r->entry, 0);
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    EXPECT_TRUE(entries.empty());
    // Only the changed files are journaled and written.
    same[1].bytes = "x";
    const Result<Committed> one = commit_folder_write(system_file_ops(), f.dir.str(), same, {"one", {}});
    ASSERT_EQ(one->written, (std::vector<std::string>{same[1].name}));
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].files.size(), 1u);
}

TEST(FolderWrite, AFileChangedSinceItWasReadStopsTheWholeWrite) {
    Folder f;
    f.put("Firewall.vrh", "changed by someone else");
    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}});
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.fault().message().find("Firewall.vrh: changed by another program since it was read; nothing was written"),
              std::string::npos)
        << r.fault();
    EXPECT_EQ(f.get("Ammo.vrh"), f.old_bytes.at("Ammo.vrh"));
    EXPECT_EQ(f.get("Firewall.vrh"), "changed by someone else");
}

void every_step_leaves_the_set_whole(bool hard_link) {
    int steps = 0;
    {
        Folder clean;
        if (hard_link) clean.link_b();
        StepOps counting;
        ASSERT_TRUE(commit_folder_write(counting, clean.dir.str(), clean.plan(), {"w", {}}).ok());
        steps = counting.steps;
        ASSERT_EQ(clean.state(), "new");
    }
    ASSERT_GT(steps, 20);
    int old_count = 0, new_count = 0;
    for (int k = 0; k < steps; ++k) {
        SCOPED_TRACE("failing step " + std::to_string(k));
        Folder f;
        if (hard_link) f.link_b();
        StepOps ops;
        ops.fail_at = k;
        const Result<Committed> r = commit_folder_write(ops, f.dir.str(), f.plan(), {"w", {}});
        const std::string state = f.state();
        if (!r.ok()) {
            // A failed rollback leaves its journal for the recovery; anything else is whole now.
            if (state != "old") {
                EXPECT_NE(r.fault().message().find("next program of ours"), std::string::npos) << r.fault();
            }
            EXPECT_NE(r.fault().message().find("nothing was written"), std::string::npos) << r.fault();
        } else {
            EXPECT_EQ(state, "new");
        }
        const Recovery rec = recover_folder(system_file_ops(), f.dir.str());
        EXPECT_TRUE(rec.status.ok());
        const std::string after = f.state();
        EXPECT_TRUE(after == "old" || after == "new") << after;
        EXPECT_EQ(after, !r.ok() ? "old" : "new");
        EXPECT_TRUE(f.strays().empty()) << f.strays().front();
        if (hard_link) {
            EXPECT_EQ(f.get("Firewall.vrh"), bytes(f.dir.bytes("elsewhere/Firewall.vrh")));
        }
        (after == "old" ? old_count : new_count)++;
    }
    EXPECT_GT(old_count, 0);
}

TEST(FolderWrite, AFailureAtEveryStepLeavesTheWholeSetOldOrNew) { every_step_leaves_the_set_whole(false); }
TEST(FolderWrite, AFailureAtEveryStepLeavesTheWholeSetOldOrNewWithHardLinks) { every_step_leaves_the_set_whole(true); }

#ifndef _WIN32
// A real kill needs fork; the Windows build runs the step failures above.
int g_signal_fd = -1;
void signal_and_hang() {
    const char c = 'x';
    (void)::write(g_signal_fd, &c, 1);
    ::pause();
}

TEST(FolderWrite, AKillDuringAnInPlaceRewriteIsRolledBackByTheNextOpen) {
    Folder f;
    f.link_b();
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe_fds[0]);
        g_signal_fd = pipe_fds[1];
        StepOps ops;
        ops.on_set_size = signal_and_hang;  // the first in-place rewrite stops before its size is set
        (void)commit_folder_write(ops, f.dir.str(), f.plan(), {"killed write", {}});
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    char c = 0;
    ASSERT_EQ(::read(pipe_fds[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(pipe_fds[0]);
    // Firewall.vrh now holds the 4000 new bytes and 1000 stale ones: torn.
    EXPECT_EQ(f.state(), "mixed");
    EXPECT_FALSE(recovery_needed(f.dir.str()).empty());
    const Recovery rec = recover_folder(system_file_ops(), f.dir.str());
    ASSERT_TRUE(rec.status.ok()) << rec.status.message();
    ASSERT_FALSE(rec.done.empty());
    EXPECT_NE(rec.done[0].find("killed write"), std::string::npos) << rec.done[0];
    EXPECT_EQ(f.state(), "old");
    EXPECT_EQ(f.get("Firewall.vrh"), bytes(f.dir.bytes("elsewhere/Firewall.vrh")));
    EXPECT_TRUE(f.strays().empty());
    EXPECT_TRUE(recovery_needed(f.dir.str()).empty());
}

#endif

// The order that makes a crash at any moment recoverable, with the device
// waited for once per kind of step rather than once per file: every new byte
// flushed before any name changes, the journal named before any file of the
// folder, each folder's new names made safe before the write is marked complete.
// Each old content is a copy of its own, also where the system could give the
// replaced file a second name: a data file never shares its storage with the
// history, where a later rewrite in place would change the content too.
void write_in_order(bool second_names) {
    class Recording : public StepOps {
    public:
        bool second_names = true;
        int linked = 0;
        std::vector<std::string> log;
        Status link(const std::string& a, const std::string& b) override {
            if (!second_names) return std::string("not here (test)");
            Status e = StepOps::link(a, b);
            if (e.ok()) {
                log.push_back("name " + fs::path(b).filename().string());
                ++linked;
            }
            return e;
        }
        std::vector<std::string> created_in;  // the folders where files were created
        Status create_new(const std::string& p, const std::string& model, Handle& out) override {
            created_in.push_back(fs::path(p).parent_path().filename().string());
            return StepOps::create_new(p, model, out);
        }
        Status flush(Handle h) override {
            log.push_back("flush");
            return StepOps::flush(h);
        }
        Status rename_over(const std::string& a, const std::string& b) override {
            log.push_back("name " + fs::path(b).filename().string());
            return StepOps::rename_over(a, b);
        }
        Status replace(const std::string& a, const std::string& b) override {
            log.push_back("name " + fs::path(b).filename().string() + " safely");
            return StepOps::replace(a, b);
        }
        Status sync_folder(const std::string& p) override {
            log.push_back("safe " + fs::path(p).filename().string());
            return StepOps::sync_folder(p);
        }
    } ops;
    ops.second_names = second_names;
    Folder f;
    const Result<Committed> r = commit_folder_write(ops, f.dir.str(), f.plan(), {"w", {}});
    ASSERT_TRUE(r.ok()) << r.fault();
    const std::string root_name = fs::path(f.dir.str()).filename().string();
    const std::string content = content_hash(f.old_bytes.at("Ammo.vrh"));
    auto at = [&](const std::string& what) {
        const auto it = std::find(ops.log.begin(), ops.log.end(), what);
        EXPECT_NE(it, ops.log.end()) << what;
        return it - ops.log.begin();
    };
    auto count = [&](const std::string& what) { return std::count(ops.log.begin(), ops.log.end(), what); };
    // Three new files and the manifest, and the three old contents when they
    // are copies: every flush first of all.
#ifndef _WIN32
    EXPECT_EQ(ops.linked, 0);
#endif
    const bool linked = ops.linked > 0;
    const int flushes = linked ? 4 : 7;
    EXPECT_EQ(count("flush"), flushes);
    for (int i = 0; i < flushes; ++i) EXPECT_EQ(ops.log[static_cast<std::size_t>(i + (linked ? 3 : 0))], "flush") << i;
    EXPECT_LT(at("name " + content), at("name 000001.journal"));
    EXPECT_LT(at("safe content"), at("name 000001.journal"));
    EXPECT_LT(at("safe .history"), at("name Ammo.vrh"));
    EXPECT_LT(at("name 000001.journal"), at("safe .history"));
    for (const char* name : {"Ammo.vrh", "Firewall.vrh", "Plural.txt"}) {
        EXPECT_LT(at("name 000001.journal"), at(std::string("name ") + name));
        EXPECT_EQ(count(std::string("name ") + name), 1) << name;
    }
    EXPECT_EQ(count("safe " + root_name), 1);
    EXPECT_EQ(count("safe Eng"), 1);
    EXPECT_LT(at("name Plural.txt"), at("safe Eng"));
    EXPECT_LT(at("safe Eng"), at("name 000001.entry safely"));
    EXPECT_LT(at("safe " + root_name), at("name 000001.entry safely"));
    // The content folder, which can hold thousands of files, never holds a
    // temporary one: a write need not look there for what a crash left.
    EXPECT_EQ(std::count(ops.created_in.begin(), ops.created_in.end(), "content"), 0);
    EXPECT_EQ(std::count(ops.created_in.begin(), ops.created_in.end(), ".history"), linked ? 1 : 4);

    // Each old content holds the old bytes after the write, however stored.
    for (const auto& [name, b] : f.old_bytes) {
        std::string stored;
        EXPECT_TRUE(load_content(f.dir.str(), content_hash(b), stored).ok()) << name;
        EXPECT_EQ(stored, b) << name;
        EXPECT_EQ(fs::hard_link_count(content_path(f.dir.str(), content_hash(b))), 1u) << name;
    }
}

TEST(FolderWrite, FlushesEverythingBeforeAnyRenameAndMakesEachFolderSafeOnce) { write_in_order(true); }
TEST(FolderWrite, FlushesEverythingBeforeAnyRenameAndMakesEachFolderSafeOnceCopyingContents) { write_in_order(false); }

// A write that stopped after it gave a file's old self a second name in the
// history, before it replaced the file, leaves the file with two names. The
// next write still replaces it by a new file rather than rewriting it in
// place, which would change the stored content too.
TEST(FolderWrite, AFileWhoseOtherNameIsItsOwnStoredContentIsStillReplacedByANewFile) {
    Folder f;
    const std::string old_a = f.old_bytes.at("Ammo.vrh");
    fs::create_directories(history_path(f.dir.str(), "content"));
    const std::string content = content_path(f.dir.str(), content_hash(old_a));
    fs::create_hard_link(f.dir.file("Ammo.vrh"), content);
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}}).ok());
    EXPECT_EQ(f.state(), "new");
    std::string stored;
    ASSERT_TRUE(load_content(f.dir.str(), content_hash(old_a), stored).ok());
    EXPECT_EQ(stored, old_a);
    EXPECT_EQ(fs::hard_link_count(f.dir.file("Ammo.vrh")), 1u);

    // A file linked elsewhere too keeps its other names: rewritten in place,
    // its old bytes copied into the history.
    f.link_b();
    const std::string b_now = f.get("Firewall.vrh");
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), {{"Firewall.vrh", std::nullopt, "linked"}}, {"w", {}}).ok());
    EXPECT_EQ(f.get("elsewhere/Firewall.vrh"), "linked");
    ASSERT_TRUE(load_content(f.dir.str(), content_hash(b_now), stored).ok());
    EXPECT_EQ(stored, b_now);
}

// A content file is stored under its hash only once whole; one there already
// (left by an older program, or damaged since) is kept only at its size.
TEST(FolderWrite, AStoredContentOfTheWrongSizeIsStoredWholeAgain) {
    Folder f;
    const std::string old_a = f.old_bytes.at("Ammo.vrh");
    fs::create_directories(history_path(f.dir.str(), "content"));
    f.put(".history/content/" + content_hash(old_a), old_a.substr(0, 100));
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}}).ok());
    std::string stored;
    ASSERT_TRUE(load_content(f.dir.str(), content_hash(old_a), stored).ok());
    EXPECT_EQ(stored, old_a);
    EXPECT_TRUE(f.strays().empty());

    // Same size, other bytes: a content is trusted only by its hash, so it is
    // stored whole again (it used to be kept at its size, and a restore then
    // found it damaged).
    const std::string old_b = f.old_bytes.at("Firewall.vrh");
    f.put("Firewall.vrh", old_b);
    f.put(".history/content/" + content_hash(old_b), std::string(old_b.size(), 'x'));
    std::vector<PlannedFile> again{{"Firewall.vrh", old_b, "b again"}};
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), again, {"w", {}}).ok());
    EXPECT_TRUE(load_content(f.dir.str(), content_hash(old_b), stored).ok());
    EXPECT_EQ(stored, old_b);
}

// The hash of what the last write gave a file is reused only for exactly
// those bytes: a file another program changed since is hashed again.
TEST(FolderWrite, OldBytesChangedByAnotherProgramAreHashedAgain) {
    Folder f;
    const std::string ours(3000, 'X'), theirs(3000, 'Y');
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, ours}}, {"w", {}}).ok());
    f.put("Ammo.vrh", theirs);
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, "z"}}, {"w", {}}).ok());
    ASSERT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, "zz"}}, {"w", {}}).ok());
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[1].files.at(0).old_hash, content_hash(theirs));
    EXPECT_EQ(entries[2].files.at(0).old_hash, content_hash("z"));
    std::string stored;
    ASSERT_TRUE(load_content(f.dir.str(), entries[1].files.at(0).old_hash, stored).ok());
    EXPECT_EQ(stored, theirs);
}

TEST(FolderLock, ASecondWriterWaitsBrieflyThenIsRefused) {
    Folder f;
    FolderLock first;
    ASSERT_TRUE(first.acquire(f.dir.str(), 0).ok());
    FolderLock second;
    const auto e = second.acquire(f.dir.str(), 100);
    ASSERT_FALSE(e.ok());
    EXPECT_TRUE(e.is(FaultKind::busy));
    EXPECT_NE(e.message().find("another program is writing this data folder"), std::string::npos) << e.fault();
    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}}, nullptr, 100);
    ASSERT_FALSE(r.ok());
    EXPECT_NE(r.fault().message().find("nothing was written"), std::string::npos);
    EXPECT_EQ(f.state(), "old");
    // The holder's own write goes through its lock.
    EXPECT_TRUE(commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}}, &first).ok());
    EXPECT_EQ(f.state(), "new");
    first.release();
    EXPECT_TRUE(second.acquire(f.dir.str(), 0).ok());
}

#ifndef _WIN32
// In a child process, takes the record lock that Wine's server takes for a
// Windows program's LockFileEx(handle, exclusive, 0, 1, 0): a write lock of
// byte 0 (fcntl). Says on `said` whether it got it, then holds it until
// anything arrives on `hold` or its write end `hold_end` closes in the parent.
pid_t record_lock_elsewhere(const std::string& path, int said, int hold, int hold_end) {
    const pid_t child = ::fork();
    if (child != 0) return child;
    ::close(hold_end);  // or the child's own copy would keep the pipe open
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
    struct flock range {};
    range.l_type = F_WRLCK;
    range.l_whence = SEEK_SET;
    range.l_len = 1;
    const char got = fd >= 0 && ::fcntl(fd, F_SETLK, &range) == 0 ? 'y' : 'n';
    (void)!::write(said, &got, 1);
    char c;
    (void)!::read(hold, &c, 1);
    ::_exit(0);
}

// The editor under Wine holds the folder with such a record lock, which flock
// does not see: the folder's lock keeps out both kinds, and is kept out by both.
TEST(FolderLock, ExcludesTheRecordLockThatWineTakesForAWindowsProgram) {
    Folder f;
    const std::string path = f.dir.file(kLockFileName);
    for (const bool theirs_first : {true, false}) {
        SCOPED_TRACE(theirs_first ? "the Windows program locks first" : "we lock first");
        FolderLock ours;
        if (!theirs_first) {
            ASSERT_TRUE(ours.acquire(f.dir.str(), 0).ok());
        }
        int said[2], hold[2];
        ASSERT_EQ(::pipe(said), 0);
        ASSERT_EQ(::pipe(hold), 0);
        const pid_t child = record_lock_elsewhere(path, said[1], hold[0], hold[1]);
        ASSERT_GE(child, 0);
        char got = 0;
        ASSERT_EQ(::read(said[0], &got, 1), 1);
        EXPECT_EQ(got, theirs_first ? 'y' : 'n');
        if (theirs_first) {
            const auto refused = ours.acquire(f.dir.str(), 100);
            EXPECT_TRUE(refused.is(FaultKind::busy));
        }
        for (int fd : {said[0], said[1], hold[0], hold[1]}) ::close(fd);
        int status = 0;
        ::waitpid(child, &status, 0);
        if (theirs_first) {
            EXPECT_TRUE(ours.acquire(f.dir.str(), 0).ok());  // free once it let go
        }
    }
}
#endif

// The Windows build under Wine refuses the lock while a Linux program holds a
// flock on the lock file, as the system lists it.
TEST(FolderLock, FindsAFlockOnTheLockFileInTheSystemsList) {
    const struct {
        const char* list;
        bool held;
    } cases[] = {
        {"1: FLOCK  ADVISORY  WRITE 4242 fe:00:1234 0 EOF\n", true},
        {"1: FLOCK  ADVISORY  READ 4242 08:01:1234 0 EOF\n", true},  // a shared flock keeps writers out too
        {"1: POSIX  ADVISORY  WRITE 13 fe:00:1234 0 0\n2: FLOCK  ADVISORY  WRITE 9 fe:00:99 0 EOF\n", false},
        {"1: FLOCK  ADVISORY  WRITE 4242 fe:00:12345 0 EOF\n", false},  // another inode, same digits first
        {"1: FLOCK  ADVISORY  WRITE 4242 fe:00:123 0 EOF\n", false},
        {"1: FLOCK  ADVISORY  WRITE 4242 fe:00:1234 0 EOF\n1: -> FLOCK  ADVISORY  WRITE 77 fe:00:1234 0 EOF\n", true},
        {"1: -> FLOCK  ADVISORY  WRITE 77 fe:00:1234 0 EOF\n", false},  // a waiter holds nothing
        {"1: OFDLCK ADVISORY  WRITE -1 fe:00:1234 0 EOF\n", false},
        {"1: FLOCK  ADVISORY  WRITE 4242 fe:00:1234x 0 EOF\n1: FLOCK\n", false},
        {"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(lock_detail::lists_flock_on(c.list, 1234), c.held) << c.list;
}

TEST(FolderLock, ALockFileThatIsAFolderIsAClearRefusal) {
    Folder f;
    fs::create_directory(f.dir.file(kLockFileName));
    FolderLock lock;
    const auto e = lock.acquire(f.dir.str(), 0);
    ASSERT_FALSE(e.ok());
    EXPECT_FALSE(e.is(FaultKind::busy));
    EXPECT_NE(e.message().find("lock file"), std::string::npos) << e.fault();
    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}});
    ASSERT_FALSE(r.ok());
    EXPECT_EQ(f.state(), "old");
}

TEST(FolderWrite, AJournalThatCannotBeWrittenMeansNothingIsWritten) {
    {
        Folder f;
        f.put(kHistoryFolder, "a file, not a folder");
        const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}});
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.fault().message().find("not a folder"), std::string::npos) << r.fault();
        EXPECT_EQ(f.state(), "old");
    }
    {
        // Disk full while the old contents are journaled.
        Folder f;
        class FullDisk : public StepOps {
        public:
            Status write(Handle h, const void* d, std::size_t n) override {
                (void)h, (void)d, (void)n;
                return std::string("No space left on device");
            }
            Status link(const std::string&, const std::string&) override {
                return std::string("No space left on device");
            }
        } ops;
        const Result<Committed> r = commit_folder_write(ops, f.dir.str(), f.plan(), {"w", {}});
        ASSERT_FALSE(r.ok());
        EXPECT_NE(r.fault().message().find("journal of this write cannot be written"), std::string::npos) << r.fault();
        EXPECT_NE(r.fault().message().find("No space left on device"), std::string::npos) << r.fault();
        EXPECT_EQ(f.state(), "old");
        EXPECT_TRUE(f.strays().empty());
    }
}

// Only what a record of ours names is acted on: the temporary files of a
// write whose manifest was being written (its number in their names) go; a
// backup copy beside a file (no write of ours leaves one in a data folder), a
// temporary file of no write in progress and a link named like ours are left
// as they are, never used, and named once.
TEST(Recovery, RemovesTheTemporariesItsRecordsNameAndLeavesEverythingElse) {
    Folder f;
    fs::create_directory(history_path(f.dir.str()));
    f.put(".history/000004.journal.~new0", "creatures history 1\nnum");
    f.put("Ammo.vrh.~new4", "half a new file");
    f.put("Eng/Plural.txt.~new4", "x");
    f.put("Ammo.vrh.~new0", "not ours");
    f.put("Firewall.vrh.~old0", "planted");
#ifndef _WIN32
    fs::create_symlink(f.dir.file("Firewall.vrh"), f.dir.file("Eng/Plural.txt.~new5"));
    const std::size_t foreign = 3;
#else
    const std::size_t foreign = 2;  // no symbolic links under Wine
#endif
    f.put("notes.~newish", "not ours");
    EXPECT_EQ(recovery_needed(f.dir.str()).size(), 3u);
    EXPECT_EQ(left_alone_in(f.dir.str()).size(), foreign);
    const Recovery r = recover_folder(system_file_ops(), f.dir.str());
    ASSERT_TRUE(r.status.ok()) << r.status.message();
    EXPECT_EQ(f.state(), "old");
    EXPECT_EQ(r.done.size(), 3u);
    for (const char* gone : {"Ammo.vrh.~new4", "Eng/Plural.txt.~new4", ".history/000004.journal.~new0"})
        EXPECT_FALSE(f.dir.exists(gone)) << gone;
    EXPECT_EQ(f.get("Ammo.vrh.~new0"), "not ours");
    EXPECT_EQ(f.get("Firewall.vrh.~old0"), "planted");
    EXPECT_TRUE(f.dir.exists("notes.~newish"));
    ASSERT_EQ(r.left_alone.size(), foreign);
    const std::string message = recovery_message(r, f.dir.str());
    EXPECT_NE(message.find("Firewall.vrh.~old0: a backup copy that no write of ours made; left as it is"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("Ammo.vrh.~new0: a temporary file that no write of ours made"), std::string::npos) << message;
#ifndef _WIN32
    EXPECT_TRUE(fs::is_symlink(f.dir.file("Eng/Plural.txt.~new5")));
    EXPECT_NE(message.find("Eng/Plural.txt.~new5: named like a file of ours, but not a regular file"), std::string::npos)
        << message;
#endif
    const Recovery again = recover_folder(system_file_ops(), f.dir.str());
    EXPECT_TRUE(again.done.empty());  // told once
    EXPECT_EQ(again.left_alone.size(), foreign);  // and what is not ours each time, as it stays
}

TEST(Recovery, AJournalItCannotUseIsAnErrorAndTouchesNothing) {
    Folder f;
    fs::create_directory(history_path(f.dir.str()));
    f.put(".history/000001.journal", "creatures history 1\nnonsense\n");
    f.put("Ammo.vrh", "changed");
    const Recovery r = recover_folder(system_file_ops(), f.dir.str());
    ASSERT_FALSE(r.status.ok());
    EXPECT_NE(r.status.message().find("000001.journal"), std::string::npos) << r.status.message();
    EXPECT_EQ(f.get("Ammo.vrh"), "changed");
    const Result<Committed> c = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}});
    ASSERT_FALSE(c.ok());
    EXPECT_EQ(f.get("Firewall.vrh"), f.old_bytes.at("Firewall.vrh"));
}

// A write numbers its entry after every entry and journal the history holds,
// also after rolling back an interrupted write and removing a half-written
// manifest, so that no number is ever given twice.
TEST(Recovery, AWriteAfterARecoveryNumbersItsEntryPastEverythingFound) {
    Folder f;
    fs::create_directory(history_path(f.dir.str()));
    HistoryEntry interrupted;
    interrupted.number = 7;
    interrupted.time = "2026-01-01 00:00:00";
    interrupted.made_by = "a write cut off";
    const std::string a = f.old_bytes.at("Ammo.vrh");
    interrupted.files.push_back({"Ammo.vrh", content_hash(a), a.size(), content_hash("cut off"), 7});
    f.put(".history/000007.journal", format_manifest(interrupted));
    f.put(".history/000009.journal.~new1", "half a manifest");
    EXPECT_EQ(recovery_needed(f.dir.str()).size(), 2u);

    const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(), f.plan(), {"w", {}});
    ASSERT_TRUE(r.ok()) << r.fault();
    EXPECT_EQ(r->entry, 10);
    EXPECT_EQ(f.state(), "new");
    EXPECT_TRUE(f.strays().empty());
    EXPECT_TRUE(recovery_needed(f.dir.str()).empty());
}

// Writes Ammo.vrh `count` times ("0", "1", ...); the history after.
std::vector<HistoryEntry> write_a_times(const Folder& f, int count) {
    for (int i = 0; i < count; ++i) {
        const Result<Committed> r =
            commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, std::to_string(i)}}, {"w", {}});
        EXPECT_TRUE(r.ok()) << r.fault();
    }
    std::vector<HistoryEntry> entries;
    EXPECT_TRUE(list_history(f.dir.str(), entries).ok());
    return entries;
}

TEST(History, PrunesTheOldestEntriesAndTheContentOnlyTheyNeeded) {
    Folder f;
    HistorySettings s;
    s.keep_entries = 3;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    std::vector<HistoryEntry> entries = write_a_times(f, 6);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries.front().number, 4);
    EXPECT_EQ(entries.back().number, 6);
    int contents = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(history_path(f.dir.str(), "content"))) ++contents;
    EXPECT_EQ(contents, 3);
    FolderBytes before;
    ASSERT_TRUE(folder_before(f.dir.str(), 4, before).ok());
    EXPECT_EQ(before.at("Ammo.vrh"), "2");

    // The bytes are counted from what the entries need: two of the 1-byte
    // old contents fit in 2 bytes, and a file in the content folder that no
    // entry names does not count.
    f.put(".history/content/notes.txt", std::string(100, 'n'));
    s.keep_bytes = 2;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    ASSERT_TRUE(prune_history(system_file_ops(), f.dir.str()).ok());
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.front().number, 5);
    EXPECT_TRUE(f.dir.exists(".history/content/notes.txt"));
    fs::remove(f.dir.file(".history/content/notes.txt"));

    // A content that no entry names stays while entries are pruned (only the
    // contents of the entries removed are looked at); a recovery's pruning,
    // which looks at all of them, removes it.
    const std::string orphan = ".history/content/" + content_hash("nobody needs this");
    f.put(orphan, "nobody needs this");
    write_a_times(f, 1);
    EXPECT_TRUE(f.dir.exists(orphan));
    ASSERT_TRUE(prune_history(system_file_ops(), f.dir.str(), true).ok());
    EXPECT_FALSE(f.dir.exists(orphan));

    // A byte limit keeps the newest entry at least.
    s.keep_bytes = 1;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    ASSERT_TRUE(prune_history(system_file_ops(), f.dir.str()).ok());
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    EXPECT_EQ(entries.size(), 1u);

    // History off: the write is still journaled, but no entry stays.
    s.enabled = false;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    const Result<Committed> r =
        commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, "off"}}, {"w", {}});
    ASSERT_TRUE(r.ok());
    EXPECT_EQ(f.get("Ammo.vrh"), "off");
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    EXPECT_TRUE(entries.empty());
    EXPECT_TRUE(fs::is_empty(history_path(f.dir.str(), "content")));
}

// A manifest's sizes are read back as written, and pruning by bytes counts the
// old contents the entries keep, not the new bytes they wrote.
TEST(History, PruningByBytesCountsTheOldContentsEachEntryKeeps) {
    HistoryEntry e;
    e.number = 3;
    e.time = "2026-01-02 03:04:05";
    e.made_by = "w";
    e.files.push_back({"Ammo.vrh", content_hash("a"), 10, content_hash("b"), 20});
    HistoryEntry back;
    ASSERT_TRUE(parse_manifest(format_manifest(e), back).ok());
    EXPECT_EQ(back.files.at(0).old_size, 10u);
    EXPECT_EQ(back.files.at(0).new_size, 20u);

    Folder f;
    HistorySettings s;
    s.keep_bytes = 2;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    // Three writes of a one-byte file each (other bytes each), to a hundred bytes.
    for (const char* name : {"Ammo.vrh", "Firewall.vrh", "Demonology.vrh"}) {
        f.put(name, std::string(1, name[0]));
        const Result<Committed> r = commit_folder_write(system_file_ops(), f.dir.str(),
                                                   {{name, std::nullopt, std::string(100, 'n')}}, {"w", {}});
        ASSERT_TRUE(r.ok()) << r.fault();
    }
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries.front().number, 2);
}

// The names in the history folder: manifests by number and kind, temporary
// files of them counted for the numbering only, anything else ignored.
TEST(History, NamesOfTheHistoryFolderGiveNumbersAndKinds) {
    struct Case {
        const char* name;
        EntryNumber number;
        bool entry, journal;
    };
    for (const Case& c : std::vector<Case>{{"000012.entry", 12, true, false},
                                           {"000012.journal", 12, false, true},
                                           {"000012.journal.~new1", 12, false, false},
                                           {"999999.entry", 999999, true, false},
                                           {"000000.entry", 0, false, false},
                                           {"00012.entry", 0, false, false},
                                           {"00001a.entry", 0, false, false},
                                           {"000012.entry2", 0, false, false},
                                           {"1000000.entry", 1000000, true, false},
                                           {"12345678901.journal", 12345678901, false, true},
                                           {"0999999.entry", 0, false, false},
                                           {"999999.foo", 0, false, false},
                                           {"000012entry", 0, false, false},
                                           {"settings", 0, false, false},
                                           {"content", 0, false, false}}) {
        const ManifestName m = manifest_name(c.name);
        EXPECT_EQ(m.number, c.number) << c.name;
        EXPECT_EQ(m.entry, c.entry) << c.name;
        EXPECT_EQ(m.journal, c.journal) << c.name;
    }
    Folder f;
    fs::create_directories(history_path(f.dir.str(), "content"));
    for (const char* name : {"000007.entry", "000003.entry", "000009.journal", "000011.journal.~new0", "settings"})
        f.put(std::string(".history/") + name, "x");
    const HistoryNames names = list_history_names(f.dir.str());
    EXPECT_EQ(names.entries, (std::vector<EntryNumber>{3, 7}));
    EXPECT_EQ(names.journals, (std::vector<EntryNumber>{9}));
    EXPECT_EQ(names.last_number, 11);
}

// The pruning after a write takes the entries it read before as they were
// only while nobody has touched the history's names since: an entry put in
// place of another by someone else is read again, and the content it names
// stays although the entry pruned named it too.
TEST(History, PruningAfterAWriteReadsAnEntryReplacedSinceTheLastWrite) {
    Folder f;
    HistorySettings s;
    s.keep_entries = 2;
    ASSERT_TRUE(write_history_settings(system_file_ops(), f.dir.str(), s).ok());
    std::vector<HistoryEntry> entries = write_a_times(f, 2);  // A was "a...", then "0", now "1"
    ASSERT_EQ(entries.size(), 2u);
    const std::string first_content = entries[0].files.at(0).old_hash;
    ASSERT_TRUE(fs::exists(content_path(f.dir.str(), first_content)));

    HistoryEntry replaced = entries[1];
    replaced.files.at(0).old_hash = first_content;
    replaced.files.at(0).old_size = entries[0].files.at(0).old_size;
    const std::string second = history_path(f.dir.str(), "000002.entry");
    {
        std::ofstream out(second + ".by-hand", std::ios::binary);
        out << format_manifest(replaced);
    }
    fs::rename(second + ".by-hand", second);

    // Entry 3 pushes entry 1 out; entry 2, as it is now, still needs its content.
    entries = write_a_times(f, 1);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].number, 2);
    EXPECT_EQ(entries[0].files.at(0).old_hash, first_content);
    EXPECT_TRUE(fs::exists(content_path(f.dir.str(), first_content)));
}

// Listing reads an entry again whenever its file changed since the last
// listing (a program that lists repeatedly must never see a stale entry).
TEST(History, ListingAgainSeesAnEntryChangedOrReplacedSinceTheLastListing) {
    Folder f;
    std::vector<HistoryEntry> entries = write_a_times(f, 3);
    ASSERT_EQ(entries.size(), 3u);
    const std::string second = history_path(f.dir.str(), "000002.entry");
    HistoryEntry changed = entries[1];
    changed.made_by = "changed by hand since";
    {
        std::ofstream out(second, std::ios::binary | std::ios::trunc);
        out << format_manifest(changed);
    }
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    EXPECT_EQ(entries[1].made_by, "changed by hand since");
    {
        std::ofstream out(second, std::ios::binary | std::ios::trunc);
        out << "not a manifest";
    }
    EXPECT_FALSE(list_history(f.dir.str(), entries).ok());
    // Gone, and a new entry under the same number in a fresh history.
    fs::remove_all(history_path(f.dir.str()));
    ASSERT_TRUE(
        commit_folder_write(system_file_ops(), f.dir.str(), {{"Ammo.vrh", std::nullopt, "fresh"}}, {"fresh", {}}).ok());
    ASSERT_TRUE(list_history(f.dir.str(), entries).ok());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].number, 1);
    EXPECT_EQ(entries[0].made_by, "fresh");
}

// Content names are SHA-256: known values, and the processor's SHA
// instructions (where this machine has them) agree with the plain rounds at
// every length round the block and padding edges, and on long inputs.
TEST(History, ContentHashesAreSha256WithOrWithoutTheProcessorsInstructions) {
    EXPECT_EQ(content_hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(content_hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(content_hash("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    EXPECT_EQ(content_hash(std::string(1000000, 'a')),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
    std::string bytes;
    unsigned seed = 7;
    for (int i = 0; i < 300; ++i) {
        seed = seed * 1103515245u + 12345u;
        bytes += static_cast<char>(seed >> 16);
        ASSERT_EQ(content_hash(bytes), content_hash_plain(bytes)) << "length " << bytes.size();
    }
    bytes.assign(254000, '\0');
    for (std::size_t i = 0; i < bytes.size(); i += 3) bytes[i] = static_cast<char>(i * 31);
    EXPECT_EQ(content_hash(bytes), content_hash_plain(bytes));
}

TEST(History, ManifestsRoundTripAndNonsenseIsNamed) {
    HistoryEntry e;
    e.number = 12;
    e.time = "2026-01-02 03:04:05";
    e.made_by = "import of 2 slots";
    e.slots = {1, 999};
    e.files.push_back({"Eng/Monsters.txt", content_hash("old"), 3, content_hash("new"), 3});
    e.files.push_back({"Ammo.vrh", "", 0, content_hash(""), 0});
    HistoryEntry back;
    ASSERT_TRUE(parse_manifest(format_manifest(e), back).ok());
    EXPECT_EQ(format_manifest(back), format_manifest(e));
    EXPECT_EQ(content_hash(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(content_hash("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(content_hash(std::string(1000, 'a')).size(), 64u);

    const std::string good = format_manifest(e);
    for (const std::string& bad :
         {std::string(""), std::string("hello\n"), good.substr(0, good.size() - 4), good.substr(0, good.size() - 1),
          std::string("creatures history 1\nnumber x\ntime t\nmade-by m\nslots\nfile - 0 ") + content_hash("") + " 0 A\nend\n",
          std::string("creatures history 1\nnumber 1\ntime t\nmade-by m\nslots\nfile - 0 ") + content_hash("") +
              " 0 ../outside\nend\n",
          std::string("creatures history 1\nnumber 1\ntime t\nmade-by m\nslots 1000\nfile - 0 ") + content_hash("") +
              " 0 A\nend\n",
          std::string("creatures history 1\nnumber 1\ntime t\nmade-by m\nslots\nend\n")}) {
        HistoryEntry out;
        EXPECT_FALSE(parse_manifest(bad, out).ok()) << bad;
    }
}

}  // namespace
}  // namespace ce
