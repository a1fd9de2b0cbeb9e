// What the fuzz targets share: failing loudly on a broken property, texts built
// from the fuzz input, and a reading of typed numbers written apart from the
// launcher's own, to check it against.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace tavik::fuzz {

// A broken property is a finding: libFuzzer keeps the input that caused it.
[[noreturn]] inline void fail(const char *property, const QString &detail = {})
{
    std::fprintf(stderr, "PROPERTY BROKEN: %s\n%s\n", property, qUtf8Printable(detail));
    std::abort();
}

inline void check(bool holds, const char *property, const QString &detail = {})
{
    if (!holds)
        fail(property, detail);
}

// A text of up to `maxLength` characters. Most come from `alphabet`, the
// characters the code under test treats specially; the rest are any Unicode
// character but NUL, so no text holds a lone surrogate either.
inline QString consumeText(FuzzedDataProvider &data, std::u16string_view alphabet, std::size_t maxLength)
{
    const std::size_t length = data.ConsumeIntegralInRange<std::size_t>(0, maxLength);
    QString text;
    for (std::size_t i = 0; i < length && data.remaining_bytes() > 0; ++i) {
        const auto pick = data.ConsumeIntegral<std::uint8_t>();
        if (pick < 200 && !alphabet.empty()) {
            text.append(QChar(alphabet[pick % alphabet.size()]));
            continue;
        }
        char32_t codePoint = data.ConsumeIntegralInRange<char32_t>(1, 0x10FFFF);
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF)
            codePoint = 0xFFFD;
        text.append(QString::fromUcs4(&codePoint, 1));
    }
    return text;
}

// The value a typed number stands for, or nothing when the text is no typed
// number (an optional "-", then one or more ASCII digits, nothing else).
// Magnitudes beyond 10^12 read as 10^12.
inline std::optional<long long> referenceNumber(const QString &text)
{
    static const QRegularExpression typedNumber(QStringLiteral("\\A-?[0-9]+\\z"));
    if (!typedNumber.match(text).hasMatch())
        return std::nullopt;
    constexpr long long limit = 1'000'000'000'000LL;
    const bool negative = text.front() == QLatin1Char('-');
    QStringView digits = QStringView(text).mid(negative ? 1 : 0);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits = digits.mid(1);
    long long magnitude = limit;
    if (digits.size() <= 13) { // below 10^13: no overflow
        magnitude = 0;
        for (const QChar digit : digits)
            magnitude = magnitude * 10 + (digit.unicode() - u'0');
        magnitude = std::min(magnitude, limit);
    }
    return negative ? -magnitude : magnitude;
}

} // namespace tavik::fuzz
