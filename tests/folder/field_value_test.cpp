// The field vocabulary over every binding row: each kind's writer (the
// export's text of the stored bytes) and its exact reader give back the same
// bytes, at the extremes of the field, and each reader refuses a bad text with
// the fault's kind.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "folder/dataset.h"
#include "folder/field_value.h"
#include "store/value_text.h"
#include "support/random.h"
#include "text/code_page.h"

namespace ce {
namespace {

constexpr int kEdgeSlots[] = {0, 517, kSlots - 1};

// A character of both code pages' letters or of printable ASCII.
char text_byte(test::Random& rng) {
    return static_cast<char>(rng.below(2) ? rng.range(0x20, 0x7E) : rng.range(0xC0, 0xFF));
}

std::string random_text(test::Random& rng, std::size_t n) {
    std::string s(n, ' ');
    for (char& c : s) c = text_byte(rng);
    return s;
}

// Six data files of random bytes and the creature lines of random texts.
Dataset random_dataset(test::Random& rng, int language) {
    Dataset d;
    d.language = language;
    for (const DataFileInfo& info : data_files()) {
        DataBytes& f = d.folder.file(info.id);
        f.present = true;
        f.length = info.size;
        f.bytes.assign(info.size + 32, 0);
        for (std::size_t i = 0; i < info.size; ++i) f.bytes[i] = rng.byte();
    }
    for (TextKind kind : {TextKind::Monsters, TextKind::Plural, TextKind::Ability}) {
        LanguageText& t = d.text(kind);
        t.present = true;
        for (int k = 0; k <= kSlots; ++k)
            append_line(t.bytes, random_text(rng, rng.below(creature_line_max(kind) + 1)));
        split_lines(t);
    }
    return d;
}

std::span<std::uint8_t> element_of(Dataset& d, const Field& f, int slot) {
    auto& bytes = d.folder.file(f.row->file).bytes;
    return std::span<std::uint8_t>(bytes).subspan(element_position(*f.row, slot), f.row->width);
}

// The text field's element at `slot`: `text`, its zero when there is room,
// then random bytes.
void put_text(Dataset& d, const Field& f, int slot, const std::string& text, test::Random& rng) {
    const auto element = element_of(d, f, slot);
    for (std::uint8_t& b : element) b = rng.byte();
    std::copy(text.begin(), text.end(), element.begin());
    if (text.size() < element.size()) element[text.size()] = 0;
}

// The export's texts of the field (and of the After field beside a text),
// read back into a copy whose element is spoiled: every byte comes back.
void expect_round_trip(const Dataset& d, const Field& f, const Field* after, int slot) {
    Dataset back = d;
    const std::string text = export_value(d, f, slot);
    const std::string where = f.key + " slot " + std::to_string(slot) + " text " + quote_text(text);
    if (f.kind == FieldKind::Integer) {
        const Result<std::int64_t> v = integer_value(f, CellType::Text, text);
        ASSERT_TRUE(v.ok()) << where << ": " << v.fault().message();
        write_int(*f.row, back.folder.file(f.row->file).view(), slot, f.max ^ 0x5A);
        write_int(*f.row, back.folder.file(f.row->file).view(), slot, *v);
    } else if (f.kind == FieldKind::Float) {
        const Result<std::uint32_t> bits = float_value(CellType::Number, text);
        ASSERT_TRUE(bits.ok()) << where << ": " << bits.fault().message();
        write_int(*f.row, back.folder.file(f.row->file).view(), slot, ~*bits);
        write_int(*f.row, back.folder.file(f.row->file).view(), slot, *bits);
    } else {
        const Result<std::string> stored = text_value(f, CellType::String, text, d.language);
        ASSERT_TRUE(stored.ok()) << where << ": " << stored.fault().message();
        if (f.kind == FieldKind::Line) {
            EXPECT_EQ(*stored, d.text(f.text_kind).line(f.line(slot))) << where;
            return;
        }
        const Result<AfterBytes> tail = after_value(*after, CellType::String, export_value(d, *after, slot));
        ASSERT_TRUE(tail.ok()) << where << ": " << tail.fault().message();
        const auto element = element_of(back, f, slot);
        std::fill(element.begin(), element.end(), std::uint8_t{0xEE});
        const std::string built = text_element(element, *stored, &*tail);
        std::copy(built.begin(), built.end(), element.begin());
    }
    EXPECT_EQ(back.folder.file(f.row->file).bytes, d.folder.file(f.row->file).bytes) << where;
}

// The texts that put a field at its extremes.
void put_extreme(Dataset& d, const Field& f, int slot, int which, test::Random& rng) {
    auto bytes = d.folder.file(f.row->file).view();
    switch (f.kind) {
        case FieldKind::Integer: {
            const std::int64_t values[] = {f.min, f.max, std::clamp<std::int64_t>(0, f.min, f.max)};
            write_int(*f.row, bytes, slot, element_value({f.min, f.max}, values[which % 3]));
            break;
        }
        case FieldKind::Float: {
            const std::uint32_t bits[] = {0x7F7FFFFFu, 0x80000000u, 0xFF800000u, 0x7FC00001u, 0x00000001u};
            write_int(*f.row, bytes, slot, bits[which % 5]);
            break;
        }
        case FieldKind::Text: {
            const std::size_t width = f.row->width, lengths[] = {0, width, width - 1};
            put_text(d, f, slot, random_text(rng, lengths[which % 3]), rng);
            break;
        }
        default: break;
    }
}

TEST(FieldVocabulary, EveryRowRoundTripsAtItsExtremes) {
    const std::vector<Field> fields = make_fields(true);
    test::Random rng(37);
    for (int language : {0, 1}) {
        Dataset d = random_dataset(rng, language);
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const Field& f = fields[i];
            if (f.kind == FieldKind::After) continue;  // with its text field
            const Field* after = f.kind == FieldKind::Text ? &fields[i + 1] : nullptr;
            for (int slot : kEdgeSlots)
                for (int which = 0; which < 5; ++which) {
                    if (f.kind != FieldKind::Line) put_extreme(d, f, slot, which, rng);
                    expect_round_trip(d, f, after, slot);
                    if (HasFatalFailure()) return;
                }
        }
    }
}

// One text past what the field holds, and one that is not its kind's shape.
struct Refused {
    std::string text;
    FaultKind kind;
};

std::vector<Refused> refused_texts(const Field& f) {
    switch (f.kind) {
        case FieldKind::Integer:
            return {{std::to_string(f.max + 1), FaultKind::out_of_range},
                    {std::to_string(f.min - 1), FaultKind::out_of_range},
                    {"1,000", FaultKind::invalid}};
        case FieldKind::Float: return {{"1,5", FaultKind::invalid}, {"", FaultKind::invalid}};
        case FieldKind::After:
            return {{std::string(2 * (f.row->width + 1), '0'), FaultKind::out_of_range}, {"0g", FaultKind::invalid}};
        case FieldKind::Text:
        case FieldKind::Line: return {{std::string(f.text_max() + 1, 'a'), FaultKind::out_of_range}};
    }
    return {};
}

Status read_as(const Field& f, std::string_view text) {
    switch (f.kind) {
        case FieldKind::Integer: return integer_value(f, CellType::Text, text).status();
        case FieldKind::Float: return float_value(CellType::Text, text).status();
        case FieldKind::After: return after_value(f, CellType::Text, text).status();
        case FieldKind::Text:
        case FieldKind::Line: return text_value(f, CellType::Text, text, 0).status();
    }
    return {};
}

TEST(FieldVocabulary, EveryRowRefusesABadTextWithItsKind) {
    for (const Field& f : make_fields(true)) {
        for (const Refused& r : refused_texts(f)) {
            const Status s = read_as(f, r.text);
            ASSERT_FALSE(s.ok()) << f.key << " took " << r.text;
            EXPECT_EQ(s.fault().kind, r.kind) << f.key << " " << r.text << ": " << s.fault().message();
        }
        if (f.kind == FieldKind::Line) {
            EXPECT_EQ(read_as(f, "a\nb").fault().kind, FaultKind::invalid) << f.key;
            EXPECT_EQ(read_as(f, std::string(f.text_max(), 'a')).ok(), true) << f.key;
        }
        if (f.kind == FieldKind::Text || f.kind == FieldKind::Line) {
            EXPECT_EQ(text_value(f, CellType::Number, "5", 0).status().fault().kind, FaultKind::invalid) << f.key;
        }
    }
}

TEST(FieldVocabulary, CaptionsWidthsAndLines) {
    const std::vector<Field> fields = make_fields(true);
    const CaptionOf none = [](int) { return std::string(); };
    const CaptionOf named = [](int id) { return "C" + std::to_string(id); };
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const Field& f = fields[i];
        const std::string caption = f.caption(named);
        if (f.kind == FieldKind::After) {
            EXPECT_EQ(caption, fields[i - 1].caption(named) + " (bytes after the text)");
            EXPECT_EQ(f.caption(none), fields[i - 1].caption(none) + " (bytes after the text)");
        } else if (f.row && f.row->caption == 0) {
            EXPECT_EQ(caption, "(no control)") << f.key;
        } else {
            EXPECT_EQ(f.caption(none), f.kind == FieldKind::Line && f.text_kind == TextKind::Monsters ? "Name" : f.key);
        }
        if (f.kind == FieldKind::Text) {
            EXPECT_EQ(f.text_max(), f.width()) << f.key;
        }
        if (f.kind == FieldKind::Integer || f.kind == FieldKind::Float) {
            EXPECT_EQ(f.text_max(), 0u) << f.key;
        }
    }
    EXPECT_EQ(fields[0].line(0), 1);  // line 0 of Monsters.txt names no creature
    EXPECT_EQ(fields[1].line(0), 0);
    EXPECT_EQ(fields[0].text_max(), 63u);
    EXPECT_EQ(fields[2].text_max(), 999u);
}

}  // namespace
}  // namespace ce
