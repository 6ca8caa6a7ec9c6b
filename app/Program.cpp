#include "app/Program.h"

#include <cassert>

#include "app/Shutdown.h"
#include "app/Startup.h"
#include "base/SettingKeys.h"
#include "peer/client/SendQueue.h"
#include "peer/protocol/ClientError.h"
#include "peer/server/Listener.h"
#include "platform/FolderLocations.h"
#include "platform/TextCodec.h"
#include "ui/CurrentSettings.h"

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
      settings_(&environment_),
      hostLookup_(waits_),
      log_(window_),
      services_{.clock = clock_,
                .waits = waits_,
                .loop = loop_,
                .settings = settings_,
                .environment = environment_,
                .flags = flags_,
                .window = window_,
                .log = log_,
                .hostLookup = hostLookup_,
                .connections = connections_,
                .portn = portn_,
                .publicLists = publicLists_,
                .keys = *this,
                .peerHistory = peerHistory_},
      sendQueue_(std::make_unique<SendQueue>()) {
    waits_.registerLoop(&loop_);
}

Program::~Program() {
    if (listener_) listener_->stop();
    listener_.reset();
    connections_.reset();
    waits_.registerLoop(nullptr);
}

void Program::startListener() {
    listener_ =
        std::make_unique<Listener>(services_, *this, [this] { showCurrentSettings(*this); });
    listener_->start(listeningPort_, setup_.listenSocket);
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

void Program::closeWithoutEnding() {
    runShutdown(*this);
}

void Program::cancel() {
    end(0);
}

void Program::end(int code) {
    exitCode_ = code;
    flags_.listenerStop = 1;
    flags_.clientStop = 1;
    if (listener_) listener_->wake();
    window_.refresh();
    if (WindowView* view = window_.view()) view->endWindow(code);
}

SpeedTestState& Program::speedTest() {
    assert(loop_.onOwnerThread());
    return speedTest_;
}

SendQueue& Program::sendQueue() {
    assert(loop_.onOwnerThread());
    return *sendQueue_;
}

bool Program::handToListener(ConnectionSlot&& slot) {
    if (connections_.claim(std::move(slot)) < 0) return false;
    if (listener_) listener_->wake();
    return true;
}

void Program::runOnListener(std::function<void()> task) {
    if (listener_) {
        listener_->post(std::move(task));
    } else {
        task();
    }
}

}  // namespace qv

namespace qv {

void Program::notePeer(const std::string& peerText) {
    notePeerInHistory(services_, peerText);
}

SecuritySettings Program::securitySettings() {
    SecuritySettings security;
    security.key = settings_.getString(setting::kSecKey);
    security.subKeyTemplate = settings_.getString(setting::kSecSubKey);
    security.keySize = settings_.getNumber(setting::kSecKeySize);
    security.encrypted = encryptedModeSet(settings_);
    return security;
}

ConnectionKey Program::newConnectionKey() {
    // Both ends of an encrypted connection leave the scrambling out.
    if (encryptedModeSet(settings_)) return ConnectionKey{};
    return securityKey_.deriveConnectionKey(securitySettings(), clock_.localTime());
}

SecureMode Program::secureMode() {
    SecuritySettings security = securitySettings();
    SecureMode mode;
    mode.enabled = encryptedModeSet(settings_);
    if (!security.key.empty() && subKeyFollowsClock(security.subKeyTemplate))
        securityKey_.computeSubKey(security, clock_.localTime());
    mode.subKey = securityKey_.subKey();
    mode.key = std::move(security.key);
    return mode;
}

}  // namespace qv
