#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <span>
#include <string>

namespace vantrel::builder {

// A file written under a temporary name beside its destination (".partial" appended) and
// renamed over it by Commit(), so that a failed or interrupted build never leaves a
// half-written installer under the real name. Without Commit() the temporary file is
// removed. Writes may go to any offset (the installer's leading part is written last).
// Failures throw BuildError.
class OutputFile {
  public:
    explicit OutputFile(const std::filesystem::path& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    void Seek(std::uint64_t offset);
    void Write(std::span<const std::uint8_t> bytes);
    void WriteZeros(std::uint64_t count);
    void Commit();

  private:
    void Discard();
    [[noreturn]] void Fail(const std::string& what) const;

    std::filesystem::path path_;
    std::filesystem::path temporary_;
    std::FILE* file_ = nullptr;
};

}  // namespace vantrel::builder
