#pragma once

// Slider moves on their way into the active document's file. Writing the file at every step of a
// drag makes the drag stutter, so the values are held and written together once the moves pause
// (or at once, when something is about to read the file).

#include <QList>
#include <QObject>
#include <QPair>
#include <QString>

class QTimer;

namespace quarbel::ui {

class BatchedStateWrites : public QObject {
    Q_OBJECT

public:
    explicit BatchedStateWrites(QObject* parent);

    // Holds key = value for path; a value held for another file is written first.
    void hold(const QString& path, const QString& key, const QString& value);
    // Writes whatever is held. A file that is gone stays gone; a failed write is not reported.
    void flush();

private:
    QTimer* m_timer = nullptr;
    QString m_path;
    // The keys with their values, in the order first moved.
    QList<QPair<QString, QString>> m_values;
};

} // namespace quarbel::ui
