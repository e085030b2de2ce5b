#include "document/Tags.h"

namespace quarbel::document {

StereoKind stereoKindFromText(const QString& text) {
    for (const TagName<StereoKind>& name : StereoKindNames) {
        if (text == QLatin1StringView(name.text.data(), static_cast<qsizetype>(name.text.size()))) {
            return name.value;
        }
    }
    return StereoKind::Other;
}

DocumentKind DocumentKind::fromText(const QString& text) {
    DocumentKind result(stereoKindFromText(text));
    if (result.m_kind == StereoKind::Other) {
        result.m_otherText = text;
    }
    return result;
}

QString DocumentKind::text() const {
    if (m_kind == StereoKind::Other) {
        return m_otherText;
    }
    const std::string_view name = StereoKindNames[static_cast<std::size_t>(m_kind)].text;
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

} // namespace quarbel::document
