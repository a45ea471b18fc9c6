#pragma once

#include "qx/platform/window.h"

#include <functional>
#include <vector>

// A window that records what the platform tells it.
class TestWindow : public QxWindow {
public:
    explicit TestWindow(POINT origin = {0, 0}) : m_Origin(origin) {}

    int GetClientWidth() const override { return 320; }
    int GetClientHeight() const override { return 240; }
    void Invalidate() override {}
    void Update() override {}
    int MakeCurrent() override { return 1; }
    int Present() override { return 1; }
    POINT GetClientOrigin() const override { return m_Origin; }
    void OnTimer(UINT_PTR id) override {
        Timers.push_back(id);
        if (TimerAction) TimerAction(id);
    }
    void OnCaptureChanged(int captured) override { Captures.push_back(captured); }
    void OnCursorChanged(HCURSOR cursor) override { Cursors.push_back(QxGetCursorId(cursor)); }

    std::vector<UINT_PTR> Timers;
    std::vector<int> Captures;
    std::vector<unsigned> Cursors;
    std::function<void(UINT_PTR)> TimerAction;

private:
    POINT m_Origin;
};
