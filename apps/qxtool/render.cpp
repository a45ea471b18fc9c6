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
#include <unistd.h>

#include "qx/graphics/bound_box.h"
#include "qx/math/stacks.h"
#include "qx/platform/offscreen_window.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"

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

// Written beside the output and renamed over it, so a failure leaves no partial file.
} // namespace

bool SaveFrame(const QxOffscreenWindow& window, const char* output) {
    const std::string temporary = std::string(output) + ".tmp" + std::to_string(getpid());
    if (window.SavePng(temporary.c_str()) && std::rename(temporary.c_str(), output) == 0) return true;
    std::remove(temporary.c_str());
    return false;
}

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

    CQxCamera camera(QX_WND_OFFSCREEN);
    if (camera.CreateView(&scene, &window, 0, 0) != QX_GRAPHICS_OK)
        return Error("cannot draw into the window");
    PlaceCamera(scene, camera, args);
    const QX_GRAPHICS_RESULT drawn = camera.OnPaint();
    const bool whole = window.GetFrameWidth() == args.Width && window.GetFrameHeight() == args.Height;
    scene.RemoveCamera(&camera);
    camera.DestroyView();
    if (drawn != QX_GRAPHICS_OK || !whole) return Error(std::string("cannot render ") + args.Scene);
    return SaveFrame(window, args.Output) ? 0 : Error(std::string("cannot write ") + args.Output);
}
