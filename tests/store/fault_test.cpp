// The one shape of failure: a fault's kind and message, and the results that carry it.
#include "store/fault.h"

#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace ce
