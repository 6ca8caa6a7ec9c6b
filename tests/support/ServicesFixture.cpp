#include "support/ServicesFixture.h"

#include "support/ProgramFixture.h"

namespace qv::test {

ServicesFixture::ServicesFixture(Clock& clock)
    : loop(clock),
      waits(clock),
      window(loop),
      environment(folder.dir() + "quorvane-cli", testSpecialFolders()),
      settings(&environment),
      hostLookup(waits),
      log(window),
      services{.clock = clock,
               .waits = waits,
               .loop = loop,
               .settings = settings,
               .environment = environment,
               .flags = flags,
               .window = window,
               .log = log,
               .hostLookup = hostLookup,
               .connections = connections,
               .portn = portn,
               .publicLists = publicLists,
               .keys = keys,
               .peerHistory = peerHistory} {
    waits.registerLoop(&loop);
    window.attach(&view);
}

ServicesFixture::~ServicesFixture() {
    window.attach(nullptr);
    waits.registerLoop(nullptr);
}

}  // namespace qv::test
