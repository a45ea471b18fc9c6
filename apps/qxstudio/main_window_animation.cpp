// The Animation menu (keys of the current model at the current frame, the channels a new key
// goes to, the tangents of the selected keys) and the Play menu (play mode in its own window).
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "main_window.h"
#include "message_log_panel.h"

namespace {

// The channels a new key goes to, as ranges of the scene's create flags.
struct ChannelEntry {
    const char* Name;
    const char* Text;
    unsigned int First;
    unsigned int Last;
};

constexpr ChannelEntry kChannels[] = {
    {"anim.channel.scale", "&Scale", QX_ANIM_ITEM_SCALE_X, QX_ANIM_ITEM_SCALE_Z},
    {"anim.channel.rotation", "&Rotation", QX_ANIM_ITEM_ROTATE_X, QX_ANIM_ITEM_ROTATE_Z},
    {"anim.channel.translation", "&Translation", QX_ANIM_ITEM_TRANSLATE_X, QX_ANIM_ITEM_TRANSLATE_Z},
    {"anim.channel.pivot", "&Pivot", QX_ANIM_ITEM_PIVOT_X, QX_ANIM_ITEM_PIVOT_Z},
    {"anim.channel.points", "P&oints", QX_ANIM_ITEM_POINT_X, QX_ANIM_ITEM_POINT_Z},
    {"anim.channel.vertexcolour", "&Vertex Colours", QX_ANIM_ITEM_FACE_VERTEX_R, QX_ANIM_ITEM_FACE_VERTEX_A},
    {"anim.channel.uv", "&UVs", QX_ANIM_ITEM_FACE_VERTEX_U, QX_ANIM_ITEM_FACE_VERTEX_V},
    {"anim.channel.edgecolour", "&Edge Colours", QX_ANIM_ITEM_EDGE_VERTEX_R, QX_ANIM_ITEM_EDGE_VERTEX_A},
    {"anim.channel.material", "&Material", QX_ANIM_ITEM_MATERIAL_R, QX_ANIM_ITEM_MATERIAL_POWER},
};

bool AllSet(const CQxScene& scene, const ChannelEntry& entry) {
    for (unsigned int i = entry.First; i <= entry.Last; ++i)
        if (!scene.AnimItemCreateFlags()[i]) return false;
    return true;
}

} // namespace

void QxStudioMainWindow::BuildAnimationMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Animation"));
    const auto keyCommand = [this, menu](const char* name, const QString& text, const QKeySequence& shortcut,
                                   int (CQxScene::*command)(CQxModel*, int), const QString& refusal) {
        connect(AddAction(menu, name, text, shortcut), &QAction::triggered, this, [this, command, refusal] {
            if (!(m_Scene.get()->*command)(m_Scene->GetCurModel(), 1)) statusBar()->showMessage(refusal);
        });
    };
    keyCommand("anim.setkey", tr("Set &Key"), QKeySequence(tr("K")), &CQxScene::CreateKeyCmd,
               tr("No key set: select objects and a channel of Animation > Key Channels."));
    keyCommand("anim.deletekey", tr("&Delete Key"), QKeySequence(tr("Shift+K")), &CQxScene::DeleteCurKeyCmd,
               tr("No key of the selected objects at this frame."));
    keyCommand("anim.deleteselectedkeys", tr("Delete &Selected Keys"), {}, &CQxScene::DeleteSelectKeysCmd,
               tr("No keys are selected in the curve editor."));

    QMenu* channels = menu->addMenu(tr("Key &Channels"));
    for (const ChannelEntry& entry : kChannels) {
        QAction* action = AddAction(channels, entry.Name, tr(entry.Text));
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this, &entry](bool on) {
            int flags[CQxScene::AnimItemCreateFlagCount];
            std::copy_n(m_Scene->AnimItemCreateFlags(), CQxScene::AnimItemCreateFlagCount, flags);
            std::fill(flags + entry.First, flags + entry.Last + 1, on ? 1 : 0);
            // The command's notice brings the checks up to date with the menus' refresh.
            m_Scene->SetAnimItemCreateFlagsCmd(flags, 1);
        });
    }

    QMenu* tangents = menu->addMenu(tr("&Tangents"));
    const std::pair<const char*, QString> kinds[] = {
        {"anim.tangent.joined", tr("&Smooth")}, {"anim.tangent.separated", tr("&Broken")},
        {"anim.tangent.fixed", tr("&Fixed")}};
    for (std::size_t i = 0; i < std::size(kinds); ++i) {
        const auto type = static_cast<QX_TAN_TYPE>(i);
        connect(AddAction(tangents, kinds[i].first, kinds[i].second), &QAction::triggered, this, [this, type] {
            if (!m_Scene->SetSelectTanTypesCmd(m_Scene->GetCurModel(), type, 1))
                statusBar()->showMessage(tr("No tangents of selected keys to change."));
        });
    }
}

void QxStudioMainWindow::RefreshKeyChannels() {
    for (const ChannelEntry& entry : kChannels) {
        QAction* action = Action(entry.Name);
        const QSignalBlocker block(action);
        action->setChecked(AllSet(*m_Scene, entry));
    }
}

void QxStudioMainWindow::BuildPlayMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Play"));
    connect(AddAction(menu, "play.run", tr("&Run Scene"), QKeySequence(tr("F5"))), &QAction::triggered, this,
            [this] { StartPlayMode(); });
    connect(AddAction(menu, "play.stop", tr("&Stop"), QKeySequence(tr("Shift+F5"))), &QAction::triggered, this,
            [this] {
                if (m_PlayWindow) m_PlayWindow->close();
            });
}

bool QxStudioMainWindow::StartPlayMode() {
    if (m_PlayWindow) {
        m_PlayWindow->raise();
        m_PlayWindow->activateWindow();
        return true;
    }
    if (m_Loading) return false;
    QString error;
    m_PlayWindow = QxStudioPlayWindow::Start(*m_Scene, error, this);
    if (!m_PlayWindow) {
        m_Log->Note(error);
        statusBar()->showMessage(error);
        return false;
    }
    m_Log->Note(tr("Play mode started; Escape shows the game's menu."));
    connect(m_PlayWindow, &QObject::destroyed, this, [this] {
        m_Log->Note(tr("Play mode ended."));
        // The editing views take the keyboard and the active scene back.
        if (m_ActiveView) SetActiveView(m_ActiveView);
        ScheduleRefresh();
    });
    ScheduleRefresh();
    return true;
}
