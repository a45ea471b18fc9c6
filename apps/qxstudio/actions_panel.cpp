#include "actions_panel.h"

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "qx/animation/action.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

QxStudioActionsPanel::QxStudioActionsPanel(QWidget* parent) : QWidget(parent) {
    setObjectName("Actions");
    auto* layout = new QVBoxLayout(this);
    m_List = new QListWidget;
    m_List->setObjectName("ActionList");
    layout->addWidget(m_List, 1);
    auto* buttons = new QHBoxLayout;
    auto* animation = new QPushButton(tr("New Animation"));
    animation->setObjectName("NewAnimationAction");
    auto* sound = new QPushButton(tr("New Sound"));
    sound->setObjectName("NewSoundAction");
    buttons->addWidget(animation);
    buttons->addWidget(sound);
    layout->addLayout(buttons);
    connect(animation, &QPushButton::clicked, this, [this] { AddAction(QX_ACTION_ANIM); });
    connect(sound, &QPushButton::clicked, this, [this] { AddAction(QX_ACTION_SOUND); });
    connect(m_List, &QListWidget::itemClicked, this, &QxStudioActionsPanel::OnClicked);
    connect(m_List, &QListWidget::itemChanged, this, &QxStudioActionsPanel::OnRenamed);
}

void QxStudioActionsPanel::SetScene(CQxScene* scene) {
    m_Scene = scene;
    ShowActions();
}

CQxModel* QxStudioActionsPanel::Model() const {
    if (!m_Scene) return nullptr;
    CQxModel* model = m_Scene->GetCurModel();
    return model ? model : &m_Scene->RootModel();
}

void QxStudioActionsPanel::ShowActions() {
    m_Showing = true;
    m_List->clear();
    if (CQxModel* model = Model()) {
        for (unsigned int i = 0; i < model->GetActionCount(); ++i) {
            CQxAction* action = model->GetAction(i);
            const QString kind = action->Type() == QX_ACTION_ANIM    ? tr("animation")
                                 : action->Type() == QX_ACTION_SOUND ? tr("sound")
                                                                     : tr("action");
            auto* item = new QListWidgetItem(QString::fromUtf8(action->GetName()), m_List);
            item->setToolTip(kind);
            item->setFlags(item->flags() | Qt::ItemIsEditable);
            QFont font = item->font();
            font.setBold(action == model->CurAction());
            item->setFont(font);
        }
    }
    m_Showing = false;
}

CQxAction* QxStudioActionsPanel::AddAction(int type) {
    CQxModel* model = Model();
    if (!model) return nullptr;
    const QString base = type == QX_ACTION_SOUND ? tr("Sound") : tr("Action");
    const QString name = base + QString::number(model->GetActionCount() + 1);
    CQxAction* action = QxNewAction(static_cast<QX_ACTION_TYPE>(type), name.toUtf8().constData());
    model->AddAction(action);
    // A model's first action becomes its current one, as a copied model's would.
    if (!model->CurAction()) m_Scene->SetCurAction(model, action, 1);
    ShowActions();
    return action;
}

void QxStudioActionsPanel::OnClicked(QListWidgetItem* item) {
    CQxModel* model = Model();
    if (!model || !item) return;
    m_Scene->SetCurAction(model, model->GetAction(static_cast<unsigned int>(m_List->row(item))), 1);
}

void QxStudioActionsPanel::OnRenamed(QListWidgetItem* item) {
    CQxModel* model = Model();
    if (m_Showing || !model || !item) return;
    if (CQxAction* action = model->GetAction(static_cast<unsigned int>(m_List->row(item))))
        action->SetName(item->text().toUtf8().constData());
}
