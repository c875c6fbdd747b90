#pragma once
// Per-application settings: how each application takes typed and pasted characters and
// how its font is found, kept as data. The bundle's "AppSettings.plist" is extended by
// the files in the support folder's "Application Settings" (a remote update among
// them, and files made by the URL command "appsetting"). For a process, one flat
// dictionary is computed from the entry of its platform and the first entry that
// matches it (desktop entry id, id pattern, creator code, "/" program name, "/" name
// prefix "*").
//
// The class operations work on the process's KXAppSettingsStore, which keeps the
// merged dictionary, the front application's settings and the remote update's clock.

#include "kxlib/KXProcess.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>

class KXAppSettingsStore;

class KXAppSettings {
public:
    // What the lookup needs to know of a process.
    struct ProcessFacts {
        QString identifier;   // desktop entry id, "" when unknown
        QString signature;    // four-character creator code text ("????" when none)
        QString name;         // program name
        QString platform;     // "Cocoa", "Carbon" or "Java"
        QString version;
        int majorVersion = 0;
        static ProcessFacts of(KXProcess& process);
    };

    // ---- the merged dictionary (main thread), of KXAppSettingsStore::shared() ----
    static QVariantMap appSettingsDictionary();
    // Drops the merged dictionary and the front application's settings, and builds the
    // dictionary again.
    static void reloadSettings();
    // The settings of the front process, kept while it stays in front. Without a front
    // process: the settings of no application (the platform defaults).
    static std::shared_ptr<KXAppSettings> settingsForFrontApplication();
    // Fetches a remote update (https only; the file must be named "autoupdate" V
    // ".plist") in the background; ignored within 60 s of the previous call.
    static void updateWithRemoteData(const QString& url);
    // The URL command "appsetting": a report text for "show", else nothing; a refusal
    // (KXURLHandler::refused) for a missing or unusable name or signature, a script name
    // that leads outside the bundle's data folder, and a file that cannot be written or
    // removed.
    static QVariant addAppSettingFromURL(const QUrl& url);

    // ---- instances ----
    // Computed from the process's store (KXAppSettingsStore::shared()) or the one given.
    explicit KXAppSettings(const KXProcess::Ptr& process);  // initWithProcess
    explicit KXAppSettings(const ProcessFacts& facts);
    KXAppSettings(const KXProcess::Ptr& process, KXAppSettingsStore& store);
    KXAppSettings(const ProcessFacts& facts, KXAppSettingsStore& store);

    const QVariantMap& settings() const { return m_settings; }
    QString applicationName() const { return m_facts.name; }
    const ProcessFacts& facts() const { return m_facts; }
    KXProcess::Ptr process() const { return m_process; }
    QString description() const;

    // The setting with an indirection "$(key)" or "$(key)(default)" resolved.
    QVariant objectForKey(const QString& key) const;
    // Its description; a null string when absent.
    QString stringForKey(const QString& key) const;
    bool boolForKey(const QString& key) const { return boolForKey(key, false); }
    bool boolForKey(const QString& key, bool ifAbsent) const;
    int intForKey(const QString& key, int ifAbsent) const;
    float floatForKey(const QString& key, float ifAbsent) const;
    // The user setting of the key when there is one; else the application's value (or
    // the default) raised to the merged dictionary's top-level value of `minimumKey` and
    // to the user setting of `minimumKey`.
    int intForKey(const QString& key, const QString& minimumKey, int ifAbsent) const;
    float floatForKey(const QString& key, const QString& minimumKey, float ifAbsent) const;

    // ---- the rules on their own (tests, tools) ----
    // Builds the merged dictionary from the bundle's dictionary `bundle` and the files of
    // `folder` for the application version `appVersion`.
    static QVariantMap mergeSettings(const QVariantMap& bundle, const QString& folder, const QString& appVersion);
    // "_<n>_or_newer" for the n entries of "OS_Versions" not newer than `systemVersion`;
    // "" when there is none.
    static QString systemSuffix(const QVariantMap& merged, const QString& systemVersion);
    static void applySystemSuffix(QVariantMap& settings, const QString& suffix);
    // The keys tried for an application entry, in order.
    static QStringList lookupCandidates(const ProcessFacts& facts);
    static QVariantMap computeSettings(const QVariantMap& merged, const ProcessFacts& facts, const QString& suffix);
    // "yes"/"true" YES, "no"/"false" NO, otherwise a value's integer value is not 0.
    static bool parseFlag(const QVariant& value);
    // The setting that names a bundle script of the font detection ("%" stands for the
    // program's name).
    static inline const QString ScriptKey = QStringLiteral("fdScript");
    // The text of the settings file the URL command "appsetting" writes.
    static QString settingsFileText(const QVariant& pluginVersion, const QString& signature, const QString& name,
                                    const QVariantMap& settings);
    // Whether a remote update replaces the installed one; logs the reason.
    static bool acceptsUpdate(const QVariantMap& merged, const QVariant& update);

    // The support subfolder "Application Settings".
    static QString settingsFolder();

private:
    void loadSettings(KXAppSettingsStore& store);

    KXProcess::Ptr m_process;
    ProcessFacts m_facts;
    QVariantMap m_settings;
};

// Downloads a remote settings update. Called on a worker thread.
class KXSettingsFetcher {
public:
    virtual ~KXSettingsFetcher() = default;
    // The bytes at the address; nothing (and a log line) when they cannot be had.
    virtual std::optional<QByteArray> fetch(const QUrl& url) = 0;
};

// Fetches over the network (https, 30 s transfer time-out, no less safe redirects).
class KXNetworkFetcher : public KXSettingsFetcher {
public:
    std::optional<QByteArray> fetch(const QUrl& url) override;
};

// The per-application settings of one process: the merged dictionary, built on first
// need, the settings of the front process, and the remote update with its 60-second
// limit. Main thread, but for the worker of a remote update.
class KXAppSettingsStore : public std::enable_shared_from_this<KXAppSettingsStore> {
public:
    // The store of the process (kx::ProcessWide<KXAppSettingsStore>): installed by the
    // composition root, else made on first use with a KXNetworkFetcher.
    static KXAppSettingsStore& shared();
    static std::shared_ptr<KXAppSettingsStore> makeDefault();

    // Remote updates are fetched through `fetcher`.
    explicit KXAppSettingsStore(std::shared_ptr<KXSettingsFetcher> fetcher);

    QVariantMap appSettingsDictionary();
    // The system suffix of the merged dictionary.
    QString systemSuffix();
    void reloadSettings();
    std::shared_ptr<KXAppSettings> settingsForFrontApplication();
    void updateWithRemoteData(const QString& url);
    QVariant addAppSettingFromURL(const QUrl& url);

private:
    void installUpdate(const QUrl& url, const QByteArray& bytes);

    const std::shared_ptr<KXSettingsFetcher> fetcher_;
    std::optional<QVariantMap> merged_;
    QString suffix_;
    std::shared_ptr<KXAppSettings> front_;

    std::mutex clockMutex_;
    bool calledBefore_ = false;
    QDeadlineTimer lastUpdateCall_{QDeadlineTimer::Forever};
};
