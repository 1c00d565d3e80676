#include "platform/threads/ThreadCheck.h"

#ifdef TESSALINE_CHECK_THREADS
#include <QObject>
#include <QThread>
#include <QtGlobal>

void RequireOwnerThread(const QObject* object, const char* call) {
    if (object && object->thread() != QThread::currentThread()) {
        qFatal("%s called off the window's thread: hand the call over (UiThreadCalls::Call)", call);
    }
}
#endif
