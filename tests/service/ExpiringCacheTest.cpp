#include "ExpiringCache.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace verinox::checkd {
namespace {

using namespace std::chrono_literals;

TEST(ExpiringCache, ConcurrentRequestsForOneKeyComputeOnce) {
    ExpiringCache<int> cache(100);
    std::atomic<int> runs = 0;
    std::atomic<bool> release = false;
    std::vector<std::thread> threads;
    std::vector<int> results(8);
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&, i] {
            results[i] = cache.getOrCompute("a@b.de", [&] {
                ++runs;
                while (!release) {
                    std::this_thread::yield();
                }
                return std::pair{42, std::chrono::steady_clock::duration(1h)};
            });
        });
    }
    while (runs == 0) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(50ms);  // let the others reach the cache
    release = true;
    for (auto& t : threads) {
        t.join();
    }
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(results, std::vector<int>(8, 42));
}

TEST(ExpiringCache, KeepsForTheGivenTimeOnly) {
    ExpiringCache<int> cache(100);
    int runs = 0;
    const auto compute = [&](std::chrono::steady_clock::duration keep) {
        return [&runs, keep] { return std::pair{++runs, keep}; };
    };
    EXPECT_EQ(cache.getOrCompute("kept", compute(1h)), 1);
    EXPECT_EQ(cache.getOrCompute("kept", compute(1h)), 1);
    EXPECT_EQ(cache.getOrCompute("unkept", compute(0s)), 2);
    EXPECT_EQ(cache.getOrCompute("unkept", compute(0s)), 3);
}

TEST(ExpiringCache, FailureReachesEveryWaiterAndIsNotKept) {
    ExpiringCache<int> cache(100);
    EXPECT_THROW(cache.getOrCompute("k",
                                    []() -> std::pair<int, std::chrono::steady_clock::duration> {
                                        throw std::runtime_error("lost");
                                    }),
                 std::runtime_error);
    EXPECT_EQ(cache.getOrCompute("k",
                                 [] {
                                     return std::pair{7, std::chrono::steady_clock::duration(1h)};
                                 }),
              7);
}

TEST(ExpiringCache, FullCacheDropsTheLeastRecentlyUsedAndKeepsStoring) {
    ExpiringCache<int> cache(3);
    for (int i = 0; i < 3; ++i) {
        cache.store("k" + std::to_string(i), i, 1h);
    }
    EXPECT_EQ(cache.find("k0"), 0);  // now the most recently used
    for (int i = 3; i < 1000; ++i) {
        cache.store("k" + std::to_string(i), i, 1h);
        EXPECT_EQ(cache.find("k" + std::to_string(i)), i);
        EXPECT_EQ(cache.size(), 3u);
    }
    EXPECT_EQ(cache.find("k1"), std::nullopt);
    EXPECT_EQ(cache.find("k998"), 998);
}

}  // namespace
}  // namespace verinox::checkd
