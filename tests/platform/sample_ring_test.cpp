#include "platform/services/sample_ring.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/deadline.h"

namespace {

using platform::SampleRing;

TEST(SampleRing, KeepsOrderAcrossTheWrapAndRefusesWhatDoesNotFit) {
    SampleRing ring(6);  // rounded up to 8
    EXPECT_EQ(ring.Capacity(), 8u);
    const std::int16_t first[] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ring.Write(first, 6), 6u);
    std::int16_t out[8] = {};
    EXPECT_EQ(ring.Read(out, 4), 4u);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[3], 4);
    const std::int16_t second[] = {7, 8, 9, 10, 11, 12, 13};
    EXPECT_EQ(ring.Write(second, 7), 6u);  // 2 were still unread
    EXPECT_EQ(ring.Available(), 8u);
    EXPECT_EQ(ring.Read(out, 8), 8u);
    const std::int16_t expected[] = {5, 6, 7, 8, 9, 10, 11, 12};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
    EXPECT_EQ(ring.Read(out, 8), 0u);
    EXPECT_EQ(ring.ReadPosition(), 12u);
    EXPECT_EQ(ring.WritePosition(), 12u);
}

TEST(SampleRing, SkipToDropsOnlyWhatWasWrittenBeforeThePosition) {
    SampleRing ring(16);
    const std::int16_t samples[] = {1, 2, 3, 4, 5};
    ring.Write(samples, 3);
    const std::uint64_t mark = ring.WritePosition();
    ring.Write(samples + 3, 2);
    ring.SkipTo(mark);
    std::int16_t out[4] = {};
    EXPECT_EQ(ring.Read(out, 4), 2u);
    EXPECT_EQ(out[0], 4);
    EXPECT_EQ(out[1], 5);
    ring.SkipTo(100);  // never past what was written
    EXPECT_EQ(ring.ReadPosition(), ring.WritePosition());
    ring.SkipTo(1);  // never backwards
    EXPECT_EQ(ring.ReadPosition(), 5u);
}

TEST(SampleRing, PassesEverySampleFromOneThreadToAnotherInOrder) {
    SampleRing ring(64);
    constexpr int kTotal = 200000;
    std::thread producer([&] {
        std::int16_t next = 0;
        int sent = 0;
        while (sent < kTotal) {
            std::int16_t chunk[37];
            const int n = std::min(37, kTotal - sent);
            for (int i = 0; i < n; ++i) chunk[i] = static_cast<std::int16_t>(next + i);
            const std::size_t written = ring.Write(chunk, n);
            next = static_cast<std::int16_t>(next + written);
            sent += static_cast<int>(written);
            if (written == 0) std::this_thread::yield();
        }
    });
    int received = 0;
    bool inOrder = true;
    std::int16_t expected = 0;
    const auto deadline = std::chrono::steady_clock::now() + test_deadline::kLimit;
    while (received < kTotal) {
        if (std::chrono::steady_clock::now() > deadline)
            test_deadline::FailAndExit("only " + std::to_string(received) + " of " +
                                       std::to_string(kTotal) + " samples came within 10 s");
        std::int16_t chunk[29];
        const std::size_t n = ring.Read(chunk, 29);
        for (std::size_t i = 0; i < n; ++i) {
            inOrder = inOrder && chunk[i] == expected;
            expected = static_cast<std::int16_t>(expected + 1);
        }
        received += static_cast<int>(n);
        if (n == 0) std::this_thread::yield();
    }
    test_deadline::JoinWithin(producer, "the producer");
    EXPECT_TRUE(inOrder);
    EXPECT_EQ(received, kTotal);
}

}  // namespace
