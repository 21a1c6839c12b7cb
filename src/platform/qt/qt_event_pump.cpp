#include "platform/qt/qt_event_pump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace qm {

void QtEventPump::ProcessEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool QtEventPump::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    // The timer's event wakes the blocked wait when the limit passes without other events.
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(limit);
    while (!done()) {
        if (!deadline.isActive()) {
            return done();
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

} // namespace qm
