#include "ui/tray_action.h"

#include <gtest/gtest.h>

#include <string>

namespace kprt5 {
namespace {

struct TrayCase {
  const char* name;
  std::uint32_t identifier;
  std::uint32_t mouseMessage;
  TrayAction action;
};

class TrayActionTest : public ::testing::TestWithParam<TrayCase> {};

constexpr std::uint32_t kIcon = 130;

TEST_P(TrayActionTest, DecidesByIdentifierThenMouseMessage) {
  EXPECT_EQ(DecideTrayAction(GetParam().identifier, kIcon, GetParam().mouseMessage), GetParam().action);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TrayActionTest,
    ::testing::Values(
        TrayCase{"LeftUp", kIcon, 514, TrayAction::OpenMenu},
        TrayCase{"RightUp", kIcon, 517, TrayAction::OpenMenu},
        TrayCase{"LeftDoubleClick", kIcon, 515, TrayAction::DefaultCommand},
        TrayCase{"LeftDown", kIcon, 513, TrayAction::Ignore},
        TrayCase{"RightDown", kIcon, 516, TrayAction::Ignore},
        TrayCase{"RightDoubleClick", kIcon, 518, TrayAction::Ignore},
        TrayCase{"MouseMove", kIcon, 512, TrayAction::Ignore},
        TrayCase{"HighBitsIgnored", kIcon, 0x00820202, TrayAction::OpenMenu},
        TrayCase{"OtherIconLeftUp", 131, 514, TrayAction::NotOurs},
        TrayCase{"OtherIconMove", 0, 512, TrayAction::NotOurs}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

}  // namespace
}  // namespace kprt5
