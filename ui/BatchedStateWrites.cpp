#include "ui/BatchedStateWrites.h"

#include "document/IniFile.h"

#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <utility>

namespace quarbel::ui {

namespace {

// How long the moves must pause before the held values are written.
constexpr int kWriteDelayMs = 250;

} // namespace

BatchedStateWrites::BatchedStateWrites(QObject* parent) : QObject(parent) {
    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("stateWriteTimer"));
    m_timer->setSingleShot(true);
    m_timer->setInterval(kWriteDelayMs);
    connect(m_timer, &QTimer::timeout, this, &BatchedStateWrites::flush);
}

void BatchedStateWrites::hold(const QString& path, const QString& key, const QString& value) {
    if (m_path != path) {
        flush();
        m_path = path;
    }
    auto it = std::find_if(m_values.begin(), m_values.end(),
                           [&key](const QPair<QString, QString>& held) { return held.first == key; });
    if (it != m_values.end()) {
        it->second = value;
    } else {
        m_values.append({key, value});
    }
    if (!m_timer->isActive()) {
        m_timer->start();
    }
}

void BatchedStateWrites::flush() {
    m_timer->stop();
    const QString path = std::exchange(m_path, QString());
    const QList<QPair<QString, QString>> values = std::exchange(m_values, {});
    // A file that is gone was given up by its window (closed, or saved under a new name); it must
    // not come back.
    if (values.isEmpty() || !QFileInfo::exists(path)) {
        return;
    }
    document::IniFile::writeStrings(path, document::IniSectionName, values);
}

} // namespace quarbel::ui
