#include "StubTexts.h"

#include <QLocale>

#include <cmath>

namespace StubTexts {

QString GroupedNumber(std::int64_t value) {
    if (value == 0) return {};
    const QLocale locale;
    QString separator = locale.groupSeparator();
    if (locale.language() == QLocale::C || separator.isEmpty()) separator = QStringLiteral(",");
    const QString digits = QString::number(value < 0 ? -value : value);
    QString grouped;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += separator;
        grouped += digits[i];
    }
    return value < 0 ? u'-' + grouped : grouped;
}

QString SavingText(std::int64_t packedSize, std::int64_t unpackedSize) {
    if (unpackedSize == 0) return QStringLiteral("0%");
    const double saving =
        (1.0 - static_cast<double>(packedSize) / static_cast<double>(unpackedSize)) * 100.0;
    // nearbyint rounds in the current mode, to nearest with halves to even.
    return QString::number(static_cast<std::int64_t>(std::nearbyint(saving))) + u'%';
}

} // namespace StubTexts
