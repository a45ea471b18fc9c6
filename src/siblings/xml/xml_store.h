#pragma once

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "qx/xml/xml_element.h"

// Nodes of one kind, allocated in blocks that grow geometrically, so reading a document costs a
// few large allocations instead of one per node. Nodes are destroyed together by Clear, in a flat
// loop: no recursion however deep the tree is.
template <class T>
class CQxXmlPool {
public:
    CQxXmlPool() = default;
    CQxXmlPool(const CQxXmlPool&) = delete;
    CQxXmlPool& operator=(const CQxXmlPool&) = delete;
    ~CQxXmlPool() { Clear(); }

    template <class... Args>
    T* New(Args&&... args) {
        if (Blocks.empty() || Blocks.back().Used == Blocks.back().Capacity) AddBlock();
        Block& b = Blocks.back();
        T* node = new (b.Items + b.Used) T(std::forward<Args>(args)...);
        ++b.Used;
        return node;
    }

    void Clear() {
        for (Block& b : Blocks) {
            for (std::size_t i = 0; i < b.Used; ++i) b.Items[i].~T();
            std::allocator<T>().deallocate(b.Items, b.Capacity);
        }
        Blocks.clear();
    }

private:
    struct Block {
        T* Items;
        std::size_t Used;
        std::size_t Capacity;
    };
    static constexpr std::size_t kFirstBlock = 16;
    static constexpr std::size_t kLargestBlock = 4096;

    void AddBlock() {
        std::size_t capacity = Blocks.empty() ? kFirstBlock : Blocks.back().Capacity * 2;
        if (capacity > kLargestBlock) capacity = kLargestBlock;
        Blocks.reserve(Blocks.size() + 1); // so the push below cannot throw after allocating
        Blocks.push_back(Block{std::allocator<T>().allocate(capacity), 0, capacity});
    }

    std::vector<Block> Blocks;
};

// Zero-terminated names, bump-allocated in blocks and freed together.
class CQxXmlNameStore {
public:
    const char* Add(const char* name, std::size_t length) {
        if (length + 1 > Left) {
            std::size_t size = length + 1 > kBlock ? length + 1 : kBlock;
            Blocks.push_back(std::make_unique<char[]>(size));
            Next = Blocks.back().get();
            Left = size;
        }
        char* copy = Next;
        std::memcpy(copy, name, length);
        copy[length] = 0;
        Next += length + 1;
        Left -= length + 1;
        return copy;
    }
    const char* Add(const char* name) { return name ? Add(name, std::strlen(name)) : Add("", 0); }
    void Clear() {
        Blocks.clear();
        Next = nullptr;
        Left = 0;
    }

private:
    static constexpr std::size_t kBlock = 16384;
    std::vector<std::unique_ptr<char[]>> Blocks;
    char* Next = nullptr;
    std::size_t Left = 0;
};

// Everything a document owns: its document node, the node pools, the names and the last error.
struct CQxXmlStore {
    CQxXmlStore() : Root(this, nullptr, QX_XML_NODE_DOCUMENT, "") {}
    ~CQxXmlStore() { Clear(); }

    CQxXmlElement* NewElement(CQxXmlElement* parent, QX_XML_NODE_TYPE nodeType, const char* name) {
        return Elements.New(this, parent, nodeType, name);
    }
    CQxXmlAttribute* NewAttribute(const char* name) { return Attributes.New(name); }

    void Clear() {
        Root.Children.Clear();
        Root.Attributes.Clear();
        Root.Content.Empty();
        Root.Type = 0;
        Elements.Clear();
        Attributes.Clear();
        Names.Clear();
    }

    void SetError(const char* text, unsigned int line = 0, unsigned int column = 0) {
        ErrorText = text;
        ErrorLine = line;
        ErrorColumn = column;
    }
    void ClearError() { SetError(""); }

    CQxXmlElement Root;
    CQxXmlPool<CQxXmlElement> Elements;
    CQxXmlPool<CQxXmlAttribute> Attributes;
    CQxXmlNameStore Names;
    std::string ErrorText;
    unsigned int ErrorLine = 0;
    unsigned int ErrorColumn = 0;
};
