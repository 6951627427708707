#include "ui/runtime/procedure_runtime.h"

#include <QApplication>
#include <QLabel>
#include <QMdiArea>

#include <gtest/gtest.h>

namespace zv::ui {
namespace {

TEST(ProcedureRuntime, ThreadNumbersComeFromAPoolOf64AndReturnWhenWindowsClose) {
    QMdiArea area;
    ProcedureRuntime runtime(&area);
    std::vector<int> threads;
    for (int i = 0; i < 64; ++i)
        threads.push_back(runtime.start([](int t) { return new QLabel(QString::number(t)); }));
    EXPECT_EQ(threads.front(), 1);
    EXPECT_EQ(threads.back(), 64);
    EXPECT_EQ(runtime.start([](int) { return new QLabel; }), 0); // all in use
    EXPECT_EQ(runtime.threadsInUse(), 64);

    runtime.close(8);
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(runtime.window(8), nullptr);
    EXPECT_EQ(runtime.start([](int) { return new QLabel; }, 50000), 8);
    EXPECT_EQ(runtime.stackSize(8), 50000);
    EXPECT_EQ(runtime.start([](int) { return nullptr; }), 0);
}

} // namespace
} // namespace zv::ui
