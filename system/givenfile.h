// A file handed to the program from outside it (its command line, a file
// manager's "Open With", a drop): looked at once, and turned into what the
// ROM chooser would have given, a folder to choose in, or the reason it is
// not taken. Names are as fileNameFromBytes() gives them, so a name that is
// not UTF-8 reaches the emulator byte for byte.
#pragma once

#include <QString>
#include <QUrl>

namespace tavik {

struct GivenFile {
    enum class Kind { Rom, Folder, Refused };
    Kind kind = Kind::Refused;
    // Rom: the bare name the ROM field shows, as the chooser writes it.
    QString fileName;
    // Rom: the folder it lies in, where the emulator will run; Folder: the
    // folder itself. Absolute, with its links resolved.
    QString folder;
    // Refused: a sentence that names what was given and why it was not taken.
    QString message;
};

// `given` is a path (absolute, or relative to the working folder) or a file:
// URL; any other URL names no file here and is refused, as is a file that
// does not exist, cannot be read or is not a regular file.
GivenFile lookAtGivenFile(const QString &given);

// Whether `url` is a file: URL of this computer (no host, or localhost): the
// one kind of dropped item the program can take.
bool isLocalFileUrl(const QUrl &url);

} // namespace tavik
