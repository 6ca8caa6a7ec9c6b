#include "app/WindowLog.h"

#include "app/Program.h"
#include "base/TimeText.h"

namespace qv {
namespace {

void show(Program& program) {
    program.window().refresh();
}

}  // namespace

void replaceLog(Program& program, const std::string& text) {
    program.window().replacePane(Pane::Upper, text);
    show(program);
}

void appendLog(Program& program, const std::string& text) {
    program.window().appendPane(Pane::Upper, text);
    show(program);
}

void prependResult(Program& program, const std::string& text) {
    program.window().prependPane(Pane::Lower, text);
    show(program);
}

void pumpAfterLog(Program& program) {
    program.waits().pump(100);
}

std::string nowText(Program& program) {
    return timeText(program.clock());
}

}  // namespace qv
