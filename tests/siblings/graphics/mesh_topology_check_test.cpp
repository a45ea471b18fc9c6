#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "mesh_builders.h"
#include "qx/graphics/mesh.h"

namespace {

// A sound strip of two quads with one rule broken at a time: the report names the rule and the
// element it was broken on, and the plain check fails with it.
//
//   v0 ---- v1 ---- v2
//    |  f0   |  f1   |
//   v3 ---- v4 ---- v5
TEST(TopologyCheck, ReportNamesTheBrokenRuleAndTheElement) {
    // The corner of f0 along the side it shares with f1 (v4 -> v1), third in its ring.
    auto shared = [](CQxMesh& m) { return m.Faces().GetAt(0)->GetHalfEdgeAt(2); };
    auto foreign = [](CQxMesh& other) {
        auto* v = new CQxVertex(CQxVector(9, 9, 9));
        other.Vertices().PushBack(v);
        return v;
    };
    struct Case {
        std::string report;
        std::function<void(CQxMesh& mesh, CQxMesh& other)> breakIt;
        int indices = 1;
    };
    const Case cases[] = {
        {"sound", [](CQxMesh&, CQxMesh&) {}},
        {"face 0 corner 2: its mate's mate is not the half-edge itself",
         [&](CQxMesh& m, CQxMesh&) { shared(m)->Mate()->Mate() = nullptr; }},
        // Mates swapped onto the wrong sides: still mutual, but the sides run the same way.
        {"face 0 corner 2: its mate does not run the opposite way",
         [&](CQxMesh& m, CQxMesh&) {
             CQxHalfEdge *h = shared(m), *mate = h->Mate();
             mate->Mate() = nullptr;
             h->Mate() = mate->Next();
             mate->Next()->Mate() = h;
         }},
        {"vertex 2: Index is not its list position",
         [](CQxMesh& m, CQxMesh&) { m.Vertices().GetAt(2)->Index() = 7; }},
        {"sound", [](CQxMesh& m, CQxMesh&) { m.Vertices().GetAt(2)->Index() = 7; }, 0}, // only when asked
        {"face 1 corner 3: its vertex is not in this mesh",
         [&](CQxMesh& m, CQxMesh& o) { m.Faces().GetAt(1)->GetHalfEdgeAt(3)->SetVertex(foreign(o)); }},
        {"edge 0: second vertex is not in this mesh",
         [&](CQxMesh& m, CQxMesh& o) {
             m.Edges().PushBack(new CQxEdge(m.Vertices().Front(), foreign(o), 0));
         }},
        {"vertex 5: its half-edge does not start at it",
         [](CQxMesh& m, CQxMesh&) { m.Vertices().GetAt(5)->HalfEdge() = m.Faces().Front()->GetHalfEdge(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        CQxMesh other, mesh; // the mesh goes first, while vertices it borrowed still exist
        qxtest::BuildMesh(mesh, {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {1, 0, 1}, {2, 0, 1}},
                          {{0, 3, 4, 1}, {1, 4, 5, 2}});
        ASSERT_NE(shared(mesh)->Mate(), nullptr);
        c.breakIt(mesh, other);
        EXPECT_EQ(mesh.DiagnoseTopology(c.indices).GetText().GetStr(), c.report);
        EXPECT_EQ(mesh.CheckTopology(c.indices), c.report == "sound" ? 1 : 0);
    }
}

} // namespace
