#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QPointer>
#include <QRegularExpression>
#include <QStringList>
#include <QTreeView>
#include <algorithm>

namespace quarbel::platform {

namespace {

const QString kTitle = QStringLiteral("Quarbel");

QMessageBox::Icon toQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

// The dialog's file list takes type names and dates from the system's locale and from a
// translation that lacks "Folder"; this shows them in the program's default locale instead.
class LocaleFileColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role != Qt::DisplayRole || !files || !index.isValid()) {
            return QIdentityProxyModel::data(index, role);
        }
        const QFileInfo info = files->fileInfo(mapToSource(index));
        if (index.column() == kTypeColumn && info.isDir()) {
            return QStringLiteral("フォルダー");
        }
        if (index.column() == kDateColumn) {
            return QLocale().toString(info.lastModified(), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }

private:
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;
};

// Japanese sizes, type names and dates are wider than the file list's default columns, and Qt
// brings back whatever widths the last file dialog of any program had: while the dialog is open
// those columns fit their texts and the name column takes what is left. Qt saves the header for
// every program's next dialog when the dialog goes, so the columns are made draggable again
// first; only their widths stay.
class FittedColumns {
public:
    explicit FittedColumns(QFileDialog& dialog) {
        auto* list = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
        m_header = list ? list->header() : nullptr;
        if (!m_header) {
            return;
        }
        m_header->setStretchLastSection(false);
        m_header->setSectionResizeMode(0, QHeaderView::Stretch);
        for (const int column : {1, 2, 3}) {
            m_header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
        }
    }
    ~FittedColumns() {
        if (!m_header) {
            return;
        }
        m_header->setSectionResizeMode(QHeaderView::Interactive);
        m_header->setStretchLastSection(true);
    }
    FittedColumns(const FittedColumns&) = delete;
    FittedColumns& operator=(const FittedColumns&) = delete;

private:
    QPointer<QHeaderView> m_header;
};

// A message box grows as wide as its longest unbreakable run, and a long file name has no place to
// break. A zero-width space after each folder separator and inside long runs lets the box wrap
// the name; a line too long to read whole keeps its two ends.
QString wrappableText(const QString& text) {
    constexpr qsizetype kLongestLine = 480;
    constexpr int kLongestRun = 24;
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines) {
        if (line.size() > kLongestLine) {
            line = line.left(kLongestLine / 2) + QStringLiteral("…") + line.right(kLongestLine / 2);
        }
        QString broken;
        int run = 0;
        for (const QChar ch : line) {
            broken += ch;
            run = ch.isSpace() ? 0 : run + 1;
            if (ch == QLatin1Char('/') || ch == QLatin1Char('\\') || run >= kLongestRun) {
                broken += QChar(0x200B);
                run = 0;
            }
        }
        line = broken;
    }
    return lines.join(QLatin1Char('\n'));
}

FileChoice choiceFromPath(const QString& path) {
    return {QDir::toNativeSeparators(path), QFileInfo(path).fileName()};
}

bool folderExists(const QString& fullPath) {
    return QFileInfo(fullPath).absoluteDir().exists();
}

QString noSuchFolderMessage(const QString& fullPath) {
    return QStringLiteral("フォルダー「") + QDir::toNativeSeparators(QFileInfo(fullPath).path()) +
           QStringLiteral("」が見つかりません。") + QStringLiteral("\r\n") +
           QStringLiteral("存在するフォルダーを選んでください。");
}

class QtDialogs : public Dialogs {
public:
    std::optional<FileChoice> openFile(QWidget* parent, const FileDialogRequest& request) override {
        return run(parent, request, QFileDialog::AcceptOpen);
    }

    std::optional<FileChoice> saveFile(QWidget* parent, const FileDialogRequest& request) override {
        return run(parent, request, QFileDialog::AcceptSave);
    }

    void message(QWidget* parent, const QString& text, MessageIcon icon) override {
        QMessageBox box(toQtIcon(icon), kTitle, wrappableText(text), QMessageBox::Ok, parent);
        box.exec();
    }

    Answer askYesNoCancel(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Question, kTitle, wrappableText(text),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Yes);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            return Answer::Cancel;
        }
    }

    bool confirm(QWidget* parent, const QString& text) override {
        QMessageBox box(QMessageBox::Warning, kTitle, wrappableText(text),
                        QMessageBox::Ok | QMessageBox::Cancel, parent);
        box.setDefaultButton(QMessageBox::Cancel);
        return box.exec() == QMessageBox::Ok;
    }

private:
    // The dialog again, in the folder last shown, until the user chooses a name whose folder exists
    // or cancels: the widget dialog itself accepts any typed folder.
    std::optional<FileChoice> run(QWidget* parent, FileDialogRequest request, QFileDialog::AcceptMode mode) {
        for (;;) {
            std::optional<FileChoice> choice = runOnce(parent, request, mode);
            if (!choice || !request.pathMustExist || folderExists(choice->fullPath)) {
                return choice;
            }
            message(parent, noSuchFolderMessage(choice->fullPath), MessageIcon::Exclamation);
            request.fileName = choice->fileTitle;
        }
    }

    static std::optional<FileChoice> runOnce(QWidget* parent, const FileDialogRequest& request,
                                             QFileDialog::AcceptMode mode) {
        QFileDialog dialog(parent, QString(), request.initialDir, qtFilterFromPairs(request.filter));
        dialog.setAcceptMode(mode);
        dialog.setProxyModel(new LocaleFileColumns(&dialog));
        const FittedColumns columns(dialog);
        dialog.resize(dialog.sizeHint().expandedTo(QSize(760, 440)));
        if (!request.title.isEmpty()) {
            dialog.setWindowTitle(request.title);
        }
        dialog.setOption(QFileDialog::ReadOnly, false);
        dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.overwritePrompt);
        if (mode == QFileDialog::AcceptOpen) {
            // An open dialog may name a file that does not exist yet (it is created by the first write).
            dialog.setFileMode(request.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
            dialog.setLabelText(QFileDialog::Accept, QFileDialog::tr("&Open"));
        } else {
            dialog.setFileMode(QFileDialog::AnyFile);
        }
        if (!request.defaultSuffix.isEmpty()) {
            dialog.setDefaultSuffix(request.defaultSuffix);
            const QStringList filters = dialog.nameFilters();
            QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                             [&dialog, &request, filters](const QString& chosen) {
                                 const auto index = static_cast<int>(filters.indexOf(chosen));
                                 dialog.setDefaultSuffix(defaultSuffixFor(request, std::max(0, index)));
                             });
        }
        if (!request.fileName.isEmpty()) {
            dialog.selectFile(request.fileName);
        }
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty() || files.front().isEmpty()) {
            return std::nullopt;
        }
        FileChoice choice = choiceFromPath(files.front());
        choice.filterIndex =
            std::max(0, static_cast<int>(dialog.nameFilters().indexOf(dialog.selectedNameFilter())));
        return choice;
    }
};

} // namespace

std::unique_ptr<Dialogs> makeQtDialogs() {
    return std::make_unique<QtDialogs>();
}

QString qtFilterFromPairs(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        const QString shown = QLatin1Char('(') + patterns + QLatin1Char(')');
        filters << (parts[i].endsWith(shown) ? parts[i] : parts[i] + QLatin1Char(' ') + shown);
    }
    return filters.join(QStringLiteral(";;"));
}

QString defaultSuffixFor(const FileDialogRequest& request, int filterIndex) {
    if (request.defaultSuffix.isEmpty()) {
        return {};
    }
    const QStringList parts = request.filter.split(QLatin1Char('|'));
    const qsizetype patternAt = qsizetype{filterIndex} * 2 + 1;
    if (filterIndex < 0 || patternAt >= parts.size()) {
        return request.defaultSuffix;
    }
    // Only a filter of one plain extension names one; "*.bmp;*.jpg" or "*" keep the request's.
    static const QRegularExpression single(QStringLiteral("^\\*\\.([A-Za-z0-9]+)$"));
    const QRegularExpressionMatch match = single.match(parts[patternAt]);
    return match.hasMatch() ? match.captured(1) : request.defaultSuffix;
}

} // namespace quarbel::platform
