#include "system/filenames.h"

namespace tavik {
namespace {

constexpr char16_t escapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of `bytes` (shortest
// form, no surrogates, at most U+10FFFF) and its code point; 0 when none.
qsizetype validSequence(const unsigned char *bytes, qsizetype left, char32_t &codePoint)
{
    const unsigned char first = bytes[0];
    if (first < 0x80) {
        codePoint = first;
        return 1;
    }
    qsizetype length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (first >= 0xC2 && first <= 0xDF) {
        length = 2;
        codePoint = first & 0x1F;
    } else if (first >= 0xE0 && first <= 0xEF) {
        length = 3;
        codePoint = first & 0x0F;
        if (first == 0xE0)
            low = 0xA0; // shorter forms are overlong
        else if (first == 0xED)
            high = 0x9F; // U+D800..U+DFFF are no characters
    } else if (first >= 0xF0 && first <= 0xF4) {
        length = 4;
        codePoint = first & 0x07;
        if (first == 0xF0)
            low = 0x90;
        else if (first == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (left < length)
        return 0;
    for (qsizetype i = 1; i < length; ++i) {
        const unsigned char next = bytes[i];
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    return length;
}

bool isEscapedByte(char16_t unit) { return unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF; }

} // namespace

QString fileNameFromBytes(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    QString name;
    name.reserve(size);
    for (qsizetype at = 0; at < size;) {
        char32_t codePoint = 0;
        const qsizetype length = validSequence(data + at, size - at, codePoint);
        if (length == 0) {
            name.append(QChar(char16_t(escapeBase + data[at])));
            ++at;
            continue;
        }
        if (QChar::requiresSurrogates(codePoint)) {
            name.append(QChar(QChar::highSurrogate(codePoint)));
            name.append(QChar(QChar::lowSurrogate(codePoint)));
        } else {
            name.append(QChar(char16_t(codePoint)));
        }
        at += length;
    }
    return name;
}

QByteArray fileNameToBytes(QStringView name, bool *ok)
{
    QByteArray bytes;
    bytes.reserve(name.size() * 3);
    bool whole = true;
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        char32_t codePoint = unit;
        if (QChar::isHighSurrogate(unit) && at + 1 < name.size() && QChar::isLowSurrogate(name[at + 1].unicode())) {
            codePoint = QChar::surrogateToUcs4(unit, name[at + 1].unicode());
            ++at;
        } else if (isEscapedByte(unit)) {
            bytes.append(char(unit - escapeBase));
            continue;
        } else if (QChar::isSurrogate(unit)) {
            whole = false;
            continue;
        }
        if (codePoint < 0x80) {
            bytes.append(char(codePoint));
        } else if (codePoint < 0x800) {
            bytes.append(char(0xC0 | (codePoint >> 6)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else if (codePoint < 0x10000) {
            bytes.append(char(0xE0 | (codePoint >> 12)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        } else {
            bytes.append(char(0xF0 | (codePoint >> 18)));
            bytes.append(char(0x80 | ((codePoint >> 12) & 0x3F)));
            bytes.append(char(0x80 | ((codePoint >> 6) & 0x3F)));
            bytes.append(char(0x80 | (codePoint & 0x3F)));
        }
    }
    if (ok && !whole)
        *ok = false;
    return bytes;
}

QString fileNameForDisplay(const QString &name)
{
    QString shown = name; // shares the text until a mark is due
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        if (QChar::isHighSurrogate(unit) && at + 1 < name.size() && QChar::isLowSurrogate(name[at + 1].unicode()))
            ++at;
        else if (QChar::isSurrogate(unit))
            shown[at] = QChar::ReplacementCharacter;
    }
    return shown;
}

} // namespace tavik
