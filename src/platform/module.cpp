#include "qx/platform/module.h"

#include <cmath>
#include <cstring>

struct QxModule {
    // A built-in cursor: a brush circle of the given radius in pixels around its hot spot.
    struct Cursor {
        unsigned int Id;
        int Radius;
    };
    const char* Name;
    const Cursor* Cursors;
    unsigned int CursorCount;
};

namespace {

using CursorResource = QxModule::Cursor;
constexpr CursorResource kLibraryCursors[] = {{101, 15}, {102, 23}};

constexpr QxModule kProgram{"", nullptr, 0};
constexpr QxModule kLibrary{"QxDurerive", kLibraryCursors, 2};

const CursorResource* FindCursor(HMODULE module, unsigned int id) {
    if (!module) return nullptr;
    for (unsigned int i = 0; i < module->CursorCount; ++i)
        if (module->Cursors[i].Id == id) return &module->Cursors[i];
    return nullptr;
}

// Names at or above 0x10000 are strings; the modules hold numbered resources only.
bool IsNumbered(const char* name) {
    return reinterpret_cast<std::uintptr_t>(name) < 0x10000;
}

} // namespace

HMODULE QxWin::GetModuleHandleA(const char* name) {
    if (!name) return &kProgram;
    return std::strcmp(name, kLibrary.Name) == 0 ? &kLibrary : nullptr;
}

HANDLE QxWin::LoadImageA(HINSTANCE instance, const char* name, UINT type, int cx, int cy, UINT /*flags*/) {
    if (type != IMAGE_CURSOR || cx != 0 || cy != 0 || !IsNumbered(name)) return nullptr;
    const auto id = static_cast<unsigned int>(reinterpret_cast<std::uintptr_t>(name));
    if (!FindCursor(instance, id)) return nullptr;
    // A cursor handle is its shape number, which the host turns back into the picture.
    return const_cast<QxCursorShape*>(QxCursorFromId(id));
}

int QxGetCursorImage(HCURSOR cursor, QxCursorImage& out) {
    const CursorResource* resource = FindCursor(&kLibrary, QxGetCursorId(cursor));
    if (!resource) return 0;
    const int r = resource->Radius;
    out.Width = out.Height = 2 * r + 1;
    out.HotSpot = {r, r};
    out.Mask.assign(static_cast<std::size_t>(out.Width) * static_cast<std::size_t>(out.Height), 0);
    // A one-pixel ring: the pixels whose centres lie within half a pixel of the circle.
    for (int y = 0; y < out.Height; ++y)
        for (int x = 0; x < out.Width; ++x) {
            const double d = std::hypot(x - r, y - r);
            if (std::fabs(d - r) <= 0.5)
                out.Mask[static_cast<std::size_t>(y) * static_cast<std::size_t>(out.Width) +
                         static_cast<std::size_t>(x)] = 1;
        }
    return 1;
}
