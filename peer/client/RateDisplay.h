// `RateDisplay`, the work of timer 1003: once a second, while a test runs in either
// direction and the lower pane does not show the chat, both rate histories shift and
// the lower pane shows the latest and average rates and the send buffer size. The
// listener's count of the receive period just ended is taken with an exchange, so no
// byte is lost or counted twice. When a CSV file is chosen, the period is recorded.
//
// Threads: window thread (a timer handler; it pumps).
#pragma once

namespace qv {

class ClientSide;
struct Services;

void runRateDisplay(Services& services, ClientSide& client);

}  // namespace qv
