#include "timeline_panel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include <cmath>

#include "qx/scene/scene.h"

QxStudioTimelinePanel::QxStudioTimelinePanel(QWidget* parent) : QWidget(parent) {
    setObjectName("Timeline");
    auto* layout = new QHBoxLayout(this);
    m_Play = new QPushButton(tr("Play"));
    m_Play->setObjectName("PlayButton");
    m_Slider = new QSlider(Qt::Horizontal);
    m_Slider->setObjectName("FrameSlider");
    m_Frame = new QLabel;
    m_Frame->setMinimumWidth(90);
    layout->addWidget(m_Play);
    layout->addWidget(m_Slider, 1);
    layout->addWidget(m_Frame);
    connect(m_Play, &QPushButton::clicked, this, &QxStudioTimelinePanel::TogglePlay);
    connect(m_Slider, &QSlider::valueChanged, this, &QxStudioTimelinePanel::OnSliderMoved);
}

void QxStudioTimelinePanel::SetScene(CQxScene* scene) {
    m_Scene = scene;
    ShowFrames();
}

void QxStudioTimelinePanel::ShowFrames() {
    if (!m_Scene) return;
    m_Showing = true;
    m_Slider->setRange(static_cast<int>(std::floor(m_Scene->FirstFrame())),
                       static_cast<int>(std::ceil(m_Scene->LastFrame())));
    m_Slider->setValue(static_cast<int>(std::lround(m_Scene->CurFrame())));
    m_Frame->setText(
        tr("Frame %1 / %2").arg(m_Scene->CurFrame(), 0, 'f', 1).arg(m_Scene->LastFrame(), 0, 'f', 0));
    m_Play->setText(m_Scene->IsPlaying() ? tr("Pause") : tr("Play"));
    m_Showing = false;
}

void QxStudioTimelinePanel::TogglePlay() {
    if (!m_Scene) return;
    if (m_Scene->IsPlaying())
        m_Scene->EndPlayCmd(1);
    else
        m_Scene->StartPlay(m_Scene->IsPlayForward(), 1);
    ShowFrames();
}

void QxStudioTimelinePanel::OnSliderMoved(int frame) {
    if (m_Showing || !m_Scene) return;
    m_Scene->SetCurFrameCmd(static_cast<float>(frame), 1);
    ShowFrames();
}
