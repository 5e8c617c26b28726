// The states clipboard: what "Copy all states" captures from the form, and the
// two pastes.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace ce {

class Form;

// Byte widths of the clipboard's text fields: a field of n bytes carries at most
// n - 1 characters (a longer text is cut at capture).
namespace clip_width {
constexpr int kName121 = 16;
constexpr int kSound122 = 5;
constexpr int kAmmo304 = 16;
constexpr int kEdit151 = 2;
constexpr int kShort = 4;        // 212, 231, 245, 246, 248, 249, 250, 98
constexpr int kEdit247 = 10;
constexpr int kEdit251 = 6;
constexpr int kEdit97 = 5;       // "-100" to "-128" whole
constexpr int kCrAnim = 8;       // 91-96 and 5002-5019
constexpr int kCrAnimWide = 11;  // 5014 and 5015: ten digits, an unsigned reading whole
constexpr int kName300 = 64;
constexpr int kPlural = 64;
constexpr int kAbility = 512;
}  // namespace clip_width

// One record for the whole run, zero at start, overwritten by every capture.
// Fields in their order; the number after each is its place in that order.
struct StatesClipboard {
    std::string edit121;                 // 1
    std::string edit122;                 // 2
    std::string edit304;                 // 3
    std::array<std::uint8_t, 32> checks_2019_2050{};  // 4: one byte per box
    std::string edit151;                 // 5
    std::int32_t radio = 0;              // 6: 2008..2017, 0 when the group was empty
    std::int32_t list301 = 0;            // 7
    std::int32_t list302 = 0;            // 8
    std::string edit212;                 // 9
    std::array<std::int32_t, 3> lists_306_305_307{};                  // 10
    std::array<std::int32_t, 6> checks_2058_2063{};                   // 11
    std::array<std::int32_t, 8> lists_308_309_310_311_312_303_314_313{};  // 12
    std::string edit231;                 // 13
    std::int32_t list315 = 0;            // 14
    std::array<std::int32_t, 12> checks_2073_2084{};  // 15
    std::array<std::string, 2> edits_245_246;          // 16
    std::string edit247;                 // 17
    std::string edit248;                 // 18
    std::string edit250;                 // 19
    std::string edit249;                 // 20
    std::string edit251;                 // 21
    std::int32_t list316 = 0;            // 22
    std::int32_t check2099 = 0;          // 23
    std::string edit97;                  // 24
    std::array<std::uint32_t, 21> numbers_70_90{};     // 25: unsigned readings
    std::array<std::string, 6> cranim_91_96;           // 26
    std::array<std::string, 18> cranim_5002_5019;      // 27
    std::string name300;                 // 28: the edit part of list 300
    std::string plural5000;              // 29
    std::string ability5001;             // 30
    std::array<std::int32_t, 6> lists_317_322{};       // 31
    std::string edit98;                  // 32
    std::int32_t check2132 = 0;          // 33
};

// Reads the form into the clipboard (index is not used; it names the creature
// shown, for symmetry with restore_states).
void capture_states(int index, const Form& form, StatesClipboard& clip);
// Edits 91-96, then 5002-5019.
void capture_cranim(const Form& form, StatesClipboard& clip);
// Writes the whole clipboard into the form, puts the captured name into entry
// `index` of list 300 and selects it, and recomputes the interlocks.
void restore_states(int index, Form& form, const StatesClipboard& clip);
// Edits 91-96, then 5002-5019; nothing else changes.
void restore_cranim(Form& form, const StatesClipboard& clip);

}  // namespace ce
