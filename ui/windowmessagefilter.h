#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <functional>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

// The nativeEvent glue shared by the windows: hands a Windows message number to
// handler and, when it is taken, answers 0. Elsewhere nothing is taken and the
// caller falls back to QWidget::nativeEvent.
inline bool handleNativeWindowMessage(const QByteArray &eventType, void *message, long *result,
                                      const std::function<bool(quint32)> &handler)
{
#ifdef Q_OS_WIN
    if (eventType == "windows_generic_MSG" && message) {
        const MSG *msg = static_cast<const MSG *>(message);
        if (handler(msg->message)) {
            if (result)
                *result = 0;
            return true;
        }
    }
#else
    Q_UNUSED(eventType)
    Q_UNUSED(message)
    Q_UNUSED(result)
    Q_UNUSED(handler)
#endif
    return false;
}
