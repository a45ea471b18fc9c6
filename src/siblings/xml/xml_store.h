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
        if (m_Blocks.empty() || m_Blocks.back().Used == m_Blocks.back().Capacity) AddBlock();
        Block& b = m_Blocks.back();
        T* node = new (b.Items + b.Used) T(std::forward<Args>(args)...);
        ++b.Used;
        return node;
    }

    void Clear() {
        for (Block& b : m_Blocks) {
            for (std::size_t i = 0; i < b.Used; ++i) b.Items[i].~T();
            std::allocator<T>().deallocate(b.Items, b.Capacity);
        }
        m_Blocks.clear();
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
        std::size_t capacity = m_Blocks.empty() ? kFirstBlock : m_Blocks.back().Capacity * 2;
        if (capacity > kLargestBlock) capacity = kLargestBlock;
        m_Blocks.reserve(m_Blocks.size() + 1); // so the push below cannot throw after allocating
        m_Blocks.push_back(Block{std::allocator<T>().allocate(capacity), 0, capacity});
    }

    std::vector<Block> m_Blocks;
};

// Zero-terminated names, bump-allocated in blocks and freed together.
class CQxXmlNameStore {
public:
    const char* Add(const char* name, std::size_t length) {
        if (length + 1 > m_Left) {
            std::size_t size = length + 1 > kBlock ? length + 1 : kBlock;
            m_Blocks.push_back(std::make_unique<char[]>(size));
            m_Next = m_Blocks.back().get();
            m_Left = size;
        }
        char* copy = m_Next;
        std::memcpy(copy, name, length);
        copy[length] = 0;
        m_Next += length + 1;
        m_Left -= length + 1;
        return copy;
    }
    const char* Add(const char* name) { return name ? Add(name, std::strlen(name)) : Add("", 0); }
    void Clear() {
        m_Blocks.clear();
        m_Next = nullptr;
        m_Left = 0;
    }

private:
    static constexpr std::size_t kBlock = 16384;
    std::vector<std::unique_ptr<char[]>> m_Blocks;
    char* m_Next = nullptr;
    std::size_t m_Left = 0;
};

// Everything a document owns: its document node, the node pools, the names and the last error.
struct CQxXmlStore {
    CQxXmlStore() : m_Root(this, nullptr, QX_XML_NODE_DOCUMENT, "") {}
    ~CQxXmlStore() { Clear(); }

    CQxXmlElement* NewElement(CQxXmlElement* parent, QX_XML_NODE_TYPE nodeType, const char* name) {
        return m_Elements.New(this, parent, nodeType, name);
    }
    CQxXmlAttribute* NewAttribute(const char* name) { return m_Attributes.New(name); }

    void Clear() {
        m_Root.m_Children.Clear();
        m_Root.m_Attributes.Clear();
        m_Root.m_Content.Empty();
        m_Root.m_Type = 0;
        m_Elements.Clear();
        m_Attributes.Clear();
        m_Names.Clear();
    }

    void SetError(const char* text, unsigned int line = 0, unsigned int column = 0) {
        m_ErrorText = text;
        m_ErrorLine = line;
        m_ErrorColumn = column;
    }
    void ClearError() { SetError(""); }

    CQxXmlElement m_Root;
    CQxXmlPool<CQxXmlElement> m_Elements;
    CQxXmlPool<CQxXmlAttribute> m_Attributes;
    CQxXmlNameStore m_Names;
    std::string m_ErrorText;
    unsigned int m_ErrorLine = 0;
    unsigned int m_ErrorColumn = 0;
};
