#include "frontends/qt/PublicFolderDialog.h"

#include <gtest/gtest.h>

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "DesktopWindow.h"
#include "platform/TextCodec.h"

namespace qv::test {
namespace {

using Control = PublicFolderControl;

QStringList column(QTreeWidget* list, int c) {
    QStringList texts;
    for (int row = 0; row < list->topLevelItemCount(); ++row)
        texts << list->topLevelItem(row)->text(c);
    return texts;
}

TEST(DesktopPublicFolderDialog, PeerListSortsSearchesAndWritesBackOnOk) {
    std::vector<std::string> received = {"b.txt\t1500", "a.txt\t900",
                                         J("ガイド.txt") + "\t20000000"};
    PublicFolderSortState sort;
    PublicFolderModel model(PublicFolderMode::ReceivedList, received, sort);
    desktop::PublicFolderDialog dialog(
        model, [](const std::string&) { return std::string(); }, nullptr);
    QTreeWidget* list = dialog.list();
    EXPECT_EQ(dialog.windowTitle(), shown("相手の公開リスト"));
    EXPECT_EQ(list->headerItem()->text(1), shown("DL登録"));
    EXPECT_TRUE(dialog.button(Control::AddFolder)->isHidden());
    EXPECT_EQ(column(list, 2), (QStringList{"900 B", "1.50 KB", "20.0 MB"}));  // sorted by name

    emit list->header()->sectionClicked(2);
    EXPECT_EQ(column(list, 2), (QStringList{"900 B", "1.50 KB", "20.0 MB"}));
    emit list->header()->sectionClicked(2);
    EXPECT_EQ(column(list, 2), (QStringList{"20.0 MB", "1.50 KB", "900 B"}));

    // Marks keep the selection; a double click toggles the selected rows back.
    list->topLevelItem(0)->setSelected(true);
    dialog.button(Control::Register)->click();
    EXPECT_EQ(list->topLevelItem(0)->text(1), shown("○"));
    EXPECT_EQ(dialog.status()->toPlainText(), shown(" 1件を\r\nＤＬ登録しました").remove('\r'));
    EXPECT_EQ(dialog.selectedRows(), std::vector<int>{0});
    emit list->itemDoubleClicked(list->topLevelItem(0), 0);
    EXPECT_EQ(dialog.status()->toPlainText(), shown(" 1件を\r\n登録変更しました").remove('\r'));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QString());
    list->clearSelection();

    dialog.searchEdit()->setText(shown("ｶﾞｲﾄﾞ"));
    dialog.button(Control::SearchRegister)->click();
    EXPECT_EQ(dialog.status()->toPlainText(), shown("3中 1件\r\nヒットしました").remove('\r'));
    EXPECT_EQ(list->topLevelItem(0)->text(0), shown("ガイド.txt"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), shown("○"));

    dialog.button(Control::Ok)->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(received, std::vector<std::string>{J("ガイド.txt") + "\t20000000"});
}

TEST(DesktopPublicFolderDialog, OwnFoldersAddRemoveAndOk) {
    std::vector<std::string> folders = {"/data/b", "/data/a"};
    PublicFolderSortState sort;
    PublicFolderModel model(PublicFolderMode::OwnFolders, folders, sort);
    std::string prompt;
    desktop::PublicFolderDialog dialog(
        model,
        [&prompt](const std::string& text) {
            prompt = text;
            return std::string("/data/c");
        },
        nullptr);
    EXPECT_EQ(dialog.windowTitle(), shown("自分の公開フォルダ"));
    EXPECT_EQ(dialog.button(Control::AddFolder)->text(), shown("公開フォルダ追加"));
    EXPECT_TRUE(dialog.button(Control::Register)->isHidden());
    EXPECT_TRUE(dialog.searchEdit()->isHidden());

    dialog.button(Control::AddFolder)->click();
    EXPECT_EQ(prompt, J("フォルダを選択してください"));
    EXPECT_EQ(folders.size(), 3u);  // added at once, before OK
    EXPECT_EQ(column(dialog.list(), 0), (QStringList{"/data/a", "/data/b", "/data/c"}));

    dialog.list()->topLevelItem(0)->setSelected(true);
    dialog.button(Control::Unregister)->click();
    EXPECT_EQ(column(dialog.list(), 0), (QStringList{"/data/b", "/data/c"}));
    EXPECT_FALSE(dialog.emptyHint()->isVisibleTo(&dialog));
    dialog.list()->selectAll();
    dialog.button(Control::Unregister)->click();
    EXPECT_TRUE(dialog.emptyHint()->isVisibleTo(&dialog));  // says how to add a folder
    dialog.button(Control::Ok)->click();
    EXPECT_TRUE(folders.empty());
}

}  // namespace
}  // namespace qv::test
