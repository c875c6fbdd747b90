#pragma once
// A settings store of its own for each test: a fresh domain and a bundle data folder
// the test fills.

#include "common/ScopedInstance.h"
#include "kxlib/KXDefaultObserver.h"
#include "kxlib/RbxDefaults.h"
#include "core/Plist.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        domain = QStringLiteral("test.store%1").arg(++counter);
        writeResource(QStringLiteral("UserDefaults.plist"), kx::plist::writeXml(QVariantMap()));
    }

    void writeResource(const QString& name, const QByteArray& bytes) {
        QFile f(resources.path() + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeDefaults(const QVariantMap& values) {
        writeResource(QStringLiteral("UserDefaults.plist"), kx::plist::writeXml(values));
    }
    // A store as the application makes it at start-up, installed as the process's store;
    // a second call plays the next launch.
    RbxDefaults& launch(RbxDefaults::Services services = RbxDefaults::Services()) {
        store_.reset();
        store_.emplace(RbxDefaults::open(domain, resources.path(), services));
        return **store_;
    }
    // Writes the settings file as another program would.
    void writeOutside(const QString& key, const QVariant& value, const QString& otherDomain = QString()) {
        platform::DefaultsDomain file(otherDomain.isEmpty() ? domain : otherDomain, platform::DefaultsDomain::Watch::No);
        ASSERT_TRUE(file.setValue(key, value));
    }
    QVariantMap storedFile() { return platform::DefaultsDomain::readDomain(domain); }

    QTemporaryDir resources;
    QString domain;

private:
    std::optional<rbxtest::ScopedInstance<RbxDefaults>> store_;
};

// Stand-ins for the services the application gives the store.
class FakeStoreServices : public RbxFontAvailability, public RbxMenuTheme, public RbxLoginItem {
public:
    // The installed fonts are those listed; any other name gives "SystemFont".
    QString availableFontName(const QString& name) override {
        return installedFonts.contains(name) ? name : QStringLiteral("SystemFont");
    }
    bool isDarkMenuTheme() override { return dark; }
    void updateLoginItem(bool enabled, bool hidden, const QString& namePart) override {
        std::lock_guard lock(mutex);
        lastEnabled = enabled;
        lastHidden = hidden;
        lastNamePart = namePart;
        ++loginItemCalls;
    }
    RbxDefaults::Services all() { return {this, this, this}; }

    QStringList installedFonts;
    bool dark = false;
    std::mutex mutex;
    std::atomic<int> loginItemCalls{0};
    bool lastEnabled = false;
    bool lastHidden = false;
    QString lastNamePart;
};

// Counts the changes it hears of, and where.
class RecordingObserver : public KXDefaultObserver {
public:
    void defaultChanged(const QString& key) override {
        keys << key;
        onMainThread = onMainThread && QThread::currentThread() == QCoreApplication::instance()->thread();
    }
    QStringList keys;
    bool onMainThread = true;
};
