#include "document/DocumentFile.h"

#include "document/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quarbel::document {

namespace {

// Documents are a few KB; a file far beyond any document is not read whole to look for the header.
constexpr qint64 kLargestDocument = 16 * 1024 * 1024;

bool holdsSectionHeader(const QByteArray& bytes) {
    const QByteArray header = '[' + IniSectionName.toLatin1().toLower() + ']';
    qsizetype start = 0;
    // A UTF-8 byte order mark before the first line is not part of it.
    if (bytes.startsWith("\xEF\xBB\xBF")) {
        start = 3;
    }
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0) {
            end = bytes.size();
        }
        if (bytes.mid(start, end - start).trimmed().toLower() == header) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

} // namespace

DocumentFileKind classifyDocumentFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return DocumentFileKind::Missing;
    }
    // Only a regular file is read: a FIFO or a device would block or never end.
    if (!info.isFile() || info.size() > kLargestDocument) {
        return DocumentFileKind::Foreign;
    }
    if (info.size() == 0) {
        return DocumentFileKind::Empty;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return DocumentFileKind::Foreign;
    }
    return holdsSectionHeader(file.read(kLargestDocument)) ? DocumentFileKind::Quarbel
                                                           : DocumentFileKind::Foreign;
}

QString picturePathFromDocument(const QString& documentPath, const QString& picturePath) {
    if (picturePath.isEmpty() || QDir::isAbsolutePath(picturePath)) {
        return picturePath;
    }
    const QDir folder = QFileInfo(documentPath).absoluteDir();
    return QDir::toNativeSeparators(QDir::cleanPath(folder.filePath(picturePath)));
}

} // namespace quarbel::document
