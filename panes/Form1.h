#pragma once

// A document window: one document, its panes and its binding to a state or document file.
// It lives in a sub-window of the main window and reaches the frame only through DocumentHost.

#include <QString>
#include <QWidget>

#include "document/AppState.h"
#include "engine/ConversionState.h"
#include "panes/PaneLayout.h"

class QFrame;
class QTimer;

namespace quarbel::platform {
class Dialogs;
}

namespace quarbel::panes {

class DocumentHost;

// Per-window values that the window keeps out of sight.
struct HiddenLabels {
    QString lblTitle;      // document name; proposed by Save As
    QString lblIniName;    // the window's state or document file; made current on activation
    QString lblOldIniName; // ends with ".tmp" while the document was never saved under a name
    QString lblStereoName; // "RandomDot" or "Field"
};

struct WindowFlags {
    bool SkipActivate = false; // from the end of loading until the first activation
    bool SaveFailed = false;   // the last save under a new name failed or was cancelled
};

class Form1 : public QWidget {
    Q_OBJECT

public:
    Form1(document::AppState& state, DocumentHost& host, platform::Dialogs& dialogs, QWidget* parent = nullptr);
    ~Form1() override;

    // Names the window, binds it to its file and lays out the panes; runs once, before the first show.
    void Form_Load();
    // The window became the active document: its file becomes current and is applied.
    void Form_Activate();
    // The window stops being the active document: the shared state goes into its own file.
    void Form_Deactivate();
    // The close question; sets cancel to keep the window open.
    void Form_Unload(bool& cancel);
    void Form_Resize();

    // Saves the document under a name chosen by the user; the outcome is left in SaveFailed.
    void SaveDocumentAs();

    // Arms the command timer (50 ms, single shot). Arming an armed timer starts the wait again;
    // the command that runs is whatever CommandTag holds when it fires.
    void armTimer1();
    void Timer1_Timer();

    const HiddenLabels& labels() const { return m_labels; }
    const WindowFlags& flags() const { return m_flags; }
    engine::ConversionState& conversion() { return m_conversion; }
    const engine::ConversionState& conversion() const { return m_conversion; }
    bool isClosing() const { return m_conversion.Closing; }

    QTimer* Timer1() const { return m_Timer1; }
    QFrame* picContBefore() const { return m_picContBefore; }
    QFrame* picContField() const { return m_picContField; }
    QFrame* picContAfter() const { return m_picContAfter; }
    QWidget* picDrag() const { return m_picDrag; }
    QWidget* picBefore() const { return m_picBefore; }
    QWidget* picField() const { return m_picField; }
    QWidget* picAfter() const { return m_picAfter; }

    // The inner height of the window (its scale height, in pixels).
    int scaleHeight() const { return height(); }

    QSize sizeHint() const override;

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Commands of the dispatch table.
    void saveToOwnFile();
    void closeWindow();

    // Writes the shared state (which belongs to this window while it is current) into path.
    bool writeSharedStateTo(const QString& path);
    void reportSaveFailure(const QString& path);
    void setIconForKind();
    bool isMinimizedNow() const;
    PaneGeometry currentGeometry() const;
    void applyGeometry(const PaneGeometry& geometry);

    document::AppState& m_state;
    DocumentHost& m_host;
    platform::Dialogs& m_dialogs;

    HiddenLabels m_labels;
    WindowFlags m_flags;
    engine::ConversionState m_conversion;

    QTimer* m_Timer1 = nullptr;
    QFrame* m_picContBefore = nullptr;
    QFrame* m_picContField = nullptr;
    QFrame* m_picContAfter = nullptr;
    QWidget* m_picDrag = nullptr;
    QWidget* m_picBefore = nullptr;
    QWidget* m_picField = nullptr;
    QWidget* m_picAfter = nullptr;
};

// The extension of document files, added when a chosen name lacks it.
inline const QString DocumentSuffix = QStringLiteral(".qbd");
inline const QString DocumentFilter = QStringLiteral("Quarbelﾌｧｲﾙ(*.qbd)|*.qbd");
inline const QString TemporarySuffix = QStringLiteral(".tmp");
// New documents are named this stem followed by their number.
inline const QString NewDocumentStem = QStringLiteral("Quarbel");

} // namespace quarbel::panes
