#include "qx/platform/clipboard.h"

#include "platform_internal.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace QxWin;

namespace {

std::vector<std::string>& FormatNames() {
    static std::vector<std::string> names; // names[i] is format QX_FIRST_REGISTERED_FORMAT + i
    return names;
}

bool SameName(const std::string& a, const char* b) {
    const std::size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (std::size_t i = 0; i < length; ++i) {
        const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        if (lower(static_cast<unsigned char>(a[i])) != lower(static_cast<unsigned char>(b[i]))) return false;
    }
    return true;
}

struct Clipboard {
    int Open = 0;
    HWND Owner = nullptr;
    int Changed = 0; // since it was opened
    int Pulling = 0; // the host is bringing in the system's content
    DWORD Sequence = 0;
    std::vector<std::pair<UINT, HGLOBAL>> Formats; // in the order they were set
    QxClipboardHook Hook;
};

Clipboard& TheClipboard() {
    static Clipboard clipboard;
    return clipboard;
}

void NoteChange(Clipboard& clipboard) {
    ++clipboard.Sequence;
    if (!clipboard.Pulling) clipboard.Changed = 1;
}

} // namespace

UINT QxWin::RegisterClipboardFormatA(const char* name) {
    if (!name || !*name) return 0;
    auto& names = FormatNames();
    for (std::size_t i = 0; i < names.size(); ++i)
        if (SameName(names[i], name)) return QX_FIRST_REGISTERED_FORMAT + static_cast<UINT>(i);
    if (names.size() > 0xFFFF - QX_FIRST_REGISTERED_FORMAT) return 0;
    names.emplace_back(name);
    return QX_FIRST_REGISTERED_FORMAT + static_cast<UINT>(names.size() - 1);
}

int QxWin::GetClipboardFormatNameA(UINT format, char* name, int size) {
    const auto& names = FormatNames();
    if (!name || size <= 0 || format < QX_FIRST_REGISTERED_FORMAT) return 0;
    const std::size_t index = format - QX_FIRST_REGISTERED_FORMAT;
    if (index >= names.size()) return 0;
    const std::size_t count = std::min(names[index].size(), static_cast<std::size_t>(size - 1));
    std::memcpy(name, names[index].data(), count);
    name[count] = '\0';
    return static_cast<int>(count);
}

BOOL QxWin::OpenClipboard(HWND owner) {
    Clipboard& clipboard = TheClipboard();
    if (clipboard.Open) return 0;
    clipboard.Open = 1;
    clipboard.Owner = owner;
    clipboard.Changed = 0;
    if (clipboard.Hook.Pull) {
        clipboard.Pulling = 1;
        clipboard.Hook.Pull();
        clipboard.Pulling = 0;
    }
    return 1;
}

BOOL QxWin::CloseClipboard() {
    Clipboard& clipboard = TheClipboard();
    if (!clipboard.Open) return 0;
    // Push reads the content while the clipboard is still open.
    if (clipboard.Changed && clipboard.Hook.Push) clipboard.Hook.Push();
    clipboard.Open = 0;
    clipboard.Owner = nullptr;
    clipboard.Changed = 0;
    return 1;
}

BOOL QxWin::EmptyClipboard() {
    Clipboard& clipboard = TheClipboard();
    if (!clipboard.Open) return 0;
    for (const auto& [format, block] : clipboard.Formats) QxGlobalFreeOwned(block);
    clipboard.Formats.clear();
    NoteChange(clipboard);
    return 1;
}

HANDLE QxWin::SetClipboardData(UINT format, HANDLE block) {
    Clipboard& clipboard = TheClipboard();
    // Rendering on request (a null block) is not offered; a block may be held only once.
    if (!clipboard.Open || format == 0 || !block || QxGlobalIsOwned(block)) return nullptr;
    if (!QxGlobalSetOwned(block, 1)) return nullptr;
    const auto found = std::find_if(clipboard.Formats.begin(), clipboard.Formats.end(),
                                    [format](const auto& entry) { return entry.first == format; });
    if (found != clipboard.Formats.end()) {
        QxGlobalFreeOwned(found->second);
        found->second = block;
    } else {
        clipboard.Formats.emplace_back(format, block);
    }
    NoteChange(clipboard);
    return block;
}

HANDLE QxWin::GetClipboardData(UINT format) {
    const Clipboard& clipboard = TheClipboard();
    if (!clipboard.Open) return nullptr;
    for (const auto& [held, block] : clipboard.Formats)
        if (held == format) return block;
    return nullptr;
}

BOOL QxWin::IsClipboardFormatAvailable(UINT format) {
    const auto& formats = TheClipboard().Formats;
    return std::any_of(formats.begin(), formats.end(), [format](const auto& e) { return e.first == format; });
}

int QxWin::CountClipboardFormats() {
    return static_cast<int>(TheClipboard().Formats.size());
}

UINT QxWin::EnumClipboardFormats(UINT format) {
    const auto& formats = TheClipboard().Formats;
    if (format == 0) return formats.empty() ? 0 : formats.front().first;
    for (std::size_t i = 0; i + 1 < formats.size(); ++i)
        if (formats[i].first == format) return formats[i + 1].first;
    return 0;
}

DWORD QxWin::GetClipboardSequenceNumber() {
    return TheClipboard().Sequence;
}

HWND QxWin::GetOpenClipboardWindow() {
    const Clipboard& clipboard = TheClipboard();
    return clipboard.Open ? clipboard.Owner : nullptr;
}

QxClipboardHook QxSetClipboardHook(QxClipboardHook hook) {
    return std::exchange(TheClipboard().Hook, std::move(hook));
}
