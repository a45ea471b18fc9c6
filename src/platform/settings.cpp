#include "qx/platform/settings.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_set>
#include <vector>

#include <unistd.h>

#include "qx/platform/file_replace.h"

using namespace QxWin;

namespace fs = std::filesystem;

namespace {

constexpr const char* kFileName = "settings.conf";
// A settings file larger than this is not read at all.
constexpr std::uintmax_t kMaxFileSize = 16u << 20;

struct Value {
    std::string Name;
    DWORD Type;
    std::string Data; // REG_DWORD: 4 little-endian bytes; REG_SZ: the text without its zero
};

// The values of one key, shared by every handle open on it.
struct Store {
    fs::path Folder;
    std::vector<Value> Values; // in the order they were first set
    int Dirty = 0;
};

} // namespace

struct QxSettingsKey {
    std::vector<std::string> Path;  // components below "Software"; empty for the root and "Software"
    int IsSoftware = 0;             // the key "Software" itself, which holds no values
    std::shared_ptr<::Store> Store; // null for keys that hold no values
};

namespace {

QxSettingsKey g_currentUser;

// Both outlive every static destructor: the application object saves its settings from its own
// destructor at exit, which may run after these would have been destroyed.
std::unordered_set<HKEY>& OpenKeys() {
    static auto* keys = new std::unordered_set<HKEY>;
    return *keys;
}

std::map<std::string, std::weak_ptr<Store>>& Stores() {
    static auto* stores = new std::map<std::string, std::weak_ptr<Store>>;
    return *stores;
}

bool IsKey(HKEY key) {
    return key == HKEY_CURRENT_USER || (key && OpenKeys().count(key));
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

bool SameText(std::string_view a, std::string_view b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// ---- Text escaping ----

const char kHex[] = "0123456789abcdef";

std::string Escape(std::string_view text, bool isName) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '=':
            out += "\\=";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            // A name starting with '#' would read as a comment.
            if (c < 0x20 || c == 0x7F || (isName && i == 0 && c == '#')) {
                out += "\\x";
                out += kHex[c >> 4];
                out += kHex[c & 15];
            } else {
                out += static_cast<char>(c);
            }
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) return std::nullopt;
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case '=':
            out += '=';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case 'x': {
            if (text.size() - i < 3) return std::nullopt;
            const int high = HexDigit(text[i + 1]), low = HexDigit(text[i + 2]);
            if (high < 0 || low < 0) return std::nullopt;
            out += static_cast<char>(high * 16 + low);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

// ---- Lines ----

std::string FormatLine(const Value& value) {
    std::string line = Escape(value.Name, true) + '=';
    if (value.Type == REG_DWORD) {
        DWORD number = 0;
        for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(value.Data[i]);
        line += "dword:";
        for (int shift = 28; shift >= 0; shift -= 4) line += kHex[(number >> shift) & 15];
    } else if (value.Type == REG_SZ) {
        line += "sz:" + Escape(value.Data, false);
    } else {
        line += "hex:";
        for (std::size_t i = 0; i < value.Data.size(); ++i) {
            const auto c = static_cast<unsigned char>(value.Data[i]);
            if (i) line += ',';
            line += kHex[c >> 4];
            line += kHex[c & 15];
        }
    }
    return line + '\n';
}

std::optional<std::string> ParseHexBytes(std::string_view text) {
    std::string out;
    if (text.empty()) return out;
    for (std::size_t i = 0;; i += 3) {
        if (text.size() - i < 2) return std::nullopt;
        const int high = HexDigit(text[i]), low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        out += static_cast<char>(high * 16 + low);
        if (i + 2 == text.size()) return out;
        if (text[i + 2] != ',') return std::nullopt;
    }
}

std::optional<Value> ParseLine(std::string_view line) {
    // The name ends at the first '=' that is not escaped.
    std::size_t split = 0;
    while (split < line.size() && line[split] != '=') split += line[split] == '\\' ? 2 : 1;
    if (split >= line.size()) return std::nullopt;
    auto name = Unescape(line.substr(0, split));
    if (!name) return std::nullopt;
    const std::string_view rest = line.substr(split + 1);

    Value value{std::move(*name), REG_NONE, {}};
    if (rest.starts_with("dword:")) {
        const std::string_view digits = rest.substr(6);
        if (digits.size() != 8) return std::nullopt;
        DWORD number = 0;
        for (char c : digits) {
            const int digit = HexDigit(c);
            if (digit < 0) return std::nullopt;
            number = (number << 4) | static_cast<DWORD>(digit);
        }
        value.Type = REG_DWORD;
        for (int i = 0; i < 4; ++i) value.Data += static_cast<char>((number >> (8 * i)) & 0xFF);
    } else if (rest.starts_with("sz:")) {
        auto text = Unescape(rest.substr(3));
        // A text cannot hold a zero: it would end the string.
        if (!text || text->find('\0') != std::string::npos) return std::nullopt;
        value.Type = REG_SZ;
        value.Data = std::move(*text);
    } else if (rest.starts_with("hex:")) {
        auto bytes = ParseHexBytes(rest.substr(4));
        if (!bytes) return std::nullopt;
        value.Type = REG_BINARY;
        value.Data = std::move(*bytes);
    } else {
        return std::nullopt;
    }
    if (value.Data.size() > QX_SETTINGS_MAX_VALUE) return std::nullopt;
    return value;
}

Value* FindValue(Store& store, std::string_view name) {
    const auto found = std::find_if(store.Values.begin(), store.Values.end(),
                                    [&](const Value& v) { return SameText(v.Name, name); });
    return found == store.Values.end() ? nullptr : &*found;
}

void SetValue(Store& store, Value value) {
    if (Value* existing = FindValue(store, value.Name)) {
        existing->Type = value.Type;
        existing->Data = std::move(value.Data);
    } else {
        store.Values.push_back(std::move(value));
    }
}

// A file that cannot be read, or lines that cannot be, simply give no values.
void Load(Store& store) {
    const fs::path file = store.Folder / kFileName;
    std::error_code error;
    if (!fs::is_regular_file(file, error) || fs::file_size(file, error) > kMaxFileSize || error) return;
    std::ifstream in(file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        if (auto value = ParseLine(line)) SetValue(store, std::move(*value));
    }
}

LSTATUS WriteError(int error) {
    return error == EACCES || error == EPERM || error == EROFS ? ERROR_ACCESS_DENIED : ERROR_CANTWRITE;
}

bool WriteAll(int fd, const std::string& text) {
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

LSTATUS Save(Store& store) {
    std::string text = "# Settings: one value a line, name=dword:hex, name=sz:text or name=hex:bytes\n";
    for (const Value& value : store.Values) text += FormatLine(value);

    const fs::path file = store.Folder / kFileName;
    if (QxReplaceFile(file.c_str(), [&text](int fd) { return WriteAll(fd, text); }) != QX_REPLACE_DONE)
        return WriteError(errno ? errno : EIO);
    store.Dirty = 0;
    return ERROR_SUCCESS;
}

// ---- Key paths ----

std::optional<fs::path> ConfigRoot() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return fs::path(config);
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return fs::path(home) / ".config";
    return std::nullopt;
}

// A key name may hold any character but the backslash; '/', '%' and the names "." and ".." are
// written with %XX so that every name is one plain folder.
std::string FolderName(std::string_view name) {
    std::string out;
    const bool dots = name == "." || name == "..";
    for (char c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (c == '/' || c == '%' || u < 0x20 || (dots && c == '.')) {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        } else {
            out += c;
        }
    }
    return out;
}

struct KeyPath {
    std::vector<std::string> Components; // below "Software"
    int IsSoftware = 0;
};

std::optional<KeyPath> ResolvePath(HKEY parent, const char* subKey) {
    std::vector<std::string> parts;
    if (parent != HKEY_CURRENT_USER) {
        if (!parent->IsSoftware && parent->Path.empty()) return std::nullopt;
        parts.emplace_back("Software");
        parts.insert(parts.end(), parent->Path.begin(), parent->Path.end());
    }
    std::string_view rest = subKey ? subKey : "";
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\\'), rest.size());
        if (end) parts.emplace_back(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    if (parts.empty() || !SameText(parts.front(), "Software")) return std::nullopt;
    KeyPath path;
    path.Components.assign(parts.begin() + 1, parts.end());
    path.IsSoftware = path.Components.empty();
    return path;
}

std::optional<fs::path> FolderOf(const KeyPath& path) {
    auto folder = ConfigRoot();
    if (!folder) return std::nullopt;
    for (const std::string& component : path.Components) *folder /= FolderName(component);
    return folder;
}

HKEY NewKey(const KeyPath& path, const fs::path& folder) {
    auto key = std::make_unique<QxSettingsKey>();
    key->Path = path.Components;
    key->IsSoftware = path.IsSoftware;
    if (!path.IsSoftware) {
        std::weak_ptr<Store>& shared = Stores()[folder.string()];
        key->Store = shared.lock();
        if (!key->Store) {
            key->Store = std::make_shared<Store>();
            key->Store->Folder = folder;
            Load(*key->Store);
            shared = key->Store;
        }
    }
    HKEY handle = key.release();
    OpenKeys().insert(handle);
    return handle;
}

Store* WritableStore(HKEY key) {
    return IsKey(key) ? key->Store.get() : nullptr;
}

} // namespace

const HKEY QxWin::HKEY_CURRENT_USER = &g_currentUser;

LSTATUS QxWin::RegOpenKeyExA(HKEY parent, const char* subKey, DWORD /*options*/, REGSAM /*access*/,
                             PHKEY result) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsKey(parent)) return ERROR_INVALID_HANDLE;
    const auto path = ResolvePath(parent, subKey);
    if (!path) return ERROR_FILE_NOT_FOUND;
    const auto folder = FolderOf(*path);
    std::error_code error;
    if (!folder || !fs::is_directory(*folder, error)) return ERROR_FILE_NOT_FOUND;
    *result = NewKey(*path, *folder);
    return ERROR_SUCCESS;
}

LSTATUS QxWin::RegCreateKeyExA(HKEY parent, const char* subKey, DWORD /*reserved*/, char* /*keyClass*/,
                               DWORD /*options*/, REGSAM /*access*/, const void* /*security*/, PHKEY result,
                               DWORD* disposition) {
    if (!result) return ERROR_INVALID_PARAMETER;
    *result = nullptr;
    if (!IsKey(parent)) return ERROR_INVALID_HANDLE;
    const auto path = ResolvePath(parent, subKey);
    if (!path) return ERROR_ACCESS_DENIED;
    const auto folder = FolderOf(*path);
    if (!folder) return ERROR_ACCESS_DENIED;
    std::error_code error;
    const bool existed = fs::is_directory(*folder, error);
    if (!existed && !fs::create_directories(*folder, error)) return WriteError(error.value());
    if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
    *result = NewKey(*path, *folder);
    return ERROR_SUCCESS;
}

LSTATUS QxWin::RegQueryValueExA(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data,
                                DWORD* size) {
    if (!IsKey(key)) return ERROR_INVALID_HANDLE;
    if (reserved || (data && !size)) return ERROR_INVALID_PARAMETER;
    Store* store = key->Store.get();
    const Value* value = store ? FindValue(*store, name ? name : "") : nullptr;
    if (!value) return ERROR_FILE_NOT_FOUND;
    const std::size_t needed = value->Data.size() + (value->Type == REG_SZ ? 1 : 0);
    if (type) *type = value->Type;
    if (!size) return ERROR_SUCCESS;
    const DWORD room = *size;
    *size = static_cast<DWORD>(needed);
    if (!data) return ERROR_SUCCESS;
    if (room < needed) return ERROR_MORE_DATA;
    std::memcpy(data, value->Data.data(), value->Data.size());
    if (value->Type == REG_SZ) data[value->Data.size()] = 0;
    return ERROR_SUCCESS;
}

LSTATUS QxWin::RegSetValueExA(HKEY key, const char* name, DWORD /*reserved*/, DWORD type, const BYTE* data,
                              DWORD size) {
    if (!IsKey(key)) return ERROR_INVALID_HANDLE;
    Store* store = WritableStore(key);
    if (!store) return ERROR_ACCESS_DENIED;
    if ((size && !data) || size > QX_SETTINGS_MAX_VALUE) return ERROR_INVALID_PARAMETER;
    const char* bytes = reinterpret_cast<const char*>(data);
    Value value{name ? name : "", type, {}};
    if (type == REG_DWORD) {
        if (size != 4) return ERROR_INVALID_PARAMETER;
        value.Data.assign(bytes, 4);
    } else if (type == REG_SZ) {
        value.Data.assign(bytes, std::find(bytes, bytes + size, '\0'));
    } else if (type == REG_BINARY) {
        value.Data.assign(bytes, size);
    } else {
        return ERROR_INVALID_PARAMETER;
    }
    SetValue(*store, std::move(value));
    store->Dirty = 1;
    return Save(*store);
}

LSTATUS QxWin::RegDeleteValueA(HKEY key, const char* name) {
    if (!IsKey(key)) return ERROR_INVALID_HANDLE;
    Store* store = WritableStore(key);
    if (!store) return ERROR_FILE_NOT_FOUND;
    const Value* value = FindValue(*store, name ? name : "");
    if (!value) return ERROR_FILE_NOT_FOUND;
    store->Values.erase(store->Values.begin() + (value - store->Values.data()));
    store->Dirty = 1;
    return Save(*store);
}

LSTATUS QxWin::RegFlushKey(HKEY key) {
    if (!IsKey(key)) return ERROR_INVALID_HANDLE;
    Store* store = key->Store.get();
    return store && store->Dirty ? Save(*store) : ERROR_SUCCESS;
}

LSTATUS QxWin::RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) return ERROR_SUCCESS;
    if (!IsKey(key)) return ERROR_INVALID_HANDLE;
    const LSTATUS result = RegFlushKey(key);
    OpenKeys().erase(key);
    const std::string folder = key->Store ? key->Store->Folder.string() : std::string();
    delete key;
    // Forget a store nobody holds, so that the next open reads the file again.
    if (!folder.empty()) {
        const auto found = Stores().find(folder);
        if (found != Stores().end() && found->second.expired()) Stores().erase(found);
    }
    return result;
}
