// Not a test: the editor with one of its boxes open, for tools/screenshot.sh
// to take a picture of (disabled, so no test run starts it).
//
//   CE_SHOT_BOX=refusal|close|history|mod CE_SHOT_FOLDER=DIR CE_SHOT_DONE=FILE
//   test_win32.exe --gtest_also_run_disabled_tests --gtest_filter='Shots.*'
//
// On the data folder DIR, with the creature and language its `Lang` names, it
// types a value that cannot be stored (refusal: Save is pressed) or changes a
// value and closes (close: the question of closing); or saves two changes of
// the creature and opens the History window (history), or opens the Apply mod
// window with a mod of the first change, which the second contradicts (mod).
// Once the box is up it
// prints "box shown", and keeps it up until FILE exists (at most a minute).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "editor_harness.h"
#include "flow_fixture.h"
#include "folder/field_facts.h"
#include "folder/folder_bytes.h"
#include "form/controls.h"
#include "form/mod_window.h"
#include "mods/patch.h"

namespace ce {
namespace {

struct ShotBox {
    static inline HHOOK hook = nullptr;
    static inline HWND dialog = nullptr;
    static inline HWND box = nullptr;
    static inline std::filesystem::path done;
    static inline int waited_ms = 0;
    static inline WPARAM answer = IDOK;

    static LRESULT CALLBACK on_cbt(int code, WPARAM wparam, LPARAM lparam) {
        HWND hwnd = reinterpret_cast<HWND>(wparam);
        if (code == HCBT_ACTIVATE && box == nullptr && hwnd != dialog && GetWindow(hwnd, GW_OWNER) == dialog) {
            box = hwnd;
            SetTimer(nullptr, 0, 100, &ShotBox::on_timer);
        }
        return CallNextHookEx(hook, code, wparam, lparam);
    }
    static void CALLBACK on_timer(HWND, UINT, UINT_PTR id, DWORD) {
        waited_ms += 100;
        if (waited_ms == 1000) {  // drawn by now
            std::printf("box shown\n");
            std::fflush(stdout);
        }
        if (waited_ms > 1000 && (std::filesystem::exists(done) || waited_ms > 60000)) {
            KillTimer(nullptr, id);
            PostMessageW(box, WM_COMMAND, answer, 0);
        }
    }
};

TEST(Shots, DISABLED_ABoxOverTheEditor) {
    const char* kind = std::getenv("CE_SHOT_BOX");
    const char* folder = std::getenv("CE_SHOT_FOLDER");
    const char* done = std::getenv("CE_SHOT_DONE");
    ASSERT_TRUE(kind != nullptr && folder != nullptr && done != nullptr) << "CE_SHOT_BOX, CE_SHOT_FOLDER, CE_SHOT_DONE";
    const std::string box = kind;
    ASSERT_TRUE(box == "refusal" || box == "close" || box == "history" || box == "mod") << box;
    const bool window = box == "history" || box == "mod";

    // The editor as run_editor starts it, without the harness's closer.
    EditorSession session;
    const std::string before = std::filesystem::current_path().string();
    ASSERT_TRUE(SetCurrentDirectoryA(folder));
    {
        const OleSession ole;
        ShotBox::dialog = test::create_editor_window(editor_dialog_proc, reinterpret_cast<LPARAM>(&session));
        ASSERT_NE(session.form, nullptr);
        ShotBox::done = done;
        ShotBox::answer = box == "refusal" ? IDOK : IDCANCEL;  // a window closes with IDCANCEL too
        ShowWindow(ShotBox::dialog, SW_SHOW);
        // Speed when it can be typed into, the defence bonus otherwise.
        const int field = session.form->is_enabled(212) ? 212 : 98;
        SetFocus(session.form->control(field));
        const auto retype = [&](const std::string& text) {
            test::type(ShotBox::dialog, *session.form, field,
                       std::string(flow::shown_text(session.form->control(field)).size(), '\b') + text);
        };
        retype(box == "refusal" ? "300" : "7");
        std::optional<ModWindow> mod;
        if (window) {
            test::click(ShotBox::dialog, *session.form, ctl::kSave);
            std::vector<HistoryEntry> entries;
            ASSERT_TRUE(list_history("", entries).ok());
            ASSERT_FALSE(entries.empty());
            FolderBytes then;
            ASSERT_TRUE(folder_before("", entries.back().number, then).ok());
            FileBytes files = read_folder_bytes("");
            for (const auto& [name, bytes] : then)
                if (bytes) files[name] = *bytes;
            const Dataset base = dataset_from_bytes("", files), now = load_dataset("");
            const std::vector<Field> fields = make_fields(true);
            const std::string patch_text = write_patch(base, now, fields, field_captions(base, fields));
            retype(box == "mod" ? "9" : "8");  // the mod's "before" no longer: a conflict
            test::click(ShotBox::dialog, *session.form, ctl::kSave);
            if (box == "mod") {
                FaultList faults;
                Patch patch = read_patch(patch_text, fields, faults);
                Result<ApplyPlan> plan = apply_patch(load_dataset(""), patch, fields, {}, faults);
                ASSERT_TRUE(plan.ok()) << plan.fault();
                mod.emplace(session.state, *session.form, "speed-mod.json", std::move(patch), std::move(*plan));
            }
        }
        ShotBox::hook = SetWindowsHookExW(WH_CBT, &ShotBox::on_cbt, nullptr, GetCurrentThreadId());
        if (box == "refusal") {
            test::click(ShotBox::dialog, *session.form, 2100);
        } else if (box == "history") {
            SendMessageW(ShotBox::dialog, WM_COMMAND, ctl::kHistory, 0);
        } else if (mod) {
            session.form->open_window(*mod);
        } else {
            SendMessageW(ShotBox::dialog, WM_COMMAND, IDCANCEL, 0);
        }
        UnhookWindowsHookEx(ShotBox::hook);
        EXPECT_NE(ShotBox::box, nullptr) << "no box appeared";
        DestroyWindow(ShotBox::dialog);
        test::pump(nullptr);
    }
    SetCurrentDirectoryA(before.c_str());
}

}  // namespace
}  // namespace ce
