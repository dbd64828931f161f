// Scratch memory mapped in at once, and the second thread of split work.

#include "platform/large_buffer.h"
#include "platform/side_thread.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <atomic>
#include <cstdint>
#include <thread>
#include <utility>

namespace lumbrel::platform {
namespace {

TEST(LargeBuffer, GivesZeroedWritableMemoryOfEverySize) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{3} << 20, (std::size_t{5} << 20) + 17}) {
        for (const auto touch : {LargeBuffer::Touch::AtOnce, LargeBuffer::Touch::WhenUsed}) {
            LargeBuffer buffer(size, touch);
            ASSERT_NE(buffer.data(), nullptr);
            EXPECT_EQ(buffer.size(), size);
            auto* bytes = buffer.as<std::uint8_t>();
            EXPECT_TRUE(std::all_of(bytes, bytes + size, [](std::uint8_t b) { return b == 0; })) << size;
            std::fill(bytes, bytes + size, std::uint8_t{0xA5});  // all of it may be written
            EXPECT_EQ(bytes[size - 1], 0xA5);
        }
    }
}

TEST(LargeBuffer, MovesOwnership) {
    LargeBuffer first(std::size_t{3} << 20);
    first.as<std::uint8_t>()[100] = 7;
    LargeBuffer second(std::move(first));
    EXPECT_EQ(first.data(), nullptr);
    EXPECT_EQ(first.size(), 0u);
    EXPECT_EQ(second.as<std::uint8_t>()[100], 7);
    LargeBuffer third(64);
    third = std::move(second);
    EXPECT_EQ(third.as<std::uint8_t>()[100], 7);
    EXPECT_EQ(LargeBuffer().data(), nullptr);
}

TEST(SideThread, RunsTheTaskBesideTheCallerAndWaitsForIt) {
    std::atomic<bool> done{false};
    std::thread::id where;
    {
        SideThread side([&] {
            where = std::this_thread::get_id();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            done = true;
        });
    }  // waits for the task
    EXPECT_TRUE(done);
    // With a second processor the task runs on a thread of its own.
    if (SideThread::worthwhile()) {
        EXPECT_NE(where, std::this_thread::get_id());
    }
}

}  // namespace
}  // namespace lumbrel::platform
