#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace vantrel::builder {

// The vantrel-build command line. `args` are the arguments after the program name, in
// UTF-8; `program` is the builder's own path (the default engine lies beside it). Returns
// the process exit code: 0 success, 1 a failed build or a damaged installer, 2 a usage error.
int RunBuilder(const std::vector<std::string>& args, const std::filesystem::path& program, std::FILE* out,
               std::FILE* err);

}  // namespace vantrel::builder
