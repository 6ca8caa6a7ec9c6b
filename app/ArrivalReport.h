// The program's report of arrived files (peer/server/ArrivalSummary.h): the listener
// and the payload store note each store through the request reactions; a timer on the
// window thread (kArrivalReport, every half second while arrivals wait) writes the
// line of each peer whose transfers have gone quiet to the log and tells the window
// (WindowView::notifyArrival).
//
// Threads: noteSavedFiles on any thread; reportQuietArrivals on the window thread.
#pragma once

#include "peer/server/ArrivalSummary.h"

namespace qv {

class Program;

// Gathers `saved` and makes sure the report timer runs.
void noteSavedFiles(Program& program, const SavedFiles& saved);

// The timer's work: reports the quiet arrivals; the timer stops once none waits.
void reportQuietArrivals(Program& program);

}  // namespace qv
