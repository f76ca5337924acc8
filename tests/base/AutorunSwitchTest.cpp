#include <gtest/gtest.h>

#include "base/AutorunSwitch.h"

TEST(AutorunSwitch, FoundAfterAnyLeadInAnyCaseAndPosition) {
    EXPECT_TRUE(HasAutorunSwitch({"-autorun"}));
    EXPECT_TRUE(HasAutorunSwitch({"/AUTORUN"}));
    EXPECT_TRUE(HasAutorunSwitch({"\\AutoRun"}));
    EXPECT_TRUE(HasAutorunSwitch({"--autorun"}));
    EXPECT_TRUE(HasAutorunSwitch({"file.dat", "-x", "/autoRUN"}));
}

TEST(AutorunSwitch, OtherTextsAreNoSwitch) {
    EXPECT_FALSE(HasAutorunSwitch({}));
    EXPECT_FALSE(HasAutorunSwitch({"autorun"}));
    EXPECT_FALSE(HasAutorunSwitch({"-autorun2", "/auto", "-", "", "+autorun"}));
    EXPECT_FALSE(HasAutorunSwitch({"---autorun", "/-autorun", "-autorun ", " -autorun"}));
}
