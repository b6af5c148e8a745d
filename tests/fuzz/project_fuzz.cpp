// A project file: the TOML reader and the builder's project parser. The project's folder
// is the example project (VANTREL_FUZZ_PROJECT_DIR), which the parser only reads.
//
// A fuzzed file could name any path on the machine (an absolute one, "..", a device that
// never ends), so the project parser runs only when no string in the document leaves the
// project's folder; the others are still parsed as TOML.
#include <filesystem>
#include <string>
#include <string_view>

#include "builder/project.h"
#include "builder/toml_table_reader.h"

namespace {

bool StaysInside(std::string_view text) {
    std::string generic(text);
    for (char& c : generic) {
        if (c == '\\')
            c = '/';
    }
    if (!generic.empty() && generic.front() == '/')
        return false;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = generic.find('/', start);
        if (generic.substr(start, end == std::string::npos ? std::string::npos : end - start) == "..")
            return false;
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

bool StaysInside(const toml::node& node) {
    if (const auto* text = node.as_string())
        return StaysInside(std::string_view(text->get()));
    if (const auto* table = node.as_table()) {
        for (const auto& [key, value] : *table) {
            if (!StaysInside(value))
                return false;
        }
    }
    if (const auto* array = node.as_array()) {
        for (const auto& element : *array) {
            if (!StaysInside(element))
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    toml::table document;
    try {
        document = toml::parse(text, std::string_view("fuzz.toml"));
    } catch (const toml::parse_error&) {
        return 0;
    }
    if (!StaysInside(document))
        return 0;
    try {
        vantrel::builder::ParseProject(text, "fuzz.toml", VANTREL_FUZZ_PROJECT_DIR);
    } catch (const vantrel::builder::ProjectError&) {
        // The one way a project file may fail.
    }
    return 0;
}
