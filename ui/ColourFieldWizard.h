#pragma once

// The colour-field wizard: three pages that pick a Design picture and a small pattern, ask for the
// repeat width and depth, and on Complete write the Design picture and the pattern tiled to the
// Design picture's size into two temporary BMP files for a new document window to load.
//
// The handlers can be called directly; the frame shows the window modally without a nested event
// loop, so nothing here blocks.

#include "document/AppState.h"

#include <QDialog>
#include <QImage>
#include <QSizeF>
#include <array>
#include <optional>

class QFontMetrics;
class QFrame;
class QKeyEvent;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace quarbel::platform {
class Dialogs;
struct FileChoice;
} // namespace quarbel::platform

namespace quarbel::ui {

// Longer side of the two previews on the first page.
inline constexpr double WizardPreviewSide = 57.0;

// What a key typed into one of the two number fields does.
enum class EntryKey {
    Accept,      // a digit: typed as usual
    Enter,       // moves on to the Next button
    Discard,     // every other character, Backspace included
    PassThrough, // keys that type nothing: Delete, arrows, selection, Tab, Escape
};
EntryKey classifyEntryKey(const QKeyEvent& event);

// Size of a preview: the longer side WizardPreviewSide, the other in proportion, fractions kept.
QSizeF wizardPreviewSize(QSize picture);

// The number at the start of text, 0 when it starts with none (leading blanks skipped).
int leadingNumber(const QString& text);

// path as one line of at most width pixels: the file name whole, the folder shortened in the
// middle when needed.
QString elidedPath(const QString& path, const QFontMetrics& metrics, int width);

// A free "TMP" + 10000..99999 + ".bmp" path in dir, never equal to avoid; empty when none is free.
QString wizardTemporaryFile(const QString& dir, const QString& avoid);

class ColourFieldWizard : public QDialog {
    Q_OBJECT

public:
    // timForWiz is the frame's hand-over timer, armed when the wizard completes.
    ColourFieldWizard(document::AppState& state, platform::Dialogs& dialogs, QTimer& timForWiz,
                      QWidget* parent = nullptr);
    ~ColourFieldWizard() override;

    void Form_Load();
    void cmdSansyou_Click(int index);
    void cmdNext_Click();
    void cmdBack_Click();
    void cmdCompreat_Click();
    void cmdCancel_Click();
    void txtKurikaesi_LostFocus();
    void txtRittaido_LostFocus();
    void ShowWizardPage(int page);

    // The visible page, 0..2.
    int currentPage() const;

    QWidget* picContena(int page) const { return m_picContena.at(static_cast<std::size_t>(page)); }
    QLabel* lblDesign(int index) const { return m_lblDesign.at(static_cast<std::size_t>(index)); }
    // The chosen picture's full path (lblDesign shows it shortened to fit); empty when none.
    QString chosenPath(int index) const { return m_chosenPaths.at(static_cast<std::size_t>(index)); }
    QLabel* lblSize1(int index) const { return m_lblSize1.at(static_cast<std::size_t>(index)); }
    QLabel* lblSize3(int index) const { return m_lblSize3.at(static_cast<std::size_t>(index)); }
    QLabel* picD() const { return m_previews[0]; }
    QLabel* picFmoto() const { return m_previews[1]; }
    // The exact preview size of image index (0 Design, 1 field source); the widget is this rounded.
    QSizeF previewSize(int index) const { return m_previewSizes.at(static_cast<std::size_t>(index)); }
    QLineEdit* txtKurikaesi() const { return m_txtKurikaesi; }
    QLineEdit* txtRittaido() const { return m_txtRittaido; }
    QPushButton* cmdBack() const { return m_cmdBack; }
    QPushButton* cmdNext() const { return m_cmdNext; }
    QPushButton* cmdCompreat() const { return m_cmdCompreat; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    const QImage& picDUra() const { return m_picDUra; }
    const QImage& picFmotoUra() const { return m_picFmotoUra; }

protected:
    // Escape and the close box end the wizard as Cancel does.
    void reject() override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPages();
    void buildPictureChoicePage();
    void buildParameterPage();
    void buildSummaryPage();
    QHBoxLayout* buildButtons();
    std::optional<platform::FileChoice> BrowseWizardImage(int index);
    void showPreview(int index);
    void dropImage(int index);
    void updateNextForImages();
    // The two lost-focus checks; false (after the message) when the text is refused.
    bool validateKurikaesi();
    bool validateRittaido();
    void refuseEntry(QLineEdit* field, const QString& message);
    void Form_Unload();
    void centreOnScreen();
    void fitHeightToText();
    void setChosenPath(int index, const QString& path);
    void showChosenPath(int index);
    // The button Enter presses on the current page.
    void setForwardButton(QPushButton* button);

    document::AppState& m_state;
    platform::Dialogs& m_dialogs;
    QTimer& m_timForWiz;

    std::array<QWidget*, 3> m_picContena{};
    std::array<QLabel*, 2> m_lblDesign{};
    std::array<QString, 2> m_chosenPaths{};
    std::array<QLabel*, 2> m_lblSize1{};
    std::array<QLabel*, 4> m_lblSize3{};
    std::array<QLabel*, 2> m_previews{};
    std::array<QSizeF, 2> m_previewSizes{};
    std::array<QPushButton*, 2> m_cmdSansyou{};
    QLineEdit* m_txtKurikaesi = nullptr;
    QLineEdit* m_txtRittaido = nullptr;
    QPushButton* m_cmdBack = nullptr;
    QPushButton* m_cmdNext = nullptr;
    QPushButton* m_cmdCompreat = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QFrame* m_line1 = nullptr;

    // The hidden holders: the two chosen pictures as loaded.
    QImage m_picDUra;
    QImage m_picFmotoUra;

    bool m_unloaded = false;
    bool m_validating = false; // a refusal's message must not start another check
};

} // namespace quarbel::ui
