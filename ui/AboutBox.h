#pragma once

// The About box: product name and version; it has no buttons and is closed with its close box.

#include <QDialog>

namespace quarbel::ui {

class AboutBox : public QDialog {
    Q_OBJECT

public:
    explicit AboutBox(QWidget* parent = nullptr);
};

} // namespace quarbel::ui
