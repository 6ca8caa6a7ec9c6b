// The system's requests to end the program (SIGINT and SIGTERM; Ctrl-C and the
// console's close on Windows) as a request to close the window: the close handling runs on the
// window thread as if the user had closed it, so settings and history are saved.
//
// Threads: blockCloseSignals() on the main thread before any other thread starts
// (threads inherit the mask, so only the watcher receives the signals);
// closeOnSignals() once, after the program exists. The watcher thread only posts to
// the program's loop.
#pragma once

namespace qv {

class Program;

void blockCloseSignals();
// Starts the watcher thread. The program must live until the process ends.
void closeOnSignals(Program& program);

}  // namespace qv
