#include <gtest/gtest.h>

#include "base/VaultRules.h"

TEST(CheckNewMasterPassword, LengthFirstThenConfirmation) {
    using enum TNewPasswordProblem;
    EXPECT_EQ(CheckNewMasterPassword("12345", "12345"), TooShort);
    EXPECT_EQ(CheckNewMasterPassword("12345", "other"), TooShort);
    EXPECT_EQ(CheckNewMasterPassword("123456", "123456"), None);
    EXPECT_EQ(CheckNewMasterPassword("123456", "123457"), ConfirmationDiffers);
    // No folding: the confirmation must match byte for byte.
    EXPECT_EQ(CheckNewMasterPassword("Secret", "secret"), ConfirmationDiffers);
    // Without a confirmation only the length counts.
    EXPECT_EQ(CheckNewMasterPassword("123456", std::nullopt), None);
    EXPECT_EQ(CheckNewMasterPassword("", std::nullopt), TooShort);
}
