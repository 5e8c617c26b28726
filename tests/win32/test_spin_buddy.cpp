// The spins and their buddies on the real dialog, where a procedure of ours
// stands over each buddy's hook: the spin still steps its buddy on a click, an
// arrow key or the wheel, within its range; the buddy still filters what is
// typed; the hook still ends with the window. And the control colours the
// editor's dialog answers are the system's own.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "app/editor_shell.h"
#include "app/spin_buddy.h"
#include "app/win32_form.h"
#include "form/catalogue.h"
#include "win32_support.h"

namespace ce {
namespace {

INT_PTR CALLBACK quiet_dialog(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

class SpinBuddy : public ::testing::Test {
protected:
    SpinBuddy() : dialog_(test::create_editor_window(quiet_dialog, 0)), form_(dialog_) {}
    ~SpinBuddy() override {
        if (IsWindow(dialog_)) DestroyWindow(dialog_);
        test::pump(nullptr);
    }

    // A click on the upper (up) or lower half of a spin, as the mouse gives it.
    void click_arrow(int spin_id, bool up) {
        HWND spin = form_.control(spin_id);
        RECT rect;
        GetClientRect(spin, &rect);
        const LPARAM at = MAKELPARAM(rect.right / 2, up ? rect.bottom / 4 : rect.bottom * 3 / 4);
        SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(spin, WM_LBUTTONUP, 0, at);
        test::pump(dialog_);
    }
    void wheel(int edit_id, int notches) {
        SendMessageW(form_.control(edit_id), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA * notches), 0);
        test::pump(dialog_);
    }
    std::string text(int id) { return form_.get_text(id, 100); }

    HWND dialog_;
    Win32Form form_;
};

TEST_F(SpinBuddy, EveryBuddyKeepsItsSpinUnderTheShortenedHook) {
    const auto controls = editor_controls();
    int spins = 0;
    for (std::size_t i = 1; i < controls.size(); ++i) {
        if (controls[i].kind != Kind::Spin || !form_.has_control(controls[i].id)) continue;
        ++spins;
        HWND buddy = reinterpret_cast<HWND>(SendMessageW(form_.control(controls[i].id), UDM_GETBUDDY, 0, 0));
        EXPECT_EQ(buddy, form_.control(controls[i - 1].id)) << controls[i].id;
        EXPECT_TRUE(buddy_hook_shortened(buddy)) << controls[i].id;
    }
    EXPECT_EQ(spins, 57);
    // Again, or from a second form on the dialog: the same procedure, once.
    EXPECT_EQ(shorten_buddy_hooks(dialog_), spins);
    const LONG_PTR proc = GetWindowLongPtrW(form_.control(91), GWLP_WNDPROC);
    { Win32Form second(dialog_); }
    EXPECT_EQ(GetWindowLongPtrW(form_.control(91), GWLP_WNDPROC), proc);
    // Edits without a spin are left as they are.
    EXPECT_FALSE(buddy_hook_shortened(form_.control(121)));
    EXPECT_FALSE(buddy_hook_shortened(form_.control(304)));

    // The hook ends with its window, and so does what stands over it.
    HWND buddy = form_.control(91);
    DestroyWindow(dialog_);
    test::pump(nullptr);
    EXPECT_FALSE(buddy_hook_shortened(buddy));
}

TEST_F(SpinBuddy, ClicksAndTheWheelStepTheBuddyWithinTheRange) {
    form_.set_spin_range(1919, 0, 100);
    form_.set_text(231, "99");
    click_arrow(1919, true);
    EXPECT_EQ(text(231), "100");
    click_arrow(1919, true);
    EXPECT_EQ(text(231), "100");
    form_.set_text(231, "1");
    click_arrow(1919, false);
    click_arrow(1919, false);
    EXPECT_EQ(text(231), "0");

    // Negative values with their "-", in a number edit and in a NewEdit field.
    form_.set_spin_range(1952, -128, 127);
    form_.set_text(91, "0");
    click_arrow(1952, false);
    EXPECT_EQ(text(91), "-1");
    form_.set_spin_range(1958, -90, 90);
    form_.set_text(5002, "-88");
    wheel(5002, -1);
    EXPECT_EQ(text(5002), "-89");
    wheel(5002, -1);
    wheel(5002, -1);
    EXPECT_EQ(text(5002), "-90");
    wheel(5002, 1);
    EXPECT_EQ(text(5002), "-89");

    // Thousands without separators; the arrow keys in the buddy as well.
    form_.set_spin_range(1937, 0, 999999999);
    form_.set_text(76, "999");
    click_arrow(1937, true);
    EXPECT_EQ(text(76), "1000");
    test::spin(dialog_, form_, 1937, 2);
    EXPECT_EQ(text(76), "1002");
    test::spin(dialog_, form_, 1937, -3);
    EXPECT_EQ(text(76), "999");
}

TEST_F(SpinBuddy, TheBuddiesStillFilterWhatIsTyped) {
    test::take_beep_count();
    // A NewEdit field: digits, '.', '-' and backspace; anything else beeps.
    form_.set_text(5002, "");
    test::type(dialog_, form_, 5002, "-1a.5");
    EXPECT_EQ(text(5002), "-1.5");
    EXPECT_EQ(test::take_beep_count(), 1);
    // A number edit takes digits only, and its limit still binds typing.
    form_.set_text_limit(212, 3);
    form_.set_text(212, "");
    test::type(dialog_, form_, 212, "1-2x34");
    EXPECT_EQ(text(212), "123");
    // Text set by the program is shown unchanged.
    form_.set_text(212, "-1000");
    EXPECT_EQ(text(212), "-1000");
}

TEST(ControlColours, AreTheSystemDefaults) {
    HWND dialog = test::create_editor_window(quiet_dialog, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    for (UINT message : {WM_CTLCOLOREDIT, WM_CTLCOLORLISTBOX, WM_CTLCOLORBTN, WM_CTLCOLORDLG, WM_CTLCOLORSTATIC}) {
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        const LRESULT system = DefWindowProcW(dialog, message, reinterpret_cast<WPARAM>(dc), 0);
        const COLORREF text = GetTextColor(dc), back = GetBkColor(dc);
        SetTextColor(dc, RGB(1, 2, 3));
        SetBkColor(dc, RGB(4, 5, 6));
        EXPECT_EQ(control_colours(message, dc), system) << message;
        EXPECT_EQ(GetTextColor(dc), text) << message;
        EXPECT_EQ(GetBkColor(dc), back) << message;
    }
    // Scroll bars are left to the system.
    EXPECT_EQ(control_colours(WM_CTLCOLORSCROLLBAR, dc), 0);
    EXPECT_EQ(control_colours(WM_PAINT, dc), 0);
    DeleteDC(dc);
    DestroyWindow(dialog);
}

}  // namespace
}  // namespace ce
