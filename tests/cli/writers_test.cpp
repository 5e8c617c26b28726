// Every pair of writers that can meet on one folder, interleaved at every step
// of the first through the file operations, without timing: the second runs
// whole just before that step, and gives up at once when it finds the folder
// locked. Whatever the moment, the folder ends as if the two had written one
// after the other (or as the first alone, when the second was refused with
// "busy" and wrote nothing): no writer exits with success and a lost update,
// and none is refused for anything but the lock.
#include <functional>

#include "form/editor.h"
#include "form/memory_form.h"
#include "store/folder_lock.h"
#include "store/journal.h"
#include "store/settings.h"
#include "support.h"
#include "support/forwarding_ops.h"

namespace ce::test {
namespace {

// The second writer's operations: the system's, but a folder's lock held by
// another is given up at once (the first writer is stopped inside a step until
// the second returns: a second that waited would wait for nothing).
class GivesUpAtOnce : public ForwardingOps {
public:
    Status lock_folder(FolderLock& lock, const std::string& root, int) override {
        return ForwardingOps::lock_folder(lock, root, 0);
    }
};

// The first writer's operations: its steps counted, `second` run before step `at`.
class SecondAtStep : public ForwardingOps {
public:
    int at = -1;
    int steps = 0;
    std::function<void()> second;
    Status before(Step, const std::string&) override {
        if (steps++ == at && second) second();
        return {};
    }
};

struct Outcome {
    bool ok = false;
    std::string said;  // its error output
};

// A writer in two parts: what it does before it writes (the editor's show of
// the creature; nothing for the tool's commands), then the write itself.
struct Writer {
    const char* name;
    std::function<std::function<Outcome(FileOps&)>(const std::string& root)> start;
};

Outcome tool(const std::vector<std::string>& args, FileOps& ops, const std::string& input = {}) {
    const ToolRun r = run_tool(args, ops, input);
    return {r.status == 0, r.err};
}

// An editor session on `root`: creature 7 shown, its plural and a number
// typed; finishing it presses Save.
std::function<Outcome(FileOps&)> editor_save(const std::string& root) {
    struct Editor {
        EditorState state;
        MemoryForm form;
    };
    auto e = std::make_shared<Editor>();
    e->state.root = root;
    e->form.set_command_sink([e = e.get()](std::uint32_t command) { (void)on_command(e->state, e->form, command); });
    on_initialise(e->state, e->form);
    e->form.choose(300, 7);
    auto retype = [&](int id, const std::string& text) {
        e->form.type(id, std::string(e->form.get_text(id, 100000).size(), '\b'));
        e->form.type(id, text);
    };
    retype(98, "7");
    retype(5000, "Sevens saved");
    return [e](FileOps& ops) {
        e->state.files = &ops;
        const std::size_t errors = e->form.errors().size();
        e->form.click(2100);
        const bool ok = e->form.errors().size() == errors;
        return Outcome{ok, ok ? std::string() : e->form.errors().back()};
    };
}

std::string g_patch;  // changes creature 5; made once from the base folder

// An import that changes creature `slot` in two files: its speed in the
// creature table and its name (`variant` gives other values).
std::string two_files_csv(int slot, int variant) {
    return "slot,MonstersSetup.vrh@27000,name\r\n" + std::to_string(slot) + "," + std::to_string(40 + variant) +
           ",Name " + std::to_string(variant) + "\r\n";
}

// The files a write of ours may change, as they are (read in one go each).
using Files = std::map<std::string, std::optional<std::string>>;
Files written_files(const std::string& root) {
    Files files;
    for (const std::string& name : folder_file_names()) {
        WholeFile file;
        if (read_whole_file(data_path(root, name), file).ok())
            files[name] = std::string(reinterpret_cast<const char*>(file.data()), file.length);
        else
            files[name] = std::nullopt;
    }
    return files;
}

const Writer kWriters[] = {
    {"import",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>([root](FileOps& ops) {
             return tool({"import", "-C", root, "-", "--format", "csv"}, ops, two_files_csv(4, 3));
         });
     }},
    {"apply",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>(
             [root](FileOps& ops) { return tool({"apply", "-C", root, "-"}, ops, g_patch); });
     }},
    {"restore",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>(
             [root](FileOps& ops) { return tool({"restore", "-C", root, "1"}, ops); });
     }},
    {"restore of one creature",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>(
             [root](FileOps& ops) { return tool({"restore", "-C", root, "1", "--slot", "6"}, ops); });
     }},
    {"editor Save", editor_save},
    {"language switch",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>([root](FileOps& ops) {
             const Status s = write_language(ops, root, 1);
             return Outcome{s.ok(), s.ok() ? std::string() : s.message()};
         });
     }},
    // What every command of ours runs when it opens the folder: as a second
    // writer only (a clean folder gives it no step of its own). It must leave
    // a write in progress alone, temporary files and all.
    {"recovery",
     [](const std::string& root) {
         return std::function<Outcome(FileOps&)>([root](FileOps& ops) {
             const Recovery r = recover_folder(ops, root);
             return Outcome{r.status.ok(), r.status.message()};
         });
     }},
};
constexpr int kWriterCount = static_cast<int>(std::size(kWriters));
constexpr int kFirstWriters = kWriterCount - 1;  // all but the recovery

class Writers : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    static void SetUpTestSuite() {
        base_ = new TempDir("writers", fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path());
        write_fixture_folder(base_->str());
        // Entry 1, for the restores: creature 6 changed.
        ASSERT_EQ(run_tool({"import", "-C", base_->str(), "-", "--format", "csv"}, two_files_csv(6, 1)).status, 0);
        // The patch: creature 5 changed in a copy, as a modder makes one.
        const std::string modded = base_->path() / "modded";
        write_fixture_folder(modded);
        ASSERT_EQ(run_tool({"import", "-C", modded, "-", "--format", "csv"}, two_files_csv(5, 2)).status, 0);
        g_patch = run_tool({"diff", base_->str(), modded, "--patch"}).out;
        fs::remove_all(modded);
        ASSERT_NE(g_patch.find("\"slot\": 5"), std::string::npos) << g_patch;
    }
    static void TearDownTestSuite() {
        delete base_;
        base_ = nullptr;
    }

    // A fresh copy of the base folder.
    std::string copy(const std::string& name) const {
        const fs::path to = work_.path() / name;
        fs::remove_all(to);
        fs::create_directories(to);
        for (const auto& e : fs::directory_iterator(base_->path())) {
            if (e.path().filename() == "modded") continue;
            fs::copy(e.path(), to / e.path().filename(), fs::copy_options::recursive);
        }
        return to.string();
    }

    // The writers one after the other: the first's start (its show), then
    // the second whole, then the first's write; what the folder holds then,
    // and whether the first went through (a patch for English, say, is
    // refused once the language switched: that is no race).
    struct Serial {
        Files files;
        bool first_ok = false;
    };
    Serial serial(const Writer& first, const Writer* second) {
        const std::string root = copy("serial");
        GivesUpAtOnce ops;
        const auto finish = first.start(root);
        if (second) {
            EXPECT_TRUE(second->start(root)(ops).ok) << second->name;
        }
        const bool ok = finish(ops).ok;
        return {written_files(root), ok};
    }

    static TempDir* base_;
    TempDir work_{"writers-run", fs::is_directory("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path()};
};
TempDir* Writers::base_ = nullptr;

TEST_P(Writers, ASecondWriterAtEveryStepOfTheFirstLosesNoUpdate) {
    const Writer& first = kWriters[std::get<0>(GetParam())];
    const Writer& second = kWriters[std::get<1>(GetParam())];
    const Serial first_alone = serial(first, nullptr);
    ASSERT_TRUE(first_alone.first_ok) << first.name;
    const Serial second_first = serial(first, &second);
    int steps = 0;
    {
        const std::string root = copy("count");
        SecondAtStep counting;
        const auto finish = first.start(root);
        ASSERT_TRUE(finish(counting).ok);
        steps = counting.steps;
    }
    ASSERT_GT(steps, 3);
    int before_lock = 0, refused = 0;
    for (int k = 0; k <= steps; ++k) {
        SCOPED_TRACE(std::string(second.name) + " before step " + std::to_string(k) + " of " + first.name);
        const std::string root = copy("run");
        SecondAtStep ops;
        ops.at = k;
        Outcome theirs;
        bool ran = false;
        ops.second = [&] {
            GivesUpAtOnce own;
            theirs = second.start(root)(own);
            ran = true;
        };
        const auto finish = first.start(root);
        const Outcome mine = finish(ops);
        if (!ran) continue;  // past its last step
        const Files now = written_files(root);
        if (theirs.ok) {
            ++before_lock;
            EXPECT_EQ(mine.ok, second_first.first_ok) << first.name << ": " << mine.said;
            EXPECT_TRUE(now == second_first.files) << "the folder is not as after " << second.name << ", then "
                                                   << first.name;
        } else {
            ++refused;
            EXPECT_NE(theirs.said.find("another program is writing this data folder"), std::string::npos) << theirs.said;
            EXPECT_TRUE(mine.ok) << first.name << ": " << mine.said;
            EXPECT_TRUE(now == first_alone.files) << second.name << " was refused, yet the folder is not as after "
                                                  << first.name << " alone";
        }
        if (::testing::Test::HasFailure()) break;  // one step's report is enough
    }
    // Both kinds of moment are met: before the first holds the folder, and
    // while it does (where the recovery finds nothing of another write to
    // put right, and so no need of the lock).
    EXPECT_GT(before_lock, 0);
    if (std::string(second.name) != "recovery") {
        EXPECT_GT(refused, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryPair, Writers,
                         ::testing::Combine(::testing::Range(0, kFirstWriters), ::testing::Range(0, kWriterCount)),
                         [](const ::testing::TestParamInfo<std::tuple<int, int>>& info) {
                             std::string name = std::string(kWriters[std::get<0>(info.param)].name) + "_then_" +
                                                kWriters[std::get<1>(info.param)].name;
                             for (char& c : name)
                                 if (c == ' ' || c == '-') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace ce::test
