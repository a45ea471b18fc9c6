#include "qx/scene/tree_node.h"

#include <gtest/gtest.h>

#include <string>

namespace {
int g_Deleted = 0;

// A node whose copy constructor copies through the tree node, so copies go all the way down.
struct Node : CQxTreeNode<Node> {
    explicit Node(int id = -1) : Id(id) {}
    Node(const Node& other) = default;
    Node& operator=(const Node& other) = default;
    virtual ~Node() { ++g_Deleted; }
    int Id;
};

// A node whose copy constructor starts without children, as scene objects do.
struct Flat : CQxTreeNode<Flat> {
    explicit Flat(int id = -1) : Id(id) {}
    Flat(const Flat& other) : CQxTreeNode<Flat>(), Id(other.Id) {}
    virtual ~Flat() = default;
    int Id;
};

template <class N>
N* Add(N* parent, int id) {
    N* n = new N(id);
    parent->PushChild(n);
    return n;
}

// root(0) { a(1) { a0(2) { a00(3) }, a1(4) }, b(5), c(6) { c0(7) } }: ids are the pre-order.
struct Tree {
    Tree() {
        a = Add(&root, 1);
        a0 = Add(a, 2);
        a00 = Add(a0, 3);
        a1 = Add(a, 4);
        b = Add(&root, 5);
        c = Add(&root, 6);
        c0 = Add(c, 7);
    }
    Node root{0};
    Node *a, *a0, *a00, *a1, *b, *c, *c0;
};

template <class It>
std::string Walk(It it) {
    std::string s;
    for (; !it.IsEnd(); ++it) s += std::to_string(it->Id);
    return s;
}

std::string Path(const CQxArray<unsigned int>& path) {
    std::string s;
    for (unsigned int i : path) s += std::to_string(i);
    return s;
}
} // namespace

TEST(TreeNode, Queries) {
    Tree t;
    EXPECT_EQ(t.a00->GetRoot(), &t.root);
    EXPECT_EQ(t.root.GetTop(), nullptr);
    EXPECT_EQ(t.b->GetTop(), t.b);
    EXPECT_EQ(t.a00->GetTop(), t.a);

    EXPECT_EQ(t.root.GetChildIndex(t.a0), 0xFFFFFFFFu);
    EXPECT_EQ(t.b->GetLastChild(), nullptr);
    EXPECT_TRUE(t.root.IsFirstChild() && t.root.IsLastChild());
    EXPECT_TRUE(t.a->IsFirstChild() && !t.a->IsLastChild());
    EXPECT_TRUE(t.c->IsLastChild() && !t.b->IsFirstChild());

    EXPECT_EQ(t.a->Find(static_cast<Node*>(nullptr)), 0);
    EXPECT_EQ(t.a->Find(t.a) + t.a->Find(t.a00), 2);
    EXPECT_EQ(t.a->Find(t.c0) + t.a->Find(&t.root), 0);
    EXPECT_EQ(t.a->Find(CQxArray<unsigned int>{}), t.a);
    EXPECT_EQ(t.root.Find(CQxArray<unsigned int>{0, 0, 0}), t.a00);
    EXPECT_EQ(t.root.Find(CQxArray<unsigned int>{1, 0}), nullptr);

    EXPECT_TRUE(t.a00->FindAncestor(&t.root));
    EXPECT_FALSE(t.a00->FindAncestor(t.a00));
    EXPECT_FALSE(t.a00->FindAncestor(t.b));
    EXPECT_EQ(t.a00->FindToAncestor(t.a, t.a0), 1);
    EXPECT_EQ(t.a00->FindToAncestor(t.a, t.a00), 1);
    EXPECT_EQ(t.a00->FindToAncestor(t.a, t.a), 1);
    EXPECT_EQ(t.a00->FindToAncestor(t.a0, &t.root), 0); // the stop comes first
    EXPECT_EQ(t.a00->FindToAncestor(nullptr, &t.root), 1);
    EXPECT_EQ(t.a00->FindToAncestor(nullptr, nullptr), 0);
    EXPECT_EQ(t.a00->FindToAncestor(nullptr, t.b), 0);

    EXPECT_FALSE(t.root.HasSelect(1));
    t.a00->IsSelect() = 1;
    EXPECT_FALSE(t.root.HasSelect(0));
    EXPECT_TRUE(t.root.HasSelect(1));
    EXPECT_TRUE(t.a->HasChildSelect(1) && t.a0->HasChildSelect(0));
    EXPECT_FALSE(t.a->HasChildSelect(0) || t.c->HasSelect(1));

    CQxArray<Node*> nodes;
    t.a00->GetNodesToRoot(nodes);
    EXPECT_EQ(nodes, (CQxArray<Node*>{t.a00, t.a0, t.a, &t.root}));
    nodes.Empty();
    t.a->GetNodesToLeaf(nodes);
    EXPECT_EQ(nodes, (CQxArray<Node*>{t.a, t.a0, t.a00, t.a1}));
    CQxArray<unsigned int> path{9};
    t.c0->GetIndices(path); // appends
    EXPECT_EQ(Path(path), "920");
}

TEST(TreeNode, ChangesKeepPathsAndOwnership) {
    g_Deleted = 0;
    {
        Tree t;
        Node* d = new Node(8);
        EXPECT_EQ(t.b->InsertChild(1, d), 0); // beyond the count
        EXPECT_EQ(d->GetParent(), nullptr);
        EXPECT_EQ(t.b->InsertChild(0, d), 1); // the count itself appends
        EXPECT_EQ(d->GetParent(), t.b);

        Node* e = new Node(9);
        EXPECT_EQ(t.root.Insert(CQxArray<unsigned int>{}, e), 0);
        EXPECT_EQ(t.root.Insert(CQxArray<unsigned int>{0, 5}, e), 0);
        EXPECT_EQ(t.root.Insert(CQxArray<unsigned int>{0, 1}, e), 1);
        EXPECT_EQ(t.a->GetChild(1), e);
        EXPECT_EQ(t.a->GetChild(2), t.a1);

        EXPECT_EQ(t.a->ShiftUpChildPos() + t.c->ShiftDownChildPos(), 0);
        EXPECT_EQ(t.root.ShiftUpChildPos() + t.root.ShiftDownChildPos(), 0);
        EXPECT_EQ(Walk(t.root.Begin()), "0123945867");
        EXPECT_EQ(t.b->ShiftUpChildPos(), 1);
        EXPECT_EQ(t.a->ShiftDownChildPos(), 1);
        EXPECT_EQ(Walk(t.root.Begin()), "0586712394");

        t.root.UpdateIndices(1);
        EXPECT_TRUE(t.root.Indices().IsEmpty());
        for (auto it = t.root.Begin(); it; ++it) {
            CQxArray<unsigned int> computed;
            it->GetIndices(computed);
            EXPECT_EQ(it->Indices(), computed);
            EXPECT_EQ(it->Indices(), it.GetPositions());
            EXPECT_EQ(t.root.Find(it->Indices()), it.Get());
        }
        EXPECT_EQ(Path(t.a1->Indices()), "22");
        t.a->ShiftUpChildPos(); // the cache stays stale until it is updated
        EXPECT_EQ(Path(t.a1->Indices()), "22");
        t.a1->UpdateIndices(0);
        EXPECT_EQ(Path(t.a1->Indices()), "12");

        // RemoveChild keeps the node alive; PopChild deletes the whole subtree.
        EXPECT_EQ(t.root.RemoveChild(t.c), 1);
        EXPECT_EQ(t.c->GetParent(), &t.root);
        EXPECT_EQ(t.root.Find(t.c0), 0);
        EXPECT_EQ(g_Deleted, 0);
        EXPECT_EQ(t.root.RemoveChild(t.c), 0);
        EXPECT_EQ(t.root.PopChild(t.c), 0);
        EXPECT_EQ(g_Deleted, 0);
        delete t.c;
        EXPECT_EQ(g_Deleted, 2);
        EXPECT_EQ(t.a->PopChild(t.a0), 1); // a0 and a00
        EXPECT_EQ(g_Deleted, 4);
        EXPECT_EQ(t.a->PopLastChild(), 1);
        EXPECT_EQ(g_Deleted, 5);
        t.b->ClearChildren();
        EXPECT_EQ(g_Deleted, 6);
        EXPECT_EQ(t.b->PopLastChild(), 0);
        EXPECT_EQ(Walk(t.root.Begin()), "0519");
    }
    EXPECT_EQ(g_Deleted, 10); // the root, b, a and e
}

TEST(TreeNode, IteratorsStayInsideTheSubtree) {
    Tree t;
    EXPECT_EQ(Walk(t.root.Begin()), "01234567");
    EXPECT_EQ(Walk(t.a->Begin()), "1234");
    EXPECT_EQ(Walk(t.a0->Begin()), "23");
    EXPECT_EQ(Walk(t.a1->Begin()), "4");
    EXPECT_EQ(Walk(t.root.RevBegin()), "76543210");
    EXPECT_EQ(Walk(t.a->RevBegin()), "4321");
    EXPECT_EQ(Walk(t.c->RevBegin()), "76");
    EXPECT_EQ(Walk(t.b->RevBegin()), "5");
    EXPECT_EQ(t.a->RevBegin().Get(), t.a1);
    EXPECT_EQ(Path(t.root.RevBegin().GetPositions()), "20");
    EXPECT_TRUE(Node::Iterator(nullptr).IsEnd());
    auto it = t.a0->Begin();
    EXPECT_EQ((it++).Get(), t.a0);
    EXPECT_EQ(it, t.a00);
    EXPECT_EQ(++it, Node::End());
}

TEST(TreeNode, CopiesFollowTheChildCopyConstructor) {
    g_Deleted = 0;
    {
        Tree t;
        t.a->Index() = 42;
        t.a->IsSelect() = 1;
        t.a->UpdateIndices(0);
        Node copy(*t.a);
        EXPECT_EQ(copy.GetParent(), &t.root); // the Parent pointer is copied as it is
        EXPECT_EQ(copy.Index(), 42u);
        EXPECT_EQ(copy.IsSelect(), 1);
        EXPECT_EQ(Path(copy.Indices()), "0");
        ASSERT_EQ(copy.GetChildCount(), 2u);
        EXPECT_NE(copy.GetChild(0), t.a0);
        EXPECT_EQ(copy.GetChild(0)->GetChild(0)->Id, 3);
        EXPECT_EQ(copy.GetChild(0)->GetParent(), t.a); // not re-pointed by the copy

        copy = *t.c; // the old children go
        EXPECT_EQ(g_Deleted, 3);
        EXPECT_EQ(copy.GetChild(0)->Id, 7);
        // From its own child, which the assignment deletes.
        static_cast<CQxTreeNode<Node>&>(copy) = *copy.GetChild(0);
        EXPECT_EQ(copy.Id, 6); // the tree part alone is assigned
        EXPECT_TRUE(copy.IsChildEmpty());
        EXPECT_EQ(g_Deleted, 4);
        g_Deleted = 0;
    }
    EXPECT_EQ(g_Deleted, 9); // the eight tree nodes and the copy

    // With a child copy constructor that starts empty only one level is copied.
    Flat root(0);
    Flat* child = Add(&root, 1);
    Add(child, 2);
    Flat copy(5);
    static_cast<CQxTreeNode<Flat>&>(copy) = root;
    ASSERT_EQ(copy.GetChildCount(), 1u);
    EXPECT_EQ(copy.GetChild(0)->Id, 1);
    EXPECT_TRUE(copy.GetChild(0)->IsChildEmpty());
    EXPECT_EQ(copy.Id, 5);
}
