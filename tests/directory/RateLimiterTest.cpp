// Per-address request limits with bounded memory, and the probes' steady rate.
#include "directory/RateLimiter.h"

#include <gtest/gtest.h>

#include "directory/TokenBucket.h"

namespace hublane::directory {
namespace {

TEST(RateLimiter, LetsTheLimitThroughInEachWindowPerAddress) {
    RateLimiter limiter(3, 60000, 100);
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(limiter.Allow("80.1.2.3", 1000 + i));
    }
    EXPECT_FALSE(limiter.Allow("80.1.2.3", 2000));
    EXPECT_TRUE(limiter.Allow("80.1.2.4", 2000)) << "another address has its own count";
    EXPECT_FALSE(limiter.Allow("80.1.2.3", 60999));
    EXPECT_TRUE(limiter.Allow("80.1.2.3", 61000)) << "a new window starts a minute after the first request";
    EXPECT_TRUE(limiter.Allow("80.1.2.3", 61001));
    EXPECT_TRUE(limiter.Allow("80.1.2.3", 61002));
    EXPECT_FALSE(limiter.Allow("80.1.2.3", 61003));
}

TEST(RateLimiter, RefusedRequestsDoNotStretchTheWindow) {
    RateLimiter limiter(1, 1000, 10);
    EXPECT_TRUE(limiter.Allow("a", 0));
    for (int t = 100; t < 1000; t += 100) {
        EXPECT_FALSE(limiter.Allow("a", t));
    }
    EXPECT_TRUE(limiter.Allow("a", 1000));
}

TEST(RateLimiter, AFullTableForgetsItsOldestClientInsteadOfRefusingANewOne) {
    RateLimiter limiter(2, 1000, 3);
    EXPECT_TRUE(limiter.Allow("a", 0));
    EXPECT_TRUE(limiter.Allow("a", 1));
    EXPECT_FALSE(limiter.Allow("a", 2));
    EXPECT_TRUE(limiter.Allow("b", 10));
    EXPECT_TRUE(limiter.Allow("c", 20));
    EXPECT_TRUE(limiter.Allow("d", 30)) << "a new client is served when the table is full";
    EXPECT_EQ(limiter.Remembered(), 3u);
    EXPECT_TRUE(limiter.Allow("a", 40)) << "a, the oldest window, was forgotten for d";
    EXPECT_TRUE(limiter.Allow("c", 50));
    EXPECT_FALSE(limiter.Allow("c", 51)) << "c was kept";
    // A flood of new addresses: every one of them is served, and so is the next.
    RateLimiter flooded(60, 60000, 1000);
    for (int i = 0; i < 100500; ++i)
        ASSERT_TRUE(flooded.Allow("10." + std::to_string(i / 65536) + "." + std::to_string(i / 256 % 256) +
                                      "." + std::to_string(i % 256),
                                  i / 100));
    EXPECT_TRUE(flooded.Allow("198.51.100.1", 1006));
}

TEST(RateLimiter, AnIpv6ClientIsItsSlash64) {
    RateLimiter limiter(2, 60000, 100);
    EXPECT_TRUE(limiter.Allow("2001:db8:0:1::1", 0));
    EXPECT_TRUE(limiter.Allow("2001:db8:0:1:ffff:1:2:3", 1));
    EXPECT_FALSE(limiter.Allow("2001:0db8:0000:0001::9", 2)) << "the same /64 written another way";
    EXPECT_TRUE(limiter.Allow("2001:db8:0:2::1", 3)) << "the next /64";
    // IPv4 stays per address, also when it comes mapped into IPv6.
    EXPECT_TRUE(limiter.Allow("198.51.100.7", 4));
    EXPECT_TRUE(limiter.Allow("::ffff:198.51.100.7", 5));
    EXPECT_FALSE(limiter.Allow("198.51.100.7", 6));
    EXPECT_TRUE(limiter.Allow("198.51.100.8", 7));
}

TEST(RateLimiter, MemoryStaysBoundedUnderAFloodOfAddresses) {
    RateLimiter limiter(60, 60000, 1000);
    for (int i = 0; i < 100000; ++i) {
        limiter.Allow(std::to_string(i), i);
        ASSERT_LE(limiter.Remembered(), 1000u);
    }
}

TEST(RateLimiter, ZeroMeansNoLimit) {
    RateLimiter limiter(0, 60000, 1);
    for (int i = 0; i < 1000; ++i) {
        EXPECT_TRUE(limiter.Allow(std::to_string(i), 0));
    }
}

TEST(RateLimiter, AClockThatGoesBackStartsAFreshWindow) {
    RateLimiter limiter(1, 1000, 10);
    EXPECT_TRUE(limiter.Allow("a", 5000));
    EXPECT_FALSE(limiter.Allow("a", 5001));
    EXPECT_TRUE(limiter.Allow("a", 100));
}

TEST(TokenBucket, StartsWithItsBurstThenGivesTheRate) {
    TokenBucket bucket(10, 5);
    EXPECT_EQ(bucket.Take(100, 0), 5u);
    EXPECT_EQ(bucket.Take(100, 0), 0u);
    EXPECT_EQ(bucket.Take(100, 100), 1u);
    EXPECT_EQ(bucket.Take(100, 350), 2u);
    EXPECT_EQ(bucket.Take(1, 10000), 1u);
    EXPECT_EQ(bucket.Take(100, 10000), 4u) << "never more than the burst after a quiet while";
}

TEST(TokenBucket, OverAnyLongSpanGivesAboutTheRate) {
    TokenBucket bucket(20, 10);
    std::size_t total = 0;
    for (std::int64_t t = 0; t <= 60000; t += 7) {
        total += bucket.Take(3, t);
    }
    EXPECT_GE(total, 20u * 60);
    EXPECT_LE(total, 20u * 60 + 10);
}

TEST(TokenBucket, ZeroRateGivesNothing) {
    TokenBucket bucket(0, 10);
    EXPECT_EQ(bucket.Take(5, 0), 0u);
    EXPECT_EQ(bucket.Take(5, 100000), 0u);
}

}  // namespace
}  // namespace hublane::directory
