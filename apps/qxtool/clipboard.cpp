#include "clipboard.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "qx/platform/clipboard.h"
#include "qx/platform/file_replace.h"
#include "qx/scene/scene.h"
#include "qx/selection/select.h"

using namespace QxWin;

namespace {

// The clipboard file: a signature, the format's registered name, then the block's bytes.
constexpr char Signature[] = "QXCLIP1\n";

int Fail(const char* what, const char* detail) {
    std::fprintf(stderr, "qxtool: %s%s%s\n", what, *detail ? " " : "", detail);
    return 1;
}

std::filesystem::path ClipboardFile() {
    if (const char* file = std::getenv("QX_CLIPBOARD_FILE"); file && *file) return file;
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return std::filesystem::path(runtime) / "qxdurerive-clipboard";
    const char* home = std::getenv("HOME");
    return std::filesystem::path(home && *home ? home : ".") / ".cache" / "qxdurerive" / "clipboard";
}

std::string FormatName(UINT format) {
    char name[256] = {};
    return GetClipboardFormatNameA(format, name, sizeof name) > 0 ? name : "";
}

// Writes the library's block (the only format qxtool puts on the clipboard) through a
// temporary file renamed over the clipboard file, so a reader never sees half a block.
void PushToFile() {
    const UINT format = CQxScene::GetCopyFormat();
    HGLOBAL block = GetClipboardData(format);
    const void* bytes = GlobalLock(block);
    if (!bytes) return;
    const std::filesystem::path file = ClipboardFile();
    std::error_code error;
    std::filesystem::create_directories(file.parent_path(), error);
    const std::string name = FormatName(format);
    const std::size_t size = GlobalSize(block);
    const QX_REPLACE_RESULT written = QxReplaceFileStream(file.c_str(), [&](std::FILE* out) {
        return std::fprintf(out, "%s%s\n", Signature, name.c_str()) > 0 && std::fwrite(bytes, 1, size, out) == size;
    });
    GlobalUnlock(block);
    if (written != QX_REPLACE_DONE) std::fprintf(stderr, "qxtool: cannot write the clipboard file %s\n", file.c_str());
}

// Puts the file's block on the clipboard under its format name; a missing or foreign file
// leaves the clipboard empty.
void PullFromFile() {
    std::ifstream in(ClipboardFile(), std::ios::binary);
    std::string signature(sizeof Signature - 1, '\0'), name;
    if (!in.read(signature.data(), static_cast<std::streamsize>(signature.size())) || signature != Signature ||
        !std::getline(in, name))
        return;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const UINT format = RegisterClipboardFormatA(name.c_str());
    HGLOBAL block = format && !bytes.empty() ? GlobalAlloc(GMEM_MOVEABLE, bytes.size()) : nullptr;
    void* target = GlobalLock(block);
    if (!target) {
        GlobalFree(block);
        return;
    }
    std::memcpy(target, bytes.data(), bytes.size());
    GlobalUnlock(block);
    EmptyClipboard();
    if (!SetClipboardData(format, block)) GlobalFree(block);
}

struct FileClipboard {
    FileClipboard() { QxSetClipboardHook({PullFromFile, PushToFile}); }
    ~FileClipboard() { QxSetClipboardHook({}); }
};

} // namespace

int CopyCommand(int argc, const char* const* argv) {
    if (argc < 1) return Fail("usage: qxtool copy SCENE [NAME...]", "");
    CQxScene scene;
    if (!scene.ReadFile(argv[0], 0)) return Fail("cannot read", argv[0]);
    CQxSelects picked;
    for (int i = 1; i < argc; ++i) {
        CQxObject* object = scene.RootModel().FindName(argv[i]);
        if (!object) return Fail("no object named", argv[i]);
        picked.Merge(CQxSelect(object));
    }
    if (argc == 1)
        for (auto it = scene.RootModel().Begin(); !it.IsEnd(); ++it)
            if (it->GetType() == QX_OBJ_MESH && !it->IsClone()) picked.Merge(CQxSelect(it.Get()));
    scene.SelectObjects(picked, QX_SELECT_REPLACE, 0);
    HGLOBAL block = scene.CopySelectObjects();
    if (!block) return Fail("nothing to copy: no mesh with faces or edges is selected in", argv[0]);
    const SIZE_T size = GlobalSize(block);
    FileClipboard clipboard;
    if (!OpenClipboard(nullptr)) {
        GlobalFree(block);
        return Fail("cannot open the clipboard", "");
    }
    EmptyClipboard();
    const bool placed = SetClipboardData(CQxScene::GetCopyFormat(), block) != nullptr;
    CloseClipboard();
    if (!placed) {
        GlobalFree(block);
        return Fail("cannot place the copy on the clipboard", "");
    }
    std::printf("copied %zu bytes from %s to %s\n", static_cast<std::size_t>(size), argv[0],
                ClipboardFile().c_str());
    return 0;
}

int PasteCommand(int argc, const char* const* argv) {
    const bool into = argc == 4 && !std::strcmp(argv[2], "--into");
    if (argc != 2 && !into) return Fail("usage: qxtool paste SCENE OUT [--into NAME]", "");
    CQxScene scene;
    if (!scene.ReadFile(argv[0], 0)) return Fail("cannot read", argv[0]);
    CQxObject* parent = into ? scene.RootModel().FindName(argv[3]) : nullptr;
    if (into && !parent) return Fail("no object named", argv[3]);
    FileClipboard clipboard;
    if (!OpenClipboard(nullptr)) return Fail("cannot open the clipboard", "");
    HGLOBAL block = GetClipboardData(CQxScene::GetCopyFormat());
    const int pasted = block && scene.PasteCmd(block, parent, 0);
    CloseClipboard();
    if (!block) return Fail("the clipboard holds no copied geometry:", ClipboardFile().c_str());
    if (!pasted) return Fail("the clipboard's content is damaged and was not pasted:", ClipboardFile().c_str());
    if (!scene.WriteFile(argv[1])) return Fail("cannot write", argv[1]);
    std::printf("pasted into %s, saved as %s\n", into ? argv[3] : "a new object", argv[1]);
    return 0;
}
