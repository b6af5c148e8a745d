#include "uninstall/registry_script_removal.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "actions/registry_step.h"
#include "context/failure_list.h"
#include "format/text_encoding.h"
#include "registry_test_keys.h"

namespace vantrel {
namespace {

TEST(RegistryScriptRemoval, DeletesWhatTheModesSayAndOnlyEmptyKeys) {
    test::ScratchKey scratch(L"ScriptRemoval");
    const std::wstring k = scratch.InstructionPath();
    const std::wstring script = k + L"\\Empty\r\n" +          // empty: deleted
                                k + L"\\Full\r\n" +           // holds a value: kept
                                k + L"\\Parent\\Child\r\n" +  // deleted, and with it
                                k + L"\\Parent\r\n" +         // its parent, now empty
                                k + L",One,1,1,1\r\n" + k + L",Two,1,2,2\r\n" + k + L",Three,1,3,3\r\n" + k +
                                L",Four,1,4,4\r\n" + k + L",Five,1,5,5\r\n" + k + L",Six,1,6,6\r\n" + k +
                                L",Other,1,x,9\r\n" + k + L"\\Full,Kept,1,x,1\r\n" + k + L",Odd\r\n";
    FailureList failures;
    ApplyRegistryInstructions(script, RegistryStepAccess(false), nullptr, failures);
    // What the installation left, plus values the instructions never wrote but name.
    for (const wchar_t* name : {L"Two", L"Four", L"Five", L"Other"})
        test::WriteText(HKEY_CURRENT_USER, scratch.Path(), name, L"there");
    ASSERT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Parent\\Child"));

    RemoveRegistryScript(Utf16ToUtf8(script), false);

    for (const wchar_t* name : {L"Two", L"Three", L"Five"})
        EXPECT_FALSE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), name).present)
            << "mode of " << name;
    for (const wchar_t* name : {L"One", L"Four", L"Six", L"Other"})
        EXPECT_TRUE(test::ReadStoredValue(HKEY_CURRENT_USER, scratch.Path(), name).present)
            << "mode of " << name;
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Empty"));
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Full"));
    EXPECT_FALSE(test::KeyExists(HKEY_CURRENT_USER, scratch.Path() + L"\\Parent"));
}

TEST(RegistryScriptRemoval, AKeyRightBelowARootCountsARootAloneIsLeft) {
    // "\HKCU\X" holds two backslashes and goes when empty; "\HKCU" alone holds one.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"VantrelShortKey", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    RemoveRegistryScript("\\HKCU\r\n\\HKCU\\VantrelShortKey\r\n", false);
    const bool kept = test::KeyExists(HKEY_CURRENT_USER, L"VantrelShortKey");
    RegDeleteKeyW(HKEY_CURRENT_USER, L"VantrelShortKey");
    EXPECT_FALSE(kept);
    EXPECT_TRUE(test::KeyExists(HKEY_CURRENT_USER, L"Software"));
}

}  // namespace
}  // namespace vantrel
