#pragma once
// What the tests of the tuning loop's core build their rides from: a log
// parsed from text, a monitor item of a name and unit, and ready axes.
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "edit/OperatingCells.h"
#include "files/DatalogReader.h"
#include "model/DiagItem.h"

namespace ridefixtures {

inline Datalog Log(const char* text) {
    Datalog log;
    std::string error;
    EXPECT_TRUE(ParseDatalog(text, log, error)) << error;
    return log;
}

inline DiagItem Item(const char* name, const char* unit) {
    DiagItem item;
    item.name = name;
    item.unit = unit;
    return item;
}

inline OperatingAxes Axes(std::vector<float> throt, std::vector<std::vector<float>> rpm) {
    OperatingAxes axes;
    axes.status = AxesStatus::kReady;
    axes.throt = std::move(throt);
    axes.rpm = std::move(rpm);
    return axes;
}

}  // namespace ridefixtures
