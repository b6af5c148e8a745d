#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vantrel::test {

// 2023-11-14 22:13:20 UTC, the time HostTempFolder gives every file it writes.
inline constexpr std::chrono::sys_seconds kFixedTime{std::chrono::seconds{1700000000}};

// A whole file's bytes (empty when it cannot be read).
inline std::vector<char> ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// A fresh folder under the system's temporary folder, removed with everything in it.
class HostTempFolder {
  public:
    HostTempFolder() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("vantrel-builder-test-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~HostTempFolder() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    HostTempFolder(const HostTempFolder&) = delete;
    HostTempFolder& operator=(const HostTempFolder&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Writes a file (creating its folders) and gives it a fixed time so tests are stable.
    std::filesystem::path Write(const std::string& relative, const std::string& contents) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << contents;
        std::filesystem::last_write_time(file, std::chrono::file_clock::from_sys(kFixedTime));
        return file;
    }

  private:
    std::filesystem::path path_;
};

inline void PutU16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
inline void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (std::size_t i = 0; i < 4; ++i)
        b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A small 32-bit PE image with four sections, enough for the builder to append a payload.
inline std::vector<std::uint8_t> FakeEngineStub(std::size_t sectionCount = 4) {
    constexpr std::size_t kPe = 0x80, kOptional = 224, kFileAlign = 0x200, kSectionAlign = 0x1000;
    std::vector<std::uint8_t> image(0x400 + sectionCount * kFileAlign, 0);
    image[0] = 'M';
    image[1] = 'Z';
    PutU32(image, 60, kPe);
    image[kPe] = 'P';
    image[kPe + 1] = 'E';
    PutU16(image, kPe + 4, 0x14C);
    PutU16(image, kPe + 6, static_cast<std::uint16_t>(sectionCount));
    PutU16(image, kPe + 20, kOptional);
    PutU16(image, kPe + 22, 0x0102);
    const std::size_t opt = kPe + 24;
    PutU16(image, opt, 0x10B);
    PutU32(image, opt + 16, 0x1000);  // entry point
    PutU32(image, opt + 28, 0x400000);
    PutU32(image, opt + 32, kSectionAlign);
    PutU32(image, opt + 36, kFileAlign);
    PutU16(image, opt + 40, 4);
    PutU16(image, opt + 48, 4);
    PutU32(image, opt + 56, static_cast<std::uint32_t>(kSectionAlign * (sectionCount + 1)));  // SizeOfImage
    PutU32(image, opt + 60, 0x400);                                                           // SizeOfHeaders
    PutU16(image, opt + 68, 2);                                                               // GUI
    PutU32(image, opt + 92, 16);
    const char* names[] = {".text", ".rdata", ".data", ".rsrc", ".reloc", ".tls"};
    for (std::size_t i = 0; i < sectionCount; ++i) {
        const std::size_t entry = opt + kOptional + i * 40;
        for (std::size_t c = 0; names[i % 6][c]; ++c)
            image[entry + c] = static_cast<std::uint8_t>(names[i % 6][c]);
        PutU32(image, entry + 8, 0x100);
        PutU32(image, entry + 12, static_cast<std::uint32_t>(kSectionAlign * (i + 1)));
        PutU32(image, entry + 16, kFileAlign);
        PutU32(image, entry + 20, static_cast<std::uint32_t>(0x400 + i * kFileAlign));
        PutU32(image, entry + 36, 0x40000040);
        for (std::size_t k = 0; k < 16; ++k)
            image[0x400 + i * kFileAlign + k] = static_cast<std::uint8_t>(i * 16 + k);
    }
    return image;
}

}  // namespace vantrel::test
