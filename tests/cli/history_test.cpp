// The folder's history from the command line, and the write it guards: two
// imports at once, a file that cannot be replaced, restore whole and per
// creature (also of editor Saves), diff against an earlier state, bad input.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "editor/session.h"
#include "store/folder_lock.h"
#include "store/history.h"
#include "support.h"
#include "support/forwarding_ops.h"

namespace ce::test {
namespace {

class History : public ::testing::Test {
protected:
    void SetUp() override { write_fixture_folder(dir.str()); }

    ToolRun import_csv(const std::string& csv, FileOps& ops = system_file_ops()) {
        return run_tool({"import", "-C", dir.str(), "-", "--format", "csv"}, ops, csv);
    }
    // The exported value of one field of one slot.
    std::string value(int slot, const std::string& key) {
        ToolRun r = run_tool({"export", "-C", dir.str(), "--format", "csv", "--slots", std::to_string(slot),
                              "--fields", key});
        EXPECT_EQ(r.status, 0) << r.err;
        // "slot,value,digest"
        const std::string row = r.out.substr(r.out.find('\n') + 1);
        const std::size_t from = row.find(',') + 1;
        return row.substr(from, row.rfind(',', row.find('\r')) - from);
    }

    TempDir dir;
};

constexpr const char* kRace = "MonstersSetup.vrh@27000";

TEST_F(History, ImportsAreListedAndRestoredEntryByEntryByteForByte) {
    const auto s0 = snapshot(dir.str());
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + ",name\r\n6,202,\"First\"\r\n").status, 0);
    const auto s1 = snapshot(dir.str());
    ASSERT_EQ(import_csv("slot,DefenseBonus.vrh@0,plural\r\n7,99,\"Sevens\"\r\n8,98,\"Eights\"\r\n").status, 0);
    const auto s2 = snapshot(dir.str());
    ASSERT_NE(s1, s0);
    ASSERT_NE(s2, s1);

    ToolRun h = run_tool({"history", "-C", dir.str()});
    ASSERT_EQ(h.status, 0) << h.err;
    EXPECT_EQ(count_lines_of(h.out), 2);
    EXPECT_EQ(h.out.rfind("2  ", 0), 0u) << h.out;  // newest first
    EXPECT_NE(h.out.find("import of 2 slots  [slots 7-8]  DefenseBonus.vrh, Eng/Plural.txt"), std::string::npos) << h.out;
    EXPECT_NE(h.out.find("import of 1 slot  [slots 6]  MonstersSetup.vrh, Eng/Monsters.txt"), std::string::npos) << h.out;
    ToolRun j = run_tool({"history", "-C", dir.str(), "--json"});
    ASSERT_EQ(j.status, 0);
    EXPECT_NE(j.out.find("\"number\": 2"), std::string::npos) << j.out;
    EXPECT_NE(j.out.find("\"made_by\": \"import of 1 slot\""), std::string::npos) << j.out;

    ToolRun r = run_tool({"restore", "-C", dir.str(), "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("history entry 3"), std::string::npos) << r.out;
    EXPECT_EQ(snapshot(dir.str()), s1);
    ASSERT_EQ(run_tool({"restore", "-C", dir.str(), "1"}).status, 0);
    EXPECT_EQ(snapshot(dir.str()), s0);
    // A restore is itself undoable.
    ASSERT_EQ(run_tool({"restore", "-C", dir.str(), "4"}).status, 0);
    EXPECT_EQ(snapshot(dir.str()), s1);
    // Restoring to the state the folder is in writes nothing and makes no entry.
    r = run_tool({"restore", "-C", dir.str(), "4"});
    EXPECT_NE(r.out.find("Nothing to restore"), std::string::npos) << r.out;
    EXPECT_EQ(count_lines_of(run_tool({"history", "-C", dir.str()}).out), 5);
}

TEST_F(History, RestoreOfOneSlotKeepsEveryOtherCreaturesLaterChange) {
    const std::string race6 = value(6, kRace), race9 = value(9, kRace);
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + ",name\r\n6,202,\"Six\"\r\n9,203,\"Nine\"\r\n").status, 0);
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n9,204\r\n").status, 0);
    const auto before = snapshot(dir.str());

    ToolRun dry = run_tool({"restore", "-C", dir.str(), "1", "--slot", "6", "--dry-run"});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_NE(dry.out.find("slot 6: " + std::string(kRace)), std::string::npos) << dry.out;
    EXPECT_EQ(dry.out.find("slot 9"), std::string::npos) << dry.out;
    EXPECT_NE(dry.out.find("dry run: nothing written"), std::string::npos);
    EXPECT_EQ(snapshot(dir.str()), before);

    ToolRun r = run_tool({"restore", "-C", dir.str(), "1", "--slot", "6"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(value(6, kRace), race6);
    EXPECT_EQ(value(9, kRace), "204");
    EXPECT_EQ(value(9, "name"), "Nine");
    // Only creature 6's bytes changed: diff against the state before shows slot 6 alone.
    ToolRun d = run_tool({"diff", dir.str() + "@3", dir.str()});
    EXPECT_EQ(d.status, 1) << d.err;
    for (std::size_t at = 0; (at = d.out.find("slot ", at)) != std::string::npos; ++at)
        EXPECT_EQ(d.out.compare(at, 7, "slot 6:"), 0) << d.out;
    (void)race9;
}

TEST_F(History, DiffReadsTheFolderAsItWasBeforeAnEntry) {
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n6,202\r\n").status, 0);
    ToolRun d = run_tool({"diff", dir.str() + "@1", dir.str()});
    EXPECT_EQ(d.status, 1) << d.err;
    EXPECT_NE(d.out.find("slot 6: MonstersSetup.vrh@27000"), std::string::npos) << d.out;
    EXPECT_EQ(count_lines_of(d.out), 1);
    d = run_tool({"diff", dir.str() + "@7", dir.str()});
    EXPECT_EQ(d.status, 2);
    EXPECT_NE(d.err.find("there is no history entry 7 (the entries are 1 to 1)"), std::string::npos) << d.err;
}

// The write pauses at its first rename, after it has read the folder and
// holds the lock, before any file of the folder changes.
class SlowFirstReplace : public ForwardingOps {
public:
    std::atomic<bool> started{false};
    Status before(Step step, const std::string&) override {
        if ((step == Replace || step == RenameOver) && !started.exchange(true))
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        return {};
    }
};

TEST_F(History, TwoImportsAtOnceLoseNoUpdate) {
    SlowFirstReplace slow;
    ToolRun a, b;
    std::thread first([&] {
        a = import_csv(std::string("slot,") + kRace + ",DefenseBonus.vrh@0\r\n5,11,201\r\n6,12,202\r\n", slow);
    });
    while (!slow.started) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    std::thread second([&] { b = import_csv(std::string("slot,") + kRace + "\r\n6,203\r\n"); });
    first.join();
    second.join();
    ASSERT_EQ(a.status, 0) << a.err;
    // B reads the folder only once it has the lock, after A wrote it: it
    // builds on A's files, and changes only its own field.
    ASSERT_EQ(b.status, 0) << b.err;
    EXPECT_EQ(value(5, kRace), "11");
    EXPECT_EQ(value(5, "DefenseBonus.vrh@0"), "201");
    EXPECT_EQ(value(6, kRace), "203");
    ASSERT_EQ(run_tool({"restore", "-C", dir.str(), "2"}).status, 0);
    EXPECT_EQ(value(6, kRace), "12");  // B's old bytes are A's

    // Many small imports at once: each is written whole or refused clearly,
    // never failed by a temporary name.
    for (int i = 0; i < 20; ++i) {
        ToolRun x, y;
        std::thread tx([&] { x = import_csv(std::string("slot,") + kRace + "\r\n1," + std::to_string(100 + i) + "\r\n"); });
        std::thread ty([&] { y = import_csv("slot,DefenseBonus.vrh@0\r\n2," + std::to_string(50 + i) + "\r\n"); });
        tx.join();
        ty.join();
        for (const ToolRun* r : {&x, &y}) {
            EXPECT_TRUE(r->status == 0 || r->err.find("another program is writing") != std::string::npos) << r->err;
            EXPECT_EQ(r->err.find("temporary"), std::string::npos) << r->err;
        }
        if (x.status == 0) {
            EXPECT_EQ(value(1, kRace), std::to_string(100 + i));
        }
        if (y.status == 0) {
            EXPECT_EQ(value(2, "DefenseBonus.vrh@0"), std::to_string(50 + i));
        }
    }
}

TEST_F(History, AnImmutableSecondFileMeansNothingIsWritten) {
    // Data files are written in their fixed order: MonstersSetup.vrh, then DefenseBonus.vrh.
    const std::string victim = dir / "DefenseBonus.vrh";
    if (::geteuid() != 0 || std::system(("chattr +i '" + victim + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i needs root and a file system that supports it";
    const auto before = snapshot(dir.str());
    ToolRun r = import_csv(std::string("slot,") + kRace + ",DefenseBonus.vrh@0\r\n5,11,201\r\n");
    (void)std::system(("chattr -i '" + victim + "'").c_str());
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("DefenseBonus.vrh"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written (the files already replaced were put back)"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), before);
    EXPECT_EQ(run_tool({"check", "-C", dir.str()}).status, 0);
}

TEST_F(History, BadHistoryIsAClearErrorAndNothingIsWritten) {
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n6,202\r\n").status, 0);
    const auto after = snapshot(dir.str());
    const std::string entry = dir / ".history/000001.entry";
    const std::string manifest = read_file(entry);

    ToolRun r = run_tool({"restore", "-C", dir.str(), "5"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("there is no history entry 5"), std::string::npos) << r.err;

    write_file(entry, "creatures history 1\nnumber one\n");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"history", "-C", dir.str()}, {"restore", "-C", dir.str(), "1"}}) {
        r = run_tool(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("000001.entry: not a valid history manifest"), std::string::npos) << r.err;
    }
    write_file(entry, manifest);

    for (const auto& e : fs::directory_iterator(dir.path() / ".history" / "content")) fs::remove(e.path());
    r = run_tool({"restore", "-C", dir.str(), "1"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the stored content cannot be read: does not exist"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), after);

    fs::remove_all(dir.path() / ".history");
    write_file(dir / ".history", "not a folder");
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"history", "-C", dir.str()}, {"restore", "-C", dir.str(), "1"}}) {
        r = run_tool(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_NE(r.err.find(".history: not a folder"), std::string::npos) << r.err;
    }
    r = import_csv(std::string("slot,") + kRace + "\r\n6,203\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(".history: not a folder"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), after);
    fs::remove(dir / ".history");

    fs::remove(dir / kLockFileName);
    fs::create_directory(dir / kLockFileName);
    r = import_csv(std::string("slot,") + kRace + "\r\n6,203\r\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot open the folder's lock file"), std::string::npos) << r.err;
    EXPECT_EQ(snapshot(dir.str()), after);
}

TEST_F(History, CheckReportsAFolderThatNeedsRecoveryAndEveryCommandRecoversIt) {
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n6,202\r\n").status, 0);
    // A write cut off while it staged its files: its manifest half written,
    // a new file beside Ammo.vrh under the write's number. And a name made
    // like ours that no write of ours made.
    write_file(dir / ".history/000002.journal.~new0", "creatures hist");
    write_file(dir / "Ammo.vrh.~new2", "left by a crash");
    write_file(dir / "Ammo.vrh.~new0", "someone else's");
    {
        // While another writer holds the folder, nobody touches its files.
        FolderLock other;
        ASSERT_TRUE(other.acquire(dir.str(), 0).ok());
        ToolRun c = run_tool({"check", "-C", dir.str()});
        EXPECT_EQ(c.status, 1);
        EXPECT_NE(c.out.find("NEEDS RECOVERY: Ammo.vrh.~new2: a left-over temporary file"), std::string::npos) << c.out;
        EXPECT_NE(c.out.find("Left alone: Ammo.vrh.~new0: a temporary file that no write of ours made"),
                  std::string::npos)
            << c.out;
    }
    ToolRun c = run_tool({"check", "-C", dir.str()});
    EXPECT_EQ(c.status, 0) << c.out;
    EXPECT_NE(c.err.find("recovered: removed the left-over temporary file Ammo.vrh.~new2"), std::string::npos) << c.err;
    EXPECT_NE(c.err.find("left alone: Ammo.vrh.~new0"), std::string::npos) << c.err;
    EXPECT_FALSE(fs::exists(dir / "Ammo.vrh.~new2"));
    EXPECT_FALSE(fs::exists(dir / ".history/000002.journal.~new0"));
    EXPECT_EQ(read_file(dir / "Ammo.vrh.~new0"), "someone else's");
    fs::remove(dir / "Ammo.vrh.~new0");
    c = run_tool({"check", "-C", dir.str()});
    EXPECT_TRUE(c.err.empty()) << c.err;  // told once

    fs::create_directories(dir.path() / ".history");
    write_file(dir / ".history/000009.journal", "garbage");
    c = run_tool({"check", "-C", dir.str()});
    EXPECT_EQ(c.status, 1);
    EXPECT_NE(c.out.find("NEEDS RECOVERY"), std::string::npos) << c.out;
    ToolRun i = import_csv(std::string("slot,") + kRace + "\r\n6,203\r\n");
    EXPECT_EQ(i.status, 2);
    EXPECT_NE(i.err.find("cannot recover from an interrupted write"), std::string::npos) << i.err;
    EXPECT_EQ(value(6, kRace), "202");
}

TEST_F(History, SettingsLimitAndTurnOffTheHistory) {
    ToolRun s = run_tool({"history", "-C", dir.str(), "--keep-entries", "2"});
    ASSERT_EQ(s.status, 0) << s.err;
    EXPECT_EQ(s.out, "History on: keeping the newest 2 entries and at most 64 MiB\n");
    for (int i = 0; i < 4; ++i)
        ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n6," + std::to_string(20 + i) + "\r\n").status, 0);
    ToolRun h = run_tool({"history", "-C", dir.str()});
    EXPECT_EQ(count_lines_of(h.out), 2);
    EXPECT_EQ(h.out.rfind("4  ", 0), 0u) << h.out;
    ASSERT_EQ(run_tool({"history", "-C", dir.str(), "--off"}).status, 0);
    ASSERT_EQ(import_csv(std::string("slot,") + kRace + "\r\n6,30\r\n").status, 0);
    EXPECT_EQ(run_tool({"history", "-C", dir.str()}).out, "No history yet in the folder \"" + dir.str() + "\"\n");
    EXPECT_EQ(run_tool({"history", "-C", dir.str(), "--on", "--off"}).status, 2);
}

// Editor Saves of three creatures, restored entry by entry; then one creature
// restored while another's later Save stays.
TEST(EditorHistory, SavesAreUndoneEntryByEntryAndPerCreature) {
    fixture::Session s(3);
    s.start();
    std::vector<fixture::DataFolder::Snapshot> states{s.folder.snapshot()};
    const int slots[] = {4, 9, 4};
    for (int k = 0; k < 3; ++k) {
        s.choose_creature(slots[k]);
        s.retype(98, std::to_string(40 + k));
        s.retype(5000, "Plural " + std::to_string(k));
        s.form.click(2100);
        ASSERT_TRUE(s.form.errors().empty()) << s.form.errors()[0];
        states.push_back(s.folder.snapshot());
        ASSERT_FALSE(states[k + 1].bytes == states[k].bytes);
    }
    // A Save with nothing changed adds no entry.
    s.form.click(2100);
    std::vector<HistoryEntry> entries;
    ASSERT_TRUE(list_history(s.state.root, entries).ok());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].made_by, "Save of creature 4 in the editor");
    EXPECT_EQ(entries[1].slots, (std::vector<int>{9}));

    // Creature 9's Save (entry 2) undone alone: creature 4's later Save stays.
    ToolRun r = run_tool({"restore", "-C", s.state.root, "2", "--slot", "9"});
    ASSERT_EQ(r.status, 0) << r.err;
    ToolRun d = run_tool({"diff", s.state.root + "@4", s.state.root});
    EXPECT_EQ(d.status, 1);
    EXPECT_EQ(d.out.find("slot 4"), std::string::npos) << d.out;
    EXPECT_NE(d.out.find("slot 9"), std::string::npos) << d.out;
    ASSERT_EQ(run_tool({"restore", "-C", s.state.root, "4"}).status, 0);
    const auto back = s.folder.snapshot();
    EXPECT_TRUE(back.bytes == states[3].bytes);

    for (int n = 3; n >= 1; --n) {
        ASSERT_EQ(run_tool({"restore", "-C", s.state.root, std::to_string(n)}).status, 0);
        const auto now = s.folder.snapshot();
        EXPECT_TRUE(now.names == states[static_cast<std::size_t>(n - 1)].names);
        EXPECT_TRUE(now.bytes == states[static_cast<std::size_t>(n - 1)].bytes) << "before entry " << n;
    }
}

}  // namespace
}  // namespace ce::test
