// The main window's menus: each action calls the library (the scene's commands, its history,
// the tool manager, the active camera).
#include <QActionGroup>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>

#include "main_window.h"
#include "qx/scene/app.h"
#include "view_panel.h"

namespace {

struct ToolEntry {
    const char* Name;
    const char* Text;
    QX_TOOL_TYPE Tool;
    const char* Shortcut;
};

constexpr ToolEntry kTools[] = {
    {"tools.select", "&Select", QX_TOOL_SELECT, "Q"},
    {"tools.move", "&Move", QX_TOOL_MOVE, "W"},
    {"tools.rotate", "&Rotate", QX_TOOL_ROTATE, "E"},
    {"tools.scale", "S&cale", QX_TOOL_SCALE, "R"},
    {"tools.extrude", "&Extrude", QX_TOOL_EXTRUDE, "Shift+E"},
    {"tools.face", "Create &Face", QX_TOOL_CREATE_FACE, "Shift+F"},
    {"tools.material", "M&aterial", QX_TOOL_MATERIAL, "Shift+M"},
    {"tools.shadeon", "Smooth S&hading", QX_TOOL_SHADE_ON, ""},
    {"tools.shadeoff", "Flat Shadin&g", QX_TOOL_SHADE_OFF, ""},
    {"tools.joint", "&Joint", QX_TOOL_JOINT, "J"},
    {"tools.weight", "&Weight Paint", QX_TOOL_WEIGHT_PAINT, "Shift+W"},
    {"tools.ik", "&IK Handle", QX_TOOL_IK_HANDLE, "Shift+I"},
    {"tools.uvmap", "&UV Map", QX_TOOL_UV_MAP, "Shift+U"},
};

const char* kSceneFilter = "Scene files (*.kel);;All files (*)";

} // namespace

QAction* QxStudioMainWindow::AddAction(QMenu* menu, const QString& name, const QString& text,
                                       const QKeySequence& shortcut) {
    QAction* action = menu->addAction(text);
    action->setObjectName(name);
    if (!shortcut.isEmpty()) action->setShortcut(shortcut);
    m_Actions[name] = action;
    return action;
}

void QxStudioMainWindow::BuildMenus() {
    BuildFileMenu();
    BuildEditMenu();
    BuildCreateMenu();
    BuildSelectMenu();
    BuildToolsMenu();
    BuildViewMenu();
    BuildAnimationMenu();
    BuildPlayMenu();
}

void QxStudioMainWindow::BuildFileMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&File"));
    connect(AddAction(menu, "file.new", tr("&New"), QKeySequence::New), &QAction::triggered, this,
            [this] { NewScene(); });
    connect(AddAction(menu, "file.open", tr("&Open..."), QKeySequence::Open), &QAction::triggered, this,
            [this] {
                if (!ConfirmDiscard()) return;
                const QString path = QFileDialog::getOpenFileName(
                    this, tr("Open"), {}, tr("Scenes and meshes (*.kel *.mqo *.dxf);;All files (*)"));
                if (!path.isEmpty()) OpenFile(path);
            });
    m_RecentMenu = menu->addMenu(tr("Open &Recent"));
    m_RecentMenu->setObjectName("file.recent");
    menu->addSeparator();
    connect(AddAction(menu, "file.save", tr("&Save"), QKeySequence::Save), &QAction::triggered, this,
            [this] { Save(); });
    connect(AddAction(menu, "file.saveas", tr("Save &As..."), QKeySequence::SaveAs), &QAction::triggered,
            this, [this] {
                const QString path =
                    QFileDialog::getSaveFileName(this, tr("Save As"), m_FilePath, tr(kSceneFilter));
                if (!path.isEmpty())
                    SaveFileAs(path.endsWith(".kel", Qt::CaseInsensitive) ? path : path + ".kel");
            });
    menu->addSeparator();
    connect(AddAction(menu, "file.import", tr("&Import..."), QKeySequence(tr("Ctrl+I"))), &QAction::triggered,
            this, [this] {
                const QString path = QFileDialog::getOpenFileName(this, tr("Import"), {},
                                                                  tr("Meshes (*.mqo *.dxf);;All files (*)"));
                if (!path.isEmpty()) ImportFile(path);
            });
    connect(AddAction(menu, "file.export", tr("&Export..."), QKeySequence(tr("Ctrl+E"))), &QAction::triggered,
            this, [this] {
                const QString path =
                    QFileDialog::getSaveFileName(this, tr("Export"), {}, tr("DirectX (*.x);;DXF (*.dxf)"));
                if (!path.isEmpty()) ExportFile(path);
            });
    menu->addSeparator();
    connect(AddAction(menu, "file.quit", tr("&Quit"), QKeySequence::Quit), &QAction::triggered, this,
            [this] { close(); });
}

void QxStudioMainWindow::BuildEditMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Edit"));
    // The texts come from the history itself (the command's name after the verb).
    connect(AddAction(menu, "edit.undo", {}, QKeySequence(tr("Ctrl+Z"))), &QAction::triggered, this, [this] {
        m_Scene->CmdManager().Undo();
        Refresh();
    });
    connect(AddAction(menu, "edit.redo", {}, QKeySequence(tr("Ctrl+Y"))), &QAction::triggered, this, [this] {
        m_Scene->CmdManager().Redo();
        Refresh();
    });
    menu->addSeparator();
    connect(AddAction(menu, "edit.cut", tr("Cu&t"), QKeySequence::Cut), &QAction::triggered, this,
            [this] { CopySelection(true); });
    connect(AddAction(menu, "edit.copy", tr("&Copy"), QKeySequence::Copy), &QAction::triggered, this,
            [this] { CopySelection(false); });
    connect(AddAction(menu, "edit.paste", tr("&Paste"), QKeySequence::Paste), &QAction::triggered, this,
            [this] { PasteClipboard(); });
    connect(AddAction(menu, "edit.delete", tr("&Delete"), QKeySequence::Delete), &QAction::triggered, this,
            [this] { m_Scene->DeleteSelectObjectsCmd(1); });
    connect(AddAction(menu, "edit.duplicate", tr("D&uplicate"), QKeySequence(tr("Ctrl+D"))),
            &QAction::triggered, this, [this] {
                // One copy, one grid interval aside, so it is seen next to the original.
                const float step = m_Scene->Grid().Interval();
                m_Scene->DuplicateSelectObjectsCmd(1, CQxVector(1.0f, 1.0f, 1.0f),
                                                   CQxVector(0.0f, 0.0f, 0.0f), CQxVector(step, 0.0f, 0.0f),
                                                   1);
            });
}

void QxStudioMainWindow::BuildCreateMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Create"));
    // Sizes follow the grid so a new primitive is seen at any scene scale.
    auto size = [this] { return static_cast<double>(m_Scene->GridLength()) / 5.0; };
    connect(AddAction(menu, "create.cube", tr("&Cube")), &QAction::triggered, this, [this, size] {
        m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_CUBE, 1, size(), size(), size(), 1u, 1u, 1u);
    });
    connect(AddAction(menu, "create.sphere", tr("&Sphere")), &QAction::triggered, this,
            [this, size] { m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_SPHERE, 1, size() / 2.0, 16u, 8u); });
    connect(AddAction(menu, "create.cylinder", tr("C&ylinder")), &QAction::triggered, this, [this, size] {
        m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_CYLINDER, 1, size() / 2.0, size(), 16u, 1u);
    });
    connect(AddAction(menu, "create.cone", tr("C&one")), &QAction::triggered, this, [this, size] {
        m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_CONE, 1, size() / 2.0, size(), 16u, 1u);
    });
    connect(AddAction(menu, "create.torus", tr("&Torus")), &QAction::triggered, this, [this, size] {
        m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_TORUS, 1, size() / 2.0, size() / 8.0, 16u, 8u);
    });
    connect(AddAction(menu, "create.plane", tr("&Plane")), &QAction::triggered, this,
            [this, size] { m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_PLANE, 1, size(), size(), 1u, 1u); });
    menu->addSeparator();
    connect(AddAction(menu, "create.group", tr("&Group")), &QAction::triggered, this,
            [this] { m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_GROUP, 1); });
    connect(AddAction(menu, "create.model", tr("&Model")), &QAction::triggered, this,
            [this] { m_Scene->CreateObjectCmd(nullptr, 0, QX_OBJ_MODEL, 1); });
}

void QxStudioMainWindow::BuildSelectMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Select"));
    m_SelectGroup = new QActionGroup(this);
    const std::pair<const char*, std::pair<QString, QX_SELECT_TYPE>> types[] = {
        {"select.tree", {tr("&Tree"), QX_SELECT_TREE}},
        {"select.object", {tr("&Object"), QX_SELECT_OBJECT}},
        {"select.pivot", {tr("&Pivot"), QX_SELECT_PIVOT}},
        {"select.component", {tr("&Component"), QX_SELECT_COMPONENT}}};
    for (const auto& [name, entry] : types) {
        const QX_SELECT_TYPE type = entry.second;
        AddChoice(menu, m_SelectGroup, name, entry.first, {}, type,
                  [this, type] { m_Scene->ToolManager().SetCurSelect(type); });
    }
    menu->addSeparator();
    // Hit-mask bits of the component kinds: vertex, the three edge kinds, face.
    const std::pair<const char*, std::pair<QString, unsigned int>> kinds[] = {
        {"select.vertices", {tr("&Vertices"), 1u}},
        {"select.edges", {tr("&Edges"), 2u | 4u | 8u}},
        {"select.faces", {tr("&Faces"), 16u}}};
    for (const auto& [name, entry] : kinds) {
        QAction* action = AddAction(menu, name, entry.first);
        action->setCheckable(true);
        const unsigned int bits = entry.second;
        connect(action, &QAction::toggled, this, [this, bits](bool on) {
            CQxToolManager& tools = m_Scene->ToolManager();
            const unsigned int types =
                on ? tools.GetComponentTypes() | bits : tools.GetComponentTypes() & ~bits;
            if (types != tools.GetComponentTypes()) tools.SetComponentTypes(types);
        });
    }
    menu->addSeparator();
    connect(AddAction(menu, "select.none", tr("Select &None")), &QAction::triggered, this,
            [this] { m_Scene->UnselectObejcts(1); });
}

void QxStudioMainWindow::BuildToolsMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&Tools"));
    m_ToolGroup = new QActionGroup(this);
    for (const ToolEntry& entry : kTools) {
        const QX_TOOL_TYPE tool = entry.Tool;
        AddChoice(menu, m_ToolGroup, entry.Name, tr(entry.Text), QKeySequence(QString::fromUtf8(entry.Shortcut)),
                  tool, [this, tool] { m_Scene->ToolManager().SetCurTool(tool); });
    }
    // The UV view's own tools, on the scene's UV tool manager.
    menu->addSeparator();
    m_UVToolGroup = new QActionGroup(this);
    AddChoice(menu, m_UVToolGroup, "tools.uvselect", tr("UV Select"), {}, QX_TOOL_SELECT,
              [this] { m_Scene->UVToolManager().SetCurTool(QX_TOOL_SELECT); });
    AddChoice(menu, m_UVToolGroup, "tools.uvmove", tr("UV Move"), {}, QX_TOOL_MOVE,
              [this] { m_Scene->UVToolManager().SetCurTool(QX_TOOL_MOVE); });
    // And the curve editor's, on the graph tool manager.
    menu->addSeparator();
    m_GraphToolGroup = new QActionGroup(this);
    AddChoice(menu, m_GraphToolGroup, "tools.keyselect", tr("Key Select"), {}, QX_TOOL_SELECT,
              [this] { m_Scene->GraphToolManager().SetCurTool(QX_TOOL_SELECT); });
    AddChoice(menu, m_GraphToolGroup, "tools.keymove", tr("Key Move"), {}, QX_TOOL_MOVE,
              [this] { m_Scene->GraphToolManager().SetCurTool(QX_TOOL_MOVE); });
}

QAction* QxStudioMainWindow::AddChoice(QMenu* menu, QActionGroup* group, const QString& name, const QString& text,
                                       const QKeySequence& shortcut, unsigned int value,
                                       std::function<void()> choose) {
    QAction* action = AddAction(menu, name, text, shortcut);
    action->setCheckable(true);
    action->setData(value);
    group->addAction(action);
    connect(action, &QAction::triggered, this, [this, choose = std::move(choose)] {
        choose();
        Refresh();
    });
    return action;
}

void QxStudioMainWindow::RefreshToolActions() {
    const CQxToolManager& tools = m_Scene->ToolManager();
    for (QAction* action : m_ToolGroup->actions()) {
        const auto tool = static_cast<QX_TOOL_TYPE>(action->data().toUInt());
        action->setEnabled(tools.GetTool(tool) != nullptr);
        action->setChecked(tools.GetCurTool() == tool);
    }
    for (QAction* action : m_UVToolGroup->actions())
        action->setChecked(m_Scene->UVToolManager().GetCurTool() == action->data().toUInt());
    for (QAction* action : m_GraphToolGroup->actions())
        action->setChecked(m_Scene->GraphToolManager().GetCurTool() == action->data().toUInt());
    for (QAction* action : m_SelectGroup->actions())
        action->setChecked(tools.GetCurSelect() == static_cast<QX_SELECT_TYPE>(action->data().toUInt()));
    const bool components = tools.GetCurSelect() == QX_SELECT_COMPONENT;
    const std::pair<const char*, unsigned int> kinds[] = {
        {"select.vertices", 1u}, {"select.edges", 2u | 4u | 8u}, {"select.faces", 16u}};
    for (const auto& [name, bits] : kinds) {
        QAction* action = Action(name);
        const QSignalBlocker block(action);
        action->setEnabled(components);
        action->setChecked((tools.GetComponentTypes() & bits) != 0);
    }
}

void QxStudioMainWindow::BuildViewMenu() {
    QMenu* menu = menuBar()->addMenu(tr("&View"));
    connect(AddAction(menu, "view.perspective", tr("&Perspective"), QKeySequence(tr("Ctrl+5"))),
            &QAction::triggered, this,
            [this] { m_ActiveView->Camera().SetProjectionType(QX_PROJ_PERSPECTIVE); });
    connect(AddAction(menu, "view.orthographic", tr("&Orthographic"), QKeySequence(tr("Ctrl+6"))),
            &QAction::triggered, this,
            [this] { m_ActiveView->Camera().SetProjectionType(QX_PROJ_ORTHOGRAPHIC); });
    menu->addSeparator();
    const std::pair<const char*, std::pair<QString, QX_AXIS_TYPE>> axes[] = {
        {"view.front", {tr("&Front"), QX_AXIS_Z}},
        {"view.side", {tr("&Side"), QX_AXIS_X}},
        {"view.top", {tr("&Top"), QX_AXIS_Y}}};
    int key = 1;
    for (const auto& [name, entry] : axes) {
        const QX_AXIS_TYPE axis = entry.second;
        connect(AddAction(menu, name, entry.first, QKeySequence(QString("Ctrl+%1").arg(key++))),
                &QAction::triggered, this, [this, axis] {
                    m_ActiveView->Camera().SetAxisView(axis);
                    m_ActiveView->Window().Invalidate();
                });
    }
    connect(AddAction(menu, "view.reset", tr("&Reset View"), QKeySequence(tr("Ctrl+4"))), &QAction::triggered,
            this, [this] { m_ActiveView->ResetView(); });
    menu->addSeparator();
    connect(AddAction(menu, "view.frameall", tr("Frame &All"), QKeySequence(tr("F"))), &QAction::triggered,
            this, [this] { FrameAll(); });
    QAction* single = AddAction(menu, "view.single", tr("&One View"), QKeySequence(tr("Ctrl+0")));
    single->setCheckable(true);
    connect(single, &QAction::toggled, this, [this](bool on) { SetSingleView(on); });
}
