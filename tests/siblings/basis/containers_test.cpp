#include "qx/basis/array.h"
#include "qx/basis/list.h"
#include "qx/basis/msg_box.h"
#include "qx/basis/ptr_array.h"
#include "qx/platform/message.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "message_recorder.h"

TEST(Array, GrowthAndRefusals) {
    // The capacity doubles from one.
    CQxArray<int> a;
    std::vector<unsigned int> seen;
    for (int i = 0; i < 5; ++i) seen.push_back(a.GetCapacity()), a.PushBack(i);
    seen.push_back(a.GetCapacity());
    EXPECT_EQ(seen, (std::vector<unsigned int>{0, 1, 2, 4, 4, 8}));

    EXPECT_EQ(a.SetAt(5, 9) + a.InsertAt(6, 9) + a.RemoveAt(5) + a.Remove(42), 0);
    EXPECT_EQ(a.Find(42), CQxArray<int>::NotFound);
    EXPECT_EQ(a, (CQxArray<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(a.InsertAt(5, a[0]), 1); // a value from inside the array itself
    a.Append(a);
    EXPECT_EQ(a, (CQxArray<int>{0, 1, 2, 3, 4, 0, 0, 1, 2, 3, 4, 0}));

    CQxArray<int> e;
    EXPECT_EQ(e.PopBack() + e.PopFront(), 0);
    EXPECT_EQ(e.Resize(3, 1, 4), 1);
    EXPECT_EQ(e.GetSize(), 3u);
    EXPECT_EQ(e.GetCapacity(), 12u);
    e[0] = 7;
    e.Resize(5);
    EXPECT_EQ(e[0], 7);
    e.Resize(2, 0);
    EXPECT_EQ(e, (CQxArray<int>{0, 0}));
}

namespace {
int g_Destroyed = 0;
struct Item {
    explicit Item(int v = 0) : Value(v) {}
    Item(const Item& other) : Value(other.Value) {}
    virtual ~Item() { ++g_Destroyed; }
    virtual int Kind() const { return 0; }
    int Value;
};
struct DerivedItem : Item {
    using Item::Item;
    int Kind() const override { return 1; }
};
} // namespace

TEST(PtrArray, OwnershipAndRefusals) {
    g_Destroyed = 0;
    {
        CQxPtrArray<Item> a;
        std::vector<unsigned int> seen;
        for (int i = 0; i < 5; ++i) seen.push_back(a.GetCapacity()), a.PushBack(new Item(i));
        seen.push_back(a.GetCapacity());
        EXPECT_EQ(seen, (std::vector<unsigned int>{0, 1, 2, 4, 4, 8}));

        Item outside(99);
        EXPECT_EQ(a.Remove(&outside) + a.Pop(&outside) + a.InsertAt(6, &outside) + a.SetAt(5, &outside), 0);
        EXPECT_EQ(a.Find(&outside), CQxPtrArray<Item>::NotFound);
        EXPECT_EQ(g_Destroyed, 0);

        Item* replaced = a[1];
        EXPECT_EQ(a.SetAt(1, new Item(10)), 1); // the old element is not deleted
        EXPECT_EQ(g_Destroyed, 0);
        delete replaced;
        Item* removed = a[2];
        EXPECT_EQ(a.Remove(removed), 1);
        EXPECT_EQ(g_Destroyed, 1);
        EXPECT_EQ(a.PushFront(removed), 1);
        EXPECT_EQ(a[0]->Value, 2);

        g_Destroyed = 0;
        EXPECT_EQ(a.Pop(a[1]) + a.PopBack() + a.PopFront(), 3); // the 0, the 4 and the 2
        EXPECT_EQ(a.PopAt(7), 0);
        EXPECT_EQ(g_Destroyed, 3);
        ASSERT_EQ(a.GetSize(), 2u);
        EXPECT_TRUE(a[0]->Value == 10 && a[1]->Value == 3);
        a.Reverse();
        EXPECT_EQ(a.Front()->Value, 3);

        // Copies are deep and made with Item's copy constructor.
        a.PushBack(new DerivedItem(5));
        CQxPtrArray<Item> b(a);
        ASSERT_EQ(b.GetSize(), 3u);
        EXPECT_NE(b[0], a[0]);
        EXPECT_EQ(b[0]->Value, 3);
        EXPECT_EQ(b[2]->Kind(), 0);
        g_Destroyed = 0;
        b = a; // the old copies go
        EXPECT_EQ(g_Destroyed, 3);

        a.Empty();
        EXPECT_EQ(g_Destroyed, 6);
        EXPECT_EQ(a.GetCapacity(), 8u);
        a.CleanUp();
        EXPECT_EQ(a.GetCapacity(), 0u);
        g_Destroyed = 0;
    }
    EXPECT_EQ(g_Destroyed, 4); // b's three elements and the stack item

    CQxPtrArray<Item> r;
    r.PushBack(new Item(1));
    EXPECT_EQ(r.Resize(3, 1, 2), 1);
    EXPECT_EQ(r.GetCapacity(), 6u);
    EXPECT_EQ(r[0]->Value, 1);
    EXPECT_EQ(r[2], nullptr);
    g_Destroyed = 0;
    EXPECT_EQ(r.Resize(2, 0), 1); // without keep the elements are deleted first
    EXPECT_EQ(g_Destroyed, 1);
    EXPECT_EQ(r[0], nullptr);
    r.Clear();
    EXPECT_EQ(r.GetCapacity(), 0u);
}

namespace {
int g_PoolNews = 0, g_PoolDeletes = 0;
struct Element : CQxListNode<Element> {
    explicit Element(int v = -1) : Value(v) {}
    virtual ~Element() = default;
    // A pooled element class brings its own allocation; the list must go through it.
    static void* operator new(std::size_t n) {
        ++g_PoolNews;
        return ::operator new(n);
    }
    static void operator delete(void* p) {
        ++g_PoolDeletes;
        ::operator delete(p);
    }
    int Value;
};
std::string Values(const CQxList<Element>& list) {
    std::string s;
    for (const Element& e : list) s += std::to_string(e.Value) + ":" + std::to_string(e.Index()) + " ";
    return s;
}
} // namespace

TEST(List, LinksIndicesAndOwnership) {
    Element a(1);
    a.Index() = 4;
    Element copy(a); // a fresh node
    EXPECT_EQ(copy.Index(), 0xFFFFFFFFu);
    EXPECT_EQ(copy.Next(), nullptr);

    g_PoolNews = g_PoolDeletes = 0;
    {
        CQxList<Element> list;
        EXPECT_EQ(list.GetHead()->Next(), list.GetHead());
        EXPECT_EQ(list.GetHead()->Prev(), list.GetHead());
        EXPECT_EQ(list.Front(), nullptr);
        for (int i = 0; i < 3; ++i) list.PushBack(new Element(10 + i));
        EXPECT_EQ(Values(list), "10:0 11:1 12:2 ");
        EXPECT_EQ(list.GetHead()->Next()->Value, 10); // oldest
        EXPECT_EQ(list.GetHead()->Prev()->Value, 12); // newest

        Element* middle = list.GetAt(1);
        EXPECT_EQ(middle->NextAt(1)->Value, 12);
        EXPECT_EQ(middle->PrevAt(1)->Value, 10);
        EXPECT_EQ(middle->NextAt(0), middle);
        Element other(5);
        other = *middle; // assignment leaves the links alone
        EXPECT_EQ(other.Next(), nullptr);
        EXPECT_EQ(middle->Next()->Value, 12);

        EXPECT_EQ(list.PushBack(middle), 0); // already linked
        EXPECT_EQ(list.Remove(list.GetHead()), 0);
        EXPECT_EQ(list.Remove(middle), 1);
        EXPECT_EQ(list.Remove(middle), 0);
        EXPECT_EQ(g_PoolDeletes, 0);
        EXPECT_EQ(list.InsertBefore(list.Front(), middle), 1);
        list.PushFront(new Element(9));
        list.InsertAfter(list.Back(), new Element(13));
        list.UpdateIndices();
        EXPECT_EQ(Values(list), "9:0 11:1 10:2 12:3 13:4 ");
        EXPECT_EQ(list.GetCount(), 5u);
        EXPECT_EQ(list.GetAt(3)->Value, 12);
        EXPECT_EQ(list.GetAt(5), nullptr);
        EXPECT_EQ(list.Find(middle), 1u);

        EXPECT_EQ(list.Pop(middle), 1);
        EXPECT_EQ(g_PoolDeletes, 1);
        EXPECT_EQ(list.PopBack(), 1);
        EXPECT_EQ(list.GetCount(), 3u);
        list.Clear();
        EXPECT_EQ(g_PoolDeletes, 5);
        EXPECT_TRUE(list.IsEmpty());
        EXPECT_EQ(list.PopFront(), 0);
        list.PushBack(new Element(1));
        EXPECT_EQ(list.Front()->Index(), 0u);
    }
    EXPECT_EQ(g_PoolNews, 6);
    EXPECT_EQ(g_PoolDeletes, 6);
}

TEST(List, SpliceMovesEveryElementInOrder) {
    CQxList<Element> a, b;
    for (int i = 0; i < 2; ++i) a.PushBack(new Element(i));
    for (int i = 2; i < 5; ++i) b.PushBack(new Element(i));
    a.Splice(a); // onto itself: nothing happens
    a.Splice(b);
    EXPECT_EQ(b.GetCount(), 0u);
    EXPECT_EQ(b.Front(), nullptr);
    EXPECT_EQ(b.GetHead()->Next(), b.GetHead());
    a.UpdateIndices();
    EXPECT_EQ(Values(a), "0:0 1:1 2:2 3:3 4:4 ");
    EXPECT_EQ(a.Back()->Next(), a.GetHead()); // the ends link to this list's sentinel
    EXPECT_EQ(a.GetAt(4)->PrevAt(4), a.Front());
    CQxList<Element> empty;
    empty.Splice(a); // into an empty list
    EXPECT_EQ(empty.GetCount(), 5u);
    EXPECT_EQ(empty.Front()->Prev(), empty.GetHead());
    b.PushBack(new Element(7)); // the emptied list works as new
    EXPECT_EQ(b.Front()->Index(), 0u);
}

TEST(MsgBox, HandsEverythingToTheHandler) {
    QxMessageRecorder boxes(IDNO);
    EXPECT_EQ(QxMsgBox("ファイルが空です.", "読み込み失敗", MB_YESNO | MB_ICONQUESTION, nullptr), IDNO);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].Text, "ファイルが空です.");
    EXPECT_EQ(boxes.Boxes()[0].Caption, "読み込み失敗");
    EXPECT_EQ(boxes.Boxes()[0].Flags, unsigned{MB_YESNO | MB_ICONQUESTION});
}
