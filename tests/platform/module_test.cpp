#include "qx/platform/module.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace QxWin;

namespace {

TEST(Module, LibraryCursorsLoadAsTheirShapes) {
    const HMODULE library = GetModuleHandleA("QxDurerive");
    ASSERT_NE(library, nullptr);
    for (unsigned int id : {101u, 102u}) {
        const HANDLE image = LoadImageA(library, MAKEINTRESOURCEA(id), IMAGE_CURSOR, 0, 0, LR_MONOCHROME);
        ASSERT_NE(image, nullptr) << "cursor " << id;
        EXPECT_EQ(QxGetCursorId(static_cast<HCURSOR>(image)), id);
    }
}

TEST(Module, UnknownModulesAndResourcesFail) {
    const HMODULE library = GetModuleHandleA("QxDurerive");
    EXPECT_EQ(GetModuleHandleA("QxOther"), nullptr);
    EXPECT_NE(GetModuleHandleA(nullptr), nullptr); // the program, which holds no resources
    EXPECT_EQ(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(101), IMAGE_CURSOR, 0, 0, 1), nullptr);
    EXPECT_EQ(LoadImageA(nullptr, MAKEINTRESOURCEA(101), IMAGE_CURSOR, 0, 0, 1), nullptr);
    EXPECT_EQ(LoadImageA(library, MAKEINTRESOURCEA(103), IMAGE_CURSOR, 0, 0, 1), nullptr);
    EXPECT_EQ(LoadImageA(library, "Brush", IMAGE_CURSOR, 0, 0, 1), nullptr);
    EXPECT_EQ(LoadImageA(library, MAKEINTRESOURCEA(101), IMAGE_BITMAP, 0, 0, 1), nullptr);
    EXPECT_EQ(LoadImageA(library, MAKEINTRESOURCEA(101), IMAGE_CURSOR, 32, 32, 1), nullptr);
}

TEST(Module, CursorImagesAreBrushCirclesAroundTheHotSpot) {
    for (auto [id, radius] : {std::pair{101u, 15}, std::pair{102u, 23}}) {
        QxCursorImage image;
        ASSERT_TRUE(QxGetCursorImage(QxCursorFromId(id), image)) << "cursor " << id;
        EXPECT_EQ(image.Width, 2 * radius + 1);
        EXPECT_EQ(image.Height, 2 * radius + 1);
        EXPECT_EQ(image.HotSpot.x, radius);
        EXPECT_EQ(image.HotSpot.y, radius);
        const auto at = [&](int x, int y) {
            return image.Mask[static_cast<std::size_t>(y * image.Width + x)];
        };
        EXPECT_EQ(at(radius, radius), 0) << "cursor " << id << ": the centre is clear";
        EXPECT_EQ(at(2 * radius, radius), 1) << "cursor " << id << ": the rim is drawn";
        EXPECT_EQ(at(radius, 0), 1) << "cursor " << id << ": the rim is drawn";
    }
    QxCursorImage image;
    EXPECT_FALSE(QxGetCursorImage(QxCursorFromId(QX_CURSOR_ARROW), image));
}

} // namespace
