#include "ui/ColourFieldWizard.h"

#include <QApplication>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <QTimer>

#include "document/AppPaths.h"
#include "document/Settings.h"
#include "platform/Dialogs.h"
#include "platform/FileSystem.h"
#include "platform/Picture.h"

namespace quarbel::ui {

namespace {

const QString kCrLf = QStringLiteral("\r\n");
const QString kPictureFilter = QStringLiteral(
    "すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg|GIF(*.gif)|*.gif|WMF(*.wmf)|*.wmf");
const char* const kDirKeys[] = {"picDesignDir", "picFieldDir"};

constexpr int kHandOverDelayMs = 50;
constexpr int kDefaultRittaido = 20;
constexpr int kMaxKurikaesi = 200;
constexpr int kMaxRittaido = 50;

// Window geometry in pixels: the pages sit above Line1, the buttons below it.
constexpr int kFormWidth = 440;
constexpr int kFormHeight = 300;
constexpr int kMargin = 8;
constexpr int kLine1Top = 244;
constexpr int kPageWidth = kFormWidth - 2 * kMargin;
constexpr int kPageHeight = 224;
constexpr int kPreviewLeft = kPageWidth - 60;

QLabel* makeLabel(QWidget* parent, const QString& text, const QRect& geometry, const QString& name = {}) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(geometry);
    label->setWordWrap(true);
    if (!name.isEmpty()) {
        label->setObjectName(name);
    }
    return label;
}

QPushButton* makeButton(QWidget* parent, const QString& caption, const QRect& geometry, const char* name) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

QFrame* makeLine(QWidget* parent, const QRect& geometry, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(QLatin1String(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setGeometry(geometry);
    return line;
}

QString sizeText(QSize size) { return QString::number(size.width()) + QStringLiteral("×") + QString::number(size.height()); }

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

ColourFieldWizard::ColourFieldWizard(document::AppState& state, platform::Dialogs& dialogs, QTimer& timForWiz, QWidget* parent)
    : QDialog(parent), m_state(state), m_dialogs(dialogs), m_timForWiz(timForWiz) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("カラーフィールド　ウィザード"));
    setFixedSize(kFormWidth, kFormHeight);
    setSizeGripEnabled(false);
    buildPages();
}

ColourFieldWizard::~ColourFieldWizard() = default;

void ColourFieldWizard::buildPages() {
    for (std::size_t page = 0; page < m_picContena.size(); ++page) {
        auto* container = new QWidget(this);
        container->setObjectName(QStringLiteral("picContena_%1").arg(page));
        container->resize(kPageWidth, kPageHeight);
        m_picContena[page] = container;
    }

    // Page 0: the two pictures.
    QWidget* page0 = m_picContena[0];
    static const char* const kPrompts[] = {"デザイン画像を指定してください...",
                                           "フィールド画像の元となる画像を指定してください..."};
    for (int index = 0; index < 2; ++index) {
        const auto i = static_cast<std::size_t>(index);
        const int top = index * 114;
        makeLabel(page0, QString::fromUtf8(kPrompts[i]), QRect(0, top, kPageWidth, 20),
                  QStringLiteral("Label1_%1").arg(index));
        m_cmdSansyou[i] = makeButton(page0, QStringLiteral("参照"), QRect(0, top + 26, 72, 26), "cmdSansyou");
        m_cmdSansyou[i]->setObjectName(QStringLiteral("cmdSansyou_%1").arg(index));
        m_lblDesign[i] = makeLabel(page0, {}, QRect(80, top + 26, kPreviewLeft - 88, 36),
                                   QStringLiteral("lblDesign_%1").arg(index));
        m_lblDesign[i]->setTextFormat(Qt::PlainText);
        m_lblSize1[i] = makeLabel(page0, {}, QRect(80, top + 66, kPreviewLeft - 88, 20),
                                  QStringLiteral("lblSize1_%1").arg(index));
        auto* preview = new QLabel(page0);
        preview->setObjectName(index == 0 ? QStringLiteral("picD") : QStringLiteral("picFmoto"));
        preview->setScaledContents(true);
        preview->setGeometry(kPreviewLeft, top + 26, 1, 1);
        preview->hide();
        m_previews[i] = preview;
        connect(m_cmdSansyou[i], &QPushButton::clicked, this, [this, index] { cmdSansyou_Click(index); });
    }
    makeLine(page0, QRect(0, 106, kPageWidth, 2), "Line2");

    // Page 1: repeat width and depth.
    QWidget* page1 = m_picContena[1];
    makeLabel(page1, QStringLiteral("繰り返し幅（ピクセル）を指定してください。（通常は、右の値でOKです）"),
              QRect(0, 30, 320, 44), QStringLiteral("Label2_3"));
    makeLabel(page1, QStringLiteral("立体度を指定してください。（0～50）"), QRect(0, 110, 320, 44),
              QStringLiteral("Label2_4"));
    const auto makeField = [this, page1](int top, int maxLength, const char* name) {
        auto* field = new QLineEdit(page1);
        field->setObjectName(QLatin1String(name));
        field->setGeometry(340, top, 60, 24);
        field->setMaxLength(maxLength);
        // Pasting through the context menu bypasses the key filter; the text stays digits only.
        field->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), field));
        field->installEventFilter(this);
        return field;
    };
    m_txtKurikaesi = makeField(40, 3, "txtKurikaesi");
    m_txtRittaido = makeField(120, 2, "txtRittaido");

    // Page 2: the summary.
    QWidget* page2 = m_picContena[2];
    static const char* const kSummary[] = {"デザイン画像の大きさ ", "フィールド画像の元となる画像の大きさ ", "繰り返し幅 ",
                                           "立体度"};
    for (int row = 0; row < 4; ++row) {
        const auto i = static_cast<std::size_t>(row);
        makeLabel(page2, QString::fromUtf8(kSummary[i]), QRect(0, 16 + row * 32, 260, 22),
                  QStringLiteral("Label4_%1").arg(row));
        m_lblSize3[i] = makeLabel(page2, {}, QRect(270, 16 + row * 32, kPageWidth - 270, 22),
                                  QStringLiteral("lblSize3_%1").arg(row));
    }
    makeLabel(page2, QStringLiteral("以上でよろしければ、完了ボタンをクリックしてください。"),
              QRect(0, 160, kPageWidth, 40), QStringLiteral("Label4_4"));

    m_line1 = makeLine(this, QRect(kMargin, kLine1Top, kPageWidth, 2), "Line1");
    const int buttonTop = kLine1Top + 14;
    m_cmdBack = makeButton(this, QStringLiteral("<  戻る"), QRect(118, buttonTop, 76, 28), "cmdBack");
    m_cmdNext = makeButton(this, QStringLiteral("次へ >"), QRect(196, buttonTop, 76, 28), "cmdNext");
    m_cmdCompreat = makeButton(this, QStringLiteral("完了"), QRect(274, buttonTop, 76, 28), "cmdCompreat");
    m_cmdCancel = makeButton(this, QStringLiteral("キャンセル"), QRect(356, buttonTop, 76, 28), "cmdCancel");
    connect(m_cmdBack, &QPushButton::clicked, this, &ColourFieldWizard::cmdBack_Click);
    connect(m_cmdNext, &QPushButton::clicked, this, &ColourFieldWizard::cmdNext_Click);
    connect(m_cmdCompreat, &QPushButton::clicked, this, &ColourFieldWizard::cmdCompreat_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &ColourFieldWizard::cmdCancel_Click);
}

void ColourFieldWizard::Form_Load() {
    centreOnScreen();
    const int top = (m_line1->y() - kPageHeight) / 2;
    for (std::size_t page = 0; page < m_picContena.size(); ++page) {
        m_picContena[page]->move(kMargin, top);
        m_picContena[page]->setVisible(page == 0);
    }
    m_cmdCancel->setEnabled(true);
    m_cmdBack->setEnabled(false);
    m_cmdNext->setEnabled(false);
    m_cmdCompreat->setEnabled(false);
    for (std::size_t i = 0; i < 2; ++i) {
        m_lblDesign[i]->clear();
        m_lblSize1[i]->clear();
    }
    // A hand-over that never ran must not be taken for this run's.
    m_state.WizardDone = false;
}

void ColourFieldWizard::centreOnScreen() {
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect available = screen->availableGeometry();
    move(available.left() + (available.width() - width()) / 2, available.top() + (available.height() - height()) / 2);
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
        // A picture refused for a limit says which; any other gets the advice on formats.
        const QString why = platform::refusalText(*loaded.error);
        m_dialogs.message(
            this,
            QStringLiteral("「") + choice->fullPath + QStringLiteral("」を画像として読み込めませんでした。") +
                kCrLf +
                (why.isEmpty()
                     ? QStringLiteral("BMP、JPEG、GIF、WMFのいずれかの画像ファイルを指定してください。")
                     : why),
            platform::MessageIcon::Exclamation);
        return;
    }

    m_lblDesign[i]->setText(choice->fullPath);
    (index == 0 ? m_picDUra : m_picFmotoUra) = std::move(loaded.image);
    const QImage& picture = index == 0 ? m_picDUra : m_picFmotoUra;
    showPreview(index);
    m_lblSize1[i]->setText(QStringLiteral("画像サイズ　") + QString::number(picture.width()) + QStringLiteral("×") +
                           QString::number(picture.height()) + QStringLiteral("  ピクセル"));
    m_state.WizardKurikaesi = m_picFmotoUra.width();

    if (m_picDUra.width() > WizardMaxDesignWidth) {
        m_dialogs.message(this,
                          QStringLiteral("デザイン画像が大きすぎます。") + kCrLf +
                              QStringLiteral("幅を1024ピクセル以下にしてください。"),
                          platform::MessageIcon::Exclamation);
        dropImage(0);
    } else if (m_picFmotoUra.width() > WizardMaxFieldSourceWidth) {
        m_dialogs.message(this,
                          QStringLiteral("フィールド画像の元となる画像が大きすぎます。") + kCrLf +
                              QStringLiteral("幅を200ピクセル以下にしてください。"),
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
    preview->resize(std::max(1, qRound(size.width())), std::max(1, qRound(size.height())));
    preview->setPixmap(QPixmap::fromImage(picture));
    preview->show();
}

void ColourFieldWizard::dropImage(int index) {
    const auto i = static_cast<std::size_t>(index);
    (index == 0 ? m_picDUra : m_picFmotoUra) = QImage();
    QLabel* preview = m_previews[i];
    preview->clear();
    preview->resize(1, 1);
    preview->hide();
    m_previewSizes[i] = {};
    m_lblDesign[i]->clear();
    m_lblSize1[i]->clear();
}

void ColourFieldWizard::updateNextForImages() {
    // Next needs both pictures accepted; a refused one takes the permission back, so Complete can
    // never tile a pattern that is gone.
    m_cmdNext->setEnabled(!m_lblDesign[0]->text().isEmpty() && !m_lblDesign[1]->text().isEmpty());
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
        break;
    case 1:
        m_cmdBack->setEnabled(true);
        m_cmdNext->setEnabled(true);
        m_cmdCompreat->setEnabled(false);
        m_txtKurikaesi->setText(QString::number(m_state.WizardKurikaesi));
        m_txtRittaido->setText(QString::number(m_state.WizardRittaido));
        break;
    case 2:
        m_cmdBack->setEnabled(true);
        m_cmdNext->setEnabled(false);
        m_cmdCompreat->setEnabled(true);
        m_lblSize3[0]->setText(sizeText(m_picDUra.size()) + QStringLiteral("　ピクセル"));
        m_lblSize3[1]->setText(sizeText(m_picFmotoUra.size()) + QStringLiteral("　ピクセル"));
        m_lblSize3[2]->setText(QString::number(m_state.WizardKurikaesi) + QStringLiteral("　ピクセル"));
        m_lblSize3[3]->setText(QString::number(m_state.WizardRittaido));
        break;
    default:
        break;
    }
}

// ---- page 1: the two number fields -------------------------------------------------------------

bool ColourFieldWizard::eventFilter(QObject* watched, QEvent* event) {
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

void ColourFieldWizard::txtKurikaesi_LostFocus() { validateKurikaesi(); }

void ColourFieldWizard::txtRittaido_LostFocus() { validateRittaido(); }

bool ColourFieldWizard::validateKurikaesi() {
    const QString text = m_txtKurikaesi->text();
    const int value = leadingNumber(text);
    if (!text.isEmpty() && value <= kMaxKurikaesi) {
        m_state.WizardKurikaesi = value;
        return true;
    }
    refuseEntry(m_txtKurikaesi, value > kMaxKurikaesi
                                    ? QStringLiteral("繰り返し幅が大きすぎます。") + kCrLf +
                                          QStringLiteral("幅を200ピクセル以下にしてください。")
                                    : QStringLiteral("0～200までの数値を入力してください。"));
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
                                         QStringLiteral("数値を50以下にしてください。")
                                   : QStringLiteral("0～50までの数値を入力してください。"));
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
    std::optional<platform::PictureError> error =
        designFile.isEmpty() ? platform::pictureError(platform::ErrPathFileAccess) : platform::saveBmp(m_picDUra, designFile);
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
    m_state.wizardDesignSource = m_lblDesign[0]->text();
    m_state.WizardDone = true;
    Form_Unload();
    QDialog::accept();
}

void ColourFieldWizard::cmdCancel_Click() { reject(); }

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
