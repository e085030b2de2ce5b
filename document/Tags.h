#pragma once

// The document kind, the deferred command tags and the picture sources as types. Their design
// names are text only where a file is read or written; everywhere else they compare as enums, so
// a misspelt tag no longer compiles.

#include <QString>
#include <array>
#include <string_view>

namespace quarbel::document {

// What a document converts. Other stands for any text a state file held that is neither kind, and
// for no kind yet; such a document cannot start a conversion.
enum class StereoKind { RandomDot, Field, Other };

// The commands a menu or button posts to the active document's timer. None: nothing posted.
enum class CommandTag {
    None,
    MDImnuSave,
    MDImnuSaveName,
    MDImnuSaveDesign,
    MDImnuSaveField,
    MDImnuSaveStereo,
    MDImnuClose,
    MDImnuPrint,
    MDImnuOpen,
    MDImnuConvStart,
    MDImnuInsDesign,
    MDImnuInsField,
    MDImnuInsStereo,
    FromWizard,
    MDImnuInsDepthMap,
    MDImnuConvReveal,
};

// Where an insertion takes its picture from: a file, the document being opened, or a pane's
// picture on the clipboard. None: no source chosen.
enum class PicSource { None, FromFile, FromMDImnuOpen, CBpicBefore, CBpicField, CBpicAfter };

template <typename E> struct TagName {
    E value;
    std::string_view text;
};

// clang-format off
#define QUARBEL_TAG(type, name) TagName<type>{type::name, #name}
// clang-format on
inline constexpr std::array<TagName<StereoKind>, 2> StereoKindNames{{
    QUARBEL_TAG(StereoKind, RandomDot),
    QUARBEL_TAG(StereoKind, Field),
}};
inline constexpr std::array<TagName<CommandTag>, 16> CommandTagNames{{
    TagName<CommandTag>{CommandTag::None, ""},
    QUARBEL_TAG(CommandTag, MDImnuSave),
    QUARBEL_TAG(CommandTag, MDImnuSaveName),
    QUARBEL_TAG(CommandTag, MDImnuSaveDesign),
    QUARBEL_TAG(CommandTag, MDImnuSaveField),
    QUARBEL_TAG(CommandTag, MDImnuSaveStereo),
    QUARBEL_TAG(CommandTag, MDImnuClose),
    QUARBEL_TAG(CommandTag, MDImnuPrint),
    QUARBEL_TAG(CommandTag, MDImnuOpen),
    QUARBEL_TAG(CommandTag, MDImnuConvStart),
    QUARBEL_TAG(CommandTag, MDImnuInsDesign),
    QUARBEL_TAG(CommandTag, MDImnuInsField),
    QUARBEL_TAG(CommandTag, MDImnuInsStereo),
    QUARBEL_TAG(CommandTag, FromWizard),
    QUARBEL_TAG(CommandTag, MDImnuInsDepthMap),
    QUARBEL_TAG(CommandTag, MDImnuConvReveal),
}};
inline constexpr std::array<TagName<PicSource>, 6> PicSourceNames{{
    TagName<PicSource>{PicSource::None, ""},
    QUARBEL_TAG(PicSource, FromFile),
    QUARBEL_TAG(PicSource, FromMDImnuOpen),
    QUARBEL_TAG(PicSource, CBpicBefore),
    QUARBEL_TAG(PicSource, CBpicField),
    QUARBEL_TAG(PicSource, CBpicAfter),
}};
#undef QUARBEL_TAG

// Row i names enumerator i, so a lookup by value is an index.
template <typename E, std::size_t N> constexpr bool tagNamesInOrder(const std::array<TagName<E>, N>& names) {
    for (std::size_t i = 0; i < N; ++i) {
        if (names[i].value != static_cast<E>(i)) {
            return false;
        }
    }
    return true;
}
static_assert(tagNamesInOrder(StereoKindNames) && tagNamesInOrder(CommandTagNames) &&
              tagNamesInOrder(PicSourceNames));
static_assert(static_cast<std::size_t>(StereoKind::Other) == StereoKindNames.size());
static_assert(static_cast<std::size_t>(CommandTag::MDImnuConvReveal) + 1 == CommandTagNames.size());
static_assert(static_cast<std::size_t>(PicSource::CBpicAfter) + 1 == PicSourceNames.size());

constexpr std::string_view tagText(CommandTag tag) {
    return CommandTagNames[static_cast<std::size_t>(tag)].text;
}
constexpr std::string_view tagText(PicSource source) {
    return PicSourceNames[static_cast<std::size_t>(source)].text;
}

// The kind a document or state file names by text; Other for anything else, the empty text too.
StereoKind stereoKindFromText(const QString& text);

// The document kind as the state file holds it. A text that names neither kind is kept as it was
// read, so that saving the state writes the same bytes back.
class DocumentKind {
public:
    DocumentKind() = default;
    // Implicit: a known kind is a document kind.
    DocumentKind(StereoKind kind) : m_kind(kind) {} // NOLINT(google-explicit-constructor)

    static DocumentKind fromText(const QString& text);

    StereoKind kind() const { return m_kind; }
    // The text the state file stores.
    QString text() const;

    bool operator==(StereoKind kind) const { return m_kind == kind; }
    bool operator==(const DocumentKind& other) const = default;

private:
    StereoKind m_kind = StereoKind::Other;
    QString m_otherText; // only for Other
};

} // namespace quarbel::document
