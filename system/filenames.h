// File names are bytes, and Qt decodes them as UTF-8, turning every byte that
// is not part of valid UTF-8 into U+FFFD. A name unpacked from an old Latin-1
// or CP437 archive would then come back as another name, one that does not
// exist. These two carry any name through a QString and back unchanged.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace tavik {

// Valid UTF-8 decodes as usual; each byte that is not part of it becomes the
// lone low surrogate U+DC00 + byte (U+DC80..U+DCFF), which no valid UTF-8
// decodes to, so every byte string has a text of its own.
QString fileNameFromBytes(QByteArrayView bytes);

// The bytes fileNameFromBytes() took the text from: lone surrogates
// U+DC80..U+DCFF back to their byte, all else as UTF-8. A text holding any
// other lone surrogate stands for no byte string; then `*ok` (when given) is
// cleared and the bytes are not to be used. `*ok` is never set, so that one
// flag can follow the names of a whole command.
QByteArray fileNameToBytes(QStringView name, bool *ok = nullptr);

// The name as messages show it: each lone surrogate (a byte kept above) as
// the replacement mark U+FFFD, so that the text is valid Unicode.
QString fileNameForDisplay(const QString &name);

} // namespace tavik
