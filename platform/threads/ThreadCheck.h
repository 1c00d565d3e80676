#pragma once

class QObject;

// Qt objects (widgets, the serial port) may only be used on the thread that
// owns them. Checked builds (debug and sanitizer builds, where
// TESSALINE_CHECK_THREADS is set) stop the program with a message naming the
// call when one is used from another thread; a worker that forgets to hand its
// call over then fails every test run, not only a ThreadSanitizer one. Other
// builds check nothing.
#ifdef TESSALINE_CHECK_THREADS
void RequireOwnerThread(const QObject* object, const char* call);
#else
inline void RequireOwnerThread(const QObject*, const char*) {}
#endif
