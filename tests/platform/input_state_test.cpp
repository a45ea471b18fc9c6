#include "qx/platform/input_state.h"

#include <gtest/gtest.h>

#include <array>

using namespace QxWin;

namespace {

class InputState : public ::testing::Test {
protected:
    void TearDown() override { QxReleaseAllKeys(); }
};

TEST_F(InputState, KeyQueriesFollowTheFedState) {
    QxSetKeyState('A', 1);
    EXPECT_LT(GetKeyState('A'), 0);
    // The async query reports "pressed since the last query" once.
    EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState('A')), 0x8001u);
    EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState('A')), 0x8000u);
    QxSetKeyState('A', 1); // auto-repeat: no new press
    EXPECT_EQ(static_cast<unsigned short>(GetAsyncKeyState('A')), 0x8000u);
    QxSetKeyState('A', 0);
    EXPECT_EQ(GetAsyncKeyState('A'), 0);
    EXPECT_GE(GetKeyState('A'), 0);

    // Every press flips the toggle bit.
    const SHORT toggled = GetKeyState(VK_CAPITAL) & 1;
    QxSetKeyState(VK_CAPITAL, 1);
    QxSetKeyState(VK_CAPITAL, 0);
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, toggled ^ 1);

    EXPECT_EQ(GetAsyncKeyState(256), 0);
}

TEST_F(InputState, ModifiersAndMouseFlags) {
    QxSetKeyState(VK_LSHIFT, 1);
    QxSetKeyState(VK_RSHIFT, 1);
    QxSetKeyState(VK_LSHIFT, 0);
    EXPECT_LT(GetKeyState(VK_SHIFT), 0); // the right one still holds it
    QxSetKeyState(VK_RSHIFT, 0);
    EXPECT_GE(GetKeyState(VK_SHIFT), 0);

    // A host that only knows the generic key.
    QxSetKeyState(VK_MENU, 1);
    EXPECT_LT(GetKeyState(VK_LMENU), 0);
    QxSetKeyState(VK_MENU, 0);
    EXPECT_GE(GetKeyState(VK_LMENU), 0);

    QxSetKeyState(VK_CONTROL, 1);
    QxSetKeyState(VK_RBUTTON, 1);
    EXPECT_EQ(QxGetMouseFlags(), UINT{MK_CONTROL | MK_RBUTTON});
    std::array<BYTE, 256> keys{};
    ASSERT_TRUE(GetKeyboardState(keys.data()));
    EXPECT_EQ(keys[VK_RBUTTON] & 0x80, 0x80);
    EXPECT_EQ(keys[VK_LBUTTON] & 0x80, 0);

    QxReleaseAllKeys();
    EXPECT_EQ(QxGetMouseFlags(), 0u);
    EXPECT_GE(GetKeyState(VK_CONTROL), 0);

    const int wheel = QxGetMouseWheel();
    QxAddMouseWheel(-WHEEL_DELTA);
    EXPECT_EQ(QxGetMouseWheel(), wheel - 120);
}

} // namespace
