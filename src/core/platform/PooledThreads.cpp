#include "platform/PooledThreads.h"

#include <QThreadPool>

namespace orvex {

void endPooledThreads()
{
    // Waits for what runs, then for every thread, idle ones too, to end.
    QThreadPool::globalInstance()->waitForDone();
}

} // namespace orvex
