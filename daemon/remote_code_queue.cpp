#include "remote_code_queue.h"

#include "platform/option_lock.h"

void RemoteCodeQueue::Push(unsigned code)
{
    if (code != kRemoteStartServices && code != kRemoteStopServices && code != kRemoteEndDaemon) return;
    if (!codes_.empty() && codes_.back() == kRemoteEndDaemon) return;
    codes_.push_back(code);
}

unsigned RemoteCodeQueue::Pop()
{
    if (codes_.empty()) return 0;
    const unsigned code = codes_.front();
    codes_.pop_front();
    return code;
}
