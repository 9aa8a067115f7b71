// The one handle owner: whatever an owner goes through (moves, resets, a release, an out-parameter),
// each handle is closed exactly once, by the closer it came with, and no "none" value is ever closed.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "base/owner.h"

namespace pell {
namespace {

// Two closers (seams) keep their own lists, so a closer that did not travel with its handle shows.
// -1 stands for a second "none" value, as INVALID_HANDLE_VALUE does beside null.
struct Recorder {
    std::vector<int> closed;
};
struct CountingCloser {
    using Handle = int;
    static int None() { return 0; }
    static bool Valid(int h) { return h != 0 && h != -1; }
    void operator()(int h) const { seam->closed.push_back(h); }
    Recorder* seam;
};
using Counted = Owner<CountingCloser>;

struct Case {
    const char* name;
    std::function<void(Recorder& a, Recorder& b)> steps;
    std::vector<int> closedByA, closedByB;
};

TEST(Owner, EachHandleIsClosedOnceByItsOwnCloser) {
    const Case cases[] = {
        {"goes out of scope", [](Recorder& a, Recorder&) { Counted x(1, {&a}); }, {1}, {}},
        {"none values are never closed",
         [](Recorder& a, Recorder&) {
             Counted x(-1, {&a});
             x.reset(0);
             x.reset(-1);
         },
         {}, {}},
        {"reset closes the old one and holds the new",
         [](Recorder& a, Recorder&) {
             Counted x(1, {&a});
             x.reset(2);
             EXPECT_EQ(x.get(), 2);
         },
         {1, 2}, {}},
        {"a move takes the handle and its closer along",
         [](Recorder& a, Recorder& b) {
             Counted x(1, {&a});
             Counted y(std::move(x));
             EXPECT_FALSE(x.valid());
             Counted z(2, {&b});
             z = std::move(y);  // z's own handle goes through b, the moved one later through a
             EXPECT_EQ(z.get(), 1);
         },
         {1}, {2}},
        {"moving onto itself keeps the handle",
         [](Recorder& a, Recorder&) {
             Counted x(1, {&a});
             Counted& same = x;
             x = std::move(same);
             EXPECT_EQ(x.get(), 1);
         },
         {1}, {}},
        {"release gives the handle up unclosed",
         [](Recorder& a, Recorder&) {
             Counted x(1, {&a});
             EXPECT_EQ(x.release(), 1);
         },
         {}, {}},
        {"out closes what was held before it is filled",
         [](Recorder& a, Recorder&) {
             Counted x(1, {&a});
             *x.out() = 3;
             EXPECT_EQ(x.get(), 3);
         },
         {1, 3}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder a, b;
        c.steps(a, b);
        EXPECT_EQ(a.closed, c.closedByA);
        EXPECT_EQ(b.closed, c.closedByB);
    }
}

}  // namespace
}  // namespace pell
