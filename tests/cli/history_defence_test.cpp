// The history defends itself: what ".history" names never reaches outside the
// data folder, no write (interrupted or not) leaves a data file sharing its
// storage with the history, numbers of any width, names that are not ours
// ignored and reported, a restore that tells the truth, and stored text that
// reaches the terminal only escaped.
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <chrono>
#include <thread>

#include "store/content_hash.h"
#include "store/folder_lock.h"
#include "store/history.h"
#include "store/journal.h"
#include "store/settings.h"
#include "support.h"
#include "support/forwarding_ops.h"

namespace ce::test {
namespace {

// A data folder ("data") beside a folder of the user's own ("outside") that
// nothing the folder's history says may change.
class Defence : public ::testing::Test {
protected:
    void SetUp() override {
        fs::remove_all(data());  // links in it are removed, not followed
        fs::remove_all(outside());
        fs::create_directories(data());
        fs::create_directories(outside());
        write_fixture_folder(data());
        write_file(outside() / "keep.txt", "the user's own file\n");
        write_file(outside() / "config.txt", "setting = 1\n");
    }
    std::string data() const { return top / "data"; }
    fs::path outside() const { return top.path() / "outside"; }
    std::string history(const std::string& name = "") const { return history_path(data(), name); }

    ToolRun import_csv(const std::string& csv, FileOps& ops = system_file_ops()) {
        return run_tool({"import", "-C", data(), "-", "--format", "csv"}, ops, csv);
    }
    // A content stored under its hash, as a write of ours stores it.
    std::string put_content(const std::string& bytes) const {
        const std::string hash = content_hash(bytes);
        write_file(content_path(data(), hash), bytes);
        return hash;
    }
    // A manifest of our format naming anything.
    static std::string manifest(EntryNumber number, std::vector<HistoryFile> files,
                                const std::string& made_by = "crafted") {
        HistoryEntry e;
        e.number = number;
        e.time = "2026-01-01 00:00:00";
        e.made_by = made_by;
        e.files = std::move(files);
        return format_manifest(e);
    }
    std::string hash_of(const std::string& name) const { return content_hash(read_file(fs::path(data()) / name)); }

    TempDir top{"defence"};
};

// What a crafted history may name, with the links it needs in the folder: a
// name that is not the folder's, outside paths, and the folder's own names
// reached through a link out of it at the file's level or its folder's.
struct Crafted {
    const char* what;
    const char* name;
    void (*links)(const std::string& data, const fs::path& outside);
};

const Crafted kCrafted[] = {
    {"a folder link in the path", "link/keep.txt",
     [](const std::string& data, const fs::path& outside) { fs::create_directory_symlink(outside, fs::path(data) / "link"); }},
    {"a name that is not the folder's", "notes.txt", [](const std::string&, const fs::path&) {}},
    {"a parent path", "../outside/keep.txt", [](const std::string&, const fs::path&) {}},
    {"an absolute path", "/tmp/ce-defence-absolute.txt", [](const std::string&, const fs::path&) {}},
    {"a language folder that is a link out", "Eng/Plural.txt",
     [](const std::string& data, const fs::path& outside) {
         fs::rename(fs::path(data) / "Eng", outside / "Eng");
         fs::create_directory_symlink(outside / "Eng", fs::path(data) / "Eng");
     }},
    {"a data file that is a link out", "Ammo.vrh",
     [](const std::string& data, const fs::path& outside) {
         fs::rename(fs::path(data) / "Ammo.vrh", outside / "Ammo.vrh");
         fs::create_symlink(outside / "Ammo.vrh", fs::path(data) / "Ammo.vrh");
     }},
};

// Every command of the tool, and the editor's start-up, on a folder whose
// history was crafted to reach outside it: nothing outside changes, and the
// writers say that the history cannot be trusted.
TEST_F(Defence, ACraftedHistoryChangesNothingOutsideTheFolderForAnyCommand) {
    for (const Crafted& c : kCrafted) {
        for (const bool journal : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (journal ? " (a journal)" : " (an entry)"));
            SetUp();
            write_file(data() + "/notes.txt", "a note of the user's\n");
            c.links(data(), outside());
            const std::string target = (fs::path(data()) / c.name).lexically_normal().string();
            const std::string now = read_file(target);
            const std::string planted = put_content("planted by the archive\n");
            // Rolled back, a journal would put back the planted bytes (or
            // remove a file that "did not exist"); restored, an entry would.
            const std::vector<HistoryFile> files{{c.name, planted, 23, content_hash(now), now.size()},
                                                 {"Eng/Monsters.txt", "", 0, hash_of("Eng/Monsters.txt"), 1}};
            write_file(history(journal ? "000001.journal" : "000001.entry"), manifest(1, files));
            const auto outside_before = snapshot(outside().string());
            const std::string absolute_before = read_file("/tmp/ce-defence-absolute.txt");

            std::vector<std::vector<std::string>> commands{
                {"show", "-C", data(), "1"},     {"export", "-C", data(), "--slots", "1"},
                {"check", "-C", data()},         {"history", "-C", data()},
                {"restore", "-C", data(), "1"},  {"restore", "-C", data(), "1", "--force"},
                {"diff", data() + "@1", data()}};
            // An import writes through the folder's links as the user made
            // them: only where the history stops it (an interrupted write it
            // cannot roll back) is it tried here.
            if (journal) commands.push_back({"import", "-C", data(), "-", "--format", "csv"});
            for (const auto& args : commands) {
                const ToolRun r = run_tool(args, nine_files_csv(4, 1));
                if (journal || args[0] == "restore") {
                    EXPECT_NE(r.err.find("cannot be trusted"), std::string::npos) << args[0] << ": " << r.err;
                }
                if (args[0] == "restore" || args[0] == "import") {
                    EXPECT_EQ(r.status, 2) << args[0] << ": " << r.out;
                }
            }
            const Recovery at_start = recover_folder(system_file_ops(), data());  // the editor's start-up
            if (journal) {
                ASSERT_FALSE(at_start.status.ok());
                EXPECT_NE(recovery_message(at_start, data()).find("cannot be trusted"), std::string::npos);
            }
            EXPECT_EQ(snapshot(outside().string()), outside_before);
            EXPECT_EQ(read_file("/tmp/ce-defence-absolute.txt"), absolute_before);
            EXPECT_EQ(read_file(data() + "/notes.txt"), "a note of the user's\n");
            EXPECT_EQ(read_file(target), now);
        }
    }
}

// A write that stops after it has stored the old contents (here: a disk that
// takes no byte, a refusal) leaves no data file sharing its storage with the
// history; a mod manager's second link then rewrites the file in place
// without touching the stored old bytes, which restore as they were.
TEST_F(Defence, NoWriteLeavesADataFileSharingItsStorageWithTheHistory) {
    class FullDisk : public ForwardingOps {
    public:
        Status write(Handle, const void*, std::size_t) override { return std::string("No space left on device"); }
    } full;
    ASSERT_EQ(import_csv(nine_files_csv(4, 1), full).status, 2);
    auto shares = [&] {
        std::vector<std::string> found;
        for (const auto& e : fs::recursive_directory_iterator(history()))
            for (const char* name : {"MonstersSetup.vrh", "Ammo.vrh", "Eng/Monsters.txt"})
                if (e.is_regular_file() && fs::equivalent(e.path(), fs::path(data()) / name)) found.push_back(name);
        return found;
    };
    if (fs::exists(history())) {
        EXPECT_TRUE(shares().empty()) << shares().front();
    }

    const auto before = snapshot(data());
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    EXPECT_TRUE(shares().empty()) << shares().front();
    fs::create_directories(outside() / "Eng");
    for (const char* name : {"MonstersSetup.vrh", "Ammo.vrh", "Eng/Monsters.txt"})
        fs::create_hard_link(fs::path(data()) / name, outside() / name);
    ASSERT_EQ(import_csv(nine_files_csv(4, 2)).status, 0);
    ToolRun r = run_tool({"restore", "-C", data(), "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(snapshot(data()), before);
    EXPECT_EQ(read_file(outside() / "Ammo.vrh"), before.at("Ammo.vrh"));
}

// A folder where an older program left a data file sharing its storage with
// a stored content: the next command gives the content a storage of its own.
TEST_F(Defence, RecoverySeparatesADataFileFromAStoredContentThatSharesItsStorage) {
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    const std::string ammo = read_file(fs::path(data()) / "Ammo.vrh");
    const std::string content = content_path(data(), content_hash(ammo));
    fs::create_hard_link(fs::path(data()) / "Ammo.vrh", content);
    fs::create_hard_link(fs::path(data()) / "Ammo.vrh", outside() / "Ammo.vrh");  // and a mod manager's link
    ToolRun c = run_tool({"check", "-C", data()});
    EXPECT_NE(c.err.find("Ammo.vrh shared its storage"), std::string::npos) << c.err;
    EXPECT_FALSE(fs::equivalent(content, fs::path(data()) / "Ammo.vrh"));
    EXPECT_EQ(read_file(content), ammo);
    ASSERT_EQ(import_csv(nine_files_csv(4, 2)).status, 0);  // in place: the link stays
    EXPECT_EQ(read_file(content), ammo);
    EXPECT_EQ(read_file(outside() / "Ammo.vrh"), read_file(fs::path(data()) / "Ammo.vrh"));
    ASSERT_EQ(run_tool({"restore", "-C", data(), "2"}).status, 0);
    EXPECT_EQ(read_file(fs::path(data()) / "Ammo.vrh"), ammo);
}

// Entry numbers of any width: a history that reached 999999 goes on at
// 1000000, lists it, and rolls back its interrupted journal; a name of six
// digits and anything else is not ours, and neither stops nor numbers it.
TEST_F(Defence, EntryNumbersOfAnyWidthAndNamesThatAreNotOurs) {
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    fs::rename(history("000001.entry"), history("999999.entry"));
    std::string manifest_text = read_file(history("999999.entry"));
    manifest_text.replace(manifest_text.find("number 1\n"), 9, "number 999999\n");
    write_file(history("999999.entry"), manifest_text);
    const auto before = snapshot(data());
    ASSERT_EQ(import_csv(nine_files_csv(4, 2)).status, 0);
    ToolRun h = run_tool({"history", "-C", data()});
    ASSERT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(h.out.rfind("1000000  ", 0), 0u) << h.out;
    EXPECT_NE(h.out.find("\n999999  "), std::string::npos) << h.out;

    // Cut off after its files were placed: the next command rolls it back.
    fs::rename(history("1000000.entry"), history("1000000.journal"));
    ToolRun c = run_tool({"check", "-C", data()});
    EXPECT_EQ(c.status, 0) << c.out;
    EXPECT_NE(c.err.find("recovered: an interrupted write (\"import of 1 slot\""), std::string::npos) << c.err;
    EXPECT_EQ(snapshot(data()), before);

    // Names that are not ours: reported, and ignored by the numbering.
    fs::remove_all(history());
    fs::create_directories(history("content"));
    write_file(history("999999.foo"), "x");
    write_file(history("content/notes.txt"), "x");
    ASSERT_EQ(import_csv(nine_files_csv(4, 3)).status, 0);
    h = run_tool({"history", "-C", data()});
    EXPECT_EQ(h.status, 0);
    EXPECT_EQ(h.out.rfind("1  ", 0), 0u) << h.out;
    EXPECT_NE(h.err.find(".history/999999.foo: not a file of ours; ignored"), std::string::npos) << h.err;
    EXPECT_NE(h.err.find(".history/content/notes.txt: not a file of ours"), std::string::npos) << h.err;
    c = run_tool({"check", "-C", data()});
    EXPECT_EQ(c.status, 0) << c.out;
    EXPECT_NE(c.out.find("History: .history/999999.foo: not a file of ours"), std::string::npos) << c.out;
}

// An entry that cannot be read (garbage, a folder, a pipe, a link to a
// device) is named by history and check and left out; the rest of the
// history stays usable, and only a restore that must pass through it stops.
TEST_F(Defence, AnEntryThatCannotBeReadIsLeftOutAndNamed) {
    for (int k = 1; k <= 5; ++k) ASSERT_EQ(import_csv(nine_files_csv(4, k)).status, 0);
    write_file(history("000004.entry"), "not a manifest");
    fs::remove(history("000001.entry"));
    fs::create_directory(history("000001.entry"));
#ifndef _WIN32
    fs::remove(history("000002.entry"));
    ASSERT_EQ(::mkfifo(history("000002.entry").c_str(), 0644), 0);
    fs::remove(history("000003.entry"));
    fs::create_symlink("/dev/zero", history("000003.entry"));
#endif
    ToolRun h = run_tool({"history", "-C", data()});
    EXPECT_EQ(h.status, 2);
    EXPECT_EQ(h.out.rfind("5  ", 0), 0u) << h.out;
    EXPECT_EQ(count_lines_of(h.out), 1) << h.out;
    for (const char* name : {"000001.entry", "000002.entry", "000003.entry", "000004.entry"})
        EXPECT_NE(h.err.find(std::string(".history/") + name), std::string::npos) << name << ": " << h.err;
    ToolRun c = run_tool({"check", "-C", data()});
    EXPECT_EQ(c.status, 0) << c.out;
    EXPECT_NE(c.out.find("History: .history/000004.entry: not a valid history manifest"), std::string::npos) << c.out;

    const auto now = snapshot(data());
    ToolRun r = run_tool({"restore", "-C", data(), "4"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("entry 4 cannot be read"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(data()), now);
    r = run_tool({"restore", "-C", data(), "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    // A new write numbers past every entry, read or not.
    EXPECT_NE(r.out.find("(history entry 6;"), std::string::npos) << r.out;
}

// Entry numbers on the command line: decimal digits in range, or one short line.
TEST_F(Defence, EntryNumbersParseStrictlyWithAOneLineMessage) {
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    const auto now = snapshot(data());
    for (const char* bad : {"0", "-1", "1abc", "0x1", " 1", "1 ", "+1", "99999999999999999999", ""}) {
        SCOPED_TRACE(bad);
        ToolRun r = run_tool({"restore", "-C", data(), bad});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("is not a history entry number"), std::string::npos) << r.err;
        EXPECT_EQ(count_lines_of(r.err), 1) << r.err;
        EXPECT_LT(r.err.size(), 200u) << r.err;
    }
    for (const char* bad : {"0", "99999999999999999999"}) {
        ToolRun d = run_tool({"diff", data() + "@" + bad, data()});
        EXPECT_EQ(d.status, 2);
        EXPECT_NE(d.err.find("is not a history entry number"), std::string::npos) << d.err;
        EXPECT_EQ(count_lines_of(d.err), 1) << d.err;
    }
    EXPECT_EQ(snapshot(data()), now);
    EXPECT_EQ(run_tool({"restore", "-C", data(), "0001"}).status, 0);
}

// Restore tells the truth: when the files do not hold what the newest entry
// says it wrote (here its manifest is gone, so two files keep its bytes),
// it names them and writes nothing, unless told to go on.
TEST_F(Defence, RestoreRefusesAFolderThatDoesNotHoldWhatTheHistorySaysItWrote) {
    ASSERT_EQ(import_csv("slot,MonstersSetup.vrh@27000,name\r\n4,40,Four\r\n").status, 0);
    ASSERT_EQ(import_csv("slot,MonstersSetup.vrh@27000,name,DefenseBonus.vrh@0\r\n4,41,Fours,9\r\n").status, 0);
    fs::remove(history("000002.entry"));
    const auto now = snapshot(data());
    ToolRun r = run_tool({"restore", "-C", data(), "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("MonstersSetup.vrh, Eng/Monsters.txt do not hold what the history's last write left there"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("--force"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(data()), now);
    r = run_tool({"restore", "-C", data(), "1", "--dry-run"});
    EXPECT_EQ(r.status, 2);
    r = run_tool({"restore", "-C", data(), "1", "--force"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Restored"), std::string::npos);
}

// A restore of one creature whose text cannot be read writes nothing: the
// creature would come back half.
TEST_F(Defence, RestoreOfOneCreatureWithATextThatCannotBeReadWritesNothing) {
    ASSERT_EQ(import_csv("slot,MonstersSetup.vrh@27000,name\r\n6,40,Six\r\n").status, 0);
    fs::remove(fs::path(data()) / "Rus/Monsters.txt");
    fs::create_directory(fs::path(data()) / "Rus/Monsters.txt");
    const auto now = snapshot(data());
    for (const bool force : {false, true}) {
        std::vector<std::string> args{"restore", "-C", data(), "1", "--slot", "6"};
        if (force) args.push_back("--force");
        ToolRun r = run_tool(args);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_NE(r.err.find("Rus/Monsters.txt: cannot be read: is a folder"), std::string::npos) << r.err;
        EXPECT_EQ(snapshot(data()), now);
    }
}

// Stored text reaches the terminal only escaped: a manifest's made-by in
// history, check and the recovery message, as every other quoted text.
TEST_F(Defence, TextFromTheHistoryIsEscapedInEveryMessage) {
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    const std::string evil = "evil\x1B[2J\x07\xC2\x9B" "31m";
    std::string entry = read_file(history("000001.entry"));
    entry.replace(entry.find("made-by import of 1 slot"), 24, "made-by " + evil);
    write_file(history("000001.entry"), entry);
    const std::vector<HistoryFile> nothing_replaced{{"Ammo.vrh", hash_of("Ammo.vrh"), 1, content_hash("x"), 1}};
    write_file(history("000002.journal"), manifest(2, nothing_replaced, evil));
    auto clean = [](const std::string& text) {
        return text.find('\x1B') == std::string::npos && text.find('\x07') == std::string::npos &&
               text.find("\xC2\x9B") == std::string::npos;
    };
    ToolRun c = run_tool({"check", "-C", data()});
    EXPECT_TRUE(clean(c.out)) << c.out;
    EXPECT_TRUE(clean(c.err)) << c.err;
    EXPECT_NE(c.err.find("\"evil\\u001b[2J\\u0007\\u009b31m\""), std::string::npos) << c.err;
    for (const char* json : {"", "--json"}) {
        std::vector<std::string> args{"history", "-C", data()};
        if (*json) args.push_back(json);
        ToolRun h = run_tool(args);
        EXPECT_EQ(h.status, 0) << h.err;
        EXPECT_TRUE(clean(h.out)) << h.out;
        EXPECT_NE(h.out.find("\\u001b[2J"), std::string::npos) << h.out;
    }
}

#ifndef _WIN32
// A stored old content is no more open than the file it comes from.
TEST_F(Defence, StoredContentsKeepTheirFilesPermissions) {
    const fs::path ammo = fs::path(data()) / "Ammo.vrh";
    ASSERT_EQ(::chmod(ammo.c_str(), 0600), 0);
    const std::string old = read_file(ammo);
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    struct stat st {};
    ASSERT_EQ(::stat(content_path(data(), content_hash(old)).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(ammo.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

// A folder the user may not write is refused with that reason, not with the
// lock file's absence. Run as another user where the tests run as root.
TEST_F(Defence, AReadOnlyFolderIsRefusedWithItsTrueReason) {
    ASSERT_EQ(::chmod(data().c_str(), 0555), 0);
    int pipe_fds[2];
    ASSERT_EQ(::pipe(pipe_fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipe_fds[0]);
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
        const ToolRun r = import_csv(nine_files_csv(4, 1));
        const std::string said = std::to_string(r.status) + " " + r.err;
        (void)!::write(pipe_fds[1], said.data(), said.size());
        ::_exit(0);
    }
    ::close(pipe_fds[1]);
    std::string said;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipe_fds[0], buffer, sizeof buffer)) > 0;) said.append(buffer, static_cast<std::size_t>(n));
    ::close(pipe_fds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::chmod(data().c_str(), 0755);
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the test could not become another user";
    EXPECT_EQ(said.rfind("2 ", 0), 0u) << said;
    EXPECT_NE(said.find("permission denied"), std::string::npos) << said;
    EXPECT_EQ(said.find("No such file"), std::string::npos) << said;
}
#endif

// The history entry of a restore of one creature names that creature only,
// not every creature of the entries it undid.
TEST_F(Defence, ARestoreOfOneCreatureIsAnEntryForThatCreature) {
    ASSERT_EQ(import_csv("slot,MonstersSetup.vrh@27000\r\n6,40\r\n9,41\r\n").status, 0);
    ASSERT_EQ(import_csv("slot,MonstersSetup.vrh@27000\r\n7,42\r\n").status, 0);
    ASSERT_EQ(run_tool({"restore", "-C", data(), "1", "--slot", "6"}).status, 0);
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(data(), entries).ok());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].slots, (std::vector<int>{6, 9}));
    EXPECT_EQ(entries[2].slots, (std::vector<int>{6}));
}

}  // namespace
}  // namespace ce::test
