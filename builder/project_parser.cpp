#include "builder/project.h"

#include "builder/option_flags.h"
#include "builder/project_fields.h"
#include "builder/project_tables.h"
#include "builder/toml_table_reader.h"

namespace vantrel::builder {

Project ParseProject(std::string_view text, const std::string& displayName,
                     const std::filesystem::path& baseFolder) {
    toml::table document;
    try {
        document = toml::parse(text, displayName);
    } catch (const toml::parse_error& error) {
        throw ProjectError(displayName + ":" + std::to_string(error.source().begin.line) + ": " +
                           std::string(error.description()));
    }
    Project project;
    Settings& s = project.settings;
    // Defaults that make a bare project look reasonable.
    s.productFlagsLow =
        product_flags::kRegisterForUninstall | product_flags::kCreateLog | product_flags::kShowFolderPage;
    s.productFlagsHigh = product_flags::kShowProgressDialog;
    s.titleSize = 1.0;
    s.titleColor = 0xFFFFFF;
    s.titleShadow = 2;
    s.titlePosition = 1;
    s.titleFont = L"Arial";
    s.topColor = 0x800000;
    s.bottomColor = 0x000000;
    s.bitmapTpi = 0xFFFFFFFF;
    s.uninstallSubfolder = L"uninstall";
    s.uninstallerFileName = "uninstall.exe";

    const std::string fileName = displayName;
    TableReader root(document, "", &fileName, &baseFolder);
    auto product = root.SubTable("product");
    if (!product) {
        throw ProjectError(displayName +
                           ":1: [product] 'name': the project needs a [product] table with a name");
    }
    ReadProduct(std::move(*product), s);
    if (auto table = root.SubTable("required_product"))
        ReadRequiredProduct(std::move(*table), s);
    if (auto table = root.SubTable("folders"))
        ReadFolders(std::move(*table), s);
    if (auto table = root.SubTable("options"))
        ReadOptions(std::move(*table), s, project.productFlags2);
    if (auto table = root.SubTable("pages"))
        ReadPages(std::move(*table), s);
    if (auto table = root.SubTable("background"))
        ReadBackground(std::move(*table), s);
    if (auto table = root.SubTable("batches"))
        ReadBatches(std::move(*table), s);
    if (auto table = root.SubTable("notifications"))
        ReadNotifications(std::move(*table), s);
    if (auto table = root.SubTable("launch"))
        ReadLaunch(std::move(*table), s);
    if (auto table = root.SubTable("registry"))
        ReadRegistry(std::move(*table), s);
    ReadAssociations(root, s);
    ReadShortcuts(root, s);
    ReadFirewall(root, s);
    ReadSavedValues(root, s);
    ReadDeletions(root, s);
    ReadCloseApps(root, s);
    ReadLanguages(root, s);
    if (auto table = root.SubTable("build"))
        ReadBuild(std::move(*table), project.build, text);
    ReadFiles(root, project);
    root.Finish();
    if (project.files.size() > 0x7FFFFFFF)
        throw ProjectError(displayName + ": too many files");
    SetFlag(s.productFlagsLow, product_flags::kCompressedBlocks, project.build.compress);
    return project;
}

Project LoadProject(const std::filesystem::path& path) {
    const std::u8string u8name = path.filename().u8string();
    const std::string displayName(u8name.begin(), u8name.end());
    std::string error;
    const auto bytes = ReadWholeFile(path, error);
    if (!bytes)
        throw ProjectError(displayName + ": cannot read the project file: " + error);
    const std::string text(bytes->begin(), bytes->end());
    std::filesystem::path base = path.parent_path();
    if (base.empty())
        base = ".";
    return ParseProject(text, displayName, base);
}

}  // namespace vantrel::builder
