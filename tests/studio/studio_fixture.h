#pragma once

// The studio's main window on Qt's offscreen platform (the views render through EGL, which
// needs no display), driven with Qt Test as a user drives it.

#include <gtest/gtest.h>

#include <QPoint>
#include <QString>

#include <memory>
#include <string>

#include "main_window.h"

class QxStudioViewPanel;
class CQxObject;

class QxStudioTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    QxStudioMainWindow& Window() { return *m_Window; }
    CQxScene& Scene() { return m_Window->Scene(); }
    // The sample scene: a group "Robot" with the meshes "Body" (and "Head" below it) and the
    // joint "Hip".
    static std::string SamplePath();
    void OpenSample();
    // The first object of the tree with the name, or null.
    CQxObject* Find(const char* name);
    // Where the centre of an object shows in a view (the manipulator is placed there when the
    // object alone is selected; the selection is put back empty).
    QPoint CentreIn(QxStudioViewPanel& view, CQxObject* object);
    // Runs a menu action as a user does: after the window caught up with the last change.
    void Trigger(const char* name);
    // Lets queued events, paints and timers run.
    static void Settle(int ms = 20);

private:
    std::unique_ptr<QxStudioMainWindow> m_Window;
};

// A pixel of the selection colour (orange-red, the selection box and picks).
bool QxIsSelectColour(unsigned int argb);
