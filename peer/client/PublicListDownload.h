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

class ClientContext;

// Starts timer 1012 (1000 ms, one-shot): then chooseDownloads.
void scheduleChooseDownloads(ClientContext& context);
// Starts timer 1013 (1000 ms, one-shot): then serveDownloadRequest.
void scheduleServeDownloads(ClientContext& context);

void chooseDownloads(ClientContext& context);
void serveDownloadRequest(ClientContext& context);

}  // namespace qv
