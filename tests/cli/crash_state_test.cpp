// Power cuts at every moment of a write: the file operations of an import, an
// editor Save (on MemoryForm), a restore, a restore of one creature, a
// language switch (the settings file, rewritten in place when it has other
// names: its old bytes kept by the journal, never in a backup copy beside it)
// and a recovery are cut after each step in turn. The states a cut can leave are
// built on disk: every step before the cut done and nothing after; and the
// same with the bytes that were not flushed yet lost (the file empty, or cut
// short). The next program's recovery must leave the files a write changes
// (the nine of a Save, or Lang) all old or all new, no data file sharing its storage with the
// history, nothing of ours left over, and every history entry restorable.
// With and without every file hard-linked elsewhere (rewritten in place).
#include <algorithm>
#include <cstdio>
#include <functional>
#include <set>

#include "form/editor.h"
#include "form/memory_form.h"
#include "store/history.h"
#include "store/journal.h"
#include "store/settings.h"
#include "support.h"

namespace ce::test {
namespace {

// The system's file operations until the power goes: after `cut` steps, every
// step does nothing and reports success, so that the program runs on while
// nothing more reaches the disk. Files written and not flushed yet are
// followed (through renames). `before_step`, when set, sees the disk before
// each step while the power is on: the state a cut there leaves.
class PowerCut : public FileOps {
public:
    explicit PowerCut(int cut = -1) : cut_(cut) {}

    std::function<void(int step, const std::set<std::string>& unflushed)> before_step;

    int steps() const { return steps_; }
    // The power goes now: this step and every later one do nothing.
    void cut_now() { cut_ = steps_; }
    // The files that hold bytes not flushed when the power went.
    const std::set<std::string>& unflushed() const { return dirty_; }

    std::string resolve(const std::string& path) override { return sys().resolve(path); }
    Status link_count(const std::string& path, unsigned& out) override { return sys().link_count(path, out); }
    Status may_write(const std::string& path) override { return sys().may_write(path); }

    Status create_new(const std::string& path, const std::string& model, Handle& out) override {
        if (dead()) return fake(out);
        if (Status e = sys().create_new(path, model, out); !e.ok()) return e;
        open_[out] = path;
        return {};
    }
    Status open_existing(const std::string& path, Handle& out) override {
        if (dead()) return fake(out);
        if (Status e = sys().open_existing(path, out); !e.ok()) return e;
        open_[out] = path;
        return {};
    }
    Status write(Handle file, const void* data, std::size_t count) override {
        if (dead()) return {};
        dirty_.insert(open_.at(file));
        return sys().write(file, data, count);
    }
    Status set_size(Handle file, std::uint64_t size) override {
        if (dead()) return {};
        dirty_.insert(open_.at(file));
        return sys().set_size(file, size);
    }
    // The device is not waited for: the test keeps count of what a flush
    // makes safe.
    Status flush(Handle file) override {
        if (dead()) return {};
        dirty_.erase(open_.at(file));
        return {};
    }
    Status close(Handle file) override {
        const auto it = open_.find(file);
        if (it == open_.end()) return {};  // opened after the cut
        open_.erase(it);
        if (!dead()) return sys().close(file);
        (void)sys().close(file);  // no effect on the disk: only the descriptor goes
        return {};
    }
    Status replace(const std::string& from, const std::string& to) override {
        if (dead()) return {};
        moved(from, to);
        return sys().rename_over(from, to);
    }
    Status rename_over(const std::string& from, const std::string& to) override { return replace(from, to); }
    Status sync_folder(const std::string&) override { return step(), Status(); }
    Status link(const std::string& existing, const std::string& to) override {
        if (dead()) return {};
        return sys().link(existing, to);
    }
    Status copy(const std::string& from, const std::string& to) override {
        if (dead()) return {};
        return sys().copy(from, to);
    }
    Status remove(const std::string& path) override {
        if (dead()) return {};
        dirty_.erase(path);
        return sys().remove(path);
    }
    Status make_folder(const std::string& path) override {
        if (dead()) return {};
        return sys().make_folder(path);
    }

private:
    static FileOps& sys() { return system_file_ops(); }
    // Counts a step; true once the power is gone.
    bool dead() { return step(); }
    bool step() {
        const bool gone = cut_ >= 0 && steps_ >= cut_;
        if (!gone && before_step) before_step(steps_, dirty_);
        ++steps_;
        return gone;
    }
    Status fake(Handle& out) {
        out = kNoHandle;
        return {};
    }
    void moved(const std::string& from, const std::string& to) {
        dirty_.erase(to);
        if (dirty_.erase(from)) dirty_.insert(to);
    }

    int cut_;
    int steps_ = 0;
    std::map<Handle, std::string> open_;
    std::set<std::string> dirty_;
};

const std::vector<std::string> kNine{"MonstersSetup.vrh", "Ammo.vrh",         "ImposedSpells.vrh",
                                     "Firewall.vrh",      "Demonology.vrh",   "DefenseBonus.vrh",
                                     "Eng/Monsters.txt",  "Eng/Plural.txt",   "Eng/Ability.txt"};

void expect_ok(const ToolRun& r) { EXPECT_EQ(r.status, 0) << r.err; }

// The editor's Save of creature 4 with a change in each of the nine files,
// on MemoryForm, its writes through `ops`.
void save_in_editor(const std::string& root, FileOps& ops) {
    EditorState state;
    state.root = root;
    state.files = &ops;
    MemoryForm form;
    form.set_command_sink([&](std::uint32_t command) { (void)on_command(state, form, command); });
    on_initialise(state, form);
    form.choose(300, 4);
    auto retype = [&](int id, const std::string& text) {
        form.type(id, std::string(form.get_text(id, 100000).size(), '\b'));
        form.type(id, text);
    };
    retype(121, "Phoenix");
    retype(304, "Embers");
    form.choose(317, 1);
    form.click(2132);
    form.choose(323, 9);
    retype(98, "7");
    retype(300, "Phoenix");
    retype(5000, "Phoenixes");
    retype(5001, "Rises again");
    form.click(2100);
}

using Snapshot = std::map<std::string, std::string>;

// The file's bytes ("" when it cannot be read), read in one go: the test reads
// thousands of folders.
std::string bytes_at(const fs::path& path) {
    WholeFile file;
    if (!read_whole_file(path.string(), file).ok()) return {};
    return std::string(reinterpret_cast<const char*>(file.data()), file.length);
}

Snapshot files_of(const std::string& root, const std::vector<std::string>& names) {
    Snapshot s;
    for (const std::string& name : names) s[name] = bytes_at(fs::path(root) / name);
    return s;
}

// One kind of write: the folder it starts from, the write itself, and the
// files it changes.
struct Scenario {
    const char* name;
    std::function<void(const std::string& root)> prepare;  // with the system's operations
    std::function<void(const std::string& root, FileOps& ops)> act;
    std::vector<std::string> files = kNine;
};

// The folder where the states are built: in memory where the system has a
// memory file system (thousands of folder copies), else the temporary folder.
fs::path work_base() {
    std::error_code ec;
    return fs::is_directory("/dev/shm", ec) ? fs::path("/dev/shm") : fs::temp_directory_path();
}

class CrashStates {
public:
    CrashStates(const Scenario& scenario, bool hard_links)
        : scenario_(scenario), hard_links_(hard_links), base_(work_ / "base") {
        fs::create_directories(base_);
        write_fixture_folder(base_);
        link_outside(base_);
        scenario_.prepare(base_);
        old_ = files_of(base_, scenario_.files);
    }

    // The write runs once; before each of its steps, and after the last, the
    // disk as a cut there leaves it is copied and checked, as are the two
    // states with the bytes not yet flushed lost. Returns how many were checked.
    int check_all() {
        const std::string root = copy_of(base_, "write");
        int states = 0;
        PowerCut ops;
        std::vector<std::pair<std::string, std::set<std::string>>> pending;
        ops.before_step = [&](int step, const std::set<std::string>& unflushed) {
            pending.emplace_back("before step " + std::to_string(step), unflushed);
            pending.back().first += " " + copy_of(root, "cut-" + std::to_string(step));
        };
        scenario_.act(root, ops);
        new_ = files_of(root, scenario_.files);
        EXPECT_NE(new_, old_) << scenario_.name << " changes nothing";
        pending.emplace_back("after the last step " + copy_of(root, "cut-end"), std::set<std::string>());
        for (const auto& [where, unflushed] : pending) {
            const std::string cut = where.substr(where.rfind(' ') + 1);
            SCOPED_TRACE(std::string(scenario_.name) + (hard_links_ ? ", hard-linked" : "") + ": cut " + where);
            states += check_cut(root, cut, unflushed);
            fs::remove_all(cut);
            fs::remove_all(cut + ".links");
            if (::testing::Test::HasFailure()) break;  // one cut's report is enough
        }
        return states;
    }

private:
    // The three states of one cut (two when nothing was left unflushed).
    int check_cut(const std::string& root, const std::string& cut, const std::set<std::string>& unflushed) {
        std::vector<std::string> variants{cut};
        for (const char* loss : {"empty", "short"}) {
            if (unflushed.empty()) break;
            const std::string copy = copy_of(cut, loss);
            for (const std::string& path : unflushed) {
                const fs::path file = fs::path(copy) / fs::path(path).lexically_relative(root);
                if (!fs::exists(file)) continue;
                const std::string bytes = bytes_at(file);
                write_file(file, loss[0] == 'e' ? std::string() : bytes.substr(0, bytes.size() / 2));
            }
            variants.push_back(copy);
        }
        for (const std::string& state : variants) {
            SCOPED_TRACE(state);
            expect_recovered(state);
        }
        for (std::size_t i = 1; i < variants.size(); ++i) {
            fs::remove_all(variants[i]);
            fs::remove_all(variants[i] + ".links");
        }
        return static_cast<int>(variants.size());
    }

    // A copy of the folder `from` named `name`, its files linked elsewhere when asked.
    std::string copy_of(const std::string& from, const std::string& name) {
        const std::string root = work_ / name;
        fs::remove_all(root);
        fs::copy(from, root, fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        link_outside(root);
        return root;
    }
    void link_outside(const std::string& root) {
        if (!hard_links_) return;
        const fs::path links = fs::path(root + ".links");
        fs::remove_all(links);
        fs::create_directories(links / "Eng");
        for (const std::string& name : scenario_.files) fs::create_hard_link(fs::path(root) / name, links / name);
    }

    void expect_recovered(const std::string& root) {
        const Recovery r = recover_folder(system_file_ops(), root);
        ASSERT_TRUE(r.status.ok()) << r.status.message();
        const Snapshot now = files_of(root, scenario_.files);
        EXPECT_TRUE(now == old_ || now == new_) << "the files are neither all old nor all new";
        std::vector<std::string> ours;
        for (const auto& e : fs::recursive_directory_iterator(root)) {
            const std::string file = e.path().filename().string();
            if (file.find(".~new") != std::string::npos || file.find(".~old") != std::string::npos ||
                file.ends_with(".journal"))
                ours.push_back(file);
            if (!e.is_regular_file() || e.path().string().find("/.history/") == std::string::npos) continue;
            for (const std::string& name : scenario_.files)
                EXPECT_FALSE(fs::equivalent(e.path(), fs::path(root) / name)) << name << " shares " << e.path();
        }
        EXPECT_TRUE(ours.empty()) << ours.front();
        for (const std::string& name : scenario_.files) {
            if (hard_links_) {
                EXPECT_TRUE(fs::equivalent(fs::path(root) / name, fs::path(root + ".links") / name)) << name;
            }
        }
        std::vector<HistoryEntry> entries;
        ASSERT_TRUE(list_history(root, entries).ok());
        for (const HistoryEntry& entry : entries) {
            FolderBytes before;
            EXPECT_TRUE(folder_before(root, entry.number, before).ok()) << "entry " << entry.number;
        }
    }

    const Scenario& scenario_;
    bool hard_links_;
    TempDir work_{"crash", work_base()};
    std::string base_;
    Snapshot old_, new_;
};

// An import cut off when it is about to mark its write complete: the folder
// holds every new file and the journal, for the recovery to undo.
void interrupted_import(const std::string& root) {
    class CutAtTheMark : public PowerCut {
    public:
        Status replace(const std::string& from, const std::string& to) override {
            if (to.ends_with(".entry")) cut_now();
            return PowerCut::replace(from, to);
        }
    } ops;
    (void)run_tool({"import", "-C", root, "-", "--format", "csv"}, ops, nine_files_csv(4, 1));
    ASSERT_FALSE(recovery_needed(root).empty());
}

const Scenario kScenarios[] = {
    {"import", [](const std::string&) {},
     [](const std::string& root, FileOps& ops) {
         (void)run_tool({"import", "-C", root, "-", "--format", "csv"}, ops, nine_files_csv(4, 1));
     }},
    {"editor Save", [](const std::string&) {}, [](const std::string& root, FileOps& ops) { save_in_editor(root, ops); }},
    {"restore",
     [](const std::string& root) {
         expect_ok(run_tool({"import", "-C", root, "-", "--format", "csv"}, nine_files_csv(4, 1)));
     },
     [](const std::string& root, FileOps& ops) { (void)run_tool({"restore", "-C", root, "1"}, ops); }},
    {"restore of one creature",
     [](const std::string& root) {
         expect_ok(run_tool({"import", "-C", root, "-", "--format", "csv"}, nine_files_csv(4, 1)));
         expect_ok(run_tool({"import", "-C", root, "-", "--format", "csv"}, nine_files_csv(5, 2)));
     },
     [](const std::string& root, FileOps& ops) { (void)run_tool({"restore", "-C", root, "1", "--slot", "4"}, ops); }},
    {"recovery", interrupted_import,
     [](const std::string& root, FileOps& ops) { (void)recover_folder(ops, root); }},
    {"language switch", [](const std::string&) {},
     [](const std::string& root, FileOps& ops) { ASSERT_TRUE(write_language(ops, root, 1).ok()); },
     {"Lang"}},
};

class CrashState : public ::testing::TestWithParam<std::tuple<int, bool>> {};

TEST_P(CrashState, EveryCutLeavesAFolderThatRecoversWhole) {
    const Scenario& scenario = kScenarios[std::get<0>(GetParam())];
    const bool hard_links = std::get<1>(GetParam());
    CrashStates states(scenario, hard_links);
    const int checked = states.check_all();
    std::printf("crash states: %s%s: %d states checked\n", scenario.name, hard_links ? ", hard-linked" : "", checked);
    RecordProperty("states", checked);
    EXPECT_GT(checked, 20);
}

INSTANTIATE_TEST_SUITE_P(Writes, CrashState,
                         ::testing::Combine(::testing::Range(0, static_cast<int>(std::size(kScenarios))),
                                            ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
                             std::string name = kScenarios[std::get<0>(info.param)].name;
                             std::replace(name.begin(), name.end(), ' ', '_');
                             return name + (std::get<1>(info.param) ? "_hard_linked" : "");
                         });

}  // namespace
}  // namespace ce::test
