// The TEST button, the chat line ("送る") and the chat clear button ("消") of the main
// window.
//
// Threads: window thread. The exchanges pump, so other commands may run nested.
#pragma once

namespace qv {

class Program;

// TEST: asks the peer for "OK" and puts the outcome in front of the lower pane. Returns
// the client result code (ClientResult::kOk on success), or kNotRun when no peer was set.
int runConnectionTest(Program& program);
inline constexpr int kNotRun = -1000;
// 送る: sends the chat text to the peer and shows it as a chat line.
void sendChatLine(Program& program);
// 消: clears both panes.
void clearChat(Program& program);

}  // namespace qv
