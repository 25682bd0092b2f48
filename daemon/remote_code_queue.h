#pragma once

#include <deque>

// The remote-control codes that arrive while the daemon cannot act on them
// (a command set is being built or torn down), kept in their order: an
// editor's stop and start must both be replayed, or the table it wrote
// between them is never loaded.
class RemoteCodeQueue {
public:
    // Appends a start (1), stop (2) or end (3). Unknown codes are dropped, and
    // so is everything after an end: nothing follows the end of the daemon.
    void Push(unsigned code);
    // Removes and returns the oldest code; 0 when there is none.
    unsigned Pop();
    bool Empty() const { return codes_.empty(); }

private:
    std::deque<unsigned> codes_;
};
