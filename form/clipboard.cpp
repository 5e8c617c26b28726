// The states clipboard works on the controls only: nothing reaches the data
// files until the user saves.
#include "form/clipboard.h"

#include "form/form.h"
#include "form/interlocks.h"

namespace ce {

namespace {

constexpr int kFirstRadio = 2008;
constexpr int kLastRadio = 2017;

constexpr int kLists306_305_307[] = {306, 305, 307};
constexpr int kLists308_313[] = {308, 309, 310, 311, 312, 303, 314, 313};
constexpr int kLists317_322[] = {317, 318, 319, 320, 321, 322};
constexpr int kEdits245_246[] = {245, 246};

constexpr int cranim_width(int id) {
    return id == 5014 || id == 5015 ? clip_width::kCrAnimWide : clip_width::kCrAnim;
}

template <std::size_t N>
void capture_lists(const Form& form, const int (&ids)[N], std::array<std::int32_t, N>& out) {
    for (std::size_t i = 0; i < N; ++i) out[i] = form.selected_item(ids[i]);
}

template <std::size_t N>
void restore_lists(Form& form, const int (&ids)[N], const std::array<std::int32_t, N>& in) {
    for (std::size_t i = 0; i < N; ++i) form.select_item(ids[i], in[i]);
}

}  // namespace

void capture_cranim(const Form& form, StatesClipboard& clip) {
    for (int i = 0; i < 6; ++i) clip.cranim_91_96[i] = form.get_text(91 + i, clip_width::kCrAnim);
    for (int i = 0; i < 18; ++i) {
        const int id = 5002 + i;
        clip.cranim_5002_5019[i] = form.get_text(id, cranim_width(id));
    }
}

void capture_states(int index, const Form& form, StatesClipboard& clip) {
    (void)index;
    clip.edit121 = form.get_text(121, clip_width::kName121);
    clip.edit304 = form.get_text(304, clip_width::kAmmo304);
    clip.edit122 = form.get_text(122, clip_width::kSound122);
    for (int k = 0; k < 32; ++k) {
        clip.checks_2019_2050[k] = static_cast<std::uint8_t>(form.get_check(2019 + k) & 0xFF);
    }
    clip.edit151 = form.get_text(151, clip_width::kEdit151);

    // An empty group is captured as empty, so a paste clears the group and Save
    // then keeps the target's stored radio byte.
    clip.radio = 0;
    for (int id = kFirstRadio; id <= kLastRadio; ++id) {
        if ((form.get_check(id) & 0xFF) != 0) {
            clip.radio = id;
            break;
        }
    }

    clip.list301 = form.selected_item(301);
    clip.list302 = form.selected_item(302);
    clip.edit212 = form.get_text(212, clip_width::kShort);
    capture_lists(form, kLists306_305_307, clip.lists_306_305_307);
    for (int k = 0; k < 6; ++k) clip.checks_2058_2063[k] = form.get_check(2058 + k);
    capture_lists(form, kLists308_313, clip.lists_308_309_310_311_312_303_314_313);
    clip.edit231 = form.get_text(231, clip_width::kShort);
    clip.list315 = form.selected_item(315);
    for (int k = 0; k < 12; ++k) clip.checks_2073_2084[k] = form.get_check(2073 + k);

    for (int k = 0; k < 2; ++k) clip.edits_245_246[k] = form.get_text(kEdits245_246[k], clip_width::kShort);
    clip.edit247 = form.get_text(247, clip_width::kEdit247);
    clip.edit248 = form.get_text(248, clip_width::kShort);
    clip.edit250 = form.get_text(250, clip_width::kShort);
    clip.edit249 = form.get_text(249, clip_width::kShort);
    clip.edit251 = form.get_text(251, clip_width::kEdit251);

    clip.list316 = form.selected_item(316);
    clip.check2099 = form.get_check(2099);
    clip.edit97 = form.get_text(97, clip_width::kEdit97);
    capture_lists(form, kLists317_322, clip.lists_317_322);
    clip.check2132 = form.get_check(2132);
    clip.edit98 = form.get_text(98, clip_width::kShort);

    for (int i = 0; i < 21; ++i) {
        clip.numbers_70_90[i] = static_cast<std::uint32_t>(form.get_number(70 + i, false));
    }
    capture_cranim(form, clip);

    clip.name300 = form.get_text(300, clip_width::kName300);
    clip.plural5000 = form.get_text(5000, clip_width::kPlural);
    clip.ability5001 = form.get_text(5001, clip_width::kAbility);
}

void restore_cranim(Form& form, const StatesClipboard& clip) {
    for (int i = 0; i < 6; ++i) form.set_text(91 + i, clip.cranim_91_96[i]);
    for (int i = 0; i < 18; ++i) form.set_text(5002 + i, clip.cranim_5002_5019[i]);
}

void restore_states(int index, Form& form, const StatesClipboard& clip) {
    form.set_text(121, clip.edit121);
    form.set_text(304, clip.edit304);
    form.set_text(122, clip.edit122);
    for (int k = 0; k < 32; ++k) form.set_check(2019 + k, clip.checks_2019_2050[k]);
    form.set_text(151, clip.edit151);
    form.check_radio(kFirstRadio, kLastRadio, clip.radio);

    form.select_item(301, clip.list301);
    form.select_item(302, clip.list302);
    form.set_text(212, clip.edit212);
    restore_lists(form, kLists306_305_307, clip.lists_306_305_307);
    for (int k = 0; k < 6; ++k) form.set_check(2058 + k, clip.checks_2058_2063[k]);
    restore_lists(form, kLists308_313, clip.lists_308_309_310_311_312_303_314_313);
    form.set_text(231, clip.edit231);
    form.select_item(315, clip.list315);
    for (int k = 0; k < 12; ++k) form.set_check(2073 + k, clip.checks_2073_2084[k]);

    for (int k = 0; k < 2; ++k) form.set_text(kEdits245_246[k], clip.edits_245_246[k]);
    form.set_text(247, clip.edit247);
    form.set_text(248, clip.edit248);
    form.set_text(250, clip.edit250);
    form.set_text(249, clip.edit249);
    form.set_text(251, clip.edit251);

    form.select_item(316, clip.list316);
    form.set_check(2099, clip.check2099);
    form.set_text(97, clip.edit97);
    restore_lists(form, kLists317_322, clip.lists_317_322);
    form.set_check(2132, clip.check2132);
    form.set_text(98, clip.edit98);

    for (int i = 0; i < 21; ++i) {
        form.set_number(70 + i, static_cast<std::int32_t>(clip.numbers_70_90[i]), false);
    }
    restore_cranim(form, clip);

    form.delete_item(300, index);
    form.insert_item(300, index, clip.name300);
    form.select_item(300, index);

    form.set_text(5000, clip.plural5000);
    form.set_text(5001, clip.ability5001);
    update_interlocks(index, form);
}

}  // namespace ce
