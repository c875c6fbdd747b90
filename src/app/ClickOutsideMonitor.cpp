#include "app/ClickOutsideMonitor.h"

#include "core/Log.h"
#include "platform/x11/X11RawEvents.h"
#include "platform/x11/X11Session.h"

#include <QTimer>

ClickOutsideMonitor::ClickOutsideMonitor(X11Session& session, QObject* parent) : QObject(parent), session_(session) {}

ClickOutsideMonitor::~ClickOutsideMonitor() = default;

bool ClickOutsideMonitor::start() {
    if (tried_) return isListening();
    tried_ = true;
    if (!session_.isAvailable()) return false;
    events_ = std::make_unique<kx::x11::X11RawEvents>(
        1 << kx::x11::X11RawEvents::ButtonDown,
        [this](const kx::x11::X11RawEvents::Event&) {
            // After the press has reached its window, so that the pointer position and
            // any menu it opened are current.
            QTimer::singleShot(0, this, &ClickOutsideMonitor::pressed);
        },
        &session_);
    if (!events_->isListening()) {
        kx::log(QStringLiteral("could not install event handler (1)"));
        events_.reset();
        return false;
    }
    return true;
}

bool ClickOutsideMonitor::isListening() const { return events_ && events_->isListening(); }
