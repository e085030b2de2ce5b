#pragma once

// Reading a grey depth map as a Design image: the map, its grey histogram, the grey values that
// stand for the farthest and the nearest level, and the Design image they give, seen as it changes.
//
// Keys as in the wizard: Enter in a number field moves to OK (the default button), Enter on a
// button presses that button, Escape cancels.

#include "platform/DepthMapFile.h"

#include <QDialog>
#include <QImage>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

namespace quarbel::panes {

class DepthMapDialog : public QDialog {
public:
    // title: the map's file name, for the window's title.
    DepthMapDialog(const platform::DepthMap& map, const QString& title, QWidget* parent = nullptr);

    platform::DepthRange range() const;
    // The Design image of the values chosen now.
    QImage design() const;

    QSpinBox* farBox() const { return m_far; }
    QSpinBox* nearBox() const { return m_near; }
    QCheckBox* invertBox() const { return m_invert; }
    QPushButton* okButton() const { return m_ok; }
    QPushButton* cancelButton() const { return m_cancel; }
    // The preview as last drawn, at the map's own size.
    const QImage& previewImage() const { return m_preview; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void invertToggled(bool blackNear);
    void valuesChanged();

    const platform::DepthMap& m_map;
    QSpinBox* m_far = nullptr;
    QSpinBox* m_near = nullptr;
    QCheckBox* m_invert = nullptr;
    QPushButton* m_ok = nullptr;
    QPushButton* m_cancel = nullptr;
    QLabel* m_previewLabel = nullptr;
    QLabel* m_problem = nullptr;
    QWidget* m_histogram = nullptr;
    QImage m_preview;
};

} // namespace quarbel::panes
