#include "ui/StatusPanels.h"

#include "ui/ElidedLabel.h"
#include "ui/SliderBar.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QStatusBar>

namespace quarbel::ui {

namespace {

QLabel* makePanel(QWidget* parent, const QString& name, const QString& label, int minimumWidth) {
    auto* panel = new QLabel(label, parent);
    panel->setObjectName(name);
    panel->setToolTip(label);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panel->setMinimumWidth(minimumWidth);
    panel->setContentsMargins(4, 0, 4, 0);
    return panel;
}

const QString kSizeLabel = QStringLiteral("画像サイズ");

} // namespace

StatusPanels::StatusPanels(QStatusBar& bar) : QObject(&bar) {
    bar.setObjectName(QStringLiteral("StatusBar1"));

    // Panel 1 holds paths of any length; a long one is cut and shown whole as the tool tip.
    m_pathPanel = new ElidedLabel(&bar);
    m_pathPanel->setObjectName(QStringLiteral("Panel1"));
    m_pathPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_pathPanel->setMinimumWidth(200);
    m_pathPanel->setContentsMargins(4, 0, 4, 0);
    m_pathPanel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_panels[1] = m_pathPanel;
    bar.addWidget(m_pathPanel, 1);
    for (const SliderEntry& entry : SliderEntries) {
        QLabel* panel =
            makePanel(&bar, QLatin1String(entry.parameter().key), QString::fromUtf8(entry.caption), 64);
        panel->setAlignment(Qt::AlignCenter);
        m_panels[static_cast<std::size_t>(entry.panel)] = panel;
        bar.addWidget(panel);
    }

    // Panel 5 shows the Stereo image's size beside a small picture.
    auto* sizePanel = new QFrame(&bar);
    sizePanel->setObjectName(QStringLiteral("Size"));
    sizePanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    sizePanel->setToolTip(kSizeLabel);
    auto* layout = new QHBoxLayout(sizePanel);
    layout->setContentsMargins(4, 0, 4, 0);
    layout->setSpacing(4);
    auto* picture = new QLabel(sizePanel);
    picture->setObjectName(QStringLiteral("SizePicture"));
    picture->setPixmap(QIcon(QStringLiteral(":/ui/icons/Size.svg")).pixmap(16, 16));
    auto* text = new QLabel(kSizeLabel, sizePanel);
    text->setObjectName(QStringLiteral("SizeText"));
    text->setMinimumWidth(96);
    layout->addWidget(picture);
    layout->addWidget(text);
    m_panels[5] = text;
    bar.addWidget(sizePanel);
}

QString StatusPanels::text(int panel) const {
    if (panel == 1) {
        return m_pathPanel->fullText();
    }
    return (panel >= 2 && panel <= 5) ? m_panels[static_cast<std::size_t>(panel)]->text() : QString();
}

void StatusPanels::setText(int panel, const QString& text) {
    if (panel == 1) {
        m_pathPanel->setFullText(text);
    } else if (panel >= 2 && panel <= 5) {
        m_panels[static_cast<std::size_t>(panel)]->setText(text);
    }
}

void StatusPanels::reset() {
    setText(1, QString());
    for (const SliderEntry& entry : SliderEntries) {
        setText(entry.panel, QString::fromUtf8(entry.caption));
    }
    setText(5, kSizeLabel);
}

} // namespace quarbel::ui
