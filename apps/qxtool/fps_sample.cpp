// qxtool make-fps: the playable sample the scene program runs, built through library calls. A
// floor with a few obstacles, the first-person body "FirstPerson", the spinning "Tower", a
// help line and the menu "MainMenu" laid out for a 640 x 480 view.
#include <cstdio>

#include "play.h"
#include "qx/play/widget.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"

namespace {

CQxAttribute* AddMaterial(CQxModel& model, const char* name, unsigned long argb) {
    CQxAttribute* attribute = model.CreateAttribute(name);
    attribute->ColorMaterial().Init(argb, 0.8f, 0.3f, 0.0f, 0.3f, 5.0f);
    return attribute;
}

CQxObject* AddBox(CQxModel& model, const char* name, const CQxVector& size, const CQxVector& at,
                  CQxAttribute* material) {
    auto* object = new CQxObject(1);
    object->SetName(name);
    object->Mesh().CreateCube(0, size.x, size.y, size.z, 1, 1, 1, material, 0);
    object->Translate() = at;
    object->UpdateBoundBox();
    object->UpdateGraphics();
    model.PushChild(object);
    return object;
}

CQxWidget* AddWidget(CQxWidget& parent, QX_WDG_TYPE type, const char* name, const char* text,
                     const CQxRect& rect) {
    auto* widget = new CQxWidget(type);
    widget->SetName(name);
    widget->SetText(text);
    widget->Rect() = rect;
    parent.PushChild(widget);
    return widget;
}

void BuildFpsScene(CQxScene& scene) {
    scene.Grid().Create(40.0f, 5.0f, QX_AXIS_Y, 0xFF555555);
    CQxModel& model = scene.RootModel();
    CQxAttribute* floor = AddMaterial(model, "Floor", 0xFF6E8B5A);
    CQxAttribute* wall = AddMaterial(model, "Wall", 0xFFB08850);
    CQxAttribute* tower = AddMaterial(model, "Tower", 0xFFD03030);
    CQxAttribute* body = AddMaterial(model, "Body", 0xFF3050D0);
    model.CurAttribute() = floor;

    // The floor's top face lies on y = 0.
    AddBox(model, "Floor", CQxVector(60, 1, 60), CQxVector(0, -0.5f, 0), floor);
    const struct {
        const char* Name;
        CQxVector Size, At;
    } obstacles[] = {{"Crate1", {4, 4, 4}, {-12, 2, 4}},
                     {"Crate2", {4, 4, 4}, {12, 2, -4}},
                     {"Wall1", {16, 6, 2}, {-10, 3, 18}},
                     {"Pillar", {3, 10, 3}, {16, 5, 14}}};
    for (const auto& o : obstacles) AddBox(model, o.Name, o.Size, o.At, wall);
    AddBox(model, "Tower", CQxVector(4, 12, 4), CQxVector(0, 6, 10), tower);
    AddBox(model, "FirstPerson", CQxVector(2, 2, 2), CQxVector(0, 1, -14), body);

    CQxWidget& root = model.RootWidget();
    AddWidget(root, QX_WDG_STATIC, "Help", "W/S: walk   A/D: turn   Esc: menu   click the tower", CQxRect(10, 10, 630, 30));
    CQxWidget* menu = AddWidget(root, QX_WDG_GROUP, "MainMenu", "", CQxRect(220, 140, 420, 320));
    AddWidget(*menu, QX_WDG_STATIC, "Title", "Tower Walk", CQxRect(270, 150, 400, 176));
    AddWidget(*menu, QX_WDG_BUTTON, "Start", "Start", CQxRect(260, 190, 380, 214));
    AddWidget(*menu, QX_WDG_BUTTON, "ToggleDisp", "Grid on/off", CQxRect(260, 224, 380, 248));
    AddWidget(*menu, QX_WDG_BUTTON, "Quit", "Quit", CQxRect(260, 258, 380, 282));
    // The program shows the menu itself once it runs.
    menu->SetVisible(0, 0);
}

} // namespace

int MakeFpsCommand(int argc, const char* const* argv) {
    if (argc != 1) {
        std::fputs("usage: qxtool make-fps OUT.kel\n", stderr);
        return 2;
    }
    CQxScene scene;
    BuildFpsScene(scene);
    if (!scene.WriteFile(argv[0])) {
        std::fprintf(stderr, "qxtool make-fps: cannot write %s\n", argv[0]);
        return 1;
    }
    return 0;
}
