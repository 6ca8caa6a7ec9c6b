// The ids of the main window's timers, all in one list so that no two handlers share
// one. The numbers are those the program has always used; the console front end keeps
// its own timers from 90001 on.
//
// Threads: constants only. A timer is set and killed on the window thread (see
// EventLoop).
#pragma once

namespace qv::timer {

enum Id : int {
    kRateDisplay = 1003,           // the rate display, every second (RateDisplay.h)
    kStartRequestedStream = 1005,  // a stream the peer asked for, one-shot (SpeedTest.h)
    kAutotune = 1006,              // an auto-tune step, every 12 s (Autotune.h)
    kOneSecondTick = 1007,         // counts ProgramFlags::secondsTicked
    kPortNStatus = 1008,           // the PortN indicator, every 10 s (PortNStatus.h)
    kResetStatistics = 1010,       // the reset a second after Stop, one-shot (SpeedTest.h)
    kFileProgress = 1011,          // the send queue's progress (QueueRun.h)
    kPublicListReceived = 1012,    // acting on a received public list (PublicListDownload.h)
    kPicksReceived = 1013,         // serving the picks of our list (PublicListDownload.h)
    kArrivalReport = 1020,         // the report of stored arrivals (ArrivalReport.h)
};

}  // namespace qv::timer
