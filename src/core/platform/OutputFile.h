#pragma once

#include <QFile>
#include <QString>

namespace orvex {

// The files of the output folder are written where they are named, never where a link
// planted in their place points (an undo file, a marker or an appended log would otherwise
// land in, or overwrite, any file the user may write).

// Throws orvex::Error naming `path` when it is a symbolic link (on Windows, any reparse
// point: a symbolic link, a junction, a mount point). A missing file passes.
void refuseLinkedFile(const QString& path);

// Opens `file` (its name set) with `mode` (QIODevice::WriteOnly, with Append or Truncate)
// after refusing a link in its place; where the system allows it, a link planted between
// the check and the open is refused too. Returns false as QFile::open does, its reason in
// file.errorString(); throws orvex::Error for a link.
bool openUnlinked(QFile& file, QIODevice::OpenMode mode);

// Writes `bytes` to `path` (replacing what it held) through openUnlinked. Returns why it
// failed, or an empty text when the bytes reached the disk.
QString writeUnlinkedFile(const QString& path, const QByteArray& bytes);

} // namespace orvex
