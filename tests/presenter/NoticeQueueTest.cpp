// One box open at a time: boxes asked for meanwhile wait their turn, in
// order, up to the bound; those beyond it are counted in one log line.

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "presenter/NoticeQueue.h"
#include "presenter/OperatorNotice.h"
#include "tests/presenter/FakePorts.h"

namespace lumiq::test {
namespace {

struct Rig {
    FakeClock clock;
    FakeLog log{clock};
    FakeDialogs boxes; // runs whileOpen inside a box, as its nested loop would
    NoticeQueue queue{boxes, log, 4};
    void ask(const std::string& text) { ShowNotice(queue, text); }
};

TEST(NoticeQueue, BoxesAskedForWhileOneIsOpenFollowItInOrderUpToTheBound) {
    Rig rig;
    rig.boxes.whileOpen = {
        [&] {
            for (const char* text : {"1", "2", "3", "4", "5", "6"})
                rig.ask(text);
            EXPECT_EQ(rig.boxes.shown.size(), 1u); // each returned at once
        },
        [&] { rig.ask("7"); }, // while "1" is open there is room again
    };
    rig.ask("A");
    EXPECT_EQ(rig.boxes.texts(), (std::vector<std::string>{"A", "1", "2", "3", "4", "7"}));
    EXPECT_EQ(rig.log.lines, std::vector<std::string>{"提示过多，另有2条提示未显示"});

    rig.ask("B"); // nothing open: shown at once, no further count
    EXPECT_EQ(rig.boxes.texts().back(), "B");
    EXPECT_EQ(rig.log.lines.size(), 1u);
}

TEST(NoticeQueue, ABoxThatThrowsLeavesNoBoxCountedAsOpen) {
    Rig rig;
    rig.boxes.whileOpen = {[&] {
        rig.ask("queued");
        throw std::runtime_error("no box");
    }};
    EXPECT_THROW(rig.ask("A"), std::runtime_error);
    rig.ask("B");
    EXPECT_EQ(rig.boxes.texts(), (std::vector<std::string>{"A", "B"}));
}

} // namespace
} // namespace lumiq::test
