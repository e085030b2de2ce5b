#include "panes/DepthMapDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

namespace quarbel::panes {

namespace {

// Longer side of the two pictures shown.
constexpr int ShownSide = 240;

QSize shownSize(int width, int height) {
    return QSize(width, height).scaled(ShownSide, ShownSide, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}

QImage greyPicture(const platform::DepthMap& map) {
    QImage image(map.width, map.height, QImage::Format_Grayscale8);
    const int shift = map.maxValue > 255 ? 8 : 0;
    for (int y = 0; y < map.height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < map.width; ++x)
            line[x] = static_cast<uchar>(map.at(x, y) >> shift);
    }
    return image;
}

QPixmap shown(const QImage& image) {
    // Unsmoothed, so that the depth colours stay the colours they are.
    return QPixmap::fromImage(image.scaled(shownSize(image.width(), image.height()), Qt::IgnoreAspectRatio,
                                           Qt::FastTransformation));
}

// The map's greys in 256 bins (a 16-bit map's by its upper byte), with the far and near values
// marked.
class Histogram : public QWidget {
public:
    Histogram(const platform::DepthMap& map, const DepthMapDialog& dialog, QWidget* parent)
        : QWidget(parent), m_dialog(dialog), m_shift(map.maxValue > 255 ? 8 : 0) {
        for (const std::uint16_t value : map.values)
            ++m_bins[static_cast<std::size_t>(value >> m_shift)];
        m_tallest = std::max<qint64>(1, *std::max_element(m_bins.begin(), m_bins.end()));
        setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    }

    QSize sizeHint() const override { return {256 + 2, 72}; }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), palette().base());
        const int h = height() - 2;
        painter.setPen(palette().text().color());
        for (int bin = 0; bin < 256; ++bin) {
            const auto bar = static_cast<int>(m_bins[static_cast<std::size_t>(bin)] * h / m_tallest);
            if (bar > 0)
                painter.drawLine(bin + 1, h + 1, bin + 1, h + 1 - bar);
        }
        const platform::DepthRange range = m_dialog.range();
        painter.setPen(Qt::blue);
        painter.drawLine((range.far >> m_shift) + 1, 0, (range.far >> m_shift) + 1, h + 1);
        painter.setPen(Qt::red);
        painter.drawLine((range.near >> m_shift) + 1, 0, (range.near >> m_shift) + 1, h + 1);
    }

private:
    const DepthMapDialog& m_dialog;
    int m_shift;
    std::array<qint64, 256> m_bins{};
    qint64 m_tallest = 1;
};

} // namespace

DepthMapDialog::DepthMapDialog(const platform::DepthMap& map, const QString& title, QWidget* parent)
    : QDialog(parent), m_map(map) {
    setObjectName(QStringLiteral("DepthMapDialog"));
    setWindowTitle(QStringLiteral("深度マップの読み込み - ") + title);

    auto* mapLabel = new QLabel(this);
    mapLabel->setPixmap(shown(greyPicture(map)));
    mapLabel->setToolTip(QStringLiteral("深度マップ（白が近く、黒が遠い）"));
    m_previewLabel = new QLabel(this);
    m_previewLabel->setObjectName(QStringLiteral("preview"));
    m_previewLabel->setMinimumSize(shownSize(map.width, map.height));
    m_previewLabel->setToolTip(QStringLiteral("デザイン画像（16段階の深さの色）"));
    m_histogram = new Histogram(map, *this, this);

    m_far = new QSpinBox(this);
    m_far->setObjectName(QStringLiteral("far"));
    m_near = new QSpinBox(this);
    m_near->setObjectName(QStringLiteral("near"));
    for (QSpinBox* box : {m_far, m_near}) {
        box->setRange(0, map.maxValue);
        box->setKeyboardTracking(false);
        box->installEventFilter(this);
    }
    const platform::DepthRange defaults = platform::defaultDepthRange(map, false);
    m_far->setValue(defaults.far);
    m_near->setValue(defaults.near);
    m_invert = new QCheckBox(QStringLiteral("反転（黒が近い）(&I)"), this);
    m_invert->setObjectName(QStringLiteral("invert"));
    m_problem = new QLabel(this);

    auto* values = new QFormLayout;
    auto* farCaption = new QLabel(QStringLiteral("遠い値(&F):"), this);
    farCaption->setBuddy(m_far);
    auto* nearCaption = new QLabel(QStringLiteral("近い値(&N):"), this);
    nearCaption->setBuddy(m_near);
    values->addRow(farCaption, m_far);
    values->addRow(nearCaption, m_near);
    values->addRow(m_invert);

    auto* buttons = new QDialogButtonBox(this);
    m_ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    m_cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    m_ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(QStringLiteral("深度マップ"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("デザイン画像"), this), 0, 1);
    grid->addWidget(mapLabel, 1, 0, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(m_previewLabel, 1, 1, Qt::AlignTop | Qt::AlignLeft);
    grid->addWidget(m_histogram, 2, 0);
    grid->addLayout(values, 2, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(m_problem);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_far, &QSpinBox::valueChanged, this, &DepthMapDialog::valuesChanged);
    connect(m_near, &QSpinBox::valueChanged, this, &DepthMapDialog::valuesChanged);
    connect(m_invert, &QCheckBox::toggled, this, &DepthMapDialog::invertToggled);
    valuesChanged();
    m_far->setFocus();
}

platform::DepthRange DepthMapDialog::range() const {
    return platform::DepthRange{m_far->value(), m_near->value()};
}

QImage DepthMapDialog::design() const {
    return platform::designFromDepthMap(m_map, range());
}

void DepthMapDialog::invertToggled(bool) {
    // Black near reads the same map with the two ends exchanged.
    const platform::DepthRange before = range();
    {
        const QSignalBlocker blockFar(m_far);
        const QSignalBlocker blockNear(m_near);
        m_far->setValue(before.near);
        m_near->setValue(before.far);
    }
    valuesChanged();
}

void DepthMapDialog::valuesChanged() {
    const bool usable = m_far->value() != m_near->value();
    m_ok->setEnabled(usable);
    m_problem->setText(usable ? QString() : QStringLiteral("遠い値と近い値を違う値にしてください。"));
    if (usable) {
        m_preview = design();
        m_previewLabel->setPixmap(shown(m_preview));
    }
    m_histogram->update();
}

bool DepthMapDialog::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == m_far || watched == m_near) && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // The typed value counts first; a second Enter then accepts.
            static_cast<QSpinBox*>(watched)->interpretText();
            if (m_ok->isEnabled())
                m_ok->setFocus();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace quarbel::panes
