#include "core/KXRegularExpression.h"

std::optional<QRegularExpression> KXRegularExpression::regularExpressionWithPattern(const QString& pattern,
                                                                                    int options, QString* error) {
    QRegularExpression::PatternOptions qt = QRegularExpression::UseUnicodePropertiesOption;
    if (options & CaseInsensitive) qt |= QRegularExpression::CaseInsensitiveOption;
    if (options & AllowCommentsAndWhitespace) qt |= QRegularExpression::ExtendedPatternSyntaxOption;
    if (options & DotMatchesLineSeparators) qt |= QRegularExpression::DotMatchesEverythingOption;
    if (options & AnchorsMatchLines) qt |= QRegularExpression::MultilineOption;
    const QString source = (options & IgnoreMetacharacters) ? QRegularExpression::escape(pattern) : pattern;
    QRegularExpression re(source, qt);
    if (!re.isValid()) {
        if (error)
            *error = QStringLiteral("%1 at offset %2").arg(re.errorString()).arg(re.patternErrorOffset());
        return std::nullopt;
    }
    if (error) error->clear();
    return re;
}
