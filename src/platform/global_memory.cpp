#include "qx/platform/global_memory.h"

#include "platform_internal.h"

#include <memory>
#include <new>
#include <unordered_map>

using namespace QxWin;

namespace {

struct Block {
    std::unique_ptr<unsigned char[]> data;
    SIZE_T size = 0;
    int locks = 0;
    int owned = 0; // held by the clipboard
};

// Keyed by handle; the handle is the address of its Block, which never moves.
std::unordered_map<const void*, std::unique_ptr<Block>>& Blocks() {
    static std::unordered_map<const void*, std::unique_ptr<Block>> blocks;
    return blocks;
}

Block* Find(HGLOBAL handle) {
    if (!handle) return nullptr;
    const auto found = Blocks().find(handle);
    return found == Blocks().end() ? nullptr : found->second.get();
}

} // namespace

HGLOBAL QxWin::GlobalAlloc(UINT /*flags*/, SIZE_T bytes) {
    if (bytes > QX_GLOBAL_MAX_SIZE) return nullptr;
    auto block = std::make_unique<Block>();
    if (bytes) {
        block->data.reset(new (std::nothrow) unsigned char[bytes]());
        if (!block->data) return nullptr;
    }
    block->size = bytes;
    const HGLOBAL handle = block.get();
    Blocks().emplace(handle, std::move(block));
    return handle;
}

void* QxWin::GlobalLock(HGLOBAL handle) {
    Block* block = Find(handle);
    if (!block || block->size == 0) return nullptr;
    ++block->locks;
    return block->data.get();
}

BOOL QxWin::GlobalUnlock(HGLOBAL handle) {
    Block* block = Find(handle);
    if (!block || block->locks == 0) return 0;
    return --block->locks > 0;
}

SIZE_T QxWin::GlobalSize(HGLOBAL handle) {
    const Block* block = Find(handle);
    return block ? block->size : 0;
}

UINT QxWin::GlobalFlags(HGLOBAL handle) {
    const Block* block = Find(handle);
    if (!block) return GMEM_INVALID_HANDLE;
    UINT flags = static_cast<UINT>(block->locks < 0xFF ? block->locks : 0xFF);
    if (block->size == 0) flags |= GMEM_DISCARDED;
    return flags;
}

HGLOBAL QxWin::GlobalFree(HGLOBAL handle) {
    const Block* block = Find(handle);
    if (!block || block->owned) return handle;
    Blocks().erase(handle);
    return nullptr;
}

int QxGetGlobalBlockCount() {
    return static_cast<int>(Blocks().size());
}

int QxGlobalSetOwned(HGLOBAL handle, int owned) {
    Block* block = Find(handle);
    if (!block) return 0;
    block->owned = owned;
    return 1;
}

int QxGlobalIsOwned(HGLOBAL handle) {
    const Block* block = Find(handle);
    return block && block->owned;
}

int QxGlobalFreeOwned(HGLOBAL handle) {
    if (!Find(handle)) return 0;
    Blocks().erase(handle);
    return 1;
}
