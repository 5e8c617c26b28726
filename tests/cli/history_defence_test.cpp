// The history defends itself: what ".history" names never reaches outside the
// data folder, no write (interrupted or not) leaves a data file sharing its
// storage with the history, numbers of any width, names that are not ours
// ignored and reported, a restore that tells the truth, and stored text that
// reaches the terminal only escaped. And the folder defends itself: a backup
// copy or temporary file that no write of ours recorded is never used (through
// a link out of the folder least of all), a patch's name cannot change the
// shape of a manifest, and temporary folders are nobody's but ours.
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
#include "store/quoted_text.h"
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

// Crafted names beside the folder's files, each with the link out of the
// folder that a put-back would write through: the file itself a relative or
// an absolute link, Lang a hard link to a file outside, a backup copy that is
// itself a link, a temporary file of a write in progress that is a link, and
// language folders that lead out (to a folder outside, to the folder's
// parent), whose files are no business of the folder's.
struct Planted {
    const char* what;
    const char* copy;  // the name planted, relative to the data folder
    bool named;        // whether a command of ours names it (it is the folder's)
    void (*make)(const std::string& data, const fs::path& outside);
};

void link_to_outside(const std::string& data, const char* name, const fs::path& target, bool relative) {
    const fs::path at = fs::path(data) / name;
    fs::remove(at);
    fs::create_symlink(relative ? fs::relative(target, at.parent_path()) : target, at);
}

const Planted kPlanted[] = {
    {"a backup copy beside a relative link out", "Eng/Monsters.txt.~old0", true,
     [](const std::string& data, const fs::path& outside) {
         fs::copy_file(fs::path(data) / "Eng/Monsters.txt", outside / "bashrc", fs::copy_options::overwrite_existing);
         link_to_outside(data, "Eng/Monsters.txt", outside / "bashrc", true);
     }},
    {"a backup copy beside an absolute link out", "MonstersSetup.vrh.~old7", true,
     [](const std::string& data, const fs::path& outside) {
         fs::copy_file(fs::path(data) / "MonstersSetup.vrh", outside / "data.bin", fs::copy_options::overwrite_existing);
         link_to_outside(data, "MonstersSetup.vrh", outside / "data.bin", false);
     }},
    {"a backup copy beside Lang, a link out", "Lang.~old7", true,
     [](const std::string& data, const fs::path& outside) { link_to_outside(data, "Lang", outside / "keep.txt", false); }},
    {"a backup copy beside Lang, a hard link to a file outside", "Lang.~old0", true,
     [](const std::string& data, const fs::path& outside) {
         fs::remove(fs::path(data) / "Lang");
         fs::create_hard_link(outside / "keep.txt", fs::path(data) / "Lang");
     }},
    {"a temporary file of no write beside a link out", "Ammo.vrh.~new4", true,
     [](const std::string& data, const fs::path& outside) {
         fs::copy_file(fs::path(data) / "Ammo.vrh", outside / "ammo.bin", fs::copy_options::overwrite_existing);
         link_to_outside(data, "Ammo.vrh", outside / "ammo.bin", false);
     }},
    {"a backup copy that is a link to a file outside", "Eng/Plural.txt.~old7", true,
     [](const std::string& data, const fs::path& outside) {
         fs::remove(fs::path(data) / "Eng/Plural.txt.~old7");
         fs::create_symlink(outside / "keep.txt", fs::path(data) / "Eng/Plural.txt.~old7");
     }},
    {"a temporary file of a write in progress that is a link to a file outside", "Ammo.vrh.~new9", true,
     [](const std::string& data, const fs::path& outside) {
         write_file(history_path(data, "000009.journal.~new0"), "creatures his");
         fs::remove(fs::path(data) / "Ammo.vrh.~new9");
         fs::create_symlink(outside / "config.txt", fs::path(data) / "Ammo.vrh.~new9");
     }},
    {"a backup copy of a file no write of ours changes, a link to a file outside", "Eng/Common.txt.~old7", false,
     [](const std::string& data, const fs::path& outside) {
         fs::remove(fs::path(data) / "Eng/Common.txt.~old7");
         fs::create_symlink(outside / "keep.txt", fs::path(data) / "Eng/Common.txt.~old7");
     }},
    {"a backup copy in a language folder that is a link out", "Rus/Monsters.txt.~old0", false,
     [](const std::string& data, const fs::path& outside) {
         fs::rename(fs::path(data) / "Rus", outside / "Rus");
         fs::create_directory_symlink(outside / "Rus", fs::path(data) / "Rus");
     }},
    {"a temporary file in a language folder that is a link to the folder's parent", "Rus/Plural.txt.~new1", false,
     [](const std::string& data, const fs::path&) {
         const fs::path parent = fs::path(data).parent_path();
         fs::copy_file(fs::path(data) / "Rus/Plural.txt", parent / "Plural.txt", fs::copy_options::overwrite_existing);
         fs::remove_all(fs::path(data) / "Rus");
         fs::create_directory_symlink("..", fs::path(data) / "Rus");
         write_file(history_path(data, "000001.journal.~new0"), "creatures his");
     }},
};

// How often `text` holds `piece`.
int times_in(const std::string& text, const std::string& piece) {
    int n = 0;
    for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

// A folder with a link out of it and a crafted name beside: every command of
// the tool and the editor's start-up change nothing outside the folder, never
// use or remove the crafted name, and each names it once where it is the
// folder's (and not at all where it is not).
TEST_F(Defence, ABackupCopyOrTemporaryFileNoWriteOfOursMadeIsNeverUsedByAnyCommand) {
    for (const Planted& p : kPlanted) {
        SCOPED_TRACE(p.what);
        SetUp();
        // Entry 1 (DefenseBonus.vrh only, never linked here), for restore and apply.
        ASSERT_EQ(import_csv("slot,DefenseBonus.vrh@0\r\n4,77\r\n").status, 0);
        const std::string patch = (top.path() / "mod.json").string();
        write_file(patch, run_tool({"diff", data() + "@1", data(), "--patch"}).out);
        p.make(data(), outside());
        const fs::path copy = fs::path(data()) / p.copy;
        if (!fs::is_symlink(copy)) write_file(copy, "planted by the archive\n");
        const auto outside_before = snapshot(outside().string());
        const std::string parent_plural = read_file(fs::path(data()).parent_path() / "Plural.txt");
        const std::string copy_bytes = read_file(copy);
        const std::string out_dir = (top.path() / "merged").string();

        const std::vector<std::vector<std::string>> commands{
            {"show", "-C", data(), "4"},
            {"export", "-C", data(), "--slots", "4"},
            {"check", "-C", data()},
            {"history", "-C", data()},
            {"diff", data(), data()},
            {"diff", data() + "@1", data()},
            {"import", "-C", data(), "-", "--format", "csv"},
            {"apply", "-C", data(), patch},
            {"restore", "-C", data(), "1"},
            {"merge", data(), patch, "-o", out_dir}};
        for (const auto& args : commands) {
            SCOPED_TRACE(args[0] + " " + args[1]);
            fs::remove_all(out_dir);
            const ToolRun r = run_tool(args, "slot,DefenseBonus.vrh@0\r\n4,78\r\n");
            EXPECT_NE(r.status, 2) << r.err;
            const int said = times_in(r.err, "left alone: " + std::string(p.copy) + ":");
            const int expected = p.named ? 1 : 0;  // diff opens it twice, and says it once
            EXPECT_EQ(said, expected) << r.err;
            EXPECT_EQ(r.err.find("recovered: removed the left-over temporary file " + std::string(p.copy)),
                      std::string::npos)
                << r.err;
            EXPECT_EQ(r.err.find("put back"), std::string::npos) << r.err;
        }
        const Recovery at_start = recover_folder(system_file_ops(), data());  // the editor's start-up
        ASSERT_TRUE(at_start.status.ok()) << at_start.status.message();
        EXPECT_EQ(times_in(recovery_message(at_start, data()), std::string(p.copy) + ":"), p.named ? 1 : 0);

        EXPECT_EQ(snapshot(outside().string()), outside_before);
        EXPECT_EQ(read_file(fs::path(data()).parent_path() / "Plural.txt"), parent_plural);
        EXPECT_TRUE(fs::exists(fs::symlink_status(copy))) << "the crafted name was removed";
        EXPECT_EQ(read_file(copy), copy_bytes);
    }
}

// The history's own settings file is replaced by a new file of its own, never
// written through a link a crafted history put in its place.
TEST_F(Defence, TheHistorysSettingsAreNeverWrittenThroughALink) {
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    write_file(outside() / "settings.txt", "history on\n");
    fs::create_symlink(outside() / "settings.txt", history("settings"));
    const ToolRun r = run_tool({"history", "-C", data(), "--keep-entries", "5"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(outside() / "settings.txt"), "history on\n");
    EXPECT_FALSE(fs::is_symlink(history("settings")));
    EXPECT_NE(read_file(history("settings")).find("keep-entries 5"), std::string::npos);
}

// A patch named with a line break (and a control byte) applies, lists in the
// history on one line with its name quoted, restores, and an apply cut off
// after two of its files were replaced is rolled back by the next command.
TEST_F(Defence, APatchNamedWithALineBreakAppliesListsRestoresAndRecovers) {
    const std::string modded = (top.path() / "modded").string();
    write_fixture_folder(modded);
    ASSERT_EQ(run_tool({"import", "-C", modded, "-", "--format", "csv"}, nine_files_csv(4, 1)).status, 0);
    const std::string patch = (top.path() / "mod\nslots 1\x07").string();
    write_file(patch, run_tool({"diff", data(), modded, "--patch"}).out);
    const auto before = snapshot(data());

    // Cut off: the power goes after the second file is replaced, so that
    // nothing more reaches the disk; the journal names the patch.
    class CutAfterTwoFiles : public ForwardingOps {
    public:
        int replaced = 0;
        bool dead() const { return replaced >= 2; }
        Status rename_over(const std::string& from, const std::string& to) override {
            if (dead()) return {};
            if (to.find(kHistoryFolder) == std::string::npos) ++replaced;  // a file of the folder
            return ForwardingOps::rename_over(from, to);
        }
        Status replace(const std::string& from, const std::string& to) override {
            return dead() ? Status() : ForwardingOps::replace(from, to);
        }
        Status create_new(const std::string& path, const std::string& model, Handle& out) override {
            if (dead()) return out = kNoHandle, Status();
            return ForwardingOps::create_new(path, model, out);
        }
        Status open_existing(const std::string& path, Handle& out) override {
            if (dead()) return out = kNoHandle, Status();
            return ForwardingOps::open_existing(path, out);
        }
        Status write(Handle h, const void* d, std::size_t n) override { return dead() ? Status() : ForwardingOps::write(h, d, n); }
        Status set_size(Handle h, std::uint64_t n) override { return dead() ? Status() : ForwardingOps::set_size(h, n); }
        Status flush(Handle h) override { return dead() ? Status() : ForwardingOps::flush(h); }
        Status close(Handle h) override { return h == kNoHandle ? Status() : ForwardingOps::close(h); }
        Status remove(const std::string& p) override { return dead() ? Status() : ForwardingOps::remove(p); }
        Status sync_folder(const std::string& p) override { return dead() ? Status() : ForwardingOps::sync_folder(p); }
    } cut;
    (void)run_tool({"apply", "-C", data(), patch}, cut);
    ASSERT_EQ(cut.replaced, 2);
    ASSERT_NE(snapshot(data()), before);
    ToolRun c = run_tool({"check", "-C", data()});
    EXPECT_EQ(c.status, 0) << c.out << c.err;
    EXPECT_NE(c.err.find("recovered: an interrupted write (" + quoted_text("apply of patch " + patch)), std::string::npos)
        << c.err;
    EXPECT_EQ(snapshot(data()), before);

    ToolRun a = run_tool({"apply", "-C", data(), patch});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(a.out.find('\x07'), std::string::npos) << a.out;
    EXPECT_EQ(a.err.find('\x07'), std::string::npos) << a.err;
    ToolRun h = run_tool({"history", "-C", data()});
    ASSERT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(count_lines_of(h.out), 1) << h.out;
    EXPECT_NE(h.out.find(quoted_text("apply of patch " + patch)), std::string::npos) << h.out;
    ToolRun j = run_tool({"history", "-C", data(), "--json"});
    EXPECT_NE(j.out.find("slots 1\\u0007"), std::string::npos) << j.out;
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(data(), entries).ok());
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].made_by, "apply of patch " + patch);
    EXPECT_EQ(entries[0].slots, std::vector<int>{4});
    ToolRun r = run_tool({"restore", "-C", data(), "1"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(snapshot(data()), before);
}

// Manifests written before names were quoted still read, and a quoted text
// comes back byte for byte whatever it holds; a malformed one is refused.
TEST_F(Defence, ManifestTextsRoundTripAndOlderManifestsStillRead) {
    const std::string old_style = std::string("creatures history 1\nnumber 3\ntime 2025-01-01 00:00:00\n") +
                                  "made-by import of 2 slots\nslots 1 2\nfile - 0 " + content_hash("x") +
                                  " 1 Ammo.vrh\nend\n";
    HistoryEntry e;
    ASSERT_TRUE(parse_manifest(old_style, e).ok());
    EXPECT_EQ(e.made_by, "import of 2 slots");
    EXPECT_EQ(format_manifest(e), old_style);  // plain texts are written as before
    for (const std::string& text : {std::string("apply of patch mod\nslots 1"), std::string("\"quoted\" \\ back"),
                                    std::string("\x1B[2J\x07\xC2\x9B\xFF\x00 end", 12), std::string(""),
                                    std::string("\"")}) {
        e.made_by = text;
        e.time = text;
        const std::string manifest = format_manifest(e);
        EXPECT_EQ(count_lines_of(manifest), 7) << manifest;
        HistoryEntry back;
        ASSERT_TRUE(parse_manifest(manifest, back).ok()) << manifest;
        EXPECT_EQ(back.made_by, text);
        EXPECT_EQ(back.time, text);
    }
    for (const char* bad : {"\"unclosed", "\"bad \\q escape\"", "\"\\x4\"", "\"inner \" quote\""}) {
        std::string manifest = old_style;
        manifest.replace(manifest.find("import of 2 slots"), 17, bad);
        EXPECT_FALSE(parse_manifest(manifest, e).ok()) << bad;
    }
}

// apply names the patch and the folder quoted where they are not plain (no
// escape, bell or line break of theirs reaches the terminal), and a change
// whose before is its after is said to have nothing to do.
TEST_F(Defence, ApplyQuotesWhatItWasGivenAndSaysWhatIsTrue) {
    const std::string evil_dir = (top.path() / "data\x1B[2J\x07").string();
    write_fixture_folder(evil_dir);
    const std::string modded = (top.path() / "modded").string();
    write_fixture_folder(modded);
    ASSERT_EQ(run_tool({"import", "-C", modded, "-", "--format", "csv"}, "slot,DefenseBonus.vrh@0\r\n4,77\r\n").status, 0);
    const std::string patch = (top.path() / "mod\x1B]0;owned\x07\n.json").string();
    const std::string text = run_tool({"diff", evil_dir, modded, "--patch"}).out;
    write_file(patch, text);
    for (const bool dry : {true, false}) {
        std::vector<std::string> args{"apply", "-C", evil_dir, patch};
        if (dry) args.push_back("--dry-run");
        const ToolRun a = run_tool(args);
        ASSERT_EQ(a.status, 0) << a.err;
        for (const std::string* said : {&a.out, &a.err}) {
            EXPECT_EQ(said->find('\x1B'), std::string::npos) << *said;
            EXPECT_EQ(said->find('\x07'), std::string::npos) << *said;
        }
        if (!dry) {
            EXPECT_NE(a.out.find("creatures restore -C " + quoted_text(evil_dir) + " 1 takes"), std::string::npos) << a.out;
        }
    }
    // A bad patch is named quoted too.
    write_file(patch, "{");
    const ToolRun bad = run_tool({"apply", "-C", evil_dir, patch});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.err.find(quoted_text(patch)), std::string::npos) << bad.err;
    EXPECT_EQ(bad.err.find('\x07'), std::string::npos) << bad.err;

    // Before and after the same: nothing to do, whatever the folder holds.
    std::string same = text;
    const std::size_t after = same.find("\"after\": 77");
    ASSERT_NE(after, std::string::npos) << same;
    const std::size_t before = same.rfind("\"before\": ", after);
    same.replace(after, 11, "\"after\": " + same.substr(before + 10, same.find(',', before) - before - 10));
    write_file(patch, same);
    const ToolRun a = run_tool({"apply", "-C", data(), patch});
    EXPECT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find("no field to change; 1 change has the same before and after (nothing to do); nothing to write"),
              std::string::npos)
        << a.out;
}

#ifndef _WIN32
// The copies that restore --slot and diff DIR@N read from are made new, in a
// folder nobody else can have made first: another user's folders named as
// they used to be ("creatures-<pid>-<n>", links inside named like the data
// files) are never written through. Run as another user where the tests run
// as root, with the traps made by root.
TEST_F(Defence, TemporaryCopiesNeverUseAFolderAnotherUserMadeFirst) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root, to be another user";
    ASSERT_EQ(import_csv(nine_files_csv(4, 1)).status, 0);
    const fs::path victim_dir = top.path() / "victim";
    fs::create_directories(victim_dir);
    const fs::path victim = victim_dir / ".profile";
    write_file(victim, "the victim's profile\n");
    ASSERT_EQ(::chown(victim.c_str(), 65534, 65534), 0);
    ASSERT_EQ(::chown(victim_dir.c_str(), 65534, 65534), 0);
    for (const auto& e : fs::recursive_directory_iterator(top.path()))
        (void)::chown(e.path().c_str(), 65534, 65534);
    ASSERT_EQ(::chown(top.path().c_str(), 65534, 65534), 0);
    int go[2], said[2];
    ASSERT_EQ(::pipe(go), 0);
    ASSERT_EQ(::pipe(said), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(go[1]);
        ::close(said[0]);
        char c;
        (void)!::read(go[0], &c, 1);
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
        ::setenv("TMPDIR", "/tmp", 1);
        const ToolRun d = run_tool({"diff", data() + "@1", data()});
        const ToolRun r = run_tool({"restore", "-C", data(), "1", "--slot", "4"});
        const std::string text = std::to_string(d.status) + " " + std::to_string(r.status) + " " + d.err + r.err;
        (void)!::write(said[1], text.data(), text.size());
        ::_exit(0);
    }
    ::close(go[0]);
    ::close(said[1]);
    // The traps, by "another user" (root here): open to all, sticky, with
    // links named like every file a copy holds; for every count of copies
    // this test program may have made before it forked.
    std::vector<fs::path> traps;
    for (int n = 1; n <= 1000; ++n) {
        const fs::path trap = fs::path("/tmp") / ("creatures-" + std::to_string(child) + "-" + std::to_string(n));
        fs::create_directories(trap);
        ::chmod(trap.c_str(), 01777);
        for (const std::string& name : {std::string("MonstersSetup.vrh"), std::string("Lang"), std::string("Ammo.vrh")})
            fs::create_symlink(victim, trap / name);
        traps.push_back(trap);
    }
    (void)!::write(go[1], "g", 1);
    ::close(go[1]);
    std::string result;
    char buffer[4096];
    for (ssize_t n; (n = ::read(said[0], buffer, sizeof buffer)) > 0;) result.append(buffer, static_cast<std::size_t>(n));
    ::close(said[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    for (const fs::path& trap : traps) fs::remove_all(trap);
    ASSERT_EQ(WEXITSTATUS(status), 0) << "the test could not become another user";
    EXPECT_EQ(result.rfind("1 0 ", 0), 0u) << result;
    EXPECT_TRUE(read_file(victim) == "the victim's profile\n") << "the victim's file was written through a trap";
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
