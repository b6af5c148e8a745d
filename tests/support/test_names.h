#pragma once

#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>
#include <type_traits>

namespace vantrel::test {

// The one way parameterised suites name their cases, so that a failing case names itself in
// ctest's output and the names stay the same from build to build. A case is named by its
// `name` member, else by its Name() function, a number or flag by its value, anything else
// by its position. Characters a test name cannot hold become '_'.
struct CaseNameFunction {
    template <typename Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        std::string name;
        if constexpr (requires { std::string_view(info.param.name); }) {
            name = std::string(std::string_view(info.param.name));
        } else if constexpr (requires { std::string(info.param.Name()); }) {
            name = info.param.Name();
        } else if constexpr (std::is_same_v<Param, bool>) {
            name = info.param ? "True" : "False";
        } else if constexpr (std::is_arithmetic_v<Param>) {
            name = "Value" + std::to_string(info.param);
        } else {
            name = "Case" + std::to_string(info.index);
        }
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        }
        return name.empty() ? "Case" + std::to_string(info.index) : name;
    }
};

inline constexpr CaseNameFunction CaseName{};

}  // namespace vantrel::test
