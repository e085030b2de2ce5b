#pragma once

// The conversion parameters as a document keeps them: their keys in the document and state files,
// the ranges the sliders and the converter's options allow, and the values a new document starts
// with. Everything that shows, stores or checks a parameter takes it from here.

#include "document/SharedControls.h"
#include "engine/Conversion.h"

#include <QString>
#include <array>
#include <cstddef>

namespace quarbel::document {

struct ParameterSpec {
    const char* key; // the key in document and state files
    int minimum;
    int maximum;
    int defaultValue;
};

// In the order of the sliders that show them.
inline constexpr std::array<ParameterSpec, SliderCount> ParameterTable{{
    {"KurikaesiHaba", 0, 200, 70}, // repeat width, pixels
    {"Rittaido", 0, 50, 20},       // depth, tenths of a pixel per depth level
    {"Mitudo", 0, 100, 30},        // percent of lit dots
}};

constexpr const ParameterSpec& parameterSpec(Slider slider) {
    return ParameterTable[static_cast<std::size_t>(slider)];
}

inline constexpr const ParameterSpec& RepeatWidthParameter = ParameterTable[0];
inline constexpr const ParameterSpec& DepthParameter = ParameterTable[1];
inline constexpr const ParameterSpec& DensityParameter = ParameterTable[2];

// The widest Design or Field picture the editor takes.
inline constexpr int MaxEditorPictureWidth = 1024;
// The widest pattern the colour-field wizard repeats: its width becomes the repeat width.
inline constexpr int MaxPatternWidth = RepeatWidthParameter.maximum;

// The values a new document starts with.
constexpr engine::ConversionParameters defaultConversionParameters() {
    return {RepeatWidthParameter.defaultValue, DepthParameter.defaultValue, DensityParameter.defaultValue};
}

// The parameters a document or state file holds; a missing key (or file) gives the default.
engine::ConversionParameters readConversionParameters(const QString& path);

// "幅を<limit>ピクセル以下にしてください。": the advice after a picture that is too wide.
QString widthAdvice(int limit);
// "<minimum>～<maximum>までの数値を入力してください。": the advice after a number out of range.
QString rangeAdvice(const ParameterSpec& parameter);

} // namespace quarbel::document
