// The two steps that follow the arrival of a list: `ChooseDownloads` opens the pick
// dialog on a public list received from the peer and sends the picks back as
// "** PUB2 **"; `ServeDownloadRequest` queues the files a peer picked from this PC's
// list for sending to it.
//
// Threads: the schedule functions may be called from any thread (the listener calls
// them); they post the one-shot timers 1012 and 1013 to the window thread, where both
// steps run.
#pragma once

namespace qv {

class ClientSide;
struct Services;

// Starts timer 1012 (1000 ms, one-shot): then chooseDownloads.
void scheduleChooseDownloads(Services& services, ClientSide& client);
// Starts timer 1013 (1000 ms, one-shot): then serveDownloadRequest.
void scheduleServeDownloads(Services& services, ClientSide& client);

void chooseDownloads(Services& services, ClientSide& client);
void serveDownloadRequest(Services& services, ClientSide& client);

}  // namespace qv
