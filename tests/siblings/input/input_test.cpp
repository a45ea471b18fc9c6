#include "qx/input/input.h"
#include "qx/platform/input_state.h"

#include <gtest/gtest.h>

namespace {

TEST(Input, ReportsTheFedStateOnlyWhileAcquired) {
    CQxInput& input = CQxInput::Instance();
    input.Unacquire();
    QxSetKeyState('W', 1);
    QxSetKeyState(VK_MBUTTON, 1);
    QxSetMousePos(nullptr, 12, -3);

    QX_KEY_STATE keys{};
    QX_MOUSE_STATE mouse{};
    keys['W'] = 0x80;
    EXPECT_EQ(input.GetKeyState(keys), 0);
    EXPECT_EQ(keys['W'], 0); // nothing reported without the devices
    EXPECT_EQ(input.IsKeyDown('W'), 0);

    EXPECT_EQ(input.Acquire(), 1);
    EXPECT_EQ(input.Acquire(), 0);
    ASSERT_EQ(input.GetKeyState(keys), 1);
    EXPECT_EQ(keys['W'], 0x80);
    EXPECT_EQ(input.IsKeyDown('W'), 1);
    ASSERT_EQ(input.GetMouseState(mouse), 1);
    EXPECT_EQ(mouse.lX, 12);
    EXPECT_EQ(mouse.lY, -3);
    EXPECT_EQ(mouse.rgbButtons[0], 0);
    EXPECT_EQ(mouse.rgbButtons[2], 0x80);

    EXPECT_EQ(input.Unacquire(), 1);
    EXPECT_EQ(input.GetMouseState(mouse), 0);
    EXPECT_EQ(mouse.rgbButtons[2], 0);
    QxReleaseAllKeys();
}

} // namespace
