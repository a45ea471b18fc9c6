// qxtool render: a scene drawn by a real camera view on an offscreen window, saved as PNG.
#include "render.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "qx/graphics/attribute.h"
#include "qx/graphics/bound_box.h"
#include "qx/math/stacks.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"
#include "qx/views/uv_view.h"

namespace {

constexpr int kMaxSide = 16384;
constexpr float kDegree = 0.017453292f;
// Room around a framed scene.
constexpr float kMargin = 1.1f;

struct RenderArgs {
    const char* Scene = nullptr;
    const char* Output = nullptr;
    int Width = 640;
    int Height = 480;
    QX_AXIS_TYPE Axis = QX_AXIS_NONE; // none: perspective
    bool FrameAll = false;
    bool HasFrame = false;
    float Frame = 0.0f; // the animation frame shown (the file's current frame when not given)
    bool HasSize = false;
    bool UV = false;   // the UV view instead of a camera view
    int Material = -1; // the root model's material shown by the UV view (-1: chosen below)
};

int Error(const std::string& text) {
    std::fprintf(stderr, "qxtool render: %s\n", text.c_str());
    return 1;
}

bool EndsWithPng(std::string_view path) {
    if (path.size() < 5) return false;
    std::string tail(path.substr(path.size() - 4));
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".png";
}

// "WxH" with both sides from 1 to kMaxSide.
bool ParseSize(std::string_view text, int& width, int& height) {
    const std::size_t x = text.find('x');
    if (x == std::string_view::npos) return false;
    auto side = [](std::string_view part, int& out) {
        const char* end = part.data() + part.size();
        const auto [ptr, ec] = std::from_chars(part.data(), end, out);
        return ec == std::errc() && ptr == end && out >= 1 && out <= kMaxSide;
    };
    return side(text.substr(0, x), width) && side(text.substr(x + 1), height);
}

bool ParseCamera(std::string_view name, QX_AXIS_TYPE& axis) {
    if (name == "perspective")
        axis = QX_AXIS_NONE;
    else if (name == "front")
        axis = QX_AXIS_Z;
    else if (name == "side")
        axis = QX_AXIS_X;
    else if (name == "top")
        axis = QX_AXIS_Y;
    else
        return false;
    return true;
}

// Empty on success, otherwise what was wrong.
std::string ParseArgs(int argc, const char* const* argv, RenderArgs& args) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--size") {
            if (!hasValue || !ParseSize(argv[++i], args.Width, args.Height))
                return "--size needs WxH, each side 1 to " + std::to_string(kMaxSide);
            args.HasSize = true;
        } else if (arg == "--camera") {
            if (!hasValue || !ParseCamera(argv[++i], args.Axis))
                return "--camera needs perspective, front, side or top";
        } else if (arg == "--frame") {
            const char* text = hasValue ? argv[++i] : "";
            const char* end = text + std::strlen(text);
            const auto [ptr, ec] = std::from_chars(text, end, args.Frame);
            if (!hasValue || ec != std::errc() || ptr != end || !std::isfinite(args.Frame))
                return "--frame needs a frame number";
            args.HasFrame = true;
        } else if (arg == "--frame-all") {
            args.FrameAll = true;
        } else if (arg == "--uv") {
            args.UV = true;
        } else if (arg == "--material") {
            const char* text = hasValue ? argv[++i] : "";
            const char* end = text + std::strlen(text);
            const auto [ptr, ec] = std::from_chars(text, end, args.Material);
            if (!hasValue || ec != std::errc() || ptr != end || args.Material < 0)
                return "--material needs a material number (0 for the first)";
        } else if (arg.starts_with("-")) {
            return "unknown option " + std::string(arg);
        } else if (!args.Scene) {
            args.Scene = argv[i];
        } else if (!args.Output) {
            args.Output = argv[i];
        } else {
            return "too many arguments";
        }
    }
    if (!args.Scene || !args.Output) return "needs a scene and an output file";
    if (args.Material >= 0 && !args.UV) return "--material goes with --uv";
    if (args.UV && (args.FrameAll || args.Axis))
        return "--uv draws texture space: no --camera or --frame-all";
    // Texture space is square.
    if (args.UV && !args.HasSize) args.Width = args.Height = 512;
    if (!EndsWithPng(args.Output)) return "the output must be a .png file";
    return {};
}

// Aims the view along its current direction at the centre of everything in the scene, close
// enough (or, orthographic, wide enough) that the sphere about the bounding box fills the
// picture's shorter side. An empty scene keeps the grid's framing.
void FrameAll(CQxScene& scene, CQxCamera& camera, int width, int height) {
    CQxBoundBox box;
    CQxMatrixStack stack(CQxMatrix{});
    scene.RootModel().GetBoundBox(box, stack);
    if (box.IsEmpty()) return;
    const CQxVector centre = box.GetCenter();
    const float radius = std::max(box.GetSize().GetLength() * 0.5f, 1e-3f);
    const float shorter = std::min(static_cast<float>(width) / static_cast<float>(height), 1.0f);
    const CQxVector sight = (camera.Aim() - camera.Eye()).GetNormalized();
    const CQxVector up = camera.Up();
    // The depth range follows the view size about the world origin, so it must reach the box
    // (setting it frames the origin anew, so the direction is put back afterwards).
    const QX_PROJ_TYPE type = camera.ProjectionType();
    camera.SetViewSize(radius + centre.GetLength());
    float distance = 2.0f * camera.ViewSize();
    if (type == QX_PROJ_PERSPECTIVE) {
        const float halfTan = std::tan(camera.FovY() * kDegree / 2.0f) * shorter;
        distance = kMargin * radius / std::sin(std::atan(halfTan));
    } else {
        camera.ViewY() = kMargin * 2.0f * radius / shorter;
    }
    camera.Eye() = centre - sight * distance;
    camera.Aim() = centre;
    camera.Up() = up;
    camera.RotateCenter() = centre;
}

void PlaceCamera(CQxScene& scene, CQxCamera& camera, const RenderArgs& args) {
    if (args.Axis) {
        camera.SetProjectionType(QX_PROJ_ORTHOGRAPHIC);
        camera.SetAxisView(args.Axis);
    }
    if (args.FrameAll) FrameAll(scene, camera, args.Width, args.Height);
}

// The material the UV view shows: the one asked for, else the root model's first material with
// a texture, else its current one (which may be none). False when the one asked for is missing.
bool ChooseMaterial(const CQxModel& model, int asked, CQxAttribute*& material) {
    if (asked >= 0) {
        material = model.GetAttribute(static_cast<unsigned int>(asked));
        return material != nullptr;
    }
    material = model.CurAttribute();
    for (unsigned int i = 0; i < model.GetAttributeCount(); ++i) {
        CQxAttribute* candidate = model.GetAttribute(i);
        const CQxTextureStage* stage = candidate->GetTextureStage(0);
        if (stage && stage->IsLoaded()) {
            material = candidate;
            break;
        }
    }
    return true;
}

// A file keeps no selection, so the faces shown are the material's (every face without one).
void SelectFacesOf(CQxScene& scene, const CQxAttribute* material) {
    for (auto it = scene.RootModel().Begin(); !it.IsEnd(); ++it) {
        CQxArray<CQxFace*> faces;
        for (CQxFace& face : it->Mesh().Faces())
            if (!material || face.Attribute() == material) faces.PushBack(&face);
        if (faces.IsEmpty()) continue;
        it->Select(1, {}, {}, faces, {});
        it->UpdateGeometry();
    }
}

QX_GRAPHICS_RESULT DrawUV(CQxScene& scene, QxOffscreenWindow& window, CQxAttribute* material) {
    CQxUVView view;
    if (view.CreateView(&scene, &window, 0, 0) != QX_GRAPHICS_OK) return QX_GRAPHICS_FAILED;
    SelectFacesOf(scene, material);
    const QX_GRAPHICS_RESULT drawn = view.OnPaint(material);
    view.DestroyView();
    return drawn;
}

} // namespace

int RenderCommand(int argc, const char* const* argv) {
    RenderArgs args;
    if (const std::string problem = ParseArgs(argc, argv, args); !problem.empty()) return Error(problem);

    CQxScene scene;
    if (!scene.ReadFile(args.Scene, 0)) return Error(std::string("cannot read ") + args.Scene);
    // The scene is shown as its animation stands at the frame.
    if (args.HasFrame) scene.CurFrame() = args.Frame;
    scene.Animate(0, 0);
    QxOffscreenWindow window(args.Width, args.Height);
    // The window has said why.
    if (!window.IsCreated()) return Error("no OpenGL to render with");

    QX_GRAPHICS_RESULT drawn = QX_GRAPHICS_FAILED;
    if (args.UV) {
        CQxAttribute* material = nullptr;
        if (!ChooseMaterial(scene.RootModel(), args.Material, material))
            return Error(std::string(args.Scene) + " has no material " + std::to_string(args.Material));
        drawn = DrawUV(scene, window, material);
    } else {
        CQxCamera camera(QX_WND_OFFSCREEN);
        if (camera.CreateView(&scene, &window, 0, 0) != QX_GRAPHICS_OK)
            return Error("cannot draw into the window");
        PlaceCamera(scene, camera, args);
        drawn = camera.OnPaint();
        scene.RemoveCamera(&camera);
        camera.DestroyView();
    }
    const bool whole = window.GetFrameWidth() == args.Width && window.GetFrameHeight() == args.Height;
    if (drawn != QX_GRAPHICS_OK || !whole) return Error(std::string("cannot render ") + args.Scene);
    return window.SavePng(args.Output) ? 0 : Error(std::string("cannot write ") + args.Output);
}
