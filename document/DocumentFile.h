#pragma once

// What a file chosen as a document is, before anything reads or writes it.

#include <QString>

namespace quarbel::document {

enum class DocumentFileKind {
    Missing, // no such file: a new document bound to that name
    Empty,   // an empty file: a document with every key missing
    Quarbel, // holds the section "Quarbel Ver.2"
    Foreign, // anything else (a text file, UTF-16, a picture, a folder, a device)
};

DocumentFileKind classifyDocumentFile(const QString& path);

// A picture path as a document names it, made absolute: a relative path is taken from the
// document's folder. Empty stays empty.
QString picturePathFromDocument(const QString& documentPath, const QString& picturePath);

} // namespace quarbel::document
