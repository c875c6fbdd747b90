#pragma once
// A private accessibility bus with the registry and one program's tree, served by this
// process (so the program's process is this one) on a thread of their own, since the
// client waits for its answers on the main thread; and the process's AT-SPI client
// pointed at the bus.
#include "common/FakeAtspi.h"
#include "common/PrivateBus.h"
#include "common/ScopedInstance.h"
#include "platform/atspi/Accessible.h"

#include <QJsonDocument>
#include <QThread>
#include <memory>

struct FakeDesktopAccessibility {
    explicit FakeDesktopAccessibility(const QByteArray& treeJson)
        : registryConnection(bus.connect(QStringLiteral("registry"))),
          appConnection(bus.connect(QStringLiteral("app"))),
          clientConnection(bus.connect(QStringLiteral("client"))),
          client(std::make_shared<atspi::Client>(clientConnection)) {
        registry = std::make_unique<rbxtest::FakeAtspiRegistry>(registryConnection);
        app = std::make_unique<rbxtest::FakeAtspiApp>(appConnection, QJsonDocument::fromJson(treeJson).object());
        registry->addApplication(app->service());
        server.start();
        registry->moveToThread(&server);
        app->moveToThread(&server);
    }
    ~FakeDesktopAccessibility() {
        server.quit();
        server.wait();
    }
    bool ready() const { return bus.isRunning() && registry->isRegistered() && appConnection.isConnected(); }

    rbxtest::PrivateBus bus;
    QDBusConnection registryConnection, appConnection, clientConnection;
    rbxtest::ScopedInstance<atspi::Client> client;
    QThread server;
    std::unique_ptr<rbxtest::FakeAtspiRegistry> registry;
    std::unique_ptr<rbxtest::FakeAtspiApp> app;
};

// A text editor: a window with a menu bar of six menus and a focused text whose caret
// sits in DejaVu Serif bold.
inline const QByteArray EditorTree = R"({"role": "application", "name": "editor", "children": [
  {"role": "frame", "name": "Untitled", "states": ["active"], "extents": [100, 100, 400, 300], "children": [
    {"role": "menu bar", "name": "bar", "children": [
      {"role": "menu", "name": "File", "children": [
        {"role": "menu item", "name": "Open\u2026", "actions": ["click"]},
        {"role": "separator", "name": ""},
        {"role": "menu item", "name": "Quit", "disabled": true}]},
      {"role": "menu", "name": "Edit", "children": [
        {"role": "menu item", "name": "Copy"}, {"role": "separator", "name": "-"}]},
      {"role": "menu", "name": "View", "children": [{"role": "menu item", "name": "Zoom"}]},
      {"role": "menu", "name": "Insert", "children": [{"role": "separator", "name": ""}]},
      {"role": "menu", "name": "Format", "children": [
        {"role": "menu item", "name": "Plain Text"},
        {"role": "menu", "name": "Font", "children": [
          {"role": "check menu item", "name": "Bold", "states": ["checked"]},
          {"role": "check menu item", "name": "DejaVu Sans"},
          {"role": "radio menu item", "name": "DejaVu Serif", "states": ["checked"]}]}]},
      {"role": "menu", "name": "Help", "children": [{"role": "menu item", "name": "About"}]}]},
    {"role": "panel", "name": "body", "extents": [100, 130, 400, 270], "children": [
      {"role": "text", "name": "document", "states": ["focused", "editable"], "extents": [110, 140, 380, 250],
       "text": {"caret": 4, "attributes": {"family-name": "DejaVu Serif", "weight": "700", "style": "normal"}}}]}]}]})";
