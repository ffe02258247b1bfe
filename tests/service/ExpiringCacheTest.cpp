#include "ExpiringCache.h"

#include <gtest/gtest.h>

#include <thread>

namespace verinox::checkd {
namespace {

using namespace std::chrono_literals;

TEST(ExpiringCache, KeepsForTheGivenTimeOnly) {
    ExpiringCache<int> cache(100);
    cache.store("kept", 1, 1h);
    cache.store("unkept", 2, 0s);
    cache.store("brief", 3, 1ms);
    EXPECT_EQ(cache.find("kept"), 1);
    EXPECT_EQ(cache.find("unkept"), std::nullopt);
    std::this_thread::sleep_for(5ms);
    EXPECT_EQ(cache.find("brief"), std::nullopt);
    cache.store("kept", 4, 0s);  // a result that may not be kept drops the older one
    EXPECT_EQ(cache.find("kept"), std::nullopt);
    EXPECT_EQ(cache.size(), 0u);
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
