#pragma once
// Scripts kept in the bundle's data folder ("<name>.sh"), run by /bin/sh with an
// argument list. What a caller hands over always travels as arguments; script text is
// never put together from values (there is no source substitution).
//
// A run has a time-out (10 s unless set); standard input is the null device, the
// working folder the home folder. The result is the script's standard output; error()
// tells why the last run failed ("" when it did not).

#include <QString>
#include <QStringList>

class KXScript {
public:
    // The bundle script "<name>.sh"; an invalid script (and the log line
    // "*** Bundle script \"<name>\" missing.") when there is none, and (logged "*** Bundle
    // script refused: ...") when the name leads outside the bundle's data folder.
    static KXScript bundleScript(const QString& name);
    // Runs the bundle script with the arguments and answers its output ("" when it is
    // missing or fails).
    static QString runBundleScript(const QString& name, const QStringList& arguments = {});

    KXScript() = default;
    // The script file at path (no script when it cannot be read).
    explicit KXScript(const QString& path);

    bool isValid() const { return !path_.isEmpty(); }
    QString path() const { return path_; }
    // The script's text.
    QString source() const;
    void setTimeout(double seconds) { timeout_ = seconds; }

    // Runs the script with the arguments.
    QString run(const QStringList& arguments = {});
    // Calls one of the script's handlers: the handler's name is the first argument,
    // the parameters follow.
    QString runHandler(const QString& handler, const QStringList& parameters);
    QString error() const { return error_; }

private:
    QString path_;
    double timeout_ = 10;
    QString error_;
};
