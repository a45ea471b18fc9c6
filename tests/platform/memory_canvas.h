#pragma once

#include "qx/platform/canvas.h"

// A memory canvas with a white bitmap of the given size selected.
class MemoryCanvas {
public:
    MemoryCanvas(int width, int height)
        : Dc(QxWin::CreateCompatibleDC(nullptr)),
          Bitmap(QxWin::CreateCompatibleBitmap(Dc, width, height)), m_All{0, 0, width, height} {
        m_Old = QxWin::SelectObject(Dc, Bitmap);
        Clear();
    }
    ~MemoryCanvas() {
        QxWin::SelectObject(Dc, m_Old);
        QxWin::DeleteObject(Bitmap);
        QxWin::DeleteDC(Dc);
    }
    void Clear() const { QxWin::FillRect(Dc, &m_All, static_cast<HBRUSH>(QxWin::GetStockObject(WHITE_BRUSH))); }
    // Pixels darker than mid grey inside the rectangle.
    int CountDark(const RECT& r) const {
        int count = 0;
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) {
                const COLORREF c = QxWin::GetPixel(Dc, x, y);
                if (c != CLR_INVALID && QxWin::GetRValue(c) + QxWin::GetGValue(c) + QxWin::GetBValue(c) < 3 * 128) ++count;
            }
        }
        return count;
    }

    HDC Dc;
    HBITMAP Bitmap;

private:
    RECT m_All;
    HGDIOBJ m_Old = nullptr;
};
