#include "model/DiagValue.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>

TEST(StepDecimals, TheFewestDecimalsThatTellNeighboursApart) {
    constexpr double kInfinity = std::numeric_limits<double>::infinity();
    const std::pair<double, int> cases[] = {
        {0.05, 2},  {0.1, 1},   {1.0, 0},    {0.25, 2},        {0.001, 3},   {-0.05, 2},
        {50.0, 0},  {0.004, 3}, {1.0 / 3, 6}, {1e39, 0},        {1e-9, 6},
        // Nothing tells such values apart: the configured format stays.
        {0.0, -1},  {kInfinity, -1}, {-kInfinity, -1}, {std::nan(""), -1},
    };
    for (const auto& [step, decimals] : cases) EXPECT_EQ(StepDecimals(step), decimals) << step;
}
