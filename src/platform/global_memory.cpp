#include "qx/platform/global_memory.h"

#include "platform_internal.h"

#include <memory>
#include <new>
#include <unordered_map>

using namespace QxWin;

namespace {

struct Block {
    std::unique_ptr<unsigned char[]> Data;
    SIZE_T Size = 0;
    int Locks = 0;
    int Owned = 0; // held by the clipboard
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
        block->Data.reset(new (std::nothrow) unsigned char[bytes]());
        if (!block->Data) return nullptr;
    }
    block->Size = bytes;
    const HGLOBAL handle = block.get();
    Blocks().emplace(handle, std::move(block));
    return handle;
}

void* QxWin::GlobalLock(HGLOBAL handle) {
    Block* block = Find(handle);
    if (!block || block->Size == 0) return nullptr;
    ++block->Locks;
    return block->Data.get();
}

BOOL QxWin::GlobalUnlock(HGLOBAL handle) {
    Block* block = Find(handle);
    if (!block || block->Locks == 0) return 0;
    return --block->Locks > 0;
}

SIZE_T QxWin::GlobalSize(HGLOBAL handle) {
    const Block* block = Find(handle);
    return block ? block->Size : 0;
}

UINT QxWin::GlobalFlags(HGLOBAL handle) {
    const Block* block = Find(handle);
    if (!block) return GMEM_INVALID_HANDLE;
    UINT flags = static_cast<UINT>(block->Locks < 0xFF ? block->Locks : 0xFF);
    if (block->Size == 0) flags |= GMEM_DISCARDED;
    return flags;
}

HGLOBAL QxWin::GlobalFree(HGLOBAL handle) {
    const Block* block = Find(handle);
    if (!block || block->Owned) return handle;
    Blocks().erase(handle);
    return nullptr;
}

int QxGetGlobalBlockCount() {
    return static_cast<int>(Blocks().size());
}

int QxGlobalSetOwned(HGLOBAL handle, int owned) {
    Block* block = Find(handle);
    if (!block) return 0;
    block->Owned = owned;
    return 1;
}

int QxGlobalIsOwned(HGLOBAL handle) {
    const Block* block = Find(handle);
    return block && block->Owned;
}

int QxGlobalFreeOwned(HGLOBAL handle) {
    if (!Find(handle)) return 0;
    Blocks().erase(handle);
    return 1;
}
