#pragma once

#include <gtest/gtest.h>

#include "qx/graphics/mesh.h"

// EXPECT_TRUE(QxTopologyIsSound(mesh)) fails with the rule that broke and the element it broke
// on, for instance "topology: face 3 corner 1: its mate's mate is not the half-edge itself".
inline ::testing::AssertionResult QxTopologyIsSound(const CQxMesh& mesh, int indices = 1) {
    const CQxTopologyReport report = mesh.DiagnoseTopology(indices);
    if (report.IsSound()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "topology: " << report.GetText().GetStr();
}
