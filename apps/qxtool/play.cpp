// qxtool play: the library's scene program run headless on any scene file. Frames run on the
// manual clock, 17 ms apart, as the application's frame timer would run them; scripted events
// go to the camera view the way a host hands them on.
#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "play.h"
#include "qx/platform/input_state.h"
#include "qx/platform/offscreen_window.h"
#include "qx/platform/time.h"
#include "qx/play/scene_simulator.h"
#include "qx/play/sim_manager.h"
#include "qx/scene/app.h"
#include "qx/scene/scene.h"
#include "qx/views/camera.h"
#include "render.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned int kFrameMs = 17;
constexpr int kMaxSide = 16384;
constexpr long kMaxFrames = 1000000;

enum class EventKind { Move, Click, KeyDown, KeyUp, Key, Snap };

struct Event {
    long Frame = 0;
    EventKind Kind = EventKind::Move;
    CQxPoint Point;
    unsigned int Key = 0;
    std::string Path;
};

struct PlayArgs {
    const char* Scene = nullptr;
    long Frames = 60;
    int Width = 640;
    int Height = 480;
    std::vector<Event> Events;
};

int Error(const std::string& text) {
    std::fprintf(stderr, "qxtool play: %s\n", text.c_str());
    return 1;
}

template <class T>
bool ParseNumber(std::string_view text, T& out) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, out);
    return ec == std::errc() && ptr == end;
}

// A letter or digit, or a named key.
bool ParseKey(const std::string& name, unsigned int& vk) {
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
        vk = static_cast<unsigned int>(std::toupper(static_cast<unsigned char>(name[0])));
        return true;
    }
    static const std::map<std::string, unsigned int> kNamed = {
        {"Escape", VK_ESCAPE}, {"Space", VK_SPACE},    {"Enter", VK_RETURN}, {"Left", VK_LEFT},
        {"Up", VK_LEFT + 1},   {"Right", VK_LEFT + 2}, {"Down", VK_LEFT + 3}};
    const auto found = kNamed.find(name);
    if (found == kNamed.end()) return false;
    vk = found->second;
    return true;
}

// "FRAME move X Y", "FRAME click X Y", "FRAME key|keydown|keyup KEY", "FRAME snap OUT.png".
std::string ParseEvent(const std::string& line, Event& event) {
    std::istringstream in(line);
    std::string frame, kind, a, b, rest;
    in >> frame >> kind >> a >> b >> rest;
    if (!ParseNumber(frame, event.Frame) || event.Frame < 0) return "no frame number in \"" + line + "\"";
    const bool point = kind == "move" || kind == "click";
    if (point) {
        event.Kind = kind == "move" ? EventKind::Move : EventKind::Click;
        if (!ParseNumber(a, event.Point.x) || !ParseNumber(b, event.Point.y) || !rest.empty())
            return "\"" + kind + "\" needs X Y in \"" + line + "\"";
    } else if (kind == "key" || kind == "keydown" || kind == "keyup") {
        event.Kind = kind == "key"       ? EventKind::Key
                     : kind == "keydown" ? EventKind::KeyDown
                                         : EventKind::KeyUp;
        if (!ParseKey(a, event.Key) || !b.empty()) return "unknown key in \"" + line + "\"";
    } else if (kind == "snap") {
        event.Kind = EventKind::Snap;
        if (a.empty() || !b.empty()) return "\"snap\" needs one file in \"" + line + "\"";
        // The program starts in another folder: the picture goes where the caller meant.
        event.Path = fs::absolute(a).string();
    } else {
        return "unknown event \"" + kind + "\"";
    }
    return {};
}

// The events of a script file, or of the text itself (events separated by ';') when no such
// file exists. Lines are sorted by frame, keeping their order within one frame.
std::string ParseScript(const char* script, std::vector<Event>& events) {
    std::string text;
    if (std::ifstream file(script); file) {
        std::stringstream all;
        all << file.rdbuf();
        text = all.str();
    } else {
        text = script;
    }
    std::string line;
    for (char c : text + "\n") {
        if (c != '\n' && c != ';') {
            line += c;
            continue;
        }
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") != std::string::npos) {
            Event event;
            if (std::string problem = ParseEvent(line, event); !problem.empty()) return problem;
            events.push_back(event);
        }
        line.clear();
    }
    std::stable_sort(events.begin(), events.end(),
                     [](const Event& a, const Event& b) { return a.Frame < b.Frame; });
    return {};
}

std::string ParseArgs(int argc, const char* const* argv, PlayArgs& args) {
    for (int i = 0; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--frames") {
            if (!value || !ParseNumber(std::string_view(value), args.Frames) || args.Frames < 1 ||
                args.Frames > kMaxFrames)
                return "--frames needs a count from 1 to " + std::to_string(kMaxFrames);
            ++i;
        } else if (arg == "--script") {
            if (!value) return "--script needs a file or events";
            if (std::string problem = ParseScript(value, args.Events); !problem.empty()) return problem;
            ++i;
        } else if (arg == "--size") {
            const std::string_view text = value ? value : "";
            const std::size_t x = text.find('x');
            if (x == std::string_view::npos || !ParseNumber(text.substr(0, x), args.Width) ||
                !ParseNumber(text.substr(x + 1), args.Height) || args.Width < 1 || args.Height < 1 ||
                args.Width > kMaxSide || args.Height > kMaxSide)
                return "--size needs WxH, each side 1 to " + std::to_string(kMaxSide);
            ++i;
        } else if (arg.starts_with("-")) {
            return "unknown option " + std::string(arg);
        } else if (!args.Scene) {
            args.Scene = argv[i];
        } else {
            return "too many arguments";
        }
    }
    if (!args.Scene) return "needs a scene";
    return {};
}

// The host's side of the program: "Quit" ends the run, "ToggleDisp" shows or hides the grid
// and the axes.
class Host : public CQxMsgHandler {
public:
    explicit Host(CQxScene& scene) : m_Scene(scene) {}
    int OnMessage(const CQxMsg& msg) override {
        if (msg.m_Type == QX_MSG_QUIT) {
            m_HasQuit = true;
            return 1;
        }
        if (msg.m_Type == QX_MSG_TOGGLE_DISP) {
            m_Scene.IsDrawGrid() = !m_Scene.IsDrawGrid();
            m_Scene.IsDrawAxes() = m_Scene.IsDrawGrid();
            return 1;
        }
        return 0;
    }
    bool HasQuit() const { return m_HasQuit; }

private:
    CQxScene& m_Scene;
    bool m_HasQuit = false;
};

void Deliver(CQxCamera& camera, QxOffscreenWindow& window, const Event& event) {
    switch (event.Kind) {
    case EventKind::Move:
        window.SetCursorPos(event.Point.x, event.Point.y);
        camera.OnMouseMove(0, event.Point);
        break;
    case EventKind::Click:
        window.SetCursorPos(event.Point.x, event.Point.y);
        camera.OnLButtonDown(MK_LBUTTON, event.Point);
        camera.OnLButtonUp(0, event.Point);
        break;
    case EventKind::KeyDown:
    case EventKind::Key:
        QxSetKeyState(event.Key, 1);
        camera.OnKeyDown(event.Key, 1, 0);
        if (event.Kind == EventKind::Key) QxSetKeyState(event.Key, 0);
        break;
    case EventKind::KeyUp:
        QxSetKeyState(event.Key, 0);
        break;
    case EventKind::Snap:
        break;
    }
}

} // namespace

int PlayCommand(int argc, const char* const* argv) {
    PlayArgs args;
    if (const std::string problem = ParseArgs(argc, argv, args); !problem.empty()) return Error(problem);

    CQxScene scene;
    // Read once here so the view is framed for the scene's grid before the program reads it.
    if (!scene.ReadFile(args.Scene, 0)) return Error(std::string("cannot read ") + args.Scene);
    QxOffscreenWindow window(args.Width, args.Height);
    if (!window.IsCreated()) return Error("no OpenGL to render with");
    CQxCamera camera(QX_WND_OFFSCREEN);
    if (camera.CreateView(&scene, &window, 0, 0) != QX_GRAPHICS_OK)
        return Error("cannot draw into the window");
    camera.OnActive();

    Host host(scene);
    QxSetManualClock(1);
    int status = 0;
    // Textures named relative to the scene are found beside it.
    CQxApp::Instance().DataDir() = fs::absolute(args.Scene).parent_path().string().c_str();
    if (!QxStartSceneProgram(scene, &host, args.Scene)) {
        status = Error(std::string("cannot start the scene program on ") + args.Scene);
    } else {
        std::size_t next = 0;
        long frame = 0;
        for (; frame < args.Frames && !host.HasQuit(); ++frame) {
            std::vector<const Event*> snaps;
            for (; next < args.Events.size() && args.Events[next].Frame == frame; ++next) {
                const Event& event = args.Events[next];
                if (event.Kind == EventKind::Snap)
                    snaps.push_back(&event);
                else
                    Deliver(camera, window, event);
            }
            scene.TaskManager().ExecuteFrame();
            QxAdvanceClock(kFrameMs);
            if (camera.OnPaint() != QX_GRAPHICS_OK) {
                status = Error("cannot draw frame " + std::to_string(frame));
                break;
            }
            for (const Event* snap : snaps) {
                if (window.SavePng(snap->Path.c_str())) continue;
                status = Error("cannot write " + snap->Path);
            }
        }
        std::printf("played %ld frames%s\n", frame, host.HasQuit() ? " (quit from the menu)" : "");
        scene.SimManager().Clear();
    }
    QxSetManualClock(0);
    scene.RemoveCamera(&camera);
    camera.DestroyView();
    return status;
}
