#include "system/givenfile.h"

#include "system/filenames.h"

#include <QByteArray>
#include <QRegularExpression>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavik {
namespace {

const QLatin1String fileScheme("file:");

bool hasFileScheme(QStringView text) { return text.startsWith(fileScheme, Qt::CaseInsensitive); }

// A scheme and "//", as every URL a file manager or browser hands on has. A
// bare "word:" is not enough: "Zelda: A Link.smc" is a file name.
bool looksLikeUrl(const QString &text)
{
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*://"));
    return scheme.match(text).hasMatch();
}

// The host part of a file: URL, and where its path begins; a URL without "//"
// ("file:/x") has no host.
QStringView urlHost(QStringView uri, qsizetype &pathAt)
{
    pathAt = fileScheme.size();
    if (!uri.mid(pathAt).startsWith(u"//"))
        return {};
    const qsizetype hostAt = pathAt + 2;
    const qsizetype slash = uri.indexOf(u'/', hostAt);
    pathAt = slash < 0 ? uri.size() : slash;
    return uri.mid(hostAt, pathAt - hostAt);
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

bool isLocalFileUrl(QStringView uri)
{
    if (!hasFileScheme(uri))
        return false;
    qsizetype pathAt = 0;
    const QStringView host = urlHost(uri, pathAt);
    return (host.isEmpty() || host.compare(u"localhost", Qt::CaseInsensitive) == 0)
           && uri.mid(pathAt).startsWith(u'/');
}

GivenFile lookAtGivenFile(const QString &given)
{
    QByteArray path;
    bool named = true;
    if (hasFileScheme(given)) {
        if (!isLocalFileUrl(given))
            return refused(given, QStringLiteral("it is not a file on this computer"));
        qsizetype pathAt = 0;
        urlHost(given, pathAt);
        QStringView encoded = QStringView(given).mid(pathAt);
        // A query or a fragment is no part of the file's name; a '?' or '#'
        // in the name itself comes percent-encoded.
        for (const char16_t mark : {u'?', u'#'}) {
            if (const qsizetype end = encoded.indexOf(mark); end >= 0)
                encoded.truncate(end);
        }
        // Percent-decoded to bytes, not to text, so that any name survives.
        path = QByteArray::fromPercentEncoding(fileNameToBytes(encoded, &named));
    } else if (looksLikeUrl(given)) {
        return refused(given, QStringLiteral("it is not a file on this computer"));
    } else {
        path = fileNameToBytes(given, &named);
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
