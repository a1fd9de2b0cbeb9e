#include "system/givenfile.h"

#include "system/filenames.h"

#include <QByteArray>
#include <QRegularExpression>
#include <QUrl>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

// A file: URL, or a scheme and "//", as every URL a file manager or browser
// hands on has. A bare "word:" is not enough: "Zelda: A Link.smc" is a file name.
bool looksLikeUrl(const QString &text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return text.startsWith(QLatin1String("file:"), Qt::CaseInsensitive) || scheme.match(text).hasMatch();
}

GivenFile refused(const QString &given, const QString &reason)
{
    GivenFile file;
    file.message = QStringLiteral("Tavik did not open \"%1\": %2.").arg(fileNameForDisplay(given), reason);
    return file;
}

// The real, absolute form of a folder, or the empty text when it has none.
QString realFolder(const QByteArray &folder)
{
    char resolved[PATH_MAX];
    if (!::realpath(folder.constData(), resolved))
        return {};
    return fileNameFromBytes(resolved);
}

} // namespace

bool isLocalFileUrl(const QUrl &url)
{
    const QString host = url.authority();
    return url.isValid() && url.scheme() == u"file" && (host.isEmpty() || host == u"localhost")
           && url.path().startsWith(u'/');
}

GivenFile lookAtGivenFile(const QString &given)
{
    bool named = true;
    QByteArray path = fileNameToBytes(given, &named);
    if (looksLikeUrl(given)) {
        // QUrl reads bytes past ASCII as UTF-8: they go in percent-encoded,
        // so that a name that is not UTF-8 survives. A query or a fragment is
        // no part of the file's name.
        QByteArray encoded;
        for (const char byte : std::as_const(path))
            encoded += uchar(byte) < 0x80 ? QByteArray(1, byte) : "%" + QByteArray::number(uchar(byte), 16);
        const QUrl url = QUrl::fromEncoded(encoded);
        if (!isLocalFileUrl(url))
            return refused(given, QStringLiteral("it is not a file on this computer"));
        // Percent-decoded to bytes, not to text, so that any name survives.
        path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    }
    if (!named || path.isEmpty() || path.contains('\0'))
        return refused(given, QStringLiteral("it is no file name"));

    // A relative name is taken from the working folder by the system itself,
    // so it works even where that folder's path cannot be spelt out.
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) {
        const int error = errno;
        return refused(given, error == ENOENT ? QStringLiteral("there is no such file")
                                              : QStringLiteral("it cannot be looked at (%1)").arg(qt_error_string(error)));
    }
    if (S_ISDIR(status.st_mode)) {
        GivenFile file;
        file.folder = realFolder(path);
        if (file.folder.isEmpty())
            return refused(given, QStringLiteral("its folder cannot be found (%1)").arg(qt_error_string(errno)));
        file.kind = GivenFile::Kind::Folder;
        return file;
    }
    if (!S_ISREG(status.st_mode))
        return refused(given, QStringLiteral("it is not a regular file"));
    // Non-blocking, so that a file swapped for a pipe since stat cannot hold
    // the program up.
    const int descriptor = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return refused(given, QStringLiteral("it cannot be read (%1)").arg(qt_error_string(errno)));
    ::close(descriptor);

    const qsizetype slash = path.lastIndexOf('/');
    GivenFile file;
    file.fileName = fileNameFromBytes(path.mid(slash + 1));
    file.folder = realFolder(slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash));
    if (file.folder.isEmpty())
        return refused(given, QStringLiteral("its folder cannot be found (%1)").arg(qt_error_string(errno)));
    file.kind = GivenFile::Kind::Rom;
    return file;
}

} // namespace tavik
