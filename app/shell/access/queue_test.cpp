#include "queue.h"

#include <gtest/gtest.h>

namespace zv::access {
namespace {

struct Row {
    int id;
    char name[8];
};

TEST(Queue, RowsAreAddressedFromOne) {
    Queue<Row> q;
    for (int i : {3, 1, 2}) {
        q.buffer.id = i;
        q.add();
    }
    EXPECT_EQ(q.records(), 3u);
    EXPECT_EQ(q.get(0), kEntryNotFound);
    EXPECT_EQ(q.get(4), kEntryNotFound);
    ASSERT_EQ(q.get(1), 0);
    EXPECT_EQ(q.buffer.id, 3);

    q.buffer.id = 9;
    q.addAt(1);
    ASSERT_EQ(q.get(1), 0);
    EXPECT_EQ(q.buffer.id, 9);
    ASSERT_EQ(q.get(2), 0);
    EXPECT_EQ(q.buffer.id, 3);

    q.buffer.id = 30;
    ASSERT_EQ(q.put(), 0);
    ASSERT_EQ(q.remove(), 0);
    EXPECT_EQ(q.put(), kRecordNotAvailable);
    EXPECT_EQ(q.records(), 3u);
    ASSERT_EQ(q.get(2), 0);
    EXPECT_EQ(q.buffer.id, 1);

    q.sort([](const Row& a, const Row& b) { return a.id < b.id; });
    EXPECT_EQ(q.row(1).id, 1);
    EXPECT_EQ(q.row(3).id, 9);
    q.free();
    EXPECT_EQ(q.records(), 0u);
}

} // namespace
} // namespace zv::access
