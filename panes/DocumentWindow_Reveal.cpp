// The Design image that the Stereo picture hides, read back into the Design pane.

#include "document/SharedControls.h"
#include "panes/DocumentHost.h"
#include "panes/DocumentWindow.h"
#include "panes/StereoReveal.h"
#include "platform/Dialogs.h"

#include <QGuiApplication>
#include <cmath>

namespace quarbel::panes {

namespace {

QString revealProblemText(const StereoReading& reading) {
    const QString head = QStringLiteral("ステレオ画像からデザイン画像を読み取れませんでした。\r\n");
    if (reading.problem == RevealProblem::NotAStereogram) {
        return head + QStringLiteral("この画像には、ステレオ画像の横の繰り返しが見つかりません。");
    }
    return head +
           QStringLiteral("繰返幅 %1 ピクセルで読み取れたのは画素の %2 % だけで、少なすぎます。\r\n")
               .arg(reading.repeatWidth)
               .arg(static_cast<int>(std::floor(reading.matchedShare * 100.0))) +
           QStringLiteral("ステレオグラムでないか、傷んだり加工されたりした画像です。");
}

} // namespace

void DocumentWindow::RevealDesign() {
    // The menu is off in these states; a command left waiting from before still finds nothing to read.
    if (m_picAfter->isHidden() || holdsRun()) {
        return;
    }
    const document::SharedControls& controls = m_host.sharedControls();
    const int repeatWidth = controls.sliderValue(document::Slider::sldKurikaesi);
    const int depth = controls.sliderValue(document::Slider::sldRittaido);
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    const StereoReading reading = designFromStereo(m_picAfter->picture(), repeatWidth, depth);
    QGuiApplication::restoreOverrideCursor();
    if (reading.problem != RevealProblem::None) {
        m_dialogs.message(this, revealProblemText(reading), platform::MessageIcon::Exclamation);
        return;
    }
    placeUnfiledDesign(reading.design);
}

} // namespace quarbel::panes
