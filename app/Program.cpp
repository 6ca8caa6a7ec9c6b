#include "app/Program.h"

#include "app/Shutdown.h"
#include "app/Startup.h"
#include "platform/SpecialFolders.h"
#include "platform/TextCodec.h"

namespace qv {
namespace {

EnvironmentTable makeEnvironment(const ProgramSetup& setup) {
    if (setup.specialFolders) return EnvironmentTable(setup.programPath, setup.specialFolders);
    return EnvironmentTable(setup.programPath);
}

}  // namespace

Program::Program(Clock& clock, ProgramSetup setup)
    : clock_(clock),
      setup_(std::move(setup)),
      loop_(clock),
      waits_(clock),
      window_(loop_),
      environment_(makeEnvironment(setup_)),
      settings_(&environment_) {
    waits_.registerLoop(&loop_);
}

Program::~Program() {
    waits_.registerLoop(nullptr);
}

int Program::start(WindowView& view) {
    window_.attach(&view);
    int code = runStartup(*this);
    if (code != kRunning) end(code);
    return code;
}

void Program::close() {
    if (ended()) return;
    runShutdown(*this);
    end(0);
}

void Program::cancel() {
    end(0);
}

void Program::end(int code) {
    exitCode_ = code;
    flags_.listenerStop = 1;
    flags_.clientStop = 1;
    window_.refresh();
    if (WindowView* view = window_.view()) view->endWindow(code);
}

const std::string& Program::defaultTitle() {
    return J("Quorvane「くおるべ」Ver 1.11");
}

void Program::resetTitle() {
    window_.setTitle(defaultTitle());
    window_.refresh();
}

}  // namespace qv
