#pragma once

#include "qx/platform/window.h"

#include <functional>
#include <vector>

// A window that records what the platform tells it.
class TestWindow : public QxWindow {
public:
    explicit TestWindow(POINT origin = {0, 0}) : m_origin(origin) {}

    int GetClientWidth() const override { return 320; }
    int GetClientHeight() const override { return 240; }
    void Invalidate() override {}
    void Update() override {}
    int MakeCurrent() override { return 1; }
    int Present() override { return 1; }
    POINT GetClientOrigin() const override { return m_origin; }
    void OnTimer(UINT_PTR id) override {
        timers.push_back(id);
        if (onTimer) onTimer(id);
    }
    void OnCaptureChanged(int captured) override { captures.push_back(captured); }
    void OnCursorChanged(HCURSOR cursor) override { cursors.push_back(QxGetCursorId(cursor)); }

    std::vector<UINT_PTR> timers;
    std::vector<int> captures;
    std::vector<unsigned> cursors;
    std::function<void(UINT_PTR)> onTimer;

private:
    POINT m_origin;
};
