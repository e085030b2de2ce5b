#include "document/Parameters.h"

#include "document/IniFile.h"

namespace quarbel::document {

engine::ConversionParameters readConversionParameters(const QString& path) {
    const auto read = [&path](const ParameterSpec& parameter) {
        return IniFile::readInt(path, IniSectionName, QLatin1String(parameter.key), parameter.defaultValue);
    };
    return {read(RepeatWidthParameter), read(DepthParameter), read(DensityParameter)};
}

QString widthAdvice(int limit) {
    return QStringLiteral("幅を%1ピクセル以下にしてください。").arg(limit);
}

QString rangeAdvice(const ParameterSpec& parameter) {
    return QStringLiteral("%1～%2までの数値を入力してください。")
        .arg(parameter.minimum)
        .arg(parameter.maximum);
}

} // namespace quarbel::document
