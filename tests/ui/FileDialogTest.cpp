// The real file dialogs: Japanese throughout (Qt's texts, dates, file types), each filter shown
// once, and the save-picture dialog titled by its picture with a name proposed.

#include "FrameFixture.h"
#include "platform/Picture.h"
#include "support/ScriptedDialogs.h"
#include "support/TestFiles.h"
#include "ui/Language.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeDatabase>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>
#include <QTreeView>
#include <gtest/gtest.h>

namespace quarbel::testing {
namespace {

using document::Menu;

// Japanese for the test's duration; the suite's other tests keep their locale.
class JapaneseForATest {
public:
    JapaneseForATest() : m_before(QLocale()) { m_loaded = ui::useJapanese(m_translator); }
    ~JapaneseForATest() {
        QCoreApplication::removeTranslator(&m_translator);
        QLocale::setDefault(m_before);
    }
    bool loaded() const { return m_loaded; }

private:
    QLocale m_before;
    QTranslator m_translator;
    bool m_loaded = false;
};

struct SeenDialog {
    QString title;
    QStringList filters; // as the type box shows them
    QString fileName;
    QString bmpType;       // the type column of a BMP file in the folder
    QString folderType;    // the type column of a folder
    QString bmpDate;       // the date column of the BMP file
    QString bmpSize;       // the size column of the BMP file
    bool sizeFits = false; // the size column is wide enough for its text
    bool typeFits = false; // the type column is wide enough for its texts
    bool dateFits = false;
};

// Shows the real dialog, reads what it shows once its folder is listed, and cancels it.
SeenDialog showAndCancel(bool save, const platform::FileDialogRequest& request) {
    SeenDialog seen;
    QTimer::singleShot(0, [&seen, &request] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog) {
            return;
        }
        seen.title = dialog->windowTitle();
        if (auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"))) {
            for (int i = 0; i < types->count(); ++i) {
                seen.filters.append(types->itemText(i));
            }
        }
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            seen.fileName = name->text();
        }
        // What the list shows, through whatever the dialog puts between it and the files.
        auto* files = dialog->findChild<QFileSystemModel*>();
        auto* list = dialog->findChild<QTreeView*>(QStringLiteral("treeView"));
        const auto* shown = list ? qobject_cast<const QAbstractProxyModel*>(list->model()) : nullptr;
        const QModelIndex folder = files ? files->index(request.initialDir) : QModelIndex();
        // The folder is listed by a worker thread; wait for its two entries.
        if (files && QTest::qWaitFor([&] { return files->rowCount(folder) == 2; }, 10000)) {
            const auto cell = [&](const char* name, int column) {
                const QModelIndex index =
                    files->index(QDir(request.initialDir).filePath(QLatin1String(name)), column);
                return (shown ? shown->mapFromSource(index) : index).data().toString();
            };
            seen.bmpType = cell("a.bmp", 2);
            seen.folderType = cell("sub", 2);
            seen.bmpDate = cell("a.bmp", 3);
            seen.bmpSize = cell("a.bmp", 1);
            // Whole, not elided: the cell keeps the style's text margin on each side.
            const QFontMetrics metrics = list->fontMetrics();
            const int margin = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
            const auto fits = [&](int column, const QString& text) {
                return list->header()->sectionSize(column) >= metrics.horizontalAdvance(text) + 2 * margin;
            };
            seen.sizeFits = fits(1, seen.bmpSize);
            seen.typeFits = fits(2, seen.bmpType) && fits(2, seen.folderType);
            seen.dateFits = fits(3, seen.bmpDate);
        }
        dialog->reject();
    });
    const auto dialogs = platform::makeQtDialogs();
    EXPECT_FALSE(save ? dialogs->saveFile(nullptr, request) : dialogs->openFile(nullptr, request));
    return seen;
}

TEST(QtFilter, ShowsEachPatternOnce) {
    struct Case {
        const char* pairs;
        const char* expected;
    };
    const Case cases[] = {
        {"Quarbelﾌｧｲﾙ(*.qbd)|*.qbd", "Quarbelﾌｧｲﾙ(*.qbd)"},
        {"BMP(*.bmp)|*.bmp", "BMP(*.bmp)"},
        {"すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp",
         "すべてのファイル (*.bmp *.jpg *.gif *.wmf);;BMP(*.bmp)"},
        {"すべてのファイル(*)|*|実行ファイル(*.exe)|*.exe", "すべてのファイル(*);;実行ファイル(*.exe)"},
        // A description naming other patterns than it filters gets the real ones added.
        {"画像(*.png)|*.bmp", "画像(*.png) (*.bmp)"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform::qtFilterFromPairs(QString::fromUtf8(c.pairs)), QString::fromUtf8(c.expected))
            << c.pairs;
    }
}

TEST(FileDialogs, SpeakJapaneseWithDatesAndTypesAndShowEachFilterOnce) {
    const JapaneseForATest japanese;
    ASSERT_TRUE(japanese.loaded()) << "Qt's Japanese translation (qt6-translations-l10n) is not installed";
    EXPECT_EQ(QLocale().language(), QLocale::Japanese);

    QTemporaryDir dir;
    // Big enough that its size reads in KiB with decimals, as most pictures do.
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("a.bmp")), QByteArray(179300, 'x')));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));

    platform::FileDialogRequest request;
    request.filter =
        QStringLiteral("すべてのファイル|*.bmp;*.jpg;*.gif;*.wmf|BMP(*.bmp)|*.bmp|JPEG(*.jpg)|*.jpg");
    request.initialDir = dir.path();
    // Qt keeps the list's columns from the last dialog of any program; start from its defaults.
    QSettings(QSettings::UserScope, QStringLiteral("QtProject")).remove(QStringLiteral("FileDialog"));
    const SeenDialog seen = showAndCancel(false, request);
    EXPECT_EQ(seen.filters, (QStringList{QStringLiteral("すべてのファイル (*.bmp *.jpg *.gif *.wmf)"),
                                         QStringLiteral("BMP(*.bmp)"), QStringLiteral("JPEG(*.jpg)")}));
    EXPECT_EQ(seen.bmpType, QMimeDatabase().mimeTypeForName(QStringLiteral("image/bmp")).comment());
    EXPECT_NE(seen.bmpType, QStringLiteral("Windows BMP image"));
    EXPECT_EQ(seen.folderType, QStringLiteral("フォルダー"));
    const QDateTime modified = QFileInfo(dir.filePath(QStringLiteral("a.bmp"))).lastModified();
    EXPECT_EQ(seen.bmpDate,
              QLocale(QLocale::Japanese, QLocale::Japan).toString(modified, QLocale::ShortFormat));
    EXPECT_TRUE(seen.sizeFits) << "the size column cuts its text: " << seen.bmpSize.toStdString();
    EXPECT_TRUE(seen.typeFits) << "the type column cuts its text";
    EXPECT_TRUE(seen.dateFits) << "the date column cuts its text";
}

// Qt keeps the list's columns of the last file dialog of any program in the user's settings.
QHeaderView* listHeader(QFileDialog& dialog) {
    auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    return list ? list->header() : nullptr;
}

TEST(FileDialogs, ColumnsFitWhateverTheLastDialogLeftAndOtherProgramsKeepTheirs) {
    const JapaneseForATest japanese;
    ASSERT_TRUE(japanese.loaded());
    QTemporaryDir dir;
    ASSERT_TRUE(writeBytes(dir.filePath(QStringLiteral("a.bmp")), QByteArray(179300, 'x')));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("sub")));

    // Another program's dialog left its columns narrow.
    {
        QFileDialog other;
        QHeaderView* header = listHeader(other);
        ASSERT_NE(header, nullptr);
        for (const int column : {1, 2, 3}) {
            header->resizeSection(column, 20);
        }
    }
    platform::FileDialogRequest request;
    request.filter = QStringLiteral("BMP(*.bmp)|*.bmp");
    request.initialDir = dir.path();
    const SeenDialog seen = showAndCancel(false, request);
    EXPECT_TRUE(seen.sizeFits) << seen.bmpSize.toStdString();
    EXPECT_TRUE(seen.typeFits) << seen.bmpType.toStdString();
    EXPECT_TRUE(seen.dateFits) << seen.bmpDate.toStdString();

    // What this dialog leaves behind is widths only: the next program's columns can still be dragged.
    QFileDialog next;
    QHeaderView* header = listHeader(next);
    ASSERT_NE(header, nullptr);
    for (int column = 0; column < header->count(); ++column) {
        EXPECT_EQ(header->sectionResizeMode(column), QHeaderView::Interactive) << column;
    }
    EXPECT_TRUE(header->stretchLastSection());
}

// Answers the next save dialog as a user does: the type chosen with the arrow keys, the name typed,
// Enter. The dialog is the active modal widget once it is shown, whenever that is.
void answerSaveDialog(QObject* owner, int typeSteps, const QString& typed) {
    auto* poll = new QTimer(owner);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, typeSteps, typed] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* types = dialog ? dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")) : nullptr;
        auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!types || !name) {
            return;
        }
        poll->deleteLater();
        poll->stop();
        for (int i = 0; i < typeSteps; ++i) {
            QTest::keyClick(types, Qt::Key_Down);
        }
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
    });
    poll->start(10);
}

// The real save dialog adds the extension of the chosen type, or the request's own, to a name
// typed without one, and only then.
TEST(FileDialogs, ABareNameTakesTheExtensionOfTheChosenType) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* filter;
        const char* suffix;
        int typeSteps; // Down presses in the type box
        const char* typed;
        const char* expected;
        int filterIndex;
    };
    const Case cases[] = {
        {"Quarbel文書|*.qbd", "qbd", 0, "doc", "doc.qbd", 0},
        {"Quarbel文書|*.qbd", "qbd", 0, "doc.qbd", "doc.qbd", 0},
        {"BMP(*.bmp)|*.bmp|PNG(*.png)|*.png", "bmp", 0, "bare", "bare.bmp", 0},
        {"BMP(*.bmp)|*.bmp|PNG(*.png)|*.png", "bmp", 1, "bare", "bare.png", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        platform::FileDialogRequest request;
        request.filter = QString::fromUtf8(c.filter);
        request.initialDir = dir.path();
        request.defaultSuffix = QLatin1String(c.suffix);
        QObject owner;
        answerSaveDialog(&owner, c.typeSteps, QLatin1String(c.typed));
        const std::optional<platform::FileChoice> choice =
            platform::makeQtDialogs()->saveFile(nullptr, request);
        ASSERT_TRUE(choice.has_value());
        EXPECT_EQ(choice->fullPath, QDir(dir.path()).filePath(QLatin1String(c.expected)));
        EXPECT_EQ(choice->filterIndex, c.filterIndex);
    }
}

TEST(MessageBoxes, LongNamesWrapInsteadOfWideningTheBox) {
    struct Case {
        const char* what;
        QString path;
        bool whole; // the name is shown whole, only wrapped
    };
    const QString folder = QStringLiteral("/home/user/") + QString(60, QLatin1Char('d')) + QLatin1Char('/');
    const Case cases[] = {
        {"a name without a break", folder + QString(240, QLatin1Char('n')) + QStringLiteral("_Design.bmp"),
         true},
        {"a path as long as the system allows", QString(4000, QLatin1Char('p')), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString text = QStringLiteral("「") + c.path + QStringLiteral("」に保存できませんでした。") +
                             QStringLiteral("\r\n") +
                             QStringLiteral("ファイル名が長すぎます。短い名前にしてください。");
        QSize seen;
        QString shown;
        QRect screen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box) {
                return;
            }
            seen = box->frameGeometry().size();
            screen = box->screen()->availableGeometry();
            shown = box->text();
            box->accept();
        });
        platform::makeQtDialogs()->message(nullptr, text, platform::MessageIcon::Exclamation);
        ASSERT_TRUE(seen.isValid());
        EXPECT_LE(seen.width(), 600);
        EXPECT_LE(seen.height(), screen.height());
        shown.remove(QChar(0x200B));
        EXPECT_EQ(shown.contains(c.path), c.whole);
        EXPECT_TRUE(shown.endsWith(QStringLiteral("短い名前にしてください。")));
    }
}

class SavePictureDialogTest : public FrameTest {};

TEST_F(SavePictureDialogTest, NamesThePictureAndProposesANameFromTheDocument) {
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QString document = inAppDir(QStringLiteral("sample.qbd"));
    for (const char* key : {"PicDesignPath", "PicFieldPath", "PicStereoPath"}) {
        const QString path = inAppDir(QLatin1String(key) + QStringLiteral(".bmp"));
        ASSERT_FALSE(platform::saveBmp(picture, path).has_value());
        ASSERT_TRUE(
            document::IniFile::writeString(document, document::IniSectionName, QLatin1String(key), path));
    }
    dialogs.queueFile(platform::FileChoice{document, QStringLiteral("sample.qbd")});
    trigger(Menu::mnuOpen);
    panes::DocumentWindow* form = active();
    ASSERT_NE(form, nullptr);
    ASSERT_TRUE(
        waitUntil([&] { return !form->picAfter()->isHidden() && !form->picField()->isHidden(); }, 10000));

    struct Case {
        Menu command;
        const char* title;
        const char* fileName;
    };
    const Case cases[] = {
        {Menu::mnuSaveDesign, "デザイン画像の保存", "sample_Design.bmp"},
        {Menu::mnuSaveField, "フィールド画像の保存", "sample_Field.bmp"},
        {Menu::mnuSaveStereo, "ステレオアート画像の保存", "sample_Stereo.bmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        dialogs.clearAsked();
        trigger(c.command);
        ASSERT_TRUE(waitUntil([&] { return !dialogs.asked().isEmpty(); }, 10000));
        EXPECT_EQ(dialogs.asked()[0].kind, testing::ScriptedDialogs::Asked::Save);
        EXPECT_EQ(dialogs.asked()[0].request.title, QString::fromUtf8(c.title));
        EXPECT_EQ(dialogs.asked()[0].request.fileName, QString::fromUtf8(c.fileName));
    }
}

// The frame with the real save dialog; every other dialog is scripted.
class RealSaveDialogTest : public FrameTest {
protected:
    struct RealSaves : ScriptedDialogs {
        std::optional<platform::FileChoice> saveFile(QWidget* parent,
                                                     const platform::FileDialogRequest& request) override {
            return platform::makeQtDialogs()->saveFile(parent, request);
        }
    };

    void SetUp() override {
        FrameTest::SetUp();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, true);
        frame.reset();
        frame = std::make_unique<ui::MainWindow>(state, saves, shell);
        frame->MDIForm_Load();
    }
    void TearDown() override {
        FrameTest::TearDown();
        QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs, false);
    }

    RealSaves saves;
};

// A bare name typed into the save dialog gets the document's extension, or the chosen type's for a
// pane picture, and the file is written under that name.
TEST_F(RealSaveDialogTest, ABareNameTakesTheExtensionOfWhatIsSaved) {
    QTemporaryDir docs;
    ASSERT_TRUE(docs.isValid());
    QImage picture(24, 16, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    const QString design = docs.filePath(QStringLiteral("design.bmp"));
    ASSERT_FALSE(platform::saveBmp(picture, design).has_value());
    struct Case {
        Menu command;
        int typeSteps; // Down presses in the type box
        const char* typed;
        const char* written;
        const char* magic;
    };
    const Case cases[] = {
        {Menu::mnuSaveName, 0, "doc", "doc.qbd", "[Quarbel Ver.2]"},
        {Menu::mnuSaveDesign, 0, "bmp", "bmp.bmp", "BM"},
        {Menu::mnuSaveDesign, 1, "png", "png.png", "\x89PNG"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        trigger(Menu::mnuMono);
        saves.queueFile(platform::FileChoice{design, QStringLiteral("design.bmp")});
        triggerAndRun(Menu::mnuInsDesign);
        answerSaveDialog(frame.get(), c.typeSteps, docs.filePath(QLatin1String(c.typed)));
        triggerAndRun(c.command);
        EXPECT_TRUE(readBytes(docs.filePath(QLatin1String(c.written))).startsWith(c.magic));
        EXPECT_FALSE(QFileInfo::exists(docs.filePath(QLatin1String(c.typed))));
    }
    EXPECT_EQ(documents().front()->windowTitle(), QStringLiteral("doc"));
}

} // namespace
} // namespace quarbel::testing
