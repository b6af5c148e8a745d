#include "builder/cli.h"

#include <charconv>
#include <cstdio>
#include <optional>
#include <string_view>

#ifdef _WIN32
#include <io.h>
#define VANTREL_ISATTY _isatty
#define VANTREL_FILENO _fileno
#else
#include <unistd.h>
#define VANTREL_ISATTY isatty
#define VANTREL_FILENO fileno
#endif

#include "builder/inspect.h"
#include "builder/project.h"
#include "builder/setup_builder.h"
#include "builder/text_encoding.h"
#include "builder/toml_table_reader.h"

    namespace vantrel::builder {
    namespace {

    constexpr char kUsage[] =
        "Usage:\n"
        "  vantrel-build PROJECT.toml -o SETUP.exe [--engine ENGINE.exe] [--jobs N] [--quiet]\n"
        "  vantrel-build inspect SETUP.exe\n"
        "  vantrel-build --help | --version\n"
        "\n"
        "Builds an installer from a project file, or lists and verifies what an installer carries.\n"
        "\n"
        "Options:\n"
        "  -o, --output FILE   the installer to write\n"
        "  --engine FILE       the engine to build on (default: $VANTREL_ENGINE, else\n"
        "                      vantrel-setup.exe beside vantrel-build)\n"
        "  -j, --jobs N        compress on N threads (default: one per core; the\n"
        "                      installer is the same for every N)\n"
        "  -q, --quiet         print nothing but errors\n";

    std::filesystem::path PathFromUtf8(const std::string& text) {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    }

    std::string Megabytes(std::uint64_t bytes) {
        char text[32];
        std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
        return text;
    }

    std::optional<unsigned> ParseJobCount(const std::string& text) {
        unsigned count = 0;
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
        if (error != std::errc() || end != text.data() + text.size() || count < 1 || count > 256)
            return std::nullopt;
        return count;
    }

    int Build(const std::filesystem::path& projectPath, const std::filesystem::path& outputPath,
              const std::optional<std::filesystem::path>& engine, unsigned jobs, bool quiet,
              const std::filesystem::path& program, std::FILE* out, std::FILE* err) {
        try {
            Project project = LoadProject(projectPath);
            project.build.threads = jobs;
            const Bytes stub = LoadEngineStub(engine, program);
            const bool showProgress = !quiet && VANTREL_ISATTY(VANTREL_FILENO(err));
            int shown = -1;
            BuildProgress progress = [&](std::uint64_t done, std::uint64_t total) {
                if (!showProgress || total < (4u << 20))
                    return;
                const int percent = static_cast<int>(done * 100 / total);
                if (percent == shown)
                    return;
                shown = percent;
                std::fprintf(err, "\rCompressing: %3d%% of %s", percent, Megabytes(total).c_str());
                std::fflush(err);
            };
            BuildSummary summary;
            try {
                WriteSetupFile(stub, project, outputPath, progress, &summary);
            } catch (...) {
                if (shown >= 0)
                    std::fprintf(err, "\n");
                throw;
            }
            if (shown >= 0)
                std::fprintf(err, "\n");
            if (!quiet) {
                std::fprintf(out, "%s: %zu files, %s of data, installer %s%s\n", PathText(outputPath).c_str(),
                             summary.fileCount, Megabytes(summary.inputBytes).c_str(),
                             Megabytes(summary.outputSize).c_str(),
                             summary.dataInFile ? " (data after the section)" : "");
            }
            return 0;
        } catch (const ProjectError& error) {
            std::fprintf(err, "%s\n", error.what());
        } catch (const BuildError& error) {
            std::fprintf(err, "vantrel-build: %s\n", error.what());
        } catch (const std::exception& error) {
            std::fprintf(err, "vantrel-build: %s\n", error.what());
        }
        return 1;
    }

    }  // namespace

    int RunBuilder(const std::vector<std::string>& args, const std::filesystem::path& program, std::FILE* out,
                   std::FILE* err) {
        if (args.empty()) {
            std::fputs(kUsage, err);
            return 2;
        }
        if (args[0] == "--help" || args[0] == "-h") {
            std::fputs(kUsage, out);
            return 0;
        }
        if (args[0] == "--version") {
            std::fprintf(out, "vantrel-build %s\n", VANTREL_VERSION);
            return 0;
        }
        if (args[0] == "inspect") {
            if (args.size() != 2) {
                std::fputs("vantrel-build: inspect takes one installer file\n", err);
                return 2;
            }
            return InspectSetup(PathFromUtf8(args[1]), out, err);
        }
        std::optional<std::filesystem::path> project, output, engine;
        bool quiet = false;
        unsigned jobs = 0;
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& arg = args[i];
            auto value = [&]() -> std::optional<std::filesystem::path> {
                if (i + 1 >= args.size())
                    return std::nullopt;
                return PathFromUtf8(args[++i]);
            };
            if (arg == "-o" || arg == "--output") {
                output = value();
                if (!output) {
                    std::fprintf(err, "vantrel-build: %s needs a file name\n", arg.c_str());
                    return 2;
                }
            } else if (arg == "--engine") {
                engine = value();
                if (!engine) {
                    std::fputs("vantrel-build: --engine needs a file name\n", err);
                    return 2;
                }
            } else if (arg == "-j" || arg == "--jobs") {
                const std::optional<unsigned> count =
                    i + 1 < args.size() ? ParseJobCount(args[++i]) : std::nullopt;
                if (!count) {
                    std::fprintf(err, "vantrel-build: %s needs a thread count from 1 to 256\n", arg.c_str());
                    return 2;
                }
                jobs = *count;
            } else if (arg == "-q" || arg == "--quiet") {
                quiet = true;
            } else if (arg.starts_with("-") && arg.size() > 1) {
                std::fprintf(err, "vantrel-build: unknown option %s (see --help)\n", arg.c_str());
                return 2;
            } else if (!project) {
                project = PathFromUtf8(arg);
            } else {
                std::fprintf(err, "vantrel-build: more than one project given (%s)\n", arg.c_str());
                return 2;
            }
        }
        if (!project) {
            std::fputs("vantrel-build: no project file given (see --help)\n", err);
            return 2;
        }
        if (!output) {
            std::fputs("vantrel-build: no output file given; use -o SETUP.exe\n", err);
            return 2;
        }
        return Build(*project, *output, engine, jobs, quiet, program, out, err);
    }

}  // namespace vantrel::builder
