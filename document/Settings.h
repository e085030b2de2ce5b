#pragma once

// The application settings file (remembered folders, the external editor). Every operation reads
// its key just before its dialog and writes it just after, so there is no copy in memory.

#include <QString>

namespace quarbel::document {

inline const QString SettingsFileName = QStringLiteral("Quarbel2.qbs");

class Settings {
public:
    Settings(QString settingsPath, QString appDir);

    // The stripped value; empty when missing or blank.
    QString value(const QString& key) const;
    // The remembered folder, or the application directory when none is remembered.
    QString folderOrAppDir(const QString& key) const;
    // Writes the folder of fullPath: the path without its last (fileTitle length + 1) characters.
    bool rememberFolder(const QString& key, const QString& fullPath, const QString& fileTitle) const;
    bool setValue(const QString& key, const QString& value) const;

    const QString& path() const { return m_path; }

private:
    QString m_path;
    QString m_appDir;
};

// fullPath without its last (fileTitle length + 1) characters; empty when that cannot be cut.
QString folderOfChosenPath(const QString& fullPath, const QString& fileTitle);

} // namespace quarbel::document
