#pragma once
// A settings store of its own for each test: a fresh domain and a bundle data folder
// the test fills.

#include "kxlib/KXDefaultObserver.h"
#include "kxlib/RbxDefaults.h"
#include "core/Plist.h"
#include "platform/defaults/DefaultsDomain.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        domain = QStringLiteral("test.store%1").arg(++counter);
        writeResource(QStringLiteral("UserDefaults.plist"), kx::plist::writeXml(QVariantMap()));
    }
    void TearDown() override { RbxDefaults::hooks() = RbxDefaultsHooks(); }

    void writeResource(const QString& name, const QByteArray& bytes) {
        QFile f(resources.path() + u'/' + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeDefaults(const QVariantMap& values) {
        writeResource(QStringLiteral("UserDefaults.plist"), kx::plist::writeXml(values));
    }
    // A store as the application makes it at start-up; a second call plays the next launch.
    RbxDefaults& launch() { return RbxDefaults::installFreshForTesting(domain, resources.path()); }
    // Writes the settings file as another program would.
    void writeOutside(const QString& key, const QVariant& value, const QString& otherDomain = QString()) {
        platform::DefaultsDomain file(otherDomain.isEmpty() ? domain : otherDomain, platform::DefaultsDomain::Watch::No);
        ASSERT_TRUE(file.setValue(key, value));
    }
    QVariantMap storedFile() { return platform::DefaultsDomain::readDomain(domain); }

    QTemporaryDir resources;
    QString domain;
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
