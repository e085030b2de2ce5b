// Toolbar1: fourteen buttons addressed by index, two of them with drop-down menus. The buttons
// are actions of their own, so their enabled flags stay apart from the menu items they mirror.

#include "ui/MainWindow.h"

#include <QAction>
#include <QIcon>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>

namespace quarbel::ui {

namespace {

struct ButtonEntry {
    int index;
    const char* key; // nullptr for a separator
    const char* toolTip;
};

constexpr ButtonEntry kButtons[] = {
    {1, "New", "新規作成（カラーフィールド　ウィザード）"},
    {2, "Open", "開く"},
    {3, "Save", "上書き保存"},
    {4, "Printer", "印刷"},
    {5, nullptr, nullptr},
    {6, "Cut", "切り取り"},
    {7, "Copy", "コピー"},
    {8, "Paste", "貼り付け"},
    {9, "Ins", "挿入（デザイン画像）"},
    {10, nullptr, nullptr},
    {11, "Start", "開始"},
    {12, "Stop", "中断"},
    {13, "Exit", "中止"},
    {14, nullptr, nullptr},
};

struct ButtonMenuEntry {
    int button;
    int entry;
    const char* key;
    const char* caption;
};

constexpr ButtonMenuEntry kButtonMenus[] = {
    {1, 1, "StereoWiz", "カラーフィールド　ウィザード"},
    {1, 2, "Stereo", "カラーフィールド"},
    {1, 3, "RandomColor", "ランダムドット（カラー）"},
    {1, 4, "RandomMono", "ランダムドット（モノクロ）"},
    {9, 1, "InsDesign", "デザイン画像"},
    {9, 2, "InsField", "フィールド画像"},
    {9, 3, "InsStereo", "ステレオ画像"},
};

} // namespace

void MainWindow::setupToolbar() {
    m_toolbar = addToolBar(QStringLiteral("Toolbar1"));
    m_toolbar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolbar->setMovable(false);
    m_toolbar->setFloatable(false);
    m_toolbar->setIconSize({20, 20});

    std::map<int, QMenu*> dropDowns;
    for (const ButtonMenuEntry& item : kButtonMenus) {
        QMenu*& dropDown = dropDowns[item.button];
        if (!dropDown) {
            dropDown = new QMenu(this);
        }
        QAction* entry = dropDown->addAction(QString::fromUtf8(item.caption));
        const QString key = QString::fromLatin1(item.key);
        entry->setObjectName(key);
        entry->setData(key);
        connect(entry, &QAction::triggered, this, [this, key] { Toolbar1_ButtonMenuClick(key); });
        m_buttonMenuEntries[{item.button, item.entry}] = entry;
    }

    for (const ButtonEntry& entry : kButtons) {
        if (!entry.key) {
            // Separators carry an enabled flag of their own, which the state file keeps.
            m_buttons[static_cast<std::size_t>(entry.index)] = m_toolbar->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(entry.key);
        auto* button = new QAction(QIcon(QStringLiteral(":/ui/icons/%1.svg").arg(key)),
                                   QString::fromUtf8(entry.toolTip), this);
        button->setObjectName(key);
        button->setData(key);
        button->setToolTip(QString::fromUtf8(entry.toolTip));
        if (const auto it = dropDowns.find(entry.index); it != dropDowns.end()) {
            button->setMenu(it->second);
        }
        m_toolbar->addAction(button);
        if (button->menu()) {
            if (auto* tool = qobject_cast<QToolButton*>(m_toolbar->widgetForAction(button))) {
                tool->setPopupMode(QToolButton::MenuButtonPopup);
            }
        }
        connect(button, &QAction::triggered, this, [this, key] { Toolbar1_ButtonClick(key); });
        m_buttons[static_cast<std::size_t>(entry.index)] = button;
    }
}

void MainWindow::Toolbar1_ButtonClick(const QString& key) {
    // A key not listed does nothing.
    static constexpr std::pair<const char*, void (MainWindow::*)()> kClicks[] = {
        {"New", &MainWindow::mnuWizard_Click},      {"Save", &MainWindow::mnuSave_Click},
        {"Printer", &MainWindow::mnuPrint_Click},   {"Open", &MainWindow::mnuOpen_Click},
        {"Cut", &MainWindow::mnuCut_Click},         {"Copy", &MainWindow::mnuCopy_Click},
        {"Paste", &MainWindow::mnuPaste_Click},     {"Ins", &MainWindow::mnuInsDesign_Click},
        {"Start", &MainWindow::mnuConvStart_Click}, {"Stop", &MainWindow::mnuConvStop_Click},
        {"Exit", &MainWindow::mnuConvExit_Click},
    };
    for (const auto& [name, handler] : kClicks) {
        if (key == QLatin1String(name)) {
            (this->*handler)();
            return;
        }
    }
}

void MainWindow::Toolbar1_ButtonMenuClick(const QString& key) {
    static constexpr std::pair<const char*, void (MainWindow::*)()> kClicks[] = {
        {"StereoWiz", &MainWindow::mnuWizard_Click},    {"Stereo", &MainWindow::mnuFieldColor_Click},
        {"RandomColor", &MainWindow::mnuColor_Click},   {"RandomMono", &MainWindow::mnuMono_Click},
        {"InsDesign", &MainWindow::mnuInsDesign_Click}, {"InsField", &MainWindow::mnuInsField_Click},
        {"InsStereo", &MainWindow::mnuInsStereo_Click},
    };
    for (const auto& [name, handler] : kClicks) {
        if (key == QLatin1String(name)) {
            (this->*handler)();
            return;
        }
    }
}

} // namespace quarbel::ui
