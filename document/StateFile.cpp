#include "document/StateFile.h"

#include "document/IniFile.h"
#include "document/Parameters.h"

namespace quarbel::document {

namespace {

using K = StateKeyKind;

// The rows before and after the menus; the menus' rows come from MenuTable.
constexpr StateKey kHead[] = {
    {"FileNamePath", K::FileNamePath, 0},
    {"PicDesignPath", K::Text, static_cast<int>(StateText::PicDesignPath)},
    {"PicFieldPath", K::Text, static_cast<int>(StateText::PicFieldPath)},
    {"PicStereoPath", K::Text, static_cast<int>(StateText::PicStereoPath)},
    {"StereoName", K::Text, static_cast<int>(StateText::StereoName)},
    {"MONOorCOLOR", K::Text, static_cast<int>(StateText::MonoOrColor)},
    {RepeatWidthParameter.key, K::SliderValue, static_cast<int>(Slider::sldKurikaesi)},
    {DepthParameter.key, K::SliderValue, static_cast<int>(Slider::sldRittaido)},
    {DensityParameter.key, K::SliderValue, static_cast<int>(Slider::sldMitudo)},
};
constexpr StateKey kTail[] = {
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
};

constexpr std::array<StateKey, StateKeyCount> makeTable() {
    std::array<StateKey, StateKeyCount> table{};
    std::size_t at = 0;
    for (const StateKey& k : kHead) {
        table[at++] = k;
    }
    // The names are string literals, so data() ends with the terminating zero.
    for (const MenuNames& menu : MenuTable) {
        table[at++] = {menu.stateKey.data(), K::MenuFlag, static_cast<int>(menu.id)};
    }
    for (const StateKey& k : kTail) {
        table[at++] = k;
    }
    return table;
}
static_assert(std::size(kHead) + MenuCount + std::size(kTail) == StateKeyCount);

constexpr std::array<StateKey, StateKeyCount> kTable = makeTable();

// The plain text fields; the kind has its own text form.
QString* textField(DocumentFields& state, int index) {
    switch (static_cast<StateText>(index)) {
    case StateText::PicDesignPath:
        return &state.PicDesignPath;
    case StateText::PicFieldPath:
        return &state.PicFieldPath;
    case StateText::PicStereoPath:
        return &state.PicStereoPath;
    case StateText::StereoName:
        return nullptr;
    case StateText::MonoOrColor:
        return &state.MonoOrColor;
    }
    return nullptr;
}

QString readText(const DocumentFields& state, int index) {
    if (static_cast<StateText>(index) == StateText::StereoName) {
        return state.StereoName.text();
    }
    return *textField(const_cast<DocumentFields&>(state), index);
}

void writeText(DocumentFields& state, int index, const QString& text) {
    if (static_cast<StateText>(index) == StateText::StereoName) {
        state.StereoName = DocumentKind::fromText(text);
    } else {
        *textField(state, index) = text;
    }
}

// A missing kind or colour mode restores "Field", as files of colour-field documents always did.
QString textDefault(int index) {
    const auto which = static_cast<StateText>(index);
    return (which == StateText::StereoName || which == StateText::MonoOrColor) ? QStringLiteral("Field")
                                                                               : QString();
}

int sliderDefault(int index) {
    return parameterSpec(static_cast<Slider>(index)).defaultValue;
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

QList<QPair<QString, QString>> windowStateEntries(const DocumentFields& state,
                                                  const SharedControls& controls) {
    QList<QPair<QString, QString>> entries;
    entries.reserve(StateKeyCount);
    for (const StateKey& k : kTable) {
        QString value;
        switch (k.kind) {
        case K::FileNamePath:
            value = state.IniPath;
            break;
        case K::Text:
            value = readText(state, k.index);
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

bool SaveWindowState(const DocumentFields& state, const SharedControls& controls) {
    if (state.IniPath.isEmpty()) {
        return false;
    }
    return IniFile::writeStrings(state.IniPath, IniSectionName, windowStateEntries(state, controls));
}

bool ReplaceWithWindowState(const DocumentFields& state, const SharedControls& controls) {
    if (state.IniPath.isEmpty()) {
        return false;
    }
    return IniFile::replaceWithStrings(state.IniPath, IniSectionName, windowStateEntries(state, controls));
}

namespace {

void applyState(const IniSnapshot& file, DocumentFields& state, SharedControls& controls) {
    for (const StateKey& k : kTable) {
        const QString key = QString::fromLatin1(k.key);
        switch (k.kind) {
        case K::FileNamePath:
            break;
        case K::Text:
            writeText(state, k.index, file.readString(IniSectionName, key, textDefault(k.index)));
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

StateRestore RestoreWindowState(DocumentFields& state, SharedControls& controls) {
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

void RestoreWindowState(const QList<QPair<QString, QString>>& entries, DocumentFields& state,
                        SharedControls& controls) {
    applyState(IniSnapshot::fromEntries(IniSectionName, entries), state, controls);
}

} // namespace quarbel::document
