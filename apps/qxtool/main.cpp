// qxtool: the library from the command line. Every file goes through the scene's ReadFile and
// WriteFile, so the program reads and writes whatever formats the library does; pictures are
// drawn by the library's own camera view (render.cpp).
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "qx/animation/anim.h"
#include "qx/scene/model.h"
#include "qx/scene/scene.h"
#include "clipboard.h"
#include "play.h"
#include "render.h"

namespace {

const char* const Usage =
    "usage: qxtool COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  info FILE         summary of a scene: objects by kind, vertices, faces, materials, frames\n"
    "  convert IN OUT    read IN and write it as OUT (formats chosen by extension)\n"
    "  render SCENE OUT.png [--size WxH] [--camera perspective|front|side|top] [--frame-all]\n"
    "                    [--frame F]\n"
    "                    draw SCENE as a new camera view shows it (640x480, perspective, framed\n"
    "                    for the grid) and save the picture; front, side and top look along Z,\n"
    "                    X and Y without perspective; --frame-all aims at everything in it;\n"
    "                    --frame shows the animation at frame F (default: the file's frame)\n"
    "  render SCENE OUT.png --uv [--material N] [--size WxH] [--frame F]\n"
    "                    draw the UV view instead (512x512): the texture coordinates of the\n"
    "                    faces of the root model's material N (default: its first textured\n"
    "                    one) over that material's texture\n"
    "  play SCENE [--frames N] [--script EVENTS] [--size WxH]\n"
    "                    run the scene program over SCENE headless for N frames (default 60,\n"
    "                    17 ms apart) and feed it scripted events: a file, or the events\n"
    "                    themselves separated by ';', each \"FRAME EVENT ARGS\" with the events\n"
    "                    move X Y, click X Y, key K, keydown K, keyup K (K a letter, a digit,\n"
    "                    Escape, Space, Enter, Left, Up, Right, Down) and snap OUT.png\n"
    "  make-fps OUT.kel  build the playable sample scene the scene program runs\n"
    "  copy SCENE [NAME...]\n"
    "                    copy the named objects' geometry (default: every mesh) to the clipboard\n"
    "  paste SCENE OUT [--into NAME]\n"
    "                    paste the clipboard's geometry into SCENE as a new mesh (or into the\n"
    "                    mesh NAME) and save the result as OUT; qxtool keeps its clipboard in\n"
    "                    the file QX_CLIPBOARD_FILE (default $XDG_RUNTIME_DIR/qxdurerive-clipboard)\n"
    "  --help            this text\n"
    "\n"
    "Messages of the library go to standard error; a failure exits with status 1.\n";

int Fail(const char* what, const char* path) {
    std::fprintf(stderr, "qxtool: %s %s\n", what, path);
    return 1;
}

int Info(const char* path) {
    CQxScene scene;
    if (!scene.ReadFile(path, 0)) return Fail("cannot read", path);
    std::map<std::string, unsigned int> kinds;
    unsigned long long vertices = 0, faces = 0, objects = 0;
    unsigned int materials = 0, animated = 0, channels = 0;
    CQxKeyTree<float> keyed;
    for (auto it = scene.RootModel().Begin(); !it.IsEnd(); ++it) {
        const CQxObject& object = *it;
        if (object.GetType() == QX_OBJ_MODEL) {
            const auto& model = static_cast<const CQxModel&>(object);
            materials += model.GetAttributeCount();
            for (const auto& entry : model.Anim().ObjectItems()) {
                ++animated;
                channels += entry.Value.GetCount();
            }
            model.Anim().GetUniqueKeys(keyed);
        }
        if (it.Get() == &scene.RootModel()) continue;
        ++objects;
        ++kinds[object.GetTypeName()];
        // Joints and other kinds carry display meshes; only mesh objects hold the user's geometry.
        if (object.GetType() != QX_OBJ_MESH || object.IsClone()) continue;
        vertices += object.Mesh().Vertices().GetCount();
        faces += object.Mesh().Faces().GetCount();
    }
    std::printf("file: %s\n", path);
    std::printf("objects: %llu", objects);
    const char* separator = " (";
    for (const auto& [name, count] : kinds) {
        std::printf("%s%s %u", separator, name.c_str(), count);
        separator = ", ";
    }
    std::printf("%s\n", objects ? ")" : "");
    std::printf("vertices: %llu\nfaces: %llu\nmaterials: %u\n", vertices, faces, materials);
    std::printf("frames: %g - %g at %g fps (current %g)\n", scene.FirstFrame(), scene.LastFrame(), scene.Fps(),
                scene.CurFrame());
    std::printf("animation: %u channels on %u objects, %u keyed frames\n", channels, animated, keyed.GetCount());
    return 0;
}

int Convert(const char* in, const char* out) {
    CQxScene scene;
    if (!scene.ReadFile(in, 0)) return Fail("cannot read", in);
    if (!scene.WriteFile(out)) return Fail("cannot write", out);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h"))) {
        std::fputs(Usage, stdout);
        return 0;
    }
    if (argc == 3 && !std::strcmp(argv[1], "info")) return Info(argv[2]);
    if (argc == 4 && !std::strcmp(argv[1], "convert")) return Convert(argv[2], argv[3]);
    if (argc >= 2 && !std::strcmp(argv[1], "render")) return RenderCommand(argc - 2, argv + 2);
    if (argc >= 2 && !std::strcmp(argv[1], "play")) return PlayCommand(argc - 2, argv + 2);
    if (argc >= 2 && !std::strcmp(argv[1], "make-fps")) return MakeFpsCommand(argc - 2, argv + 2);
    if (argc >= 2 && !std::strcmp(argv[1], "copy")) return CopyCommand(argc - 2, argv + 2);
    if (argc >= 2 && !std::strcmp(argv[1], "paste")) return PasteCommand(argc - 2, argv + 2);
    std::fputs(Usage, stderr);
    return 2;
}
