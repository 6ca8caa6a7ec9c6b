#include "model/PublicFolderModel.h"

#include <gtest/gtest.h>

#include "platform/TextCodec.h"

namespace qv {
namespace {

using Mode = PublicFolderMode;

std::vector<std::string> column(const PublicFolderModel& model, int index) {
    std::vector<std::string> texts;
    for (const PublicFolderItem& item : model.items())
        texts.push_back(item.cells[index]);
    return texts;
}

class ReceivedListTest : public ::testing::Test {
  protected:
    std::vector<std::string> list{J("ガイド.txt") + "\t1234", J("がいど.txt") + "\t9",
                                  "abc_1.zip\t100",           J("ＡＢＣ１.zip") + "\t10",
                                  "readme.md\t3000000000",    "huge.iso\t5000000000"};
    PublicFolderSortState sort;
    const std::string mark = J("○");
};

TEST_F(ReceivedListTest, OpeningShowsNameMarkAndGroupedSizeSortedByName) {
    list.insert(list.begin() + 2, "");
    list.push_back("after-the-empty-line.txt\t1");
    PublicFolderModel model(Mode::ReceivedList, list, sort);
    ASSERT_EQ(model.items().size(), 2u);  // up to the first empty line
    // Byte order: がいど (0x82) before ガイド (0x83).
    EXPECT_EQ(column(model, 0), (std::vector<std::string>{J("がいど.txt"), J("ガイド.txt")}));
    EXPECT_EQ(column(model, 1), (std::vector<std::string>{"", ""}));
    EXPECT_EQ(column(model, 2), (std::vector<std::string>{"9", "1,234"}));
    EXPECT_EQ(sort.lastColumn, 0);
    EXPECT_EQ(sort.direction, 0);
}

TEST_F(ReceivedListTest, SizesSortAsNumbersBeyondThirtyTwoBitsAndASecondClickReverses) {
    PublicFolderModel model(Mode::ReceivedList, list, sort);
    model.sortByColumn(PublicFolderModel::kSizeColumn);
    std::vector<std::string> ascending{"9", "10", "100", "1,234", "3,000,000,000", "5,000,000,000"};
    EXPECT_EQ(column(model, 2), ascending);
    EXPECT_EQ(sort.direction, 0);
    model.sortByColumn(PublicFolderModel::kSizeColumn);
    EXPECT_EQ(column(model, 2), std::vector<std::string>(ascending.rbegin(), ascending.rend()));
    EXPECT_EQ(sort.direction, 1);
    model.sortByColumn(PublicFolderModel::kSizeColumn);
    EXPECT_EQ(column(model, 2), ascending);
    model.sortByColumn(7);  // no such column: nothing changes
    EXPECT_EQ(sort.lastColumn, PublicFolderModel::kSizeColumn);
}

TEST_F(ReceivedListTest, SortStateSurvivesBetweenOpenings) {
    { PublicFolderModel first(Mode::ReceivedList, list, sort); }
    PublicFolderModel second(Mode::ReceivedList, list, sort);  // column 0 again: descending
    EXPECT_EQ(column(second, 0).front(), J("ガイド.txt"));
    EXPECT_EQ(sort.direction, 1);
}

TEST_F(ReceivedListTest, SearchRegistersFoldedHitsAndSortsThemToTheTop) {
    PublicFolderModel model(Mode::ReceivedList, list, sort);
    model.registerSelected({1});  // an earlier mark that the search leaves alone
    std::string earlier = model.items()[1].cells[0];
    model.searchRegister(J("ｶﾞｲﾄﾞ"));
    EXPECT_EQ(model.statusText(), J("6中 2件\r\nヒットしました"));
    model.searchRegister("ABC");
    EXPECT_EQ(model.statusText(), J("6中 2件\r\nヒットしました"));
    EXPECT_EQ(column(model, 1), (std::vector<std::string>{mark, mark, mark, mark, mark, ""}));
    std::vector<std::string> names = column(model, 0);
    names.pop_back();
    std::sort(names.begin(), names.end());
    std::vector<std::string> expected{J("ガイド.txt"), J("がいど.txt"), "abc_1.zip",
                                      J("ＡＢＣ１.zip"), earlier};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names, expected);
    EXPECT_EQ(sort.lastColumn, PublicFolderModel::kMarkColumn);
    EXPECT_EQ(sort.direction, 1);
}

TEST_F(ReceivedListTest, SearchTextWithoutLettersAsksForOne) {
    PublicFolderModel model(Mode::ReceivedList, list, sort);
    for (const std::string& text : {std::string(), std::string("._- !"), J("・「」")}) {
        model.searchRegister(text);
        EXPECT_EQ(model.statusText(), J("検索文字列を\r\n入力してください"));
    }
    EXPECT_EQ(sort.lastColumn, 0);  // not sorted again
    EXPECT_EQ(column(model, 1), std::vector<std::string>(6, ""));
}

TEST_F(ReceivedListTest, SelectionCommandsCountTheValidSelectedItems) {
    PublicFolderModel model(Mode::ReceivedList, list, sort);
    model.registerSelected({0, 2, 2, -1, 99});
    EXPECT_EQ(model.statusText(), J(" 2件を\r\nＤＬ登録しました"));
    EXPECT_EQ(column(model, 1), (std::vector<std::string>{mark, "", mark, "", "", ""}));
    model.toggleSelected({0, 1});
    EXPECT_EQ(model.statusText(), J(" 2件を\r\n登録変更しました"));
    EXPECT_EQ(column(model, 1), (std::vector<std::string>{"", mark, mark, "", "", ""}));
    model.unregisterSelected({2});
    EXPECT_EQ(model.statusText(), J(" 1件を\r\nＤＬ解除しました"));
    model.registerAll();
    EXPECT_EQ(model.statusText(), J(" すべて\r\nＤＬ登録しました"));
    EXPECT_EQ(column(model, 1), std::vector<std::string>(6, mark));
    model.unregisterAll();
    EXPECT_EQ(model.statusText(), J(" すべて\r\nＤＬ解除しました"));
    EXPECT_EQ(column(model, 1), std::vector<std::string>(6, ""));
    model.removeSelected({0});  // a mode 0 command
    model.addFolder("/srv");
    EXPECT_EQ(model.items().size(), 6u);
    EXPECT_EQ(list.size(), 6u);
}

TEST_F(ReceivedListTest, OkKeepsOnlyTheRegisteredLinesWithPlainSizes) {
    std::vector<std::string> original = list;
    {
        PublicFolderModel model(Mode::ReceivedList, list, sort);
        model.registerAll();
    }  // closed without OK
    EXPECT_EQ(list, original);

    PublicFolderModel model(Mode::ReceivedList, list, sort);
    model.sortByColumn(PublicFolderModel::kSizeColumn);
    model.registerSelected({3, 5});
    model.ok();
    EXPECT_EQ(list, (std::vector<std::string>{J("ガイド.txt") + "\t1234", "huge.iso\t5000000000"}));

    PublicFolderModel none(Mode::ReceivedList, list, sort);
    none.ok();
    EXPECT_TRUE(list.empty());
}

TEST(OwnFoldersTest, AddedFoldersStayWithoutOkAndOkWritesTheItems) {
    std::vector<std::string> list{"/home/b", "/home/a", "/home/c"};
    PublicFolderSortState sort;
    {
        PublicFolderModel model(Mode::OwnFolders, list, sort);
        EXPECT_EQ(column(model, 0), (std::vector<std::string>{"/home/a", "/home/b", "/home/c"}));
        model.addFolder("");  // the chooser was cancelled
        EXPECT_EQ(model.statusText(), "");
        model.addFolder("/srv/pub");
        EXPECT_EQ(model.statusText(), J("１件追加しました"));
        model.removeSelected({0, 2});
        EXPECT_EQ(model.statusText(), J(" 2件を\r\n公開除外しました"));
        model.registerAll();  // a mode 1 command
        EXPECT_EQ(model.items().size(), 2u);
    }  // closed without OK: the removal is lost, the added folder is kept
    EXPECT_EQ(list, (std::vector<std::string>{"/home/b", "/home/a", "/home/c", "/srv/pub"}));

    PublicFolderModel model(Mode::OwnFolders, list, sort);  // sorted descending now
    model.removeSelected({0});
    model.ok();
    EXPECT_EQ(list, (std::vector<std::string>{"/home/c", "/home/b", "/home/a"}));
}

TEST(GroupedSize, PutsSeparatorsBetweenGroupsOfThree) {
    EXPECT_EQ(groupedSize(0), "0");
    EXPECT_EQ(groupedSize(999), "999");
    EXPECT_EQ(groupedSize(1000), "1,000");
    EXPECT_EQ(groupedSize(-1234567), "-1,234,567");
    EXPECT_EQ(groupedSize(9223372036854775807LL), "9,223,372,036,854,775,807");
}

}  // namespace
}  // namespace qv
