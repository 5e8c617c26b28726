// The editor before files that are not what they should be: a pipe, a folder
// or a dangling link where a data, language or settings file belongs never
// holds it up, and its message says what the file is.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "editor/session.h"
#include "form/controls.h"

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace ce {
namespace {

using fixture::Session;

#ifndef _WIN32
void make_pipe(const std::filesystem::path& path) {
    std::filesystem::remove(path);
    ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
}

TEST(EditorOddFiles, StartUpNamesWhatEachFileIs) {
    Session s;
    make_pipe(s.folder.path(TextKind::Spells, 0));
    make_pipe(s.folder.path("Ammo.vrh"));
    std::filesystem::remove(s.folder.path("Firewall.vrh"));
    std::filesystem::create_symlink(s.folder.path("gone.vrh"), s.folder.path("Firewall.vrh"));
    const std::vector<Fault> faults = startup_faults(s.state.root);
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_EQ(faults[0].message(), "Ammo.vrh: not a regular file");
    EXPECT_EQ(faults[1].message(), "Firewall.vrh: dangling link");
    EXPECT_NE(faults[2].message().find("Spells"), std::string::npos) << faults[2];
    EXPECT_NE(faults[2].message().find(": not a regular file"), std::string::npos) << faults[2];
}

TEST(EditorOddFiles, APipeInPlaceOfALanguageOrDataFileIsReportedNotWaitedOn) {
    Session s;
    s.start();
    ASSERT_TRUE(s.form.errors().empty());
    s.choose_creature(4);
    make_pipe(s.folder.path(TextKind::Monsters, 0));
    make_pipe(s.folder.path("Demonology.vrh"));
    s.choose_creature(6);
    ASSERT_EQ(s.form.errors().size(), 1u);
    EXPECT_NE(s.form.errors()[0].find("Demonology.vrh: not a regular file"), std::string::npos)
        << s.form.errors()[0];
    EXPECT_EQ(s.state.current, 4);

    // Save refuses for the same reason and leaves the pipe a pipe.
    s.form.click(ctl::kSave);
    ASSERT_EQ(s.form.errors().size(), 2u);
    EXPECT_NE(s.form.errors()[1].find("Demonology.vrh: not a regular file"), std::string::npos)
        << s.form.errors()[1];
    EXPECT_TRUE(std::filesystem::is_fifo(s.folder.path("Demonology.vrh")));
}

TEST(EditorOddFiles, ALangFolderIsNamedInTheOneMessageOfASwitch) {
    Session s;
    std::filesystem::remove(s.folder.path("Lang"));
    std::filesystem::create_directory(s.folder.path("Lang"));
    s.start();  // read as English and creature 0
    ASSERT_TRUE(s.form.errors().empty());
    make_pipe(s.folder.path(TextKind::Spells, 0));
    s.form.click(ctl::kRussian);
    ASSERT_EQ(s.form.errors().size(), 1u);
    const std::string& message = s.form.errors()[0];
    EXPECT_NE(message.find(s.folder.path("Lang").string() + ": is a folder"), std::string::npos) << message;
    EXPECT_NE(message.find(s.folder.path(TextKind::Spells, 0).string() + ": not a regular file"),
              std::string::npos)
        << message;
    EXPECT_EQ(s.form.get_check(ctl::kEnglish), 1);
    EXPECT_TRUE(std::filesystem::is_directory(s.folder.path("Lang")));
}
#endif

}  // namespace
}  // namespace ce
