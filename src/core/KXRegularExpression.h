#pragma once
// Regular expressions: QRegularExpression (PCRE2) is always there.

#include <QRegularExpression>
#include <QString>
#include <optional>

class KXRegularExpression {
public:
    // The option bits callers pass, as the platform's regular-expression class knows them.
    enum Option {
        CaseInsensitive = 1 << 0,
        AllowCommentsAndWhitespace = 1 << 1,
        IgnoreMetacharacters = 1 << 2,
        DotMatchesLineSeparators = 1 << 3,
        AnchorsMatchLines = 1 << 4,
        UseUnixLineSeparators = 1 << 5,
        UseUnicodeWordBoundaries = 1 << 6,
    };

    static bool regexAvailable() { return true; }
    // The compiled pattern, or nothing with the reason in `error` when it is invalid.
    static std::optional<QRegularExpression> regularExpressionWithPattern(const QString& pattern, int options,
                                                                          QString* error = nullptr);
};
