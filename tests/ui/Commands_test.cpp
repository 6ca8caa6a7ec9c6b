#include "ui/Commands.h"

#include <gtest/gtest.h>

#include <set>

namespace qv {
namespace {

// A command missing from the list would leave its button dead in both windows, and a
// repeated word would let one console command hide another.
TEST(WindowCommands, EveryCommandIsBoundOnceUnderAWordOfItsOwn) {
    std::set<WindowCommand> ids;
    std::set<std::string_view> words;
    for (const CommandBinding& command : windowCommands()) {
        EXPECT_TRUE(ids.insert(command.id).second);
        EXPECT_TRUE(words.insert(command.word).second) << command.word;
        EXPECT_NE(command.run, nullptr);
        EXPECT_EQ(&commandBinding(command.id), &command);
    }
    EXPECT_EQ(ids.size(), static_cast<std::size_t>(WindowCommand::TcpChange) + 1);
}

}  // namespace
}  // namespace qv
