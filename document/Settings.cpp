#include "document/Settings.h"

#include "document/IniFile.h"

#include <QFileInfo>
#include <utility>

namespace quarbel::document {

Settings::Settings(QString settingsPath, QString appDir)
    : m_path(std::move(settingsPath)), m_appDir(std::move(appDir)) {}

QString Settings::value(const QString& key) const {
    return IniFile::readString(m_path, IniSectionName, key, QString()).trimmed();
}

QString Settings::folderOrAppDir(const QString& key) const {
    const QString folder = value(key);
    return folder.isEmpty() ? m_appDir : folder;
}

bool Settings::rememberFolder(const QString& key, const QString& fullPath, const QString& fileTitle) const {
    const QString folder = folderOfChosenPath(fullPath, fileTitle);
    // A folder that is not there would send the next dialog nowhere.
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        return false;
    }
    return setValue(key, folder);
}

bool Settings::setValue(const QString& key, const QString& value) const {
    return IniFile::writeString(m_path, IniSectionName, key, value);
}

QString folderOfChosenPath(const QString& fullPath, const QString& fileTitle) {
    const qsizetype cut = fileTitle.size() + 1;
    if (fileTitle.isEmpty() || fullPath.size() < cut) {
        return {};
    }
    return fullPath.left(fullPath.size() - cut);
}

} // namespace quarbel::document
