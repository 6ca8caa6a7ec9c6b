#include "model/WindowModel.h"

#include <gtest/gtest.h>

#include <thread>

#include "support/RecordingView.h"

namespace qv {
namespace {

class WindowModelTest : public ::testing::Test {
  protected:
    FakeClock clock;
    EventLoop loop{clock};
    WindowModel model{loop};
    test::RecordingView view;
};

TEST_F(WindowModelTest, ChangesReachTheViewOnlyAtRefreshAndInOrder) {
    model.attach(&view);
    model.replacePane(Pane::Upper, "head\r\n");
    model.appendPane(Pane::Upper, "step\r\n");
    model.prependPane(Pane::Lower, "newest\r\n");
    model.setField(Field::Peer, "1.2.3.4");
    EXPECT_TRUE(view.panes.empty());
    model.refresh();
    ASSERT_EQ(view.panes.size(), 3u);
    EXPECT_EQ(view.panes[0].op, PaneOp::Replace);
    EXPECT_EQ(view.panes[1].text, "step\r\n");
    EXPECT_EQ(view.panes[2].op, PaneOp::Prepend);
    EXPECT_EQ(view.shown[static_cast<int>(Field::Peer)], "1.2.3.4");
    EXPECT_EQ(model.pane(Pane::Upper), "head\r\nstep\r\n");
}

TEST_F(WindowModelTest, ReadBackKeepsAFieldWhoseChangeIsStillOnItsWay) {
    model.attach(&view);
    view.typed[static_cast<int>(Field::Buf)] = "8000";
    view.typed[static_cast<int>(Field::Peer)] = "typed-by-user";
    // The listener sets the peer box; the user's stale widget must not undo it.
    std::thread([&] {
        model.setField(Field::Peer, "from-listener");
        model.refresh();
    }).join();
    model.readBack();
    EXPECT_EQ(model.field(Field::Peer), "from-listener");
    EXPECT_EQ(model.field(Field::Buf), "8000");
    loop.pump(10);  // the listener's posted refresh
    EXPECT_EQ(view.shown[static_cast<int>(Field::Peer)], "from-listener");
}

TEST_F(WindowModelTest, ListenerUpdatesArePostedAndShownInTheOrderWritten) {
    model.attach(&view);
    std::thread([&] {
        for (int i = 0; i < 5; ++i) {
            model.appendPane(Pane::Upper, std::to_string(i));
            model.refresh();
        }
    }).join();
    EXPECT_TRUE(view.panes.empty());
    loop.pump(100);
    ASSERT_EQ(view.panes.size(), 5u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(view.panes[i].text, std::to_string(i));
}

TEST_F(WindowModelTest, PanesKeepOnlyTheirNewestText) {
    std::string block(WindowModel::kPaneLimit / 2 + 10, 'a');
    model.appendPane(Pane::Upper, block);
    model.appendPane(Pane::Upper, block + "END");
    EXPECT_EQ(model.pane(Pane::Upper).size(), WindowModel::kPaneLimit);
    EXPECT_EQ(model.pane(Pane::Upper).substr(WindowModel::kPaneLimit - 3), "END");
    model.prependPane(Pane::Lower, block);
    model.prependPane(Pane::Lower, "TOP" + block);
    EXPECT_EQ(model.pane(Pane::Lower).size(), WindowModel::kPaneLimit);
    EXPECT_EQ(model.pane(Pane::Lower).substr(0, 3), "TOP");
}

TEST_F(WindowModelTest, AttachShowsWhatWasSetBeforeTheViewExisted) {
    model.setField(Field::Buf, "4000");
    model.setTitle("title");
    model.attach(&view);
    model.refresh();
    EXPECT_EQ(view.shown[static_cast<int>(Field::Buf)], "4000");
    EXPECT_EQ(view.titles, std::vector<std::string>{"title"});
    EXPECT_TRUE(view.panes.empty());  // empty panes are not shown
}

}  // namespace
}  // namespace qv
