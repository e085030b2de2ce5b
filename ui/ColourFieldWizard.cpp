#include "ui/ColourFieldWizard.h"

#include "document/AppPaths.h"
#include "document/Parameters.h"
#include "document/Settings.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>

namespace quarbel::ui {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPictureFilter = QStringLiteral("すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|"
                                              "JPEG(*.jpg)|*.jpg|GIF(*.gif)|*.gif|WMF(*.wmf)|*.wmf");
const char* const kDirKeys[] = {"picDesignDir", "picFieldDir"};

constexpr int kHandOverDelayMs = 50;
constexpr int kDefaultRittaido = document::DepthParameter.defaultValue;
constexpr int kMaxKurikaesi = document::RepeatWidthParameter.maximum;
constexpr int kMaxRittaido = document::DepthParameter.maximum;

// The window's default size in pixels; the layouts may make it larger for larger fonts.
constexpr int kFormWidth = 440;
constexpr int kFormHeight = 300;
constexpr int kPreviewBox = 60;

// Short texts keep one line and widen the window when they need to; long ones wrap.
QLabel* makeLabel(QWidget* parent, const QString& text, const QString& name = {}, bool wrap = false) {
    auto* label = new QLabel(text, parent);
    label->setWordWrap(wrap);
    if (wrap) {
        // Wrapped text asks for a generous width of its own; the window's default width decides.
        label->setMinimumWidth(160);
    }
    if (!name.isEmpty()) {
        label->setObjectName(name);
    }
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& caption, const QString& name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    // Enter presses the focused button (the wizard's event filter does that); elsewhere it presses
    // the page's forward button, never a button that merely had the focus once.
    button->setAutoDefault(false);
    return button;
}

QFrame* makeLine(QWidget* parent, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QString sizeText(QSize size) {
    return QString::number(size.width()) + QStringLiteral("×") + QString::number(size.height());
}

} // namespace

EntryKey classifyEntryKey(const QKeyEvent& event) {
    const int key = event.key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        return EntryKey::Enter;
    }
    // Pasting or cutting would change the text in ways typing may not.
    if (event.matches(QKeySequence::Paste) || event.matches(QKeySequence::Cut)) {
        return EntryKey::Discard;
    }
    if (key == Qt::Key_Delete || key == Qt::Key_Tab || key == Qt::Key_Backtab || key == Qt::Key_Escape) {
        return EntryKey::PassThrough;
    }
    const QString text = event.text();
    if (text.isEmpty()) {
        return EntryKey::PassThrough;
    }
    if (text.size() == 1 && text.at(0) >= QLatin1Char('0') && text.at(0) <= QLatin1Char('9')) {
        return EntryKey::Accept;
    }
    return EntryKey::Discard;
}

QSizeF wizardPreviewSize(QSize picture) {
    const double w = picture.width();
    const double h = picture.height();
    if (w <= 0 || h <= 0) {
        return {};
    }
    if (w > h) {
        return {WizardPreviewSide, h / w * WizardPreviewSide};
    }
    if (w < h) {
        return {w / h * WizardPreviewSide, WizardPreviewSide};
    }
    return {WizardPreviewSide, WizardPreviewSide};
}

int leadingNumber(const QString& text) {
    qsizetype i = 0;
    while (i < text.size() && text.at(i).isSpace()) {
        ++i;
    }
    int value = 0;
    for (; i < text.size() && text.at(i) >= QLatin1Char('0') && text.at(i) <= QLatin1Char('9'); ++i) {
        // The fields hold at most three digits; anything longer is out of range anyway.
        if (value > 100000) {
            break;
        }
        value = value * 10 + (text.at(i).unicode() - '0');
    }
    return value;
}

QString elidedPath(const QString& path, const QFontMetrics& metrics, int width) {
    const QString shown = QDir::toNativeSeparators(path);
    if (metrics.horizontalAdvance(shown) <= width) {
        return shown;
    }
    const qsizetype cut = shown.lastIndexOf(QDir::separator());
    if (cut < 0) {
        return shown;
    }
    // The name and its separator stay; the folder gets what room is left, shortened in the middle.
    const QString name = shown.mid(cut);
    const int room = width - metrics.horizontalAdvance(name);
    const QString folder = metrics.elidedText(shown.left(cut), Qt::ElideMiddle, std::max(room, 0));
    return (folder.isEmpty() ? QStringLiteral("…") : folder) + name;
}

QString wizardTemporaryFile(const QString& dir, const QString& avoid) {
    const auto candidate = [&dir](int n) {
        return document::pathInDir(dir, QStringLiteral("TMP") + QString::number(n) + QStringLiteral(".bmp"));
    };
    const auto free = [&avoid](const QString& path) { return path != avoid && !QFileInfo::exists(path); };
    // A random name keeps two running copies of the program apart; an existing file is never replaced.
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString path = candidate(QRandomGenerator::global()->bounded(10000, 100000));
        if (free(path)) {
            return path;
        }
    }
    for (int n = 10000; n <= 99999; ++n) {
        if (const QString path = candidate(n); free(path)) {
            return path;
        }
    }
    return {};
}

ColourFieldWizard::ColourFieldWizard(document::AppState& state, platform::Dialogs& dialogs, QTimer& timForWiz,
                                     QWidget* parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_timForWiz(timForWiz) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("カラーフィールド　ウィザード"));
    buildPages();
    resize(kFormWidth, kFormHeight);
}

ColourFieldWizard::~ColourFieldWizard() = default;

void ColourFieldWizard::buildPages() {
    auto* pages = new QGridLayout;
    for (std::size_t page = 0; page < m_picContena.size(); ++page) {
        auto* container = new QWidget(this);
        container->setObjectName(QStringLiteral("picContena_%1").arg(page));
        // The three pages share one place; only the visible one is laid out.
        pages->addWidget(container, 0, 0);
        m_picContena[page] = container;
    }
    buildPictureChoicePage();
    buildParameterPage();
    buildSummaryPage();

    m_line1 = makeLine(this, "Line1");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(pages, 1);
    layout->addWidget(m_line1);
    layout->addSpacing(6);
    layout->addLayout(buildButtons());
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->installEventFilter(this);
    }
}

// Page 0: the two pictures, each with its button, its path and size, and a preview.
void ColourFieldWizard::buildPictureChoicePage() {
    QWidget* page0 = m_picContena[0];
    auto* grid0 = new QGridLayout(page0);
    grid0->setContentsMargins(0, 0, 0, 0);
    grid0->setColumnStretch(1, 1);
    grid0->setColumnMinimumWidth(2, kPreviewBox);
    static const char* const kPrompts[] = {"デザイン画像を指定してください...",
                                           "フィールド画像の元となる画像を指定してください..."};
    for (int index = 0; index < 2; ++index) {
        const auto i = static_cast<std::size_t>(index);
        const int row = index * 4;
        grid0->addWidget(
            makeLabel(page0, QString::fromUtf8(kPrompts[i]), QStringLiteral("Label1_%1").arg(index)), row, 0,
            1, 3);
        m_cmdSansyou[i] =
            makeButton(page0, QStringLiteral("参照"), QStringLiteral("cmdSansyou_%1").arg(index));
        grid0->addWidget(m_cmdSansyou[i], row + 1, 0, Qt::AlignTop);
        // One line, the file name always whole: the folder gives way in the middle.
        m_lblDesign[i] = new QLabel(page0);
        m_lblDesign[i]->setObjectName(QStringLiteral("lblDesign_%1").arg(index));
        m_lblDesign[i]->setTextFormat(Qt::PlainText);
        m_lblDesign[i]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        m_lblDesign[i]->installEventFilter(this);
        grid0->addWidget(m_lblDesign[i], row + 1, 1);
        m_lblSize1[i] = makeLabel(page0, {}, QStringLiteral("lblSize1_%1").arg(index));
        grid0->addWidget(m_lblSize1[i], row + 2, 1, Qt::AlignTop);
        auto* preview = new QLabel(page0);
        preview->setObjectName(index == 0 ? QStringLiteral("picD") : QStringLiteral("picFmoto"));
        preview->setScaledContents(true);
        preview->setFixedSize(1, 1);
        preview->hide();
        m_previews[i] = preview;
        grid0->addWidget(preview, row + 1, 2, 2, 1, Qt::AlignLeft | Qt::AlignTop);
        grid0->setRowMinimumHeight(row + 2, kPreviewBox - m_cmdSansyou[i]->sizeHint().height());
        connect(m_cmdSansyou[i], &QPushButton::clicked, this, [this, index] { cmdSansyou_Click(index); });
    }
    grid0->addWidget(makeLine(page0, "Line2"), 3, 0, 1, 3);
    grid0->setRowStretch(8, 1);
}

// Page 1: repeat width and depth.
void ColourFieldWizard::buildParameterPage() {
    QWidget* page1 = m_picContena[1];
    auto* grid1 = new QGridLayout(page1);
    grid1->setContentsMargins(0, 0, 0, 0);
    grid1->setColumnStretch(0, 1);
    grid1->setVerticalSpacing(24);
    grid1->addWidget(
        makeLabel(page1,
                  QStringLiteral("繰り返し幅（ピクセル）を指定してください。（通常は、右の値でOKです）"),
                  QStringLiteral("Label2_3"), true),
        1, 0);
    grid1->addWidget(makeLabel(page1, QStringLiteral("立体度を指定してください。（0～50）"),
                               QStringLiteral("Label2_4"), true),
                     2, 0);
    const auto makeField = [this, page1](int maxLength, const char* name) {
        auto* field = new QLineEdit(page1);
        field->setObjectName(QLatin1String(name));
        field->setMaxLength(maxLength);
        field->setFixedWidth(60);
        // Pasting through the context menu bypasses the key filter; the text stays digits only.
        field->setValidator(
            new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
        field->installEventFilter(this);
        return field;
    };
    m_txtKurikaesi = makeField(3, "txtKurikaesi");
    m_txtRittaido = makeField(2, "txtRittaido");
    grid1->addWidget(m_txtKurikaesi, 1, 1);
    grid1->addWidget(m_txtRittaido, 2, 1);
    grid1->setRowStretch(0, 1);
    grid1->setRowStretch(3, 1);
}

// Page 2: the summary.
void ColourFieldWizard::buildSummaryPage() {
    QWidget* page2 = m_picContena[2];
    auto* grid2 = new QGridLayout(page2);
    grid2->setContentsMargins(0, 0, 0, 0);
    grid2->setColumnStretch(1, 1);
    grid2->setVerticalSpacing(10);
    static const char* const kSummary[] = {"デザイン画像の大きさ ", "フィールド画像の元となる画像の大きさ ",
                                           "繰り返し幅 ", "立体度"};
    for (int row = 0; row < 4; ++row) {
        const auto i = static_cast<std::size_t>(row);
        grid2->addWidget(
            makeLabel(page2, QString::fromUtf8(kSummary[i]), QStringLiteral("Label4_%1").arg(row)), row, 0);
        m_lblSize3[i] = makeLabel(page2, {}, QStringLiteral("lblSize3_%1").arg(row));
        grid2->addWidget(m_lblSize3[i], row, 1);
    }
    grid2->addWidget(makeLabel(page2,
                               QStringLiteral("以上でよろしければ、完了ボタンをクリックしてください。"),
                               QStringLiteral("Label4_4"), true),
                     4, 0, 1, 2);
    grid2->setRowStretch(5, 1);
}

QHBoxLayout* ColourFieldWizard::buildButtons() {
    m_cmdBack = makeButton(this, QStringLiteral("<  戻る"), QStringLiteral("cmdBack"));
    m_cmdNext = makeButton(this, QStringLiteral("次へ >"), QStringLiteral("cmdNext"));
    m_cmdCompreat = makeButton(this, QStringLiteral("完了"), QStringLiteral("cmdCompreat"));
    m_cmdCancel = makeButton(this, QStringLiteral("キャンセル"), QStringLiteral("cmdCancel"));
    connect(m_cmdBack, &QPushButton::clicked, this, &ColourFieldWizard::cmdBack_Click);
    connect(m_cmdNext, &QPushButton::clicked, this, &ColourFieldWizard::cmdNext_Click);
    connect(m_cmdCompreat, &QPushButton::clicked, this, &ColourFieldWizard::cmdCompreat_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ColourFieldWizard::cmdCancel_Click);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton* button : {m_cmdBack, m_cmdNext, m_cmdCompreat}) {
        buttons->addWidget(button);
    }
    buttons->addSpacing(6);
    buttons->addWidget(m_cmdCancel);
    return buttons;
}

void ColourFieldWizard::Form_Load() {
    centreOnScreen();
    // The layout centres the page above Line1.
    for (std::size_t page = 0; page < m_picContena.size(); ++page) {
        m_picContena[page]->setVisible(page == 0);
    }
    m_cmdCancel->setEnabled(true);
    m_cmdBack->setEnabled(false);
    m_cmdNext->setEnabled(false);
    m_cmdCompreat->setEnabled(false);
    for (std::size_t i = 0; i < 2; ++i) {
        setChosenPath(static_cast<int>(i), {});
        m_lblSize1[i]->clear();
    }
    setForwardButton(m_cmdNext);
    m_cmdSansyou[0]->setFocus(Qt::OtherFocusReason);
    // A hand-over that never ran must not be taken for this run's.
    m_state.WizardDone = false;
}

void ColourFieldWizard::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    move(available.left() + (available.width() - width()) / 2,
         available.top() + (available.height() - height()) / 2);
}

bool ColourFieldWizard::event(QEvent* event) {
    const bool handled = QDialog::event(event);
    if (event->type() == QEvent::LayoutRequest || event->type() == QEvent::Resize) {
        fitHeightToText();
    }
    return handled;
}

void ColourFieldWizard::fitHeightToText() {
    // A window's minimum size does not follow wrapped text; at the current width the wrapped
    // lines need this much height.
    if (!layout() || !layout()->hasHeightForWidth()) {
        return;
    }
    const int needed = layout()->totalHeightForWidth(width());
    if (needed > height()) {
        resize(width(), needed);
    }
}

// ---- page 0: the two pictures ----------------------------------------------------------------

std::optional<platform::FileChoice> ColourFieldWizard::BrowseWizardImage(int index) {
    const document::Settings settings(m_state.SettingsPath, m_state.appDir);
    const QString key = QLatin1String(kDirKeys[index]);
    platform::FileDialogRequest request;
    request.filter = kPictureFilter;
    request.initialDir = settings.folderOrAppDir(key);
    request.fileMustExist = true;
    std::optional<platform::FileChoice> choice = m_dialogs.openFile(this, request);
    if (!choice || choice->fullPath.isEmpty()) {
        return std::nullopt;
    }
    settings.rememberFolder(key, choice->fullPath, choice->fileTitle);
    return choice;
}

void ColourFieldWizard::cmdSansyou_Click(int index) {
    if (index != 0 && index != 1) {
        return;
    }
    const auto i = static_cast<std::size_t>(index);
    const std::optional<platform::FileChoice> choice = BrowseWizardImage(index);
    if (!choice) {
        return;
    }
    // The picture is read before anything changes: a file that is no picture leaves the wizard as it was.
    platform::PictureResult loaded = platform::loadPicture(choice->fullPath);
    if (!loaded.ok()) {
        m_dialogs.message(this, platform::unreadablePictureMessage(choice->fullPath, *loaded.error),
                          platform::MessageIcon::Exclamation);
        return;
    }

    setChosenPath(index, choice->fullPath);
    (index == 0 ? m_picDUra : m_picFmotoUra) = std::move(loaded.image);
    const QImage& picture = index == 0 ? m_picDUra : m_picFmotoUra;
    showPreview(index);
    m_lblSize1[i]->setText(QStringLiteral("画像サイズ　") + QString::number(picture.width()) +
                           QStringLiteral("×") + QString::number(picture.height()) +
                           QStringLiteral("  ピクセル"));
    m_state.WizardKurikaesi = m_picFmotoUra.width();

    if (m_picDUra.width() > document::MaxEditorPictureWidth) {
        m_dialogs.message(this,
                          QStringLiteral("デザイン画像が大きすぎます。") + kCrLf +
                              document::widthAdvice(document::MaxEditorPictureWidth),
                          platform::MessageIcon::Exclamation);
        dropImage(0);
    } else if (m_picFmotoUra.width() > document::MaxPatternWidth) {
        m_dialogs.message(this,
                          QStringLiteral("フィールド画像の元となる画像が大きすぎます。") + kCrLf +
                              document::widthAdvice(document::MaxPatternWidth),
                          platform::MessageIcon::Exclamation);
        dropImage(1);
    }
    updateNextForImages();
}

void ColourFieldWizard::showPreview(int index) {
    const auto i = static_cast<std::size_t>(index);
    const QImage& picture = index == 0 ? m_picDUra : m_picFmotoUra;
    const QSizeF size = wizardPreviewSize(picture.size());
    m_previewSizes[i] = size;
    QLabel* preview = m_previews[i];
    preview->setFixedSize(std::max(1, qRound(size.width())), std::max(1, qRound(size.height())));
    preview->setPixmap(QPixmap::fromImage(picture));
    preview->show();
}

void ColourFieldWizard::dropImage(int index) {
    const auto i = static_cast<std::size_t>(index);
    (index == 0 ? m_picDUra : m_picFmotoUra) = QImage();
    QLabel* preview = m_previews[i];
    preview->clear();
    preview->setFixedSize(1, 1);
    preview->hide();
    m_previewSizes[i] = {};
    setChosenPath(index, {});
    m_lblSize1[i]->clear();
}

void ColourFieldWizard::updateNextForImages() {
    // Next needs both pictures accepted; a refused one takes the permission back, so Complete can
    // never tile a pattern that is gone.
    const bool both = !m_chosenPaths[0].isEmpty() && !m_chosenPaths[1].isEmpty();
    m_cmdNext->setEnabled(both);
    // With both pictures in, the next step is Next: Enter after browsing goes on, not back to a browse.
    const QWidget* focused = focusWidget();
    if (both && (focused == m_cmdSansyou[0] || focused == m_cmdSansyou[1])) {
        m_cmdNext->setFocus(Qt::OtherFocusReason);
    }
}

void ColourFieldWizard::setChosenPath(int index, const QString& path) {
    m_chosenPaths[static_cast<std::size_t>(index)] = path;
    QLabel* label = m_lblDesign[static_cast<std::size_t>(index)];
    label->setToolTip(path);
    showChosenPath(index);
}

void ColourFieldWizard::showChosenPath(int index) {
    QLabel* label = m_lblDesign[static_cast<std::size_t>(index)];
    label->setText(elidedPath(m_chosenPaths[static_cast<std::size_t>(index)], label->fontMetrics(),
                              label->contentsRect().width()));
}

void ColourFieldWizard::setForwardButton(QPushButton* button) {
    for (QPushButton* candidate : {m_cmdBack, m_cmdNext, m_cmdCompreat, m_cmdCancel}) {
        candidate->setDefault(candidate == button);
    }
}

// ---- page changes --------------------------------------------------------------------------------

int ColourFieldWizard::currentPage() const {
    for (std::size_t page = 0; page < m_picContena.size(); ++page) {
        if (!m_picContena[page]->isHidden()) {
            return static_cast<int>(page);
        }
    }
    return 0;
}

void ColourFieldWizard::cmdNext_Click() {
    const int page = currentPage();
    if (page == 0) {
        if (m_picDUra.isNull() || m_picFmotoUra.isNull()) {
            return;
        }
        if (m_state.WizardRittaido == 0) {
            m_state.WizardRittaido = kDefaultRittaido;
        }
    } else if (page == 1) {
        // The summary shows only accepted values, even if a field was left without its check.
        if (!validateKurikaesi() || !validateRittaido()) {
            return;
        }
    } else {
        return;
    }
    m_picContena[static_cast<std::size_t>(page + 1)]->show();
    m_picContena[static_cast<std::size_t>(page)]->hide();
    ShowWizardPage(page + 1);
}

void ColourFieldWizard::cmdBack_Click() {
    const int page = currentPage();
    if (page != 1 && page != 2) {
        return;
    }
    m_picContena[static_cast<std::size_t>(page - 1)]->show();
    m_picContena[static_cast<std::size_t>(page)]->hide();
    ShowWizardPage(page - 1);
}

void ColourFieldWizard::ShowWizardPage(int page) {
    switch (page) {
    case 0:
        m_cmdBack->setEnabled(false);
        m_cmdNext->setEnabled(true);
        m_cmdCompreat->setEnabled(false);
        setForwardButton(m_cmdNext);
        m_cmdNext->setFocus(Qt::OtherFocusReason);
        break;
    case 1:
        m_cmdBack->setEnabled(true);
        m_cmdNext->setEnabled(true);
        m_cmdCompreat->setEnabled(false);
        m_txtKurikaesi->setText(QString::number(m_state.WizardKurikaesi));
        m_txtRittaido->setText(QString::number(m_state.WizardRittaido));
        setForwardButton(m_cmdNext);
        m_txtKurikaesi->setFocus(Qt::OtherFocusReason);
        m_txtKurikaesi->selectAll();
        break;
    case 2:
        m_cmdBack->setEnabled(true);
        m_cmdNext->setEnabled(false);
        m_cmdCompreat->setEnabled(true);
        m_lblSize3[0]->setText(sizeText(m_picDUra.size()) + QStringLiteral("　ピクセル"));
        m_lblSize3[1]->setText(sizeText(m_picFmotoUra.size()) + QStringLiteral("　ピクセル"));
        m_lblSize3[2]->setText(QString::number(m_state.WizardKurikaesi) + QStringLiteral("　ピクセル"));
        m_lblSize3[3]->setText(QString::number(m_state.WizardRittaido));
        setForwardButton(m_cmdCompreat);
        m_cmdCompreat->setFocus(Qt::OtherFocusReason);
        break;
    default:
        break;
    }
}

// ---- page 1: the two number fields -------------------------------------------------------------

bool ColourFieldWizard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        for (int index = 0; index < 2; ++index) {
            if (watched == m_lblDesign[static_cast<std::size_t>(index)]) {
                showChosenPath(index);
            }
        }
    }
    if (event->type() == QEvent::KeyPress) {
        // A focused button takes Enter as it takes Space: Tab to キャンセル and Enter cancels.
        auto* button = qobject_cast<QPushButton*>(watched);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (button && button->isEnabled() && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
            button->click();
            return true;
        }
    }
    if (watched != m_txtKurikaesi && watched != m_txtRittaido) {
        return QDialog::eventFilter(watched, event);
    }
    if (event->type() == QEvent::KeyPress) {
        switch (classifyEntryKey(*static_cast<QKeyEvent*>(event))) {
        case EntryKey::Accept:
        case EntryKey::PassThrough:
            break;
        case EntryKey::Enter:
            m_cmdNext->setEnabled(true);
            m_cmdNext->setFocus(Qt::OtherFocusReason);
            return true;
        case EntryKey::Discard:
            return true;
        }
    } else if (event->type() == QEvent::FocusOut) {
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Another window coming up (a message, a menu) does not leave the field; neither does
        // cancelling the whole wizard.
        const bool left = reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
                          QApplication::focusWidget() != m_cmdCancel && isVisible() && !m_unloaded;
        if (left && !m_validating) {
            if (watched == m_txtKurikaesi) {
                txtKurikaesi_LostFocus();
            } else {
                txtRittaido_LostFocus();
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ColourFieldWizard::txtKurikaesi_LostFocus() {
    validateKurikaesi();
}

void ColourFieldWizard::txtRittaido_LostFocus() {
    validateRittaido();
}

bool ColourFieldWizard::validateKurikaesi() {
    const QString text = m_txtKurikaesi->text();
    const int value = leadingNumber(text);
    if (!text.isEmpty() && value <= kMaxKurikaesi) {
        m_state.WizardKurikaesi = value;
        return true;
    }
    refuseEntry(m_txtKurikaesi, value > kMaxKurikaesi
                                    ? QStringLiteral("繰り返し幅が大きすぎます。") + kCrLf +
                                          document::widthAdvice(kMaxKurikaesi)
                                    : document::rangeAdvice(document::RepeatWidthParameter));
    return false;
}

bool ColourFieldWizard::validateRittaido() {
    const QString text = m_txtRittaido->text();
    const int value = leadingNumber(text);
    if (!text.isEmpty() && value >= 0 && value <= kMaxRittaido) {
        m_state.WizardRittaido = value;
        return true;
    }
    refuseEntry(m_txtRittaido, value > kMaxRittaido
                                   ? QStringLiteral("立体度の数値が大きすぎます。") + kCrLf +
                                         QStringLiteral("数値を%1以下にしてください。").arg(kMaxRittaido)
                                   : document::rangeAdvice(document::DepthParameter));
    return false;
}

void ColourFieldWizard::refuseEntry(QLineEdit* field, const QString& message) {
    m_validating = true;
    m_dialogs.message(this, message, platform::MessageIcon::Exclamation);
    field->clear();
    field->setFocus(Qt::OtherFocusReason);
    m_validating = false;
}

// ---- Complete, Cancel and closing ------------------------------------------------------------

void ColourFieldWizard::cmdCompreat_Click() {
    if (m_picDUra.isNull() || m_picFmotoUra.isNull()) {
        return;
    }
    const QImage field = platform::tileFieldImage(m_picFmotoUra, m_picDUra.size());

    // Both files are written before the pictures go, so a failed write leaves the wizard able to
    // try again and no half hand-over behind.
    const QString designFile = wizardTemporaryFile(m_state.appDir, {});
    std::optional<platform::PictureError> error = designFile.isEmpty()
                                                      ? platform::pictureError(platform::ErrPathFileAccess)
                                                      : platform::saveBmp(m_picDUra, designFile);
    QString fieldFile;
    if (!error) {
        fieldFile = wizardTemporaryFile(m_state.appDir, designFile);
        error = fieldFile.isEmpty() ? platform::pictureError(platform::ErrPathFileAccess)
                                    : platform::saveBmp(field, fieldFile);
        if (error) {
            platform::deleteFile(designFile);
        }
    }
    if (error) {
        m_dialogs.message(this, platform::runTimeErrorMessage(*error), platform::MessageIcon::Exclamation);
        return;
    }

    m_picFmotoUra = QImage();
    m_picDUra = QImage();
    m_state.WizardDesignFile = designFile;
    m_state.WizardFieldFile = fieldFile;
    m_state.wizardDesignSource = m_chosenPaths[0];
    m_state.WizardDone = true;
    Form_Unload();
    QDialog::accept();
}

void ColourFieldWizard::cmdCancel_Click() {
    reject();
}

void ColourFieldWizard::reject() {
    Form_Unload();
    QDialog::reject();
}

void ColourFieldWizard::Form_Unload() {
    if (m_unloaded) {
        return;
    }
    m_unloaded = true;
    if (m_state.WizardDone) {
        m_timForWiz.setSingleShot(true);
        m_timForWiz.start(kHandOverDelayMs);
        return;
    }
    // The chosen files were never handed to the active document, whose own picture paths stay as
    // they are; only what this run would have handed over is dropped.
    m_state.wizardDesignSource.clear();
}

} // namespace quarbel::ui
