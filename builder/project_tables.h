#pragma once

// The readers of the project file's tables, one file each (project_<table>.cpp); ParseProject
// calls them in order. Each fills its part of the settings and fails through the table.
#include <cstdint>
#include <string_view>

#include "builder/project.h"
#include "builder/toml_table_reader.h"

namespace vantrel::builder {

void ReadProduct(TableReader table, Settings& s);

void ReadRequiredProduct(TableReader table, Settings& s);

void ReadFolders(TableReader table, Settings& s);

void ReadOptions(TableReader table, Settings& s, std::uint32_t& flags2);

void ReadPages(TableReader table, Settings& s);

void ReadBackground(TableReader table, Settings& s);

void ReadBatches(TableReader table, Settings& s);

void ReadNotifications(TableReader table, Settings& s);

void ReadLaunch(TableReader table, Settings& s);

void ReadRegistry(TableReader table, Settings& s);

void ReadAssociations(TableReader& root, Settings& s);

void ReadShortcuts(TableReader& root, Settings& s);

void ReadFirewall(TableReader& root, Settings& s);

void ReadSavedValues(TableReader& root, Settings& s);

void ReadDeletions(TableReader& root, Settings& s);

void ReadCloseApps(TableReader& root, Settings& s);

void ReadLanguages(TableReader& root, Settings& s);

void ReadBuild(TableReader table, BuildOptions& build, std::string_view projectText);

void ReadFiles(TableReader& root, Project& project);

}  // namespace vantrel::builder
