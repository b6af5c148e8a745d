#include "builder/output_file.h"

#include <algorithm>
#include <string>
#include <system_error>

#include "builder/setup_builder.h"

namespace vantrel::builder {

void OutputFile::Fail(const std::string& what) const {
    const std::u8string name = path_.u8string();
    throw BuildError(std::string(name.begin(), name.end()) + ": " + what);
}

OutputFile::OutputFile(const std::filesystem::path& path) : path_(path), temporary_(path) {
    temporary_ += ".partial";
#ifdef _WIN32
    file_ = _wfopen(temporary_.c_str(), L"wb");
#else
    file_ = std::fopen(temporary_.c_str(), "wb");
#endif
    if (!file_)
        Fail("cannot create the file");
}

OutputFile::~OutputFile() {
    Discard();
}

void OutputFile::Discard() {
    if (!file_)
        return;
    std::fclose(file_);
    file_ = nullptr;
    std::error_code code;
    std::filesystem::remove(temporary_, code);
}

void OutputFile::Seek(std::uint64_t offset) {
    // The installer can pass 2 GiB, beyond what a 32-bit long reaches.
#ifdef _WIN32
    const int result = _fseeki64(file_, static_cast<__int64>(offset), SEEK_SET);
#else
    const int result = fseeko(file_, static_cast<off_t>(offset), SEEK_SET);
#endif
    if (result != 0)
        Fail("cannot write the file (seek failed)");
}

void OutputFile::Write(std::span<const std::uint8_t> bytes) {
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
        Fail("cannot write the file (disk full?)");
}

void OutputFile::WriteZeros(std::uint64_t count) {
    static constexpr std::uint8_t kZeros[4096] = {};
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof kZeros));
        Write({kZeros, n});
        count -= n;
    }
}

void OutputFile::Commit() {
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    std::error_code code;
    if (!closed) {
        std::filesystem::remove(temporary_, code);
        Fail("cannot write the file (disk full?)");
    }
    std::filesystem::rename(temporary_, path_, code);
    if (code) {
        std::filesystem::remove(temporary_, code);
        Fail("cannot replace the file: " + code.message());
    }
}

}  // namespace vantrel::builder
