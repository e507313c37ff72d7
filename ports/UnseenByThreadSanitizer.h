#pragma once

// RtMidi's JACK output hands each message to its process callback through libjack's
// lock-free ring buffer, ordered by memory barriers in code that ThreadSanitizer does not
// instrument, so it takes the copies for races; and while it reports one, every JACK
// client of the process misses its cycles and the server drops them. While an object of
// this class lives, the thread's memory accesses are not recorded; elsewhere it is empty.
class UnseenByThreadSanitizer {
public:
    UnseenByThreadSanitizer();
    ~UnseenByThreadSanitizer();
    UnseenByThreadSanitizer(const UnseenByThreadSanitizer&) = delete;
    UnseenByThreadSanitizer& operator=(const UnseenByThreadSanitizer&) = delete;
};
