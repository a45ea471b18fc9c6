#include "qx/platform/block_io.h"
#include "qx/platform/clipboard.h"
#include "qx/platform/global_memory.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace QxWin;

namespace {

TEST(GlobalMemory, BlocksCountLocksAndRejectBadHandles) {
    const int live = QxGetGlobalBlockCount();
    HGLOBAL block = GlobalAlloc(GHND, 16);
    EXPECT_EQ(GlobalSize(block), 16u);
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block));
    ASSERT_NE(bytes, nullptr);
    EXPECT_EQ(bytes[0] | bytes[15], 0);
    EXPECT_EQ(GlobalLock(block), bytes);
    EXPECT_EQ(GlobalFlags(block) & GMEM_LOCKCOUNT, 2u);
    EXPECT_TRUE(GlobalUnlock(block)); // still locked once
    EXPECT_FALSE(GlobalUnlock(block));
    EXPECT_FALSE(GlobalUnlock(block)); // was not locked
    EXPECT_EQ(GlobalFlags(block), 0u);
    EXPECT_EQ(GlobalFree(block), nullptr);

    // A freed, foreign or empty handle fails cleanly.
    int local = 0;
    for (HGLOBAL bad : {block, static_cast<HGLOBAL>(&local)}) {
        EXPECT_EQ(GlobalLock(bad), nullptr);
        EXPECT_EQ(GlobalSize(bad), 0u);
        EXPECT_EQ(GlobalFlags(bad), UINT{GMEM_INVALID_HANDLE});
        EXPECT_EQ(GlobalFree(bad), bad);
    }
    HGLOBAL empty = GlobalAlloc(GMEM_MOVEABLE, 0);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    EXPECT_EQ(GlobalFlags(empty), UINT{GMEM_DISCARDED});
    GlobalFree(empty);
    EXPECT_EQ(GlobalAlloc(GHND, QX_GLOBAL_MAX_SIZE + 1), nullptr);
    EXPECT_EQ(QxGetGlobalBlockCount(), live);
}

TEST(GlobalMemory, BlockFieldsAreLittleEndianAndBounded) {
    unsigned char bytes[12] = {};
    QxBlockWriter writer(bytes, sizeof bytes);
    EXPECT_TRUE(writer.WriteU32(0x11223344));
    EXPECT_TRUE(writer.WriteI32(-2));
    EXPECT_TRUE(writer.WriteF32(1.5f));
    EXPECT_FALSE(writer.WriteU32(1)); // full
    const unsigned char expected[12] = {0x44, 0x33, 0x22, 0x11, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0xC0, 0x3F};
    EXPECT_EQ(std::memcmp(bytes, expected, sizeof bytes), 0);

    QxBlockReader reader(bytes, 10); // cut short inside the float
    std::uint32_t u = 0;
    std::int32_t i = 0;
    float f = 0;
    EXPECT_TRUE(reader.ReadU32(u));
    EXPECT_TRUE(reader.ReadI32(i));
    EXPECT_EQ(reader.GetRemaining(), 2u);
    EXPECT_FALSE(reader.ReadF32(f));
    EXPECT_EQ(reader.GetPos(), 8u);
    EXPECT_EQ(u, 0x11223344u);
    EXPECT_EQ(i, -2);
}

TEST(Clipboard, FormatNamesAreRegisteredOnce) {
    const UINT format = RegisterClipboardFormatA("Kelmora Clipboard Format");
    EXPECT_GE(format, QX_FIRST_REGISTERED_FORMAT);
    EXPECT_EQ(RegisterClipboardFormatA("KELMORA clipboard format"), format);
    EXPECT_EQ(RegisterClipboardFormatA("Other Format"), format + 1);
    EXPECT_EQ(RegisterClipboardFormatA(""), 0u);
    EXPECT_EQ(RegisterClipboardFormatA(nullptr), 0u);

    char name[64];
    EXPECT_EQ(GetClipboardFormatNameA(format, name, sizeof name), 24);
    EXPECT_STREQ(name, "Kelmora Clipboard Format");
    EXPECT_EQ(GetClipboardFormatNameA(format, name, 8), 7);
    EXPECT_STREQ(name, "Kelmora");
    EXPECT_EQ(GetClipboardFormatNameA(0xFFFF, name, sizeof name), 0);
}

TEST(Clipboard, ContentIsOwnedAndMirroredThroughTheHook) {
    const int live = QxGetGlobalBlockCount();
    const UINT format = RegisterClipboardFormatA("Kelmora Clipboard Format");
    int pushes = 0;
    QxSetClipboardHook({nullptr, [&] { ++pushes; }});

    HGLOBAL first = GlobalAlloc(GHND, 8);
    EXPECT_EQ(SetClipboardData(format, first), nullptr); // not open
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(OpenClipboard(nullptr));
    ASSERT_TRUE(EmptyClipboard());
    EXPECT_EQ(SetClipboardData(format, first), first);
    EXPECT_EQ(GlobalFree(first), first); // the clipboard owns it now
    HGLOBAL second = GlobalAlloc(GHND, 4);
    EXPECT_EQ(SetClipboardData(format, second), second); // replaces and frees the first
    EXPECT_EQ(GlobalSize(first), 0u);
    SetClipboardData(CF_TEXT, GlobalAlloc(GHND, 2));
    EXPECT_EQ(SetClipboardData(CF_TEXT, second), nullptr); // held under another format already
    EXPECT_EQ(GetClipboardData(format), second);
    EXPECT_EQ(EnumClipboardFormats(EnumClipboardFormats(0)), UINT{CF_TEXT});
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(pushes, 1);
    EXPECT_TRUE(IsClipboardFormatAvailable(format));
    EXPECT_EQ(GetClipboardData(format), nullptr); // closed

    // The host brings in the system's content on open; that is no change to push back.
    QxSetClipboardHook({[] {
                            EmptyClipboard();
                            HGLOBAL text = GlobalAlloc(GHND, 3);
                            std::memcpy(GlobalLock(text), "hi", 3);
                            GlobalUnlock(text);
                            SetClipboardData(CF_TEXT, text);
                        },
                        [&] { ++pushes; }});
    const DWORD sequence = GetClipboardSequenceNumber();
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_FALSE(IsClipboardFormatAvailable(format));
    HANDLE text = GetClipboardData(CF_TEXT);
    EXPECT_STREQ(static_cast<const char*>(GlobalLock(text)), "hi");
    GlobalUnlock(text);
    EXPECT_TRUE(CloseClipboard());
    EXPECT_EQ(pushes, 1);
    EXPECT_GT(GetClipboardSequenceNumber(), sequence);

    QxSetClipboardHook({});
    OpenClipboard(nullptr);
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(CountClipboardFormats(), 0);
    EXPECT_EQ(QxGetGlobalBlockCount(), live);
    EXPECT_FALSE(CloseClipboard());
}

} // namespace
