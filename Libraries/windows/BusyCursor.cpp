#include "BusyCursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace {

constexpr std::chrono::milliseconds kServingInterval{100};

}  // namespace

TBusyCursorAfter::TBusyCursorAfter(std::chrono::milliseconds delay)
    : m_due(std::chrono::steady_clock::now() + delay) {}

TBusyCursorAfter::~TBusyCursorAfter() {
    if (m_shown) QGuiApplication::restoreOverrideCursor();
}

void TBusyCursorAfter::Poll() {
    if (m_shown || std::chrono::steady_clock::now() < m_due) return;
    // The platform shows the new cursor at once; the event loop need not run for it.
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    m_shown = true;
}

void TBusyCursorAfter::PollServingEvents() {
    Poll();
    if (!m_shown) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastServed < kServingInterval) return;
    m_lastServed = now;
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
