#include "support/worker_pool.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <set>
#include <string>
#include <vector>

#include "format/checksum.h"
#include "format/data_area_reader.h"
#include "format/decode_ahead.h"

namespace vantrel {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(WorkerPool, JobsRunOnTheWorkersAndWaitReturnsWhenTheirJobIsDone) {
    WorkerPool pool(2);
    ASSERT_EQ(pool.ThreadCount(), 2u);
    const DWORD self = GetCurrentThreadId();
    std::vector<DWORD> ranOn(50, 0);
    std::vector<std::uint64_t> tickets;
    for (std::size_t i = 0; i < ranOn.size(); ++i) {
        tickets.push_back(pool.Start([&ranOn, i] {
            Sleep(i % 5 == 0 ? 2 : 0);
            ranOn[i] = GetCurrentThreadId();
        }));
    }
    std::set<DWORD> threads;
    for (std::size_t i = 0; i < tickets.size(); ++i) {
        pool.Wait(tickets[i]);
        ASSERT_NE(ranOn[i], 0u) << i;  // done once waited for
        EXPECT_NE(ranOn[i], self);
        threads.insert(ranOn[i]);
    }
    EXPECT_LE(threads.size(), 2u);
}

TEST(WorkerPool, TheEndOfThePoolFinishesTheJobsAlreadyStarted) {
    std::atomic<int> done{0};
    {
        WorkerPool pool(2);
        for (int i = 0; i < 20; ++i)
            pool.Start([&done] {
                Sleep(1);
                ++done;
            });
    }
    EXPECT_EQ(done.load(), 20);
}

TEST(WorkerPool, WithoutThreadsJobsRunAtOnce) {
    WorkerPool pool(0);
    EXPECT_EQ(pool.ThreadCount(), 0u);
    DWORD ranOn = 0;
    const std::uint64_t ticket = pool.Start([&ranOn] { ranOn = GetCurrentThreadId(); });
    EXPECT_EQ(ranOn, GetCurrentThreadId());
    pool.Wait(ticket);
}

TEST(WorkerPool, DefaultThreadCountIsBetweenOneAndFour) {
    const unsigned count = WorkerPool::DefaultThreadCount();
    EXPECT_GE(count, 1u);
    EXPECT_LE(count, 4u);
}

TEST(WorkerPool, DecodesADataAreaAheadWithTheSameResultAsDecodingInline) {
    // A 3 MB file and a few small ones, compressed in 64 KB blocks.
    Bytes items;
    PayloadHeader header;
    std::vector<Bytes> files;
    for (std::size_t size : {5000u, 3000000u, 0u, 70000u}) {
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<std::uint8_t>((i * 7) ^ (i >> 9));
        FileRecord record;
        record.name = "f" + std::to_string(files.size());
        const Bytes item = WriteFileItem(record, data);
        items.insert(items.end(), item.begin(), item.end());
        header.fileSizes.push_back(static_cast<std::int32_t>(size));
        files.push_back(std::move(data));
    }
    Bytes area;
    for (std::size_t offset = 0; offset < items.size(); offset += 65536) {
        const Bytes block = WriteDataBlock(
            {items.data() + offset, std::min<std::size_t>(65536, items.size() - offset)}, true, 0, nullptr);
        area.insert(area.end(), block.begin(), block.end());
    }
    for (const unsigned threads : {1u, 2u}) {
        WorkerPool pool(threads);
        MemoryDataAreaSource source(area);
        DecodeAheadBlocks blocks(source, BlockDecoding{true, nullptr}, pool, threads + 1);
        DataAreaReader reader(blocks, header, area.size());
        for (const Bytes& expected : files) {
            StreamedRecord record;
            ASSERT_EQ(reader.Next(record).errorCode, 0);
            Bytes got;
            ASSERT_EQ(reader.ReadData([&](auto piece) { got.insert(got.end(), piece.begin(), piece.end()); }),
                      0);
            EXPECT_EQ(got, expected) << threads;
        }
        StreamedRecord record;
        EXPECT_TRUE(reader.Next(record).finished);
    }
}

}  // namespace
}  // namespace vantrel
