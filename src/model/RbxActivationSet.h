#pragma once
// The fonts of one drop of font files, activated for this process only so that their
// characters can be browsed without installing them. Sets stay active and listed for
// the life of the process.

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>

class RbxActivationSet {
public:
    // A new set of the files, listed with the activated sets; nullptr when nothing
    // could be activated.
    static std::shared_ptr<RbxActivationSet> activationSetWithFontPaths(const QStringList& paths);
    // The activated sets in order of activation; empty when none was ever made.
    static QList<std::shared_ptr<RbxActivationSet>> activatedFontSets();
    // True when a family came from an activated set.
    static bool isActivatedFont(const QString& family);
    // Forgets the listed sets (the fonts stay active); for tests.
    static void forgetActivatedSets();

    explicit RbxActivationSet(const QStringList& paths);

    // Activates the files; true when at least one family was found.
    bool activate();

    QString name() const { return name_; }
    QString displayName() const { return name_; }
    QStringList fontPaths() const { return fontPaths_; }
    QSet<QString> fontFamilies() const { return fontFamilies_; }

private:
    QString name_;
    QStringList fontPaths_;
    QSet<QString> fontFamilies_;
};
