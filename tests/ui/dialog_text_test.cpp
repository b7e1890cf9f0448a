// Reading numbers out of the form's and the dialog's edits; the command and string tables.
#include "ui/dialog_text.h"

#include <gtest/gtest.h>

#include <set>

#include "ui/command_ids.h"
#include "ui/string_table.h"

namespace kavrin {
namespace {

TEST(DialogText, SignedReadingGivesZeroForAnythingThatIsNotANumber) {
    EXPECT_EQ(ReadDialogInt("75"), 75);
    EXPECT_EQ(ReadDialogInt("-3"), -3);
    EXPECT_EQ(ReadDialogInt("  12  "), 12);
    EXPECT_EQ(ReadDialogInt(""), 0);
    EXPECT_EQ(ReadDialogInt("abc"), 0);
    EXPECT_EQ(ReadDialogInt("12abc"), 0);
    EXPECT_EQ(ReadDialogInt("-"), 0);
    EXPECT_EQ(ReadDialogInt("2147483647"), 2147483647);
    EXPECT_EQ(ReadDialogInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ReadDialogInt("2147483648"), 0);
    EXPECT_EQ(ReadDialogInt("99999999999999999999"), 0);
}

TEST(DialogText, AdjustValuesAreBounded) {
    EXPECT_EQ(ClampAdjust(75), 75);
    EXPECT_EQ(ClampAdjust(2000000000), kAdjustBound);
    EXPECT_EQ(ClampAdjust(-2000000000), -kAdjustBound);
}

TEST(DialogText, UnsignedFieldsFollowTheDataExchangeRules) {
    EXPECT_EQ(ParseUnsignedField("22000"), 22000u);
    EXPECT_EQ(ParseUnsignedField(" \t15\t "), 15u);
    EXPECT_EQ(ParseUnsignedField("0"), 0u);
    EXPECT_FALSE(ParseUnsignedField(""));
    EXPECT_FALSE(ParseUnsignedField("   "));
    EXPECT_FALSE(ParseUnsignedField("-5"));
    EXPECT_FALSE(ParseUnsignedField("+5"));
    EXPECT_FALSE(ParseUnsignedField("1 2"));
    EXPECT_FALSE(ParseUnsignedField("12x"));
    EXPECT_EQ(ParseUnsignedField("99999999999"), 4294967295u);
    // Only the first 31 characters count.
    EXPECT_EQ(ParseUnsignedField(std::string(30, ' ') + "7" + "garbage"), 7u);
}

TEST(CommandIds, EveryCommandHasItsOwnToolkitIdBelowTheToolkitsLimit) {
    std::set<int> seen;
    for (std::size_t i = 0; i < kCommandCount; ++i) {
        const int id = ToolkitId(kAllCommands[i]);
        EXPECT_GT(id, 5999);
        EXPECT_LT(id, 32767);
        EXPECT_TRUE(seen.insert(id).second);
        EXPECT_EQ(CommandFromToolkitId(id), kAllCommands[i]);
    }
    EXPECT_EQ(ToolkitId(12345), -1);
    EXPECT_EQ(CommandFromToolkitId(1), 0);
}

TEST(StringTable, PromptsTooltipsAndFrameworkTexts) {
    EXPECT_EQ(LoadString(128), "Windows Tolmar (Tolmar)");
    EXPECT_EQ(LoadString(57344), "Kavrin");
    EXPECT_EQ(CommandPrompt(57600), "Create a new document");
    EXPECT_EQ(CommandTooltip(57600), "New");
    EXPECT_EQ(CommandTooltip(59393), "Toggle StatusBar");
    EXPECT_EQ(CommandPrompt(ID_LINE_ON), "");
    EXPECT_EQ(RangeMessage(0, 32000), "Please enter an integer between 0 and 32000.");
    EXPECT_EQ(LoadString(AFX_IDP_PARSE_UINT), "Please enter a positive integer.");
}

}  // namespace
}  // namespace kavrin
