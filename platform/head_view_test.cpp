#include "platform/head_view.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace zv::platform {
namespace {

struct TempFile {
    TempFile() {
        char name[] = "/tmp/zv-head-XXXXXX";
        fd = ::mkstemp(name);
        path = name;
    }
    ~TempFile() {
        ::close(fd);
        ::unlink(path.c_str());
    }
    void put(std::size_t at, const std::vector<unsigned char>& bytes) const {
        ASSERT_EQ(::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(at)),
                  static_cast<ssize_t>(bytes.size()));
    }
    int fd = -1;
    std::string path;
};

TEST(HeadView, ShowsWritesOfOtherDescriptorsAndZerosOnceTheFileIsCut) {
    TempFile f;
    const std::vector<unsigned char> first(512, 'a');
    f.put(0, first);
    f.put(512, std::vector<unsigned char>(100, 'x')); // beyond the view: not compared
    auto view = HeadView::map(f.fd, first.size());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->equals(first.data()));

    // A write through another descriptor, as another process's commit.
    const int other = ::open(f.path.c_str(), O_RDWR);
    ASSERT_GE(other, 0);
    const unsigned char b = 'b';
    ASSERT_EQ(::pwrite(other, &b, 1, 511), 1);
    EXPECT_FALSE(view->equals(first.data()));
    std::vector<unsigned char> second = first;
    second[511] = 'b';
    EXPECT_TRUE(view->equals(second.data()));

    // Cut under the view: the process goes on and sees a changed header.
    ASSERT_EQ(::ftruncate(other, 0), 0);
    EXPECT_FALSE(view->equals(second.data()));
    EXPECT_TRUE(view->equals(std::vector<unsigned char>(512, 0).data()));
    // Growing again does not bring the cut view back: it stays changed.
    ASSERT_EQ(::pwrite(other, second.data(), second.size(), 0), 512);
    EXPECT_FALSE(view->equals(second.data()));
    ::close(other);

    // A fresh view of the grown file shows it again.
    view = HeadView::map(f.fd, second.size());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(view->equals(second.data()));
}

TEST(HeadView, IsNotMadeForAShortFileAndItsPlacesAreReused) {
    TempFile f;
    f.put(0, std::vector<unsigned char>(100, 'a'));
    EXPECT_EQ(HeadView::map(f.fd, 512), nullptr);
    EXPECT_EQ(HeadView::map(-1, 16), nullptr);
    // More views than the guard watches: the extra ones are refused, and
    // places come back when views go.
    std::vector<std::unique_ptr<HeadView>> views;
    for (int i = 0; i < 300; ++i)
        views.push_back(HeadView::map(f.fd, 16));
    std::size_t made = 0;
    for (const auto& v : views)
        made += v != nullptr;
    EXPECT_GT(made, 0u);
    EXPECT_LT(made, views.size());
    views.clear();
    for (int i = 0; i < 2; ++i)
        EXPECT_NE(HeadView::map(f.fd, 16), nullptr);
}

// A bus error elsewhere is not taken for a cut view: the process ends as it
// would have without views.
TEST(HeadViewDeathTest, LeavesOtherBusErrorsFatal) {
    TempFile f;
    f.put(0, std::vector<unsigned char>(16, 'a'));
    auto view = HeadView::map(f.fd, 16);
    ASSERT_NE(view, nullptr);
    EXPECT_DEATH(
        {
            void* at = ::mmap(nullptr, 4096, PROT_READ, MAP_SHARED, f.fd, 0);
            (void)::ftruncate(f.fd, 0);
            std::printf("%d", *static_cast<volatile const char*>(at));
        },
        "");
}

} // namespace
} // namespace zv::platform
