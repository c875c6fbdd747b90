#pragma once
// Start-up of the one running copy: the event object on the session bus, the URL
// commands, and the single-instance name. A copy started while another runs hands its
// URLs over instead.

#include "platform/dbus/SingleInstance.h"

#include <QStringList>

namespace kx {

// The arguments that are URLs of the bundle's schemes ("runebox:..."), in order.
QStringList urlArguments(const QStringList& arguments, const QStringList& schemes);

struct InstanceStart {
    singleinstance::Claim claim = singleinstance::Claim::NoBus;
    bool handedOver = false;  // Taken with URLs: the running copy took every URL
    QStringList problems;     // else: each URL it did not take, and why
};

// Exports "/AppleEvents" with the get-URL handler, then claims the single-instance name.
// The running copy (or a copy without a bus) dispatches `urls` itself once the event
// loop runs; a later copy hands them to the running one and waits for its answers.
InstanceStart startInstance(const QStringList& urls);

} // namespace kx
