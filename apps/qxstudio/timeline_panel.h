#pragma once

#include <QWidget>

class CQxScene;
class QLabel;
class QPushButton;
class QSlider;

// The timeline: play and pause, and the current frame within the scene's frame range. Moving
// the slider is the scene's frame command; the panel shows what the scene reports.
class QxStudioTimelinePanel : public QWidget {
    Q_OBJECT
public:
    explicit QxStudioTimelinePanel(QWidget* parent = nullptr);

    void SetScene(CQxScene* scene);
    // The frame range, the current frame or the play state changed.
    void ShowFrames();
    QPushButton* PlayButton() const { return m_Play; }
    QSlider* Slider() const { return m_Slider; }

private:
    void TogglePlay();
    void OnSliderMoved(int frame);

    CQxScene* m_Scene = nullptr;
    bool m_Showing = false;
    QPushButton* m_Play = nullptr;
    QSlider* m_Slider = nullptr;
    QLabel* m_Frame = nullptr;
};
