#include "document/StateFile.h"

#include "document/IniFile.h"

namespace quarbel::document {

namespace {

using K = StateKeyKind;

constexpr std::array<StateKey, StateKeyCount> kTable{{
    {"FileNamePath", K::FileNamePath, 0},
    {"PicDesignPath", K::Text, static_cast<int>(StateText::PicDesignPath)},
    {"PicFieldPath", K::Text, static_cast<int>(StateText::PicFieldPath)},
    {"PicStereoPath", K::Text, static_cast<int>(StateText::PicStereoPath)},
    {"StereoName", K::Text, static_cast<int>(StateText::StereoName)},
    {"MONOorCOLOR", K::Text, static_cast<int>(StateText::MonoOrColor)},
    {"KurikaesiHaba", K::SliderValue, static_cast<int>(Slider::sldKurikaesi)},
    {"Rittaido", K::SliderValue, static_cast<int>(Slider::sldRittaido)},
    {"Mitudo", K::SliderValue, static_cast<int>(Slider::sldMitudo)},
    {"mnuFile", K::MenuFlag, static_cast<int>(Menu::mnuFile)},
    {"mnuNew", K::MenuFlag, static_cast<int>(Menu::mnuNew)},
    {"mnuWizard", K::MenuFlag, static_cast<int>(Menu::mnuWizard)},
    {"mnuFieldColor", K::MenuFlag, static_cast<int>(Menu::mnuFieldColor)},
    {"mnuColor", K::MenuFlag, static_cast<int>(Menu::mnuColor)},
    {"mnuMono", K::MenuFlag, static_cast<int>(Menu::mnuMono)},
    {"mnuOpen", K::MenuFlag, static_cast<int>(Menu::mnuOpen)},
    {"mnuSave", K::MenuFlag, static_cast<int>(Menu::mnuSave)},
    {"mnuSaveName", K::MenuFlag, static_cast<int>(Menu::mnuSaveName)},
    {"mnuSaveGazou", K::MenuFlag, static_cast<int>(Menu::mnuSaveGazou)},
    {"mnuSaveDesign", K::MenuFlag, static_cast<int>(Menu::mnuSaveDesign)},
    {"mnuSaveField", K::MenuFlag, static_cast<int>(Menu::mnuSaveField)},
    {"mnuSaveStereo", K::MenuFlag, static_cast<int>(Menu::mnuSaveStereo)},
    {"mnuClose", K::MenuFlag, static_cast<int>(Menu::mnuClose)},
    {"mnuPrint", K::MenuFlag, static_cast<int>(Menu::mnuPrint)},
    {"mnuEnd", K::MenuFlag, static_cast<int>(Menu::mnuEnd)},
    // The Edit menu's key carries a "j"; stored files rely on this spelling.
    {"mnujHensyuu", K::MenuFlag, static_cast<int>(Menu::mnuHensyuu)},
    {"mnuEditer", K::MenuFlag, static_cast<int>(Menu::mnuEditer)},
    {"mnuEditerChoice", K::MenuFlag, static_cast<int>(Menu::mnuEditerChoice)},
    {"mnuEditerBoot", K::MenuFlag, static_cast<int>(Menu::mnuEditerBoot)},
    {"mnuCut", K::MenuFlag, static_cast<int>(Menu::mnuCut)},
    {"mnuCopy", K::MenuFlag, static_cast<int>(Menu::mnuCopy)},
    {"mnuPaste", K::MenuFlag, static_cast<int>(Menu::mnuPaste)},
    {"mnuClear", K::MenuFlag, static_cast<int>(Menu::mnuClear)},
    {"mnuIns", K::MenuFlag, static_cast<int>(Menu::mnuIns)},
    {"mnuInsDesign", K::MenuFlag, static_cast<int>(Menu::mnuInsDesign)},
    {"mnuInsField", K::MenuFlag, static_cast<int>(Menu::mnuInsField)},
    {"mnuInsStereo", K::MenuFlag, static_cast<int>(Menu::mnuInsStereo)},
    {"mnuConvert", K::MenuFlag, static_cast<int>(Menu::mnuConvert)},
    {"mnuConvStart", K::MenuFlag, static_cast<int>(Menu::mnuConvStart)},
    {"mnuConvStop", K::MenuFlag, static_cast<int>(Menu::mnuConvStop)},
    {"mnuConvExit", K::MenuFlag, static_cast<int>(Menu::mnuConvExit)},
    {"mnuWindow", K::MenuFlag, static_cast<int>(Menu::mnuWindow)},
    {"mnuHelp", K::MenuFlag, static_cast<int>(Menu::mnuHelp)},
    {"mnuInfomation", K::MenuFlag, static_cast<int>(Menu::mnuInfomation)},
    {"mnuSetumei", K::MenuFlag, static_cast<int>(Menu::mnuSetumei)},
    {"knButtons1", K::ButtonFlag, 1},
    {"knButtons2", K::ButtonFlag, 2},
    {"knButtons3", K::ButtonFlag, 3},
    {"knButtons4", K::ButtonFlag, 4},
    {"knButtons5", K::ButtonFlag, 5},
    {"knButtons6", K::ButtonFlag, 6},
    {"knButtons7", K::ButtonFlag, 7},
    {"knButtons8", K::ButtonFlag, 8},
    {"knButtons9", K::ButtonFlag, 9},
    {"knButtons10", K::ButtonFlag, 10},
    {"knButtons11", K::ButtonFlag, 11},
    {"knButtons12", K::ButtonFlag, 12},
    {"knButtons13", K::ButtonFlag, 13},
    {"knButtons14", K::ButtonFlag, 14},
    {"knText0", K::CaptionFlag, 0},
    {"knText1", K::CaptionFlag, 1},
    {"knText2", K::CaptionFlag, 2},
    {"sldKurikaesiEnabled", K::SliderFlag, static_cast<int>(Slider::sldKurikaesi)},
    {"sldRittaidoEnabled", K::SliderFlag, static_cast<int>(Slider::sldRittaido)},
    {"sldMitudoEnabled", K::SliderFlag, static_cast<int>(Slider::sldMitudo)},
}};

QString* textField(AppState& state, int index) {
    switch (static_cast<StateText>(index)) {
    case StateText::PicDesignPath:
        return &state.PicDesignPath;
    case StateText::PicFieldPath:
        return &state.PicFieldPath;
    case StateText::PicStereoPath:
        return &state.PicStereoPath;
    case StateText::StereoName:
        return &state.StereoName;
    case StateText::MonoOrColor:
        return &state.MonoOrColor;
    }
    return nullptr;
}

const QString& textField(const AppState& state, int index) {
    return *textField(const_cast<AppState&>(state), index);
}

// A missing kind or colour mode restores "Field", as files of colour-field documents always did.
QString textDefault(int index) {
    const auto which = static_cast<StateText>(index);
    return (which == StateText::StereoName || which == StateText::MonoOrColor) ? QStringLiteral("Field")
                                                                               : QString();
}

int sliderDefault(int index) {
    switch (static_cast<Slider>(index)) {
    case Slider::sldKurikaesi:
        return 70;
    case Slider::sldRittaido:
        return 20;
    case Slider::sldMitudo:
        return 30;
    }
    return 0;
}

QString flagText(bool enabled) {
    return enabled ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

const std::array<StateKey, StateKeyCount>& StateKeyTable() {
    return kTable;
}

std::optional<bool> parseFlag(const QString& text) {
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) {
        return true;
    }
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) {
        return false;
    }
    bool ok = false;
    const double number = t.toDouble(&ok);
    if (ok) {
        return number != 0.0;
    }
    return std::nullopt;
}

QList<QPair<QString, QString>> windowStateEntries(const AppState& state, const SharedControls& controls) {
    QList<QPair<QString, QString>> entries;
    entries.reserve(StateKeyCount);
    for (const StateKey& k : kTable) {
        QString value;
        switch (k.kind) {
        case K::FileNamePath:
            value = state.IniPath;
            break;
        case K::Text:
            value = textField(state, k.index);
            break;
        case K::SliderValue:
            value = QString::number(controls.sliderValue(static_cast<Slider>(k.index)));
            break;
        case K::MenuFlag:
            value = flagText(controls.menuEnabled(static_cast<Menu>(k.index)));
            break;
        case K::ButtonFlag:
            value = flagText(controls.buttonEnabled(k.index));
            break;
        case K::CaptionFlag:
            value = flagText(controls.captionEnabled(k.index));
            break;
        case K::SliderFlag:
            value = flagText(controls.sliderEnabled(static_cast<Slider>(k.index)));
            break;
        }
        // A line break cannot be stored in the file; it would split the line into extra keys.
        value.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
        entries.append({QString::fromLatin1(k.key), value});
    }
    return entries;
}

bool SaveWindowState(const AppState& state, const SharedControls& controls) {
    if (state.IniPath.isEmpty()) {
        return false;
    }
    return IniFile::writeStrings(state.IniPath, IniSectionName, windowStateEntries(state, controls));
}

namespace {

void applyState(const IniSnapshot& file, AppState& state, SharedControls& controls) {
    for (const StateKey& k : kTable) {
        const QString key = QString::fromLatin1(k.key);
        switch (k.kind) {
        case K::FileNamePath:
            break;
        case K::Text:
            *textField(state, k.index) = file.readString(IniSectionName, key, textDefault(k.index));
            break;
        case K::SliderValue: {
            const int def = sliderDefault(k.index);
            controls.setSliderValue(static_cast<Slider>(k.index), file.readInt(IniSectionName, key, def));
            break;
        }
        case K::MenuFlag:
        case K::ButtonFlag:
        case K::CaptionFlag:
        case K::SliderFlag: {
            const bool enabled =
                parseFlag(file.readString(IniSectionName, key, QStringLiteral("True"))).value_or(true);
            if (k.kind == K::MenuFlag) {
                controls.setMenuEnabled(static_cast<Menu>(k.index), enabled);
            } else if (k.kind == K::ButtonFlag) {
                controls.setButtonEnabled(k.index, enabled);
            } else if (k.kind == K::CaptionFlag) {
                controls.setCaptionEnabled(k.index, enabled);
            } else {
                controls.setSliderEnabled(static_cast<Slider>(k.index), enabled);
            }
            break;
        }
        }
    }
}

} // namespace

StateRestore RestoreWindowState(AppState& state, SharedControls& controls) {
    // One read of the file; the slider writes below only store values just read.
    IniSnapshot file(state.IniPath);
    QStringList keys;
    keys.reserve(StateKeyCount);
    for (const StateKey& k : kTable) {
        keys.append(QString::fromLatin1(k.key));
    }
    file.expectKeys(keys);
    switch (file.status()) {
    case IniSnapshot::Status::Unreadable:
        return StateRestore::Unreadable;
    case IniSnapshot::Status::Missing:
        applyState(file, state, controls);
        return StateRestore::Missing;
    case IniSnapshot::Status::Read:
        break;
    }
    applyState(file, state, controls);
    return file.hasSection(IniSectionName) ? StateRestore::Restored : StateRestore::NoSection;
}

void RestoreWindowState(const QList<QPair<QString, QString>>& entries, AppState& state,
                        SharedControls& controls) {
    applyState(IniSnapshot::fromEntries(IniSectionName, entries), state, controls);
}

std::string_view menuName(Menu menu) {
    static constexpr std::array<std::string_view, MenuCount> names{
        "mnuFile",         "mnuNew",        "mnuWizard",   "mnuFieldColor", "mnuColor",      "mnuMono",
        "mnuOpen",         "mnuSave",       "mnuSaveName", "mnuSaveGazou",  "mnuSaveDesign", "mnuSaveField",
        "mnuSaveStereo",   "mnuClose",      "mnuPrint",    "mnuEnd",        "mnuHensyuu",    "mnuEditer",
        "mnuEditerChoice", "mnuEditerBoot", "mnuCut",      "mnuCopy",       "mnuPaste",      "mnuClear",
        "mnuIns",          "mnuInsDesign",  "mnuInsField", "mnuInsStereo",  "mnuConvert",    "mnuConvStart",
        "mnuConvStop",     "mnuConvExit",   "mnuWindow",   "mnuHelp",       "mnuInfomation", "mnuSetumei",
    };
    return names[static_cast<std::size_t>(menu)];
}

} // namespace quarbel::document
