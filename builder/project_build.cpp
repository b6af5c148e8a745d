// The [build] table: compression, cipher and output options.
#include "builder/project_tables.h"

#include "builder/project.h"
#include "builder/toml_table_reader.h"
#include "format/payload_header.h"

namespace vantrel::builder {
namespace {

std::uint64_t Fnv1a(std::string_view text) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (char c : text) {
        hash ^= static_cast<std::uint8_t>(c);
        hash *= 0x100000001b3ull;
    }
    return hash;
}

}  // namespace

void ReadBuild(TableReader table, BuildOptions& build, std::string_view projectText) {
    if (auto preset = table.Integer("xz_preset", 0, 9))
        build.xzPreset = static_cast<std::uint32_t>(*preset);
    if (const toml::node* node = table.Get("block_size")) {
        std::int64_t size = 0;
        if (node->as_integer()) {
            size = *table.Integer("block_size", 0, INT64_MAX);
        } else if (const auto* text = node->as_string()) {
            const std::string& value = text->get();
            std::size_t digits = 0;
            while (digits < value.size() && value[digits] >= '0' && value[digits] <= '9')
                ++digits;
            std::string unit = value.substr(digits);
            while (!unit.empty() && unit.front() == ' ')
                unit.erase(0, 1);
            const std::int64_t factor = unit == "" || unit == "B" ? 1
                                        : unit == "KiB"           ? 1 << 10
                                        : unit == "MiB"           ? 1 << 20
                                                                  : 0;
            if (digits == 0 || digits > 6 || factor == 0) {
                table.FailAt(*node, "block_size",
                             "expected a size like \"8 MiB\", \"512 KiB\" or a byte count");
            }
            size = std::stoll(value.substr(0, digits)) * factor;
        } else {
            table.FailAt(*node, "block_size", "expected a size like \"8 MiB\" or a byte count");
        }
        if (size < 4096 || size > (256ll << 20))
            table.FailAt(*node, "block_size", "the block size must be 4 KiB to 256 MiB");
        build.blockSize = static_cast<std::size_t>(size);
    }
    if (auto compress = table.Bool("compress"))
        build.compress = *compress;
    const auto cipher = table.Bool("cipher");
    if (auto key = table.String("cipher_key")) {
        std::array<std::uint8_t, 8> bytes{};
        bool ok = key->size() == 16;
        for (std::size_t i = 0; ok && i < 16; ++i) {
            const char c = (*key)[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0)
                ok = false;
            else
                bytes[i / 2] = static_cast<std::uint8_t>((bytes[i / 2] << 4) | digit);
        }
        if (!ok)
            table.Fail("cipher_key", "expected 16 hexadecimal digits");
        if (cipher == false)
            table.Fail("cipher_key", "a key is given but cipher = false");
        build.cipherKey = bytes;
    } else if (cipher.value_or(false)) {
        // Derived from the project text so that the same project gives the same installer.
        const std::uint64_t hash = Fnv1a("vantrel cipher key\n" + std::string(projectText));
        std::array<std::uint8_t, 8> bytes{};
        for (std::size_t i = 0; i < 8; ++i)
            bytes[i] = static_cast<std::uint8_t>(hash >> (8 * i));
        build.cipherKey = bytes;
    }
    if (const toml::node* node = table.Get("data_in_file"); node && node->as_boolean()) {
        build.dataPlacement =
            *table.Bool("data_in_file") ? DataPlacement::kInFile : DataPlacement::kInSection;
    } else if (auto placement =
                   table.Choice<DataPlacement>("data_in_file", {{"auto", DataPlacement::kAutomatic}},
                                               "data placement (or true / false)")) {
        build.dataPlacement = *placement;
    }
    table.Finish();
}

}  // namespace vantrel::builder
