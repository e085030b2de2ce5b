#include "document/Parameters.h"

#include "document/IniFile.h"

namespace quarbel::document {

engine::ConversionParameters readConversionParameters(const QString& path) {
    const auto read = [&path](const ParameterSpec& spec) {
        return IniFile::readInt(path, IniSectionName, QLatin1String(spec.key), spec.defaultValue);
    };
    return {read(RepeatWidthParameter), read(DepthParameter), read(DensityParameter)};
}

QString widthAdvice(int limit) {
    return QStringLiteral("幅を%1ピクセル以下にしてください。").arg(limit);
}

QString rangeAdvice(const ParameterSpec& spec) {
    return QStringLiteral("%1～%2までの数値を入力してください。").arg(spec.minimum).arg(spec.maximum);
}

} // namespace quarbel::document
