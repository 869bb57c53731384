#pragma once

namespace orvex {

// Ends the threads of Qt's global pool (Qt converts large images on them) before main
// returns. Left alive, they are ended by the process's exit wherever they are; on Windows one
// ended while it held the heap's lock leaves the exit waiting on that lock forever, and the
// program never ends. Call it once the event loop and every job are done.
void endPooledThreads();

} // namespace orvex
