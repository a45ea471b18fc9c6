#include "qx/basis/bin_tree.h"
#include "qx/basis/key_tree.h"
#include "qx/basis/string.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {
using Path = CQxArray<unsigned int>;

// Every node: parent link right, keys in order around it, heights within one of each other.
template <class N, class Less>
int CheckNode(const N* n, const N* parent, Less less) {
    if (!n) return 0;
    EXPECT_EQ(n->Parent, parent);
    EXPECT_TRUE(!n->Left || less(n->Left->Key, n->Key));
    EXPECT_TRUE(!n->Right || less(n->Key, n->Right->Key));
    int l = CheckNode(n->Left, n, less), r = CheckNode(n->Right, n, less);
    EXPECT_LE(std::abs(l - r), 1);
    return std::max(l, r) + 1;
}
} // namespace

TEST(BinTree, IndexPathKeysOrderLikeAPreOrderWalk) {
    CQxBinTree<Path, int> map;
    // Each value is its key's place in a pre-order walk of the object tree.
    const std::pair<Path, int> keys[] = {{{0, 1}, 3}, {{}, 0},        {{1}, 5},
                                         {{0}, 1},    {{0, 0, 7}, 2}, {{0, 2}, 4}};
    for (const auto& [path, value] : keys) EXPECT_EQ(map.Insert(path, value), 1) << value;
    EXPECT_EQ(map.Insert(Path{0}, 99), 0); // already there: unchanged
    EXPECT_EQ(map.Insert(Path{}, 99), 0);  // two empty paths are the same key
    EXPECT_EQ(map.GetCount(), 6u);
    int expected = 0;
    for (auto& node : map) EXPECT_EQ(node.Value, expected++);
    EXPECT_EQ(*map.Find(Path{0}), 1);
    EXPECT_EQ(map.Find(Path{0, 0}), nullptr);
    EXPECT_EQ(map.LowerBound(Path{0, 0})->Value, 2);
    EXPECT_EQ(map.UpperBound(Path{0, 2}), map.FindNode(Path{1}));

    int* kept = map.Find(Path{1});
    EXPECT_EQ(map.Erase(Path{0}), 1);
    EXPECT_EQ(map.Erase(Path{0}), 0);
    EXPECT_EQ(kept, map.Find(Path{1})); // values do not move when others go
    map.Set(Path{1}, 50);
    EXPECT_EQ(*kept, 50);
    int taken = 0;
    EXPECT_EQ(map.Extract(Path{0, 2}, taken), 1);
    EXPECT_EQ(taken, 4);
    std::vector<int> left;
    for (const auto& node : map) left.push_back(node.Value);
    EXPECT_EQ(left, (std::vector<int>{0, 2, 3, 50}));
    auto last = map.end();
    --last;
    EXPECT_EQ(last->Value, 50);
}

TEST(BinTree, StaysOrderedAndBalancedUnderRandomEdits) {
    enum Channel { QX_A = 3, QX_B = 1 };
    std::mt19937 random(7);
    CQxBinTree<unsigned int, unsigned int> map;
    std::map<unsigned int, unsigned int> oracle;
    for (int step = 0; step < 20000; ++step) {
        unsigned int key = random() % 2000;
        if (random() % 3 == 0) {
            EXPECT_EQ(map.Erase(key), static_cast<int>(oracle.erase(key)));
        } else {
            EXPECT_EQ(map.Insert(key, step), static_cast<int>(oracle.emplace(key, step).second));
        }
    }
    ASSERT_EQ(map.GetCount(), oracle.size());
    auto it = oracle.begin();
    for (auto& node : map) {
        ASSERT_EQ(node.Key, it->first);
        ASSERT_EQ(node.Value, it->second);
        ++it;
    }
    CheckNode(map.GetRoot(), static_cast<decltype(map.GetRoot())>(nullptr), CQxKeyLess<unsigned int>());
    // Erasing while iterating keeps the walk going in order.
    for (auto i = map.begin(); i != map.end();) i = (i->Key % 2) ? map.Erase(i) : std::next(i);
    for (auto& node : map) EXPECT_EQ(node.Key % 2, 0u) << "key " << node.Key;
    CheckNode(map.GetRoot(), static_cast<decltype(map.GetRoot())>(nullptr), CQxKeyLess<unsigned int>());

    CQxBinTree<Channel, int> channels;
    channels[QX_A] = 1;
    channels[QX_B] = 2;
    EXPECT_EQ(channels.First()->Key, QX_B);

    int objects[3];
    CQxBinTree<int*, CQxString> names;
    names.Insert(&objects[2], "c");
    names.Insert(&objects[0], "a");
    names.Insert(&objects[1], "b");
    CQxString joined;
    for (auto& node : names) joined += node.Value;
    EXPECT_EQ(joined, "abc");
}

TEST(BinTree, NestedMapsCopyAndMoveDeeply) {
    using Inner = CQxBinTree<unsigned int, CQxString>;
    CQxBinTree<Path, Inner> outer;
    outer[Path{0, 1}][3] = "x";
    outer[Path{0, 1}][1] = "y";
    outer[Path{0}][2] = "z";
    CQxBinTree<Path, Inner> copy(outer);
    outer[Path{0, 1}][1] = "changed";
    EXPECT_EQ(*copy.Find(Path{0, 1})->Find(1), "y");
    EXPECT_EQ(copy.First()->Value.First()->Value, "z");

    Inner moved;
    EXPECT_EQ(outer.Extract(Path{0, 1}, moved), 1);
    EXPECT_EQ(moved.GetCount(), 2u);
    EXPECT_EQ(outer.GetCount(), 1u);
    copy = std::move(outer);
    EXPECT_EQ(copy.GetCount(), 1u);
    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty());
}

TEST(KeyTree, HoldsEachKeyOnceInOrder) {
    CQxKeyTree<float> frames;
    for (float f : {10.0f, 0.0f, 5.0f, 10.0f, 2.5f, 0.0f}) frames.Insert(f);
    EXPECT_EQ(frames.GetCount(), 4u);
    CQxArray<float> keys;
    frames.GetKeys(keys);
    EXPECT_EQ(keys, (CQxArray<float>{0.0f, 2.5f, 5.0f, 10.0f}));
    EXPECT_EQ(*frames.UpperBound(2.5f), 5.0f);
    EXPECT_EQ(*frames.LowerBound(2.5f), 2.5f);
    EXPECT_EQ(frames.UpperBound(10.0f), nullptr);
    EXPECT_EQ(frames.Erase(5.0f), 1);
    EXPECT_EQ(frames.Erase(5.0f), 0);
    CQxKeyTree<float> copy(frames);
    frames.Clear();
    EXPECT_EQ(*copy.Last(), 10.0f);
    EXPECT_EQ(copy.GetCount(), 3u);
}
