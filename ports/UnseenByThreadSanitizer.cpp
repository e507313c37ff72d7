#include "UnseenByThreadSanitizer.h"

#if defined(__SANITIZE_THREAD__)
extern "C" void __tsan_ignore_thread_begin();
extern "C" void __tsan_ignore_thread_end();

UnseenByThreadSanitizer::UnseenByThreadSanitizer() {
    __tsan_ignore_thread_begin();
}

UnseenByThreadSanitizer::~UnseenByThreadSanitizer() {
    __tsan_ignore_thread_end();
}
#else
UnseenByThreadSanitizer::UnseenByThreadSanitizer() = default;
UnseenByThreadSanitizer::~UnseenByThreadSanitizer() = default;
#endif
