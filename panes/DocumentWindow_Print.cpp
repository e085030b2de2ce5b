// The Stereo picture onto paper: at its on-screen size, turned when only that fits, and every
// refusal of the print system told to the user.

#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/PrintMessages.h"
#include "platform/Dialogs.h"
#include "platform/Printer.h"

#include <QGuiApplication>
#include <QScreen>
#include <variant>

namespace quarbel::panes {

namespace {

QString millimetres(QSizeF points) {
    const auto mm = [](qreal value) { return QString::number(qRound(value / 72.0 * 25.4)); };
    return mm(points.width()) + QStringLiteral("×") + mm(points.height()) + QStringLiteral(" mm");
}

} // namespace

QString printFailureMessage(const platform::PrintFailure& failure) {
    const QString crLf = QStringLiteral("\r\n");
    if (failure.error == platform::PrintError::NoPrinter) {
        return QStringLiteral("プリンターが見つかりません。") + crLf +
               QStringLiteral("プリンターを設定してから印刷してください。");
    }
    if (failure.error == platform::PrintError::NoDefault) {
        return QStringLiteral("既定のプリンターが決まっていません（プリンター：") + failure.reason +
               QStringLiteral("）。") + crLf +
               QStringLiteral("どれかを既定のプリンターにしてから印刷してください。");
    }
    const QString printer = QStringLiteral("プリンター「") + failure.printer + QStringLiteral("」");
    QString problem;
    QString remedy;
    switch (failure.error) {
    case platform::PrintError::NotAccepting:
        problem = printer + QStringLiteral("は印刷を受け付けていません。");
        remedy = QStringLiteral("受け付けを再開してから印刷してください。");
        break;
    case platform::PrintError::Stopped:
        problem = printer + QStringLiteral("は停止しています。");
        remedy = QStringLiteral("プリンターを再開してから印刷してください。");
        break;
    default:
        problem = printer + QStringLiteral("に印刷を送れませんでした。");
        remedy = QStringLiteral("プリンターの状態を確かめてください。");
        break;
    }
    const QString reason =
        failure.reason.isEmpty() ? QString() : QStringLiteral("理由：") + failure.reason + crLf;
    return problem + crLf + reason + remedy;
}

QString tooLargeToPrintMessage(QSizeF picture, QSizeF printable) {
    return QStringLiteral("ステレオ画像（") + millimetres(picture) +
           QStringLiteral("）は用紙の印刷できる範囲（") + millimetres(printable) +
           QStringLiteral("）に縦横どちらの向きでも収まりません。") + QStringLiteral("\r\n") +
           QStringLiteral("大きさを変えずに印刷すると、はみ出した部分は印刷されません。印刷しますか？");
}

void DocumentWindow::PrintStereo() {
    const QImage picture = m_picAfter->picture();
    if (m_picAfter->isHidden() || picture.isNull()) {
        return;
    }
    platform::Printer* printer = m_host.printer();
    if (!printer) {
        m_dialogs.message(this, printFailureMessage({platform::PrintError::NoPrinter, {}, {}}),
                          platform::MessageIcon::Exclamation);
        return;
    }
    const std::variant<platform::Sheet, platform::PrintFailure> sheet = printer->defaultSheet();
    if (const auto* failure = std::get_if<platform::PrintFailure>(&sheet)) {
        m_dialogs.message(this, printFailureMessage(*failure), platform::MessageIcon::Exclamation);
        return;
    }

    // One picture pixel per screen pixel: the paper shows the size the user sees, and the depth a
    // viewer sees depends on that size, so the picture is never scaled to the paper.
    const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
    const qreal dpiX = shown ? shown->logicalDotsPerInchX() : 96.0;
    const qreal dpiY = shown ? shown->logicalDotsPerInchY() : 96.0;
    platform::PrintJob job{m_labels.lblTitle, picture,
                           QSizeF(picture.width() * 72.0 / dpiX, picture.height() * 72.0 / dpiY),
                           std::get<platform::Sheet>(sheet), platform::Orientation::Portrait};
    if (const auto orientation = platform::orientationThatFits(job.size, job.sheet)) {
        job.orientation = *orientation;
    } else if (!m_dialogs.confirm(this, tooLargeToPrintMessage(job.size, job.sheet.printable.size()))) {
        return;
    }
    if (const auto failure = printer->print(job)) {
        m_dialogs.message(this, printFailureMessage(*failure), platform::MessageIcon::Exclamation);
    }
}

} // namespace quarbel::panes
