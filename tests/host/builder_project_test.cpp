#include <gtest/gtest.h>

#include <functional>

#include "builder/default_messages.h"
#include "builder/project.h"
#include "builder_test_support.h"
#include "format/file_time.h"
#include "support/test_names.h"

namespace vantrel::builder {
namespace {

using test::HostTempFolder;

constexpr char kHeader[] = "[product]\nname = \"Demo\"\n";

Project Parse(const HostTempFolder& folder, const std::string& text) {
    return ParseProject(text, "project.toml", folder.Path());
}

struct GoodCase {
    const char* name;
    const char* text;  // appended to kHeader
    std::function<void(const Project&)> check;
};

class ProjectGood : public testing::TestWithParam<GoodCase> {};

TEST_P(ProjectGood, MapsOntoSettings) {
    HostTempFolder folder;
    folder.Write("app/main.exe", "MZ program");
    folder.Write("app/data/a.dat", "aaaa");
    folder.Write("app/data/sub/b.dat", "bb");
    folder.Write("licence.txt", "\xEF\xBB\xBFLicence \xC3\xA9");
    folder.Write("pic.bmp", std::string("BM") + std::string(12, '\0') + std::string(40, 'x'));
    const Project project = Parse(folder, std::string(kHeader) + GetParam().text);
    GetParam().check(project);
}

const GoodCase kGoodCases[] = {
    {"Product",
     "company = \"Ex\"\nversion = \"2.1\"\ntitle = \"T\"\ninstaller_title = \"IT\"\n"
     "registry_key = \"Ex\\\\Demo\"\nbitness = \"64-bit\"\nexcluded_windows = [\"win95\", \"xp\", 512]\n"
     "no_downgrade_below = \"1.0\"\n",
     [](const Project& p) {
         EXPECT_EQ(p.settings.productName, L"Demo");
         EXPECT_EQ(p.settings.companyName, L"Ex");
         EXPECT_EQ(p.settings.productVersion, L"2.1");
         EXPECT_EQ(p.settings.displayTitle, L"T");
         EXPECT_EQ(p.settings.installerTitle, L"IT");
         EXPECT_EQ(p.settings.productRegistryKey, L"Ex\\Demo");
         EXPECT_EQ(p.settings.bitness, 1);
         EXPECT_EQ(p.settings.excludedWindowsVersions, 0x4u | 0x100u | 512u);
         EXPECT_EQ(p.settings.minimumVersion, "1.0");
     }},
    {"Defaults", "",
     [](const Project& p) {
         EXPECT_TRUE(p.settings.productFlagsLow & product_flags::kRegisterForUninstall);
         EXPECT_TRUE(p.settings.productFlagsLow & product_flags::kCompressedBlocks);
         EXPECT_EQ(p.settings.uninstallerFileName, "uninstall.exe");
         EXPECT_EQ(p.settings.bitmapTpi, 0xFFFFFFFFu);
         EXPECT_EQ(p.settings.messages.LanguageCount(), 1u);
         EXPECT_EQ(p.settings.messages.Text(13), DefaultEnglishMessages()[13]);
         EXPECT_EQ(p.settings.uninstallerFileTime, kNoFileTime);
         EXPECT_TRUE(p.files.empty());
     }},
    {"NamedFlags",
     "[options]\ncreate_log = false\nintegrity_check = true\nrestore_point = true\nconfirm_folder = true\n"
     "automatic_mode = \"off\"\nall_users_shortcuts = true\nstatus_delay = 9999\nextra_size = 4294967297\n",
     [](const Project& p) {
         EXPECT_FALSE(p.settings.productFlagsLow & product_flags::kCreateLog);
         EXPECT_TRUE(p.settings.productFlagsLow & 0x80000000u);
         EXPECT_TRUE(p.settings.productFlagsHigh & product_flags::kIntegrityCheck);
         EXPECT_EQ(p.productFlags2, product_flags2::kRestorePoint);
         EXPECT_EQ(p.settings.automaticMode, 2);
         EXPECT_EQ(p.settings.shortcutMode, 1);
         EXPECT_EQ(p.settings.statusDelay, 9999);
         EXPECT_EQ(p.settings.pageStyles[0], 1u);
         EXPECT_EQ(p.settings.pageStyles[1], 1u);
     }},
    {"PagesAndBackground",
     "[pages]\nstart = \"message-box\"\nsummary = \"panel\"\nheader_text_color = \"#102030\"\n"
     "[background]\ntop_color = \"#FF0000\"\nbottom_color = 255\npicture = \"pic.bmp\"\ntransparent_index = "
     "3\n"
     "stretch = \"tile\"\n[background.copyright]\ntext = \"(c)\"\nposition = \"top-center\"\n",
     [](const Project& p) {
         EXPECT_EQ(p.settings.pageStyles[2], 0u);
         EXPECT_EQ(p.settings.pageStyles[9], 3u);
         EXPECT_EQ(p.settings.headerTextColor, 0x302010);
         EXPECT_EQ(p.settings.topColor, 0x0000FFu);
         EXPECT_EQ(p.settings.bottomColor, 255u);
         EXPECT_EQ(p.settings.bitmap.size(), 40u);  // file header removed
         EXPECT_EQ(p.settings.bitmapTpi, 3u);
         EXPECT_EQ(p.settings.stretchMode, 3);
         EXPECT_EQ(p.settings.copyright.position, 2);
         EXPECT_EQ(p.settings.copyright.text, L"(c)");
     }},
    {"RequiredProduct", "[required_product]\nlookup_name = \"Base\"\nminimum_version = \"3\"\n",
     [](const Project& p) {
         EXPECT_TRUE(p.settings.productFlagsLow & product_flags::kRequiredProduct);
         EXPECT_EQ(p.settings.requiredProduct.lookupName, L"Base");
         EXPECT_EQ(p.settings.requiredProduct.minimumVersion, L"3");
     }},
    {"RegistryEntries",
     "[[registry.entries]]\nkey = \"HKLM\\\\Software\\\\Ex\"\n"
     "[[registry.entries]]\nkey = \"\\\\HKCU\\\\Software\\\\Ex\"\nname = \"A, B\"\ntype = \"dword\"\ndata = "
     "-5\n"
     "mode = \"write-keep\"\n",
     [](const Project& p) {
         EXPECT_EQ(p.settings.registryInstructions,
                   L"\\HKLM\\Software\\Ex\r\n\\HKCU\\Software\\Ex,\"A, B\",4,-5,1\r\n");
     }},
    {"Firewall",
     "[[firewall]]\ntarget = 8080\nprotocol = \"tcp\"\n[[firewall]]\ntarget = \"bin\\\\srv\\u00e9.exe\"\n"
     "name = \"Server\"\nkeep = true\n",
     [](const Project& p) {
         EXPECT_EQ(p.settings.firewallText, L"8080;;1;0\r\n|bin\\srv\u00e9.exe;Server;0;1\r\n");
     }},
    {"Lists",
     "[[associations]]\nextension = \".demo\"\nfile_type = \"Demo.File\"\nverbs = [\"open\", \"print\"]\n"
     "command = \"x %1\"\n[[shortcuts]]\ntarget = \"%InstallDir%\\\\a.exe\"\nstart_menu = true\nshow = "
     "\"maximized\"\n"
     "[root_shortcut]\ntarget = \"a.exe\"\nname = \"A\"\n"
     "[[saved_values]]\nname = \"Count\"\ntype = \"dword\"\nvalue = 7\n"
     "[[deletions]]\npattern = \"old\\\\*.dll\"\ncondition = \"version-at-most\"\nvalue = \"1.2.3.4\"\n"
     "at_uninstall = true\nwhen = \"now-or-restart\"\n"
     "[[close_apps]]\nclass = \"DemoWindow\"\nprogram = \"Demo\"\naction = \"ask\"\n",
     [](const Project& p) {
         ASSERT_EQ(p.settings.associations.size(), 1u);
         EXPECT_EQ(p.settings.associations[0].verbs, "open,print");
         ASSERT_EQ(p.settings.shortcuts.size(), 1u);
         EXPECT_EQ(p.settings.shortcuts[0].showMode, 2);
         EXPECT_EQ(p.settings.rootShortcutName, L"A");
         ASSERT_EQ(p.settings.savedValues.size(), 1u);
         EXPECT_EQ(p.settings.savedValues[0].type, 4);
         EXPECT_EQ(p.settings.savedValues[0].value, L"7");
         ASSERT_EQ(p.settings.conditionalDeletions.size(), 1u);
         EXPECT_EQ(p.settings.conditionalDeletions[0].condition, 3);
         EXPECT_EQ(p.settings.conditionalDeletions[0].flags, 0x4 | 0x8 | 0x2);
         ASSERT_EQ(p.settings.autoClose.size(), 1u);
         EXPECT_EQ(p.settings.autoClose[0].action, 2);
         EXPECT_EQ(p.settings.autoClose[0].phaseMask, 4);
     }},
    {"LanguagesWithFallback",
     "[languages]\norder = [\"Deutsch\", \"English\"]\n[languages.English]\nlicence = \"licence.txt\"\n"
     "[languages.English.messages]\n1 = \"Hi\"\n[languages.Deutsch.messages]\n2 = \"Zwei\"\n200 = "
     "\"Extra\"\n",
     [](const Project& p) {
         const MessageTable& m = p.settings.messages;
         ASSERT_EQ(m.LanguageCount(), 2u);
         EXPECT_EQ(m.LanguageName(0), L"Deutsch");
         EXPECT_EQ(m.MessageCount(), 201u);
         EXPECT_EQ(m.Text(1, 0), L"Hi");  // the project's English text
         EXPECT_EQ(m.Text(2, 0), L"Zwei");
         EXPECT_EQ(m.Text(2, 1), DefaultEnglishMessages()[2]);
         EXPECT_EQ(m.Text(13, 0), DefaultEnglishMessages()[13]);
         EXPECT_EQ(m.Text(200, 1), L"");
         ASSERT_EQ(p.settings.licenceTexts.size(), 2u);
         EXPECT_EQ(p.settings.licenceTexts[0], L"Licence \u00e9");  // Deutsch falls back to English
         EXPECT_TRUE(p.settings.readmeTexts.empty());
     }},
    {"Files",
     "[[files]]\nsource = \"app/data/**\"\nsubfolder = \"data\"\nkind = \"versioned\"\nversion = \"1.0\"\n"
     "replace = \"unless-existing-newer\"\npermanent = true\nattributes = [\"read-only\", \"hidden\"]\n"
     "[[files]]\nsource = \"app/main.exe\"\nname = \"demo.exe\"\ndesktop_shortcut = true\nicon = "
     "\"demo.ico\"\n"
     "arguments = \"/x\"\nworking_folder = \"%InstallDir%\"\ntime = \"none\"\n"
     "[build]\ncipher = true\nxz_preset = 9\nblock_size = \"512 KiB\"\ndata_in_file = true\n",
     [](const Project& p) {
         ASSERT_EQ(p.files.size(), 3u);
         EXPECT_EQ(p.files[0].record.name, "data\\a.dat");
         EXPECT_EQ(p.files[1].record.name, "data\\sub\\b.dat");
         EXPECT_EQ(p.files[1].size, 2u);
         EXPECT_EQ(p.files[0].record.kind, 9u);
         EXPECT_EQ(p.files[0].record.nameText, "1.0");
         EXPECT_EQ(p.files[0].record.flags, replace_mode::kNotIfExistingNewer | file_flags::kPermanent);
         EXPECT_EQ(p.files[0].record.attributes, 3u);
         const auto time = DecodeFileTime(p.files[0].record.fileTime);
         ASSERT_TRUE(time);
         EXPECT_EQ(time->lastWrite, FileTimeFromUnix(1700000000, 0));
         EXPECT_EQ(p.files[2].record.name, "demo.exe");
         EXPECT_EQ(p.files[2].record.flags, file_flags::kDesktopShortcut);
         EXPECT_EQ(p.files[2].record.icon, L"demo.ico");
         EXPECT_EQ(p.files[2].record.parameter, "%InstallDir%");
         EXPECT_EQ(p.files[2].record.fileTime, kNoFileTime);
         EXPECT_TRUE(p.build.cipherKey);
         EXPECT_EQ(p.build.xzPreset, 9u);
         EXPECT_EQ(p.build.blockSize, 512u * 1024u);
         EXPECT_EQ(p.build.dataPlacement, DataPlacement::kInFile);
     }},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProjectGood, testing::ValuesIn(kGoodCases), test::CaseName);

struct BadCase {
    const char* name;
    const char* text;  // the whole project
    const char* error;
};

class ProjectBad : public testing::TestWithParam<BadCase> {};

TEST_P(ProjectBad, ReportsFileLineTableAndKey) {
    HostTempFolder folder;
    folder.Write("a.txt", "a");
    try {
        Parse(folder, GetParam().text);
        FAIL() << "no error";
    } catch (const ProjectError& error) {
        EXPECT_EQ(std::string(error.what()), GetParam().error);
    }
}

const BadCase kBadCases[] = {
    {"Syntax", "[product]\nname = \"Demo\nx = 1\n",
     "project.toml:2: Error while parsing string: unescaped control characters other than TAB (U+0009) are "
     "explicitly prohibited"},
    {"NoProduct", "[folders]\n",
     "project.toml:1: [product] 'name': the project needs a [product] table with a name"},
    {"UnknownTopLevelTable", "[product]\nname = \"D\"\n[prodcut]\n",
     "project.toml:3: 'prodcut': unknown key (did you mean 'product'?)"},
    {"UnknownKey", "[product]\nname = \"D\"\nnmae = \"x\"\n",
     "project.toml:3: [product] 'nmae': unknown key (did you mean 'name'?)"},
    {"WrongType", "[product]\nname = 3\n",
     "project.toml:2: [product] 'name': expected a string, found an integer"},
    {"UnknownKind", "[product]\nname = \"D\"\n\n[[files]]\nsource = \"a.txt\"\nkind = \"foo\"\n",
     "project.toml:6: [files] 'kind': unknown destination kind \"foo\" (expected one of \"install-dir\", "
     "\"shared\", "
     "\"font\", \"install-dir-startup\", \"system\", \"system-com\", \"system-typelib\", \"versioned\", "
     "\"driver\", "
     "\"msi\", \"control-panel\")"},
    {"NoMatch", "[product]\nname = \"D\"\n[[files]]\nsource = \"*.none\"\n",
     "project.toml:4: [files] 'source': the pattern \"*.none\" matches no file"},
    {"MissingFile", "[product]\nname = \"D\"\n[[files]]\nsource = \"gone.txt\"\n",
     "project.toml:4: [files] 'source': no file \"gone.txt\""},
    {"KeyForOtherKind", "[product]\nname = \"D\"\n[[files]]\nsource = \"a.txt\"\nfont_name = \"F\"\n",
     "project.toml:5: [files] 'font_name': only fonts have a font name"},
    {"Twice", "[product]\nname = \"D\"\n[[files]]\nsource = \"a.txt\"\n[[files]]\nsource = \"*.txt\"\n",
     "project.toml:6: [files] 'source': \"a.txt\" is installed twice (also by the entry at line 3)"},
    {"OutOfRange", "[product]\nname = \"D\"\n[options]\nstatus_delay = 10000\n",
     "project.toml:4: [options] 'status_delay': value 10000 is out of range (0 to 9999)"},
    {"BadColour", "[product]\nname = \"D\"\n[background]\ntop_color = \"red\"\n",
     "project.toml:4: [background] 'top_color': expected a colour like \"#336699\", found \"red\""},
    {"BadVersionCondition",
     "[product]\nname = \"D\"\n[[deletions]]\npattern = \"x\"\ncondition = \"version-equal\"\nvalue = "
     "\"1.2\"\n",
     "project.toml:6: [deletions] 'value': a version condition needs a version of four numbers, like "
     "\"1.2.0.0\""},
    {"BadCipherKey", "[product]\nname = \"D\"\n[build]\ncipher_key = \"xyz\"\n",
     "project.toml:4: [build] 'cipher_key': expected 16 hexadecimal digits"},
    {"MessageNumber", "[product]\nname = \"D\"\n[languages.English.messages]\nabc = \"x\"\n",
     "project.toml:4: [languages.English.messages] 'abc': message numbers are 0 to 9999"},
    {"OrderMissesLanguage",
     "[product]\nname = \"D\"\n[languages]\norder = [\"English\"]\n[languages.Deutsch]\n",
     "project.toml:4: [languages] 'order': the language \"Deutsch\" is missing from the order"},
    {"NotAnsi", "[product]\nname = \"D\"\n[batches]\npre_install = \"echo \\u4e2d\"\n",
     "project.toml:4: [batches] 'pre_install': the text has characters that Windows-1252 cannot hold"},
    {"ControlPanelNeedsClassId",
     "[product]\nname = \"D\"\n[[files]]\nsource = \"a.txt\"\nkind = \"control-panel\"\n",
     "project.toml:3: [files] 'class_id': a control-panel applet needs its class identifier"},
    {"UnknownFileKey", "[product]\nname = \"D\"\n[[files]]\nsource = \"a.txt\"\nreplce = \"skip\"\n",
     "project.toml:5: [files] 'replce': unknown key (did you mean 'replace'?)"},
    {"SharedRegistryKey", "[product]\nname = \"D\"\nregistry_key = \"Microsoft\"\n",
     "project.toml:3: [product] 'registry_key': the uninstaller deletes this key with everything under it: "
     "name a key of the product's own (for example \"Company\\\\Product\"), not a shared one and without "
     "empty or \"..\" parts"},
    {"RegistryKeyClimbs", "[product]\nname = \"D\"\nregistry_key = \"Ex\\\\..\\\\Microsoft\"\n",
     "project.toml:3: [product] 'registry_key': the uninstaller deletes this key with everything under it: "
     "name a key of the product's own (for example \"Company\\\\Product\"), not a shared one and without "
     "empty or \"..\" parts"},
};

INSTANTIATE_TEST_SUITE_P(Cases, ProjectBad, testing::ValuesIn(kBadCases), test::CaseName);

TEST(ProjectFile, LoadsFromDiskWithPathsRelativeToTheProject) {
    HostTempFolder folder;
    folder.Write("p/files/x.txt", "x");
    const auto path =
        folder.Write("p/demo.toml", "[product]\nname = \"D\"\n[[files]]\nsource = \"files/x.txt\"\n");
    const Project project = LoadProject(path);
    ASSERT_EQ(project.files.size(), 1u);
    EXPECT_EQ(project.files[0].record.name, "x.txt");
}

TEST(ProjectFile, DerivedCipherKeyDependsOnTheProjectText) {
    HostTempFolder folder;
    const std::string text = std::string(kHeader) + "[build]\ncipher = true\n";
    EXPECT_EQ(Parse(folder, text).build.cipherKey, Parse(folder, text).build.cipherKey);
    EXPECT_NE(Parse(folder, text).build.cipherKey, Parse(folder, text + "# changed\n").build.cipherKey);
}

}  // namespace
}  // namespace vantrel::builder
