// Pieces start in order while those started and not handed on fit the limit (a finished piece counting what it
// holds), a piece larger than the limit alone, and are handed on in order whatever order they finish in.

#include "tools/qpack/write/ReorderWindow.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <numeric>

namespace quibel::qpack {
namespace {

TEST(ReorderWindow, HandsOnInOrderHoldingAtMostTheLimit) {
    struct Case {
        const char* what;
        std::vector<std::uint64_t> sizes;
        std::uint64_t limit;
        std::uint64_t shrink;     // a finished piece holds its size divided by this
        std::size_t mostLive[2];  // pieces started and not handed on at most: last started finishing first, or not
    };
    const Case cases[] = {
        {"equal pieces", std::vector<std::uint64_t>(10, 1), 3, 1, {3, 3}},
        {"a piece larger than the limit", {1, 1, 10, 1, 1}, 3, 1, {2, 2}},
        {"the first piece larger than the limit", {10, 1, 1, 1}, 3, 1, {3, 3}},
        {"finished pieces leave room", {4, 4, 4, 4, 4, 4}, 9, 4, {3, 2}},
        {"no room: one at a time", {2, 2, 2}, 0, 1, {1, 1}},
        {"empty pieces take no room", {0, 0, 0}, 0, 1, {3, 3}},
        {"nothing", {}, 4, 1, {0, 0}},
    };
    for (const Case& c : cases) {
        for (const bool lastFirst : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (lastFirst ? ", last started finishes first" : ", in order"));
            ReorderWindow window(c.sizes, c.limit);
            std::vector<std::uint64_t> counted(c.sizes.size());
            std::deque<std::size_t> inFlight;
            std::vector<std::size_t> handedOn;
            std::uint64_t liveBytes = 0;
            std::size_t live = 0;
            std::size_t mostLive = 0;
            for (int step = 0; !window.AllHandedOn() && step < 100; ++step) {
                while (const auto started = window.Start()) {
                    inFlight.push_back(*started);
                    liveBytes += counted[*started] = c.sizes[*started];
                    mostLive = std::max(mostLive, ++live);
                }
                EXPECT_TRUE(liveBytes <= c.limit || live == 1) << liveBytes << " bytes in " << live << " pieces";
                ASSERT_FALSE(inFlight.empty()) << "nothing may start and nothing is in flight";
                const std::size_t done = lastFirst ? inFlight.back() : inFlight.front();
                lastFirst ? inFlight.pop_back() : inFlight.pop_front();
                window.Finish(done, c.sizes[done] / c.shrink);
                liveBytes -= counted[done] - c.sizes[done] / c.shrink;
                counted[done] = c.sizes[done] / c.shrink;
                for (; window.TurnIsReady(); window.HandedOn()) {
                    handedOn.push_back(window.Turn());
                    liveBytes -= counted[window.Turn()];
                    --live;
                }
            }
            std::vector<std::size_t> ascending(c.sizes.size());
            std::iota(ascending.begin(), ascending.end(), std::size_t{0});
            EXPECT_EQ(handedOn, ascending);
            EXPECT_EQ(mostLive, c.mostLive[lastFirst ? 0 : 1]);
        }
    }
}

}  // namespace
}  // namespace quibel::qpack
