// The one shape of failure: a fault's kind and message, and the results that carry it.
#include "store/fault.h"

#include <gtest/gtest.h>

#include <string>

#include "store/binding.h"
#include "store/layouts.h"
#include "store/value_text.h"

namespace ce {
namespace {

TEST(Fault, MessagesNameTheFileOnceAndKeepTheirKindThroughEveryRewording) {
    const Fault missing("Eng/Monsters.txt", reason::kMissing);
    EXPECT_EQ(missing.kind, FaultKind::missing);
    EXPECT_EQ(missing.message(), "Eng/Monsters.txt: does not exist");
    EXPECT_EQ(Fault(reason::kDenied).kind, FaultKind::denied);
    EXPECT_EQ(Fault("No space left on device").kind, FaultKind::io);
    EXPECT_EQ(Fault("No space left on device").message(), "No space left on device");

    const Fault busy(FaultKind::busy, "data", "another program is writing this data folder");
    for (const auto& [fault, text] : {
             std::pair{busy.at("other"), std::string("other: another program is writing this data folder")},
             std::pair{busy.followed_by("; nothing was written"),
                       std::string("data: another program is writing this data folder; nothing was written")},
             std::pair{busy.after("entry 3, Lang: "),
                       std::string("entry 3, Lang: data: another program is writing this data folder")},
             std::pair{failed_step("Ammo.vrh", "cannot back up the file", busy),
                       std::string("Ammo.vrh: cannot back up the file: another program is writing this data folder")},
         }) {
        EXPECT_EQ(fault.message(), text);
        EXPECT_EQ(fault.kind, FaultKind::busy) << text;
    }
}

TEST(Fault, AStatusOrAResultHoldsEitherItsValueOrItsFault) {
    const Status fine;
    EXPECT_TRUE(fine.ok());
    EXPECT_EQ(fine.message(), "");
    EXPECT_FALSE(fine.is(FaultKind::io));
    const Status lost = Fault(FaultKind::conflict, "Ammo.vrh", "changed by another program since it was read");
    EXPECT_FALSE(lost.ok());
    EXPECT_TRUE(lost.is(FaultKind::conflict));
    EXPECT_EQ(lost.message(), "Ammo.vrh: changed by another program since it was read");

    const Result<std::string> value = std::string("bytes");
    ASSERT_TRUE(value.ok());
    EXPECT_EQ(*value, "bytes");
    EXPECT_TRUE(value.status().ok());
    const Result<std::string> none = Fault("Lang", reason::kMissing);
    ASSERT_FALSE(none.ok());
    EXPECT_TRUE(none.is(FaultKind::missing));
    EXPECT_EQ(none.status().message(), "Lang: does not exist");
}

// A slot is 0 to 999 wherever it is checked, and one that is not is worded once.
TEST(Fault, ASlotOutsideTheRangeIsOneFaultWithOneWording) {
    for (const auto& [n, slot] : {std::pair{-1LL, false}, {0LL, true}, {999LL, true}, {1000LL, false},
                                  {65536LL, false}, {-4294967296LL, false}})
        EXPECT_EQ(is_slot(n), slot) << n;
    const Fault f = slot_fault("\"1000\"");
    EXPECT_EQ(f.kind, FaultKind::out_of_range);
    EXPECT_EQ(f.message(), "\"1000\" is not a creature slot (0 to 999)");
    EXPECT_EQ(slot_range(), "0 to " + std::to_string(kSlots - 1));
}

// What the editor's Save reads from a control: a value, or a fault whose kind
// tells a bad text from a value out of the field's range.
TEST(Fault, AFormTextIsAValueOrAFaultOfItsKind) {
    const BindingRow* byte_row = nullptr;
    for (const BindingRow& row : binding_rows(DataFile::Monsters))
        if (row.kind == Conversion::Number && row.width == 1 && !row.is_signed) {
            byte_row = &row;
            break;
        }
    ASSERT_NE(byte_row, nullptr);
    const Result<FormValue> fine = read_form_text(*byte_row, " 255 ");
    ASSERT_TRUE(fine.ok());
    EXPECT_EQ(fine->integer, 255);
    for (const auto& [text, kind, words] :
         {std::tuple{"256", FaultKind::out_of_range, "256 is outside 0..255"},
          std::tuple{"-1", FaultKind::out_of_range, "-1 is outside 0..255"},
          std::tuple{"7x", FaultKind::invalid, "\"7x\" is not a whole number"},
          std::tuple{"1,5", FaultKind::invalid, "\"1,5\" is not a whole number"}}) {
        const Result<FormValue> r = read_form_text(*byte_row, text);
        ASSERT_FALSE(r.ok()) << text;
        EXPECT_EQ(r.fault().kind, kind) << text;
        EXPECT_EQ(r.fault().message(), words);
    }
}

}  // namespace
}  // namespace ce
