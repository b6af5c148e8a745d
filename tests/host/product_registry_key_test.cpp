#include "format/product_registry_key.h"

#include <gtest/gtest.h>

#include "support/test_names.h"

namespace vantrel {
namespace {

struct KeyCase {
    const char* name;
    const wchar_t* key;
    bool removable;
};

class ProductRegistryKeyTest : public testing::TestWithParam<KeyCase> {};

TEST_P(ProductRegistryKeyTest, RefusesSharedOrClimbingKeys) {
    EXPECT_EQ(IsRemovableProductRegistryKey(GetParam().key), GetParam().removable);
}

const KeyCase kKeyCases[] = {
    {"CompanyAndProduct", L"Example\\Demo", true},
    {"SingleOwnKey", L"DemoProduct", true},
    {"MakerBelowMicrosoft", L"Microsoft\\DemoTool", true},
    {"Empty", L"", false},
    {"Blank", L"  ", false},
    {"Microsoft", L"Microsoft", false},
    {"MicrosoftOtherCase", L"MICROSOFT", false},
    {"Classes", L"Classes", false},
    {"BelowClasses", L"Classes\\CLSID", false},
    {"Policies", L"Policies", false},
    {"Wow6432Node", L"Wow6432Node", false},
    {"BelowWow6432Node", L"WOW6432Node\\Example", false},
    {"Clients", L"Clients", false},
    {"RegisteredApplications", L"RegisteredApplications", false},
    {"DotDot", L"Example\\..\\Microsoft", false},
    {"LeadingDotDot", L"..", false},
    {"SingleDot", L"Example\\.", false},
    {"EmptyComponent", L"Example\\\\Demo", false},
    {"TrailingBackslash", L"Example\\", false},
    {"LeadingBackslash", L"\\Example", false},
    {"ForwardSlashClimb", L"Example/../Classes", false},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProductRegistryKeyTest, testing::ValuesIn(kKeyCases), test::CaseName);

}  // namespace
}  // namespace vantrel
