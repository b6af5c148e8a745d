// Decode throughput of the data-area pipeline: builds a compressed data area in memory
// (blocks of 8 MB of text-like data), then streams every record through DecodeAheadBlocks and
// DataAreaReader with the blocks decoded inline and on 1, 2 and 4 workers, once only summing
// the data and once also writing it to a file. Prints MB/s of decoded data. Figures only.
//
//   decode-bench [MB of data] [xz preset] [cache file]
// With a cache file the compressed area is kept there and reused by the next run.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "format/checksum.h"
#include "format/data_area_reader.h"
#include "format/decode_ahead.h"
#include "support/worker_pool.h"

using namespace vantrel;
using Bytes = std::vector<std::uint8_t>;

namespace {

constexpr std::size_t kBlockSize = 8u << 20;
constexpr std::size_t kFileSize = 3u << 20;
constexpr int kRounds = 3;

double Now() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Words from a small random vocabulary: compresses about as well as program files do.
Bytes TextLike(std::size_t size, std::uint32_t seed) {
    std::vector<std::string> words;
    std::uint32_t x = seed;
    auto next = [&x] { return x = x * 1103515245u + 12345u, x >> 16; };
    for (int i = 0; i < 2000; ++i) {
        std::string word;
        for (std::uint32_t n = 2 + next() % 9; n > 0; --n)
            word.push_back(static_cast<char>('a' + next() % 26));
        words.push_back(word);
    }
    Bytes out;
    out.reserve(size);
    while (out.size() < size) {
        const std::string& word = words[next() % words.size()];
        out.insert(out.end(), word.begin(), word.end());
        out.push_back(next() % 13 == 0 ? '\n' : ' ');
        if (next() % 50 == 0)
            for (int k = 0; k < 4; ++k)
                out.push_back(static_cast<std::uint8_t>(next()));
    }
    out.resize(size);
    return out;
}

struct Area {
    Bytes bytes;
    PayloadHeader header;
};

Area Build(std::size_t totalBytes, std::uint32_t preset) {
    Bytes items;
    Area area;
    for (std::size_t done = 0; done < totalBytes; done += kFileSize) {
        FileRecord record;
        record.name = "file" + std::to_string(area.header.fileSizes.size());
        const Bytes data = TextLike(kFileSize, static_cast<std::uint32_t>(done / kFileSize + 1));
        const Bytes item = WriteFileItem(record, data);
        items.insert(items.end(), item.begin(), item.end());
        area.header.fileSizes.push_back(static_cast<std::int32_t>(data.size()));
    }
    // Blocks are compressed on workers too, only to make the set-up quicker.
    const std::size_t count = (items.size() + kBlockSize - 1) / kBlockSize;
    std::vector<Bytes> blocks(count);
    {
        WorkerPool pool(WorkerPool::DefaultThreadCount());
        std::vector<std::uint64_t> tickets;
        for (std::size_t i = 0; i < count; ++i) {
            tickets.push_back(pool.Start([&, i] {
                const std::size_t offset = i * kBlockSize;
                const std::size_t n = std::min(kBlockSize, items.size() - offset);
                blocks[i] = WriteDataBlock({items.data() + offset, n}, true, preset, nullptr);
            }));
        }
        for (const std::uint64_t t : tickets)
            pool.Wait(t);
    }
    for (const Bytes& block : blocks)
        area.bytes.insert(area.bytes.end(), block.begin(), block.end());
    return area;
}

std::size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof(counters));
    return counters.WorkingSetSize;
}

// The most memory the pipeline added to the process, sampled as the data goes by.
std::size_t extraPeak = 0;

// Streams the whole area; returns seconds, or a negative number on failure.
double Run(const Area& area, JobRunner& runner, std::size_t depth, HANDLE output) {
    const std::size_t baseline = WorkingSet();
    extraPeak = 0;
    const double start = Now();
    MemoryDataAreaSource source(area.bytes);
    DecodeAheadBlocks blocks(source, BlockDecoding{true, nullptr}, runner, depth);
    DataAreaReader reader(blocks, area.header, area.bytes.size());
    for (;;) {
        StreamedRecord record;
        const DataAreaStep step = reader.Next(record);
        if (step.errorCode != 0)
            return -1;
        if (step.finished)
            break;
        const int error = reader.ReadData([output, baseline](std::span<const std::uint8_t> piece) {
            const std::size_t now = WorkingSet();
            if (now > baseline && now - baseline > extraPeak)
                extraPeak = now - baseline;
            if (output != INVALID_HANDLE_VALUE) {
                DWORD written = 0;
                WriteFile(output, piece.data(), static_cast<DWORD>(piece.size()), &written, nullptr);
            }
        });
        if (error != 0)
            return -1;
    }
    return Now() - start;
}

}  // namespace

bool LoadCache(const std::wstring& path, Area& area, std::size_t totalBytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size{};
    GetFileSizeEx(file, &size);
    area.bytes.resize(static_cast<std::size_t>(size.QuadPart));
    DWORD read = 0;
    const bool ok =
        ReadFile(file, area.bytes.data(), static_cast<DWORD>(area.bytes.size()), &read, nullptr) &&
        read == area.bytes.size();
    CloseHandle(file);
    for (std::size_t done = 0; done < totalBytes; done += kFileSize)
        area.header.fileSizes.push_back(static_cast<std::int32_t>(kFileSize));
    return ok;
}

void SaveCache(const std::wstring& path, const Area& area) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, area.bytes.data(), static_cast<DWORD>(area.bytes.size()), &written, nullptr);
    CloseHandle(file);
}

int wmain(int argc, wchar_t** argv) {
    const std::size_t megabytes = argc > 1 ? std::wcstoul(argv[1], nullptr, 10) : 192;
    const auto preset = static_cast<std::uint32_t>(argc > 2 ? std::wcstoul(argv[2], nullptr, 10) : 6);
    std::printf("decode-bench: building %zu MB in %zu MB blocks, xz preset %u\n", megabytes, kBlockSize >> 20,
                preset);
    std::fflush(stdout);
    const std::wstring cache = argc > 3 ? argv[3] : L"";
    Area area;
    if (cache.empty() || !LoadCache(cache, area, megabytes << 20)) {
        area = Build(megabytes << 20, preset);
        if (!cache.empty())
            SaveCache(cache, area);
    }
    const double mb = static_cast<double>(megabytes);
    std::printf("decode-bench: stored %.1f MB (ratio %.2f), %u processors\n",
                static_cast<double>(area.bytes.size()) / (1 << 20),
                mb * (1 << 20) / static_cast<double>(area.bytes.size()), WorkerPool::DefaultThreadCount());

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring outputPath = std::wstring(temp) + L"decode-bench.out";
    // Each configuration several times, interleaved, so that a busy moment of a shared
    // machine spoils one figure of each rather than all figures of one.
    struct Config {
        bool write;
        unsigned workers;
        std::vector<double> seconds;
        std::size_t extra = 0;
    };
    std::vector<Config> configs;
    for (const bool write : {false, true})
        for (const unsigned workers : {0u, 1u, 2u, 4u})
            configs.push_back({write, workers, {}, 0});
    for (int round = 0; round < kRounds; ++round) {
        for (Config& config : configs) {
            HANDLE output = INVALID_HANDLE_VALUE;
            if (config.write)
                output =
                    CreateFileW(outputPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            double seconds;
            if (config.workers == 0) {
                InlineJobRunner runner;
                seconds = Run(area, runner, 1, output);
            } else {
                WorkerPool pool(config.workers);
                seconds = Run(area, pool, config.workers + 1, output);
            }
            if (output != INVALID_HANDLE_VALUE)
                CloseHandle(output);
            config.seconds.push_back(seconds);
            config.extra = std::max(config.extra, extraPeak);
        }
    }
    for (Config& config : configs) {
        std::sort(config.seconds.begin(), config.seconds.end());
        const double best = config.seconds.front();
        const double median = config.seconds[config.seconds.size() / 2];
        std::printf(
            "decode-bench: %-11s %-7s best %6.2f s (%6.1f MB/s)  median %6.2f s (%6.1f MB/s)  working set "
            "+%.0f MB\n",
            config.workers == 0 ? "inline" : (std::to_string(config.workers) + " worker(s)").c_str(),
            config.write ? "+write" : "sum", best, best > 0 ? mb / best : 0.0, median,
            median > 0 ? mb / median : 0.0, static_cast<double>(config.extra) / (1 << 20));
    }
    DeleteFileW(outputPath.c_str());
    return 0;
}
