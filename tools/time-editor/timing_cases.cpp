// The editor's speed on the real dialog: a program of its own, time_editor.exe,
// built beside the Windows test programs (BUILD/tools/time_editor.exe) and run
// by hand, never by ctest:
//   tools/time-editor/run.sh            the timings (EditorTiming.*), each build
//   tools/time-editor/requests.sh       the window-server requests per marked step
//   wine BUILD/tools/time_editor.exe --gtest_filter='EditorTiming.ShowAndPaintApart'
// Every figure is min/median/max over many runs and is printed beside the
// whole form invalidated and repainted in the same run, the floor of drawing
// everything, so figures from a busy machine can still be compared. Timings are
// printed, never checked; what is checked is that the form ends up right.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "flow_fixture.h"
#include "form/show.h"
#include "form/shown.h"

namespace ce {
namespace {

using test::EditorHarness;
using flow::Timing;

class EditorTiming : public flow::SharedFolderTest<EditorTiming> {};
// Steps for tools that watch the program from outside (a request count, a
// profiler); run.sh leaves them out.
class EditorSteps : public flow::SharedFolderTest<EditorSteps> {};

// Runs every message waiting, paints included, until none is left.
void settle(HWND dialog) {
    test::pump(dialog);
    RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
}

Timing whole_form_repaint(HWND dialog, int runs) {
    return flow::time_runs(runs, [&] {
        RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GdiFlush();
    });
}

// The whole-form repaint, printed: the figure every other one is set beside.
Timing reported_repaint(HWND dialog, int runs) {
    const Timing repaint = whole_form_repaint(dialog, runs);
    std::printf("whole form invalidated and repainted: min %.2f  median %.2f  max %.2f ms (%d runs)\n",
                repaint.min(), repaint.median(), repaint.max(), runs);
    return repaint;
}

void report(const char* what, const Timing& t, const Timing& repaint) {
    std::printf("  %-52s min %7.2f  median %7.2f  max %7.2f ms (%zu runs)  median %3.0f%% of the repaint\n", what,
                t.min(), t.median(), t.max(), t.runs.size(), 100.0 * t.median() / repaint.median());
    std::fflush(stdout);
}

// One arrow-key step in list 300, as the keyboard delivers it (posted to the
// window with the focus, the edit field of the list), up to the painted form;
// `repeated`: as the repeat of a key held down.
void key_step(EditorHarness& editor, WPARAM key, bool repeated = false) {
    SetFocus(editor.form().control(300));
    PostMessageW(GetFocus(), WM_KEYDOWN, key, repeated ? 0x40000001 : 1);
    PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
    settle(editor.dialog());
}

// A key held down: `presses` key-downs from another thread at `per_second`,
// as the keyboard's repeat posts them whether or not the editor keeps up.
// Returns the time from the last press until the editor has handled every
// message and painted (the form then shows the last creature).
double held_key(EditorHarness& editor, int presses, double per_second) {
    HWND dialog = editor.dialog();
    SetFocus(editor.form().control(300));
    HWND target = GetFocus();
    std::atomic<bool> done{false};
    std::atomic<double> last_press{0};
    std::thread keyboard([&] {
        const auto start = std::chrono::steady_clock::now();
        const auto step = std::chrono::duration<double>(1.0 / per_second);
        for (int i = 0; i < presses; ++i) {
            std::this_thread::sleep_until(start + std::chrono::duration_cast<std::chrono::steady_clock::duration>(step * i));
            // Repeat count 1, key already down after the first.
            PostMessageW(target, WM_KEYDOWN, VK_DOWN, i == 0 ? 1 : 0x40000001);
            last_press = flow::now_ms();
        }
        PostMessageW(target, WM_KEYUP, VK_DOWN, 0xC0000001);
        done = true;
    });
    const int wanted = editor.state().current + presses;
    double end = 0;
    for (;;) {
        MSG msg;
        if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!IsDialogMessageW(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
            continue;
        }
        // Nothing left to handle or paint, and the last creature shown.
        if (done && editor.state().current == wanted && GetQueueStatus(QS_ALLINPUT) == 0) {
            GdiFlush();
            end = flow::now_ms();
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
    }
    keyboard.join();
    return end - last_press;
}

TEST_F(EditorTiming, TheEditorOnTheRealDialog) {
    constexpr int kRuns = 40;
    constexpr int kHeldRuns = 8;
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    HWND dialog = editor.dialog();
    settle(dialog);

    const Timing repaint = reported_repaint(dialog, kRuns);

    // Selection changes in list 300, by arrow key and by a choice in the list.
    editor.choose(300, 100);
    settle(dialog);
    int down = 0;
    report("selection change by arrow key, painted", flow::time_runs(kRuns, [&] {
        key_step(editor, (down++ / 10) % 2 == 0 ? VK_DOWN : VK_UP);
    }), repaint);
    int slot = 0;
    HWND list = form.control(300);
    report("selection change by choice, painted", flow::time_runs(kRuns, [&] {
        SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(100 + slot++ % 40), 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(300, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
        settle(dialog);
    }), repaint);
    report("  show_creature in one update, not painted", flow::time_runs(kRuns, [&] {
        form.begin_update();
        show_creature(editor.state(), form, 100 + slot++ % 40);
        form.end_update();
    }), repaint);
    // What moving on adds when nothing changed: the look for unsaved changes.
    report("  unsaved changes looked for, nothing changed", flow::time_runs(kRuns, [&] {
        const std::string name = form.item_text(300, editor.state().current).value_or(std::string());
        EXPECT_FALSE(has_unsaved_changes(editor.state().shown, form, &name));
    }), repaint);
    settle(dialog);
    // A click as the mouse gives it; the buttons are looked up beforehand
    // (a walk over the dialog's 274 windows costs some ten milliseconds).
    const HWND english = test::button_of(dialog, 2001), russian = test::button_of(dialog, 2002);
    const HWND save = test::button_of(dialog, 2100), jump = test::button_of(dialog, 2101);
    auto click = [&](HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        settle(dialog);
    };
    report("  jump button, painted", flow::time_runs(kRuns, [&] {
        SendMessageW(form.control(301), CB_SETCURSEL, static_cast<WPARAM>(101 + slot++ % 40), 0);
        click(jump);
    }), repaint);

    // The language switch and Save refill every caption and list.
    int language = 0;
    report("language switch by click, painted", flow::time_runs(kRuns / 2, [&] {
        language = 1 - language;
        click(language == 1 ? russian : english);
    }), repaint);
    if (language == 1) editor.click(2001);
    settle(dialog);
    report("Save by click, painted", flow::time_runs(kRuns / 4, [&] { click(save); }), repaint);
    EXPECT_TRUE(editor.take_errors().empty());

    // A key held down: 50 presses at 30 a second from creature 100.
    Timing held;
    for (int run = 0; run < kHeldRuns; ++run) {
        editor.choose(300, 100);
        settle(dialog);
        held.runs.push_back(held_key(editor, 50, 30.0));
        // The form shows the last creature whole: showing it again changes nothing.
        EXPECT_EQ(form.selected_item(300), 150);
        const auto shown = test::form_values(form);
        show_creature(editor.state(), form, 150);
        const auto again = test::form_values(form);
        EXPECT_TRUE(shown == again) << test::value_differences(shown, again);
    }
    report("held key, 50 presses at 30/s: last press to painted", held, repaint);

    const Timing repaint_after = whole_form_repaint(dialog, kRuns);
    std::printf("whole form repainted again at the end: min %.2f  median %.2f  max %.2f ms\n", repaint_after.min(),
                repaint_after.median(), repaint_after.max());
    EXPECT_TRUE(editor.take_errors().empty());
}

// A show and the paint after it, timed apart, in one update as the editor
// shows a creature and without one, to another creature and to the same one
// (the floor: every control compared, nothing changed).
TEST_F(EditorTiming, ShowAndPaintApart) {
    constexpr int kRuns = 30;
    EditorHarness editor(root());
    Win32Form& form = editor.form();
    HWND dialog = editor.dialog();
    settle(dialog);
    const Timing repaint = reported_repaint(dialog, kRuns);
    int slot = 0;
    auto apart = [&](const char* what, bool update, bool same) {
        Timing show, paint;
        for (int i = 0; i < kRuns; ++i) {
            settle(dialog);
            double start = flow::now_ms();
            if (update) form.begin_update();
            show_creature(editor.state(), form, same ? 120 : 100 + slot++ % 40);
            if (update) form.end_update();
            show.runs.push_back(flow::now_ms() - start);
            start = flow::now_ms();
            settle(dialog);
            paint.runs.push_back(flow::now_ms() - start);
        }
        std::printf("  %s\n", what);
        report("  show", show, repaint);
        report("  then paint", paint, repaint);
    };
    apart("another creature, in one update", true, false);
    apart("another creature, no update", false, false);
    apart("the same creature, in one update", true, true);
    EXPECT_TRUE(editor.take_errors().empty());
}

// Marks for a count of the requests each step makes to the window server:
// tools/time-editor/requests.sh runs this case with Wine's server trace and
// counts them per step.
TEST_F(EditorSteps, MarkedSteps) {
    EditorHarness editor(root());
    HWND dialog = editor.dialog();
    editor.choose(300, 100);
    settle(dialog);
    auto mark = [](const char* what) { OutputDebugStringA(what); };
    const HWND english = test::button_of(dialog, 2001), russian = test::button_of(dialog, 2002);
    for (int i = 0; i < 3; ++i) {
        mark("ce-step begin: arrow key, painted");
        key_step(editor, VK_DOWN);
        mark("ce-step end");
    }
    for (int i = 0; i < 3; ++i) {
        mark("ce-step begin: show_creature in one update");
        editor.form().begin_update();
        show_creature(editor.state(), editor.form(), 110 + i);
        editor.form().end_update();
        mark("ce-step end");
        mark("ce-step begin: then paint");
        settle(dialog);
        mark("ce-step end");
    }
    for (int i = 0; i < 2; ++i) {
        mark("ce-step begin: language switch by click, painted");
        SendMessageW(i == 0 ? russian : english, BM_CLICK, 0, 0);
        settle(dialog);
        mark("ce-step end");
    }
    for (int i = 0; i < 3; ++i) {
        mark("ce-step begin: arrow key held (a repeat), painted");
        key_step(editor, VK_DOWN, true);
        mark("ce-step end");
    }
    mark("ce-step begin: whole form repaint");
    whole_form_repaint(dialog, 1);
    mark("ce-step end");
    EXPECT_TRUE(editor.take_errors().empty());
}

// A steady load for a profiler (started once "steps begin" is printed): arrow-key
// steps in list 300, each painted, or with CE_PROFILE_STEP=language language
// switches; CE_PROFILE_RUNS of them (default 100).
TEST_F(EditorSteps, ProfiledSteps) {
    const char* runs_text = std::getenv("CE_PROFILE_RUNS");
    const char* step = std::getenv("CE_PROFILE_STEP");
    const int runs = runs_text != nullptr ? std::atoi(runs_text) : 100;
    const bool language = step != nullptr && std::string(step) == "language";
    EditorHarness editor(root());
    HWND dialog = editor.dialog();
    editor.choose(300, 100);
    settle(dialog);
    const HWND english = test::button_of(dialog, 2001), russian = test::button_of(dialog, 2002);
    std::printf("steps begin\n");
    std::fflush(stdout);
    const double started = flow::now_ms();
    for (int i = 0; i < runs; ++i) {
        if (language) {
            SendMessageW(i % 2 == 0 ? russian : english, BM_CLICK, 0, 0);
            settle(dialog);
        } else {
            key_step(editor, (i / 10) % 2 == 0 ? VK_DOWN : VK_UP);
        }
    }
    std::printf("%d steps, each painted: %.1f ms each\n", runs, (flow::now_ms() - started) / runs);
    EXPECT_TRUE(editor.take_errors().empty());
}

}  // namespace
}  // namespace ce
