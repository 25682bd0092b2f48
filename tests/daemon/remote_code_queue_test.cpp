#include "remote_code_queue.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<unsigned> Replay(const std::vector<unsigned>& pushed)
{
    RemoteCodeQueue queue;
    for (unsigned code : pushed) queue.Push(code);
    std::vector<unsigned> replayed;
    while (!queue.Empty()) replayed.push_back(queue.Pop());
    EXPECT_EQ(queue.Pop(), 0u);
    return replayed;
}

TEST(RemoteCodeQueueTest, KeepsTheOrderUpToTheEnd)
{
    struct Case {
        const char* what;
        std::vector<unsigned> pushed;
        std::vector<unsigned> replayed;
    } cases[] = {
        {"an editor's stop and start", {2, 1}, {2, 1}},
        {"two editors one after the other", {2, 1, 2, 1}, {2, 1, 2, 1}},
        {"the codes before an end still run", {1, 2, 3}, {1, 2, 3}},
        {"nothing after an end", {2, 3, 1, 3, 2}, {2, 3}},
        {"unknown codes", {0, 4, 2, 0xFFFFFFFFu, 1}, {2, 1}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(Replay(c.pushed), c.replayed);
    }
}

} // namespace
