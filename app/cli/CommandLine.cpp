#include "app/cli/CommandLine.h"

#include "app/cli/Commands.h"
#include "document/Parameters.h"

namespace quarbel::cli {

using document::DensityParameter;
using document::DepthParameter;
using document::MaxPatternWidth;
using document::ParameterSpec;
using document::RepeatWidthParameter;

namespace {

// Half the widest picture the converter reads.
constexpr int MaxRevealRepeat = 8192;

struct OptionEntry {
    Option id;
    QLatin1StringView longName;  // without the leading "--"
    QLatin1StringView shortName; // without the leading "-", empty when none
    bool takesValue;
};

constexpr OptionEntry OptionTable[] = {
    {Option::Output, QLatin1StringView("output"), QLatin1StringView("o"), true},
    {Option::Mode, QLatin1StringView("mode"), QLatin1StringView(), true},
    {Option::Repeat, QLatin1StringView("repeat"), QLatin1StringView(), true},
    {Option::Depth, QLatin1StringView("depth"), QLatin1StringView(), true},
    {Option::Density, QLatin1StringView("density"), QLatin1StringView(), true},
    {Option::Seed, QLatin1StringView("seed"), QLatin1StringView(), true},
    {Option::Tile, QLatin1StringView("tile"), QLatin1StringView(), false},
    {Option::Grey, QLatin1StringView("grey"), QLatin1StringView(), false},
    {Option::Invert, QLatin1StringView("invert"), QLatin1StringView(), false},
    {Option::Near, QLatin1StringView("near"), QLatin1StringView(), true},
    {Option::Far, QLatin1StringView("far"), QLatin1StringView(), true},
    {Option::Cross, QLatin1StringView("cross"), QLatin1StringView(), false},
    {Option::Parallel, QLatin1StringView("parallel"), QLatin1StringView(), false},
    {Option::Smooth, QLatin1StringView("smooth"), QLatin1StringView(), false},
};

const OptionEntry* findOption(const QString& word) {
    for (const OptionEntry& entry : OptionTable) {
        if (word == QLatin1StringView("--") + entry.longName ||
            (!entry.shortName.isEmpty() && word == QLatin1StringView("-") + entry.shortName)) {
            return &entry;
        }
    }
    return nullptr;
}

QString displayName(const OptionEntry& entry) {
    return QLatin1StringView("--") + entry.longName;
}

// Digits only: no sign, no blanks, no base prefix.
std::optional<std::uint64_t> parseUnsigned(const QString& text) {
    if (text.isEmpty() || text.size() > 20) {
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) {
            return std::nullopt;
        }
    }
    bool ok = false;
    const qulonglong value = text.toULongLong(&ok, 10);
    if (!ok) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> parseInRange(const QString& text, int low, int high) {
    const std::optional<std::uint64_t> value = parseUnsigned(text);
    if (!value || *value < std::uint64_t(low) || *value > std::uint64_t(high)) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

ParseResult usage(const QString& problem) {
    ParseResult result;
    result.kind = ParseResult::Kind::Usage;
    result.problem = problem;
    return result;
}

// Stores one option's value; a problem text when the value is not acceptable.
std::optional<QString> applyOption(Arguments& arguments, const OptionEntry& entry, const QString& value) {
    const auto range = [&](std::optional<int>& target, int low, int high) -> std::optional<QString> {
        target = parseInRange(value, low, high);
        if (!target) {
            return QStringLiteral("%1 needs a whole number from %2 to %3, not '%4'")
                .arg(displayName(entry))
                .arg(low)
                .arg(high)
                .arg(value);
        }
        return std::nullopt;
    };
    switch (entry.id) {
    case Option::Output: {
        const std::optional<OutputFormat> format = outputFormatFor(value);
        if (!format) {
            return QStringLiteral("the output name must end in .bmp or .png: '%1'").arg(value);
        }
        arguments.output = value;
        arguments.outputFormat = *format;
        return std::nullopt;
    }
    case Option::Mode:
        if (value.compare(QLatin1StringView("mono"), Qt::CaseInsensitive) == 0) {
            arguments.mode = QStringLiteral("Mono");
        } else if (value.compare(QLatin1StringView("color"), Qt::CaseInsensitive) == 0) {
            arguments.mode = QStringLiteral("Color");
        } else {
            return QStringLiteral("--mode is mono or color, not '%1'").arg(value);
        }
        return std::nullopt;
    case Option::Repeat:
        // The converters keep the editor's 200; a stereogram to read back may repeat at up to half
        // its width (checked against the picture once it is read).
        return range(arguments.repeat, RepeatWidthParameter.minimum,
                     arguments.command == QLatin1StringView("reveal") ? MaxRevealRepeat
                                                                      : RepeatWidthParameter.maximum);
    case Option::Depth:
        return range(arguments.depth, DepthParameter.minimum, DepthParameter.maximum);
    case Option::Density:
        return range(arguments.density, DensityParameter.minimum, DensityParameter.maximum);
    case Option::Seed:
        arguments.seed = parseUnsigned(value);
        if (!arguments.seed) {
            return QStringLiteral("--seed needs a whole number from 0 to 18446744073709551615, not '%1'")
                .arg(value);
        }
        return std::nullopt;
    case Option::Tile:
        arguments.tile = true;
        return std::nullopt;
    case Option::Grey:
        arguments.grey = true;
        return std::nullopt;
    case Option::Invert:
        arguments.invert = true;
        return std::nullopt;
    case Option::Near:
        return range(arguments.near, 0, 65535);
    case Option::Far:
        return range(arguments.far, 0, 65535);
    case Option::Cross:
        arguments.cross = true;
        return std::nullopt;
    case Option::Parallel:
        arguments.parallel = true;
        return std::nullopt;
    case Option::Smooth:
        arguments.smooth = true;
        return std::nullopt;
    }
    return std::nullopt;
}

} // namespace

std::span<const Subcommand> subcommands() {
    static const Subcommand table[] = {
        {"random-dot",
         "random-dot DESIGN -o OUT [--mode mono|color] [--repeat N] [--depth N] [--density N] [--seed N] "
         "[--grey [--invert] [--near N] [--far N]]",
         {QStringLiteral("DESIGN")},
         {Option::Output, Option::Mode, Option::Repeat, Option::Depth, Option::Density, Option::Seed,
          Option::Grey, Option::Invert, Option::Near, Option::Far},
         runRandomDot},
        {"color-field",
         "color-field DESIGN FIELD -o OUT [--repeat N] [--depth N] [--tile] [--grey [--invert] [--near N] "
         "[--far N]]",
         {QStringLiteral("DESIGN"), QStringLiteral("FIELD")},
         {Option::Output, Option::Repeat, Option::Depth, Option::Tile, Option::Grey, Option::Invert,
          Option::Near, Option::Far},
         runColorField},
        {"document",
         "document FILE.qbd -o OUT [--seed N]",
         {QStringLiteral("FILE.qbd")},
         {Option::Output, Option::Seed},
         runDocument},
        {"picture", "picture IN -o OUT", {QStringLiteral("IN")}, {Option::Output}, runPicture},
        {"design",
         "design DEPTH -o DESIGN [--invert] [--near N] [--far N]",
         {QStringLiteral("DEPTH")},
         {Option::Output, Option::Invert, Option::Near, Option::Far},
         runDesign},
        {"reveal",
         "reveal STEREO -o OUT [--repeat N] [--depth N] [--cross | --parallel] [--smooth]",
         {QStringLiteral("STEREO")},
         {Option::Output, Option::Repeat, Option::Depth, Option::Cross, Option::Parallel, Option::Smooth},
         runReveal},
    };
    return table;
}

const Subcommand* findSubcommand(const QString& name) {
    for (const Subcommand& command : subcommands()) {
        if (name == QLatin1StringView(command.name)) {
            return &command;
        }
    }
    return nullptr;
}

std::optional<OutputFormat> outputFormatFor(const QString& path) {
    if (path.endsWith(QLatin1StringView(".png"), Qt::CaseInsensitive) && path.size() > 4) {
        return OutputFormat::Png;
    }
    if (path.endsWith(QLatin1StringView(".bmp"), Qt::CaseInsensitive) && path.size() > 4) {
        return OutputFormat::Bmp;
    }
    return std::nullopt;
}

ParseResult parseArguments(const QStringList& args) {
    if (args.contains(QLatin1StringView("--help")) || args.contains(QLatin1StringView("-h"))) {
        ParseResult help;
        help.kind = ParseResult::Kind::Help;
        return help;
    }
    if (args.contains(QLatin1StringView("--version"))) {
        ParseResult version;
        version.kind = ParseResult::Kind::Version;
        return version;
    }
    if (args.isEmpty()) {
        return usage(QStringLiteral("no command given"));
    }
    const Subcommand* command = findSubcommand(args.first());
    if (!command) {
        return usage(QStringLiteral("unknown command '%1'").arg(args.first()));
    }

    ParseResult result;
    result.kind = ParseResult::Kind::Run;
    Arguments& arguments = result.arguments;
    arguments.command = args.first();
    unsigned seen = 0; // one bit per Option
    bool optionsEnded = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        QString word = args.at(i);
        if (optionsEnded || !word.startsWith(QLatin1Char('-')) || word == QLatin1StringView("-")) {
            arguments.inputs.append(word);
            continue;
        }
        if (word == QLatin1StringView("--")) {
            optionsEnded = true;
            continue;
        }
        std::optional<QString> inlineValue;
        if (word.startsWith(QLatin1StringView("--")) && word.contains(QLatin1Char('='))) {
            const qsizetype equals = word.indexOf(QLatin1Char('='));
            inlineValue = word.mid(equals + 1);
            word = word.left(equals);
        }
        const OptionEntry* entry = findOption(word);
        if (!entry || !command->options.contains(entry->id)) {
            return usage(QStringLiteral("%1 does not take the option '%2'").arg(arguments.command, word));
        }
        const unsigned bit = 1u << static_cast<unsigned>(entry->id);
        if (seen & bit) {
            return usage(QStringLiteral("%1 is given more than once").arg(displayName(*entry)));
        }
        seen |= bit;
        QString value;
        if (entry->takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < args.size()) {
                value = args.at(++i);
            } else {
                return usage(QStringLiteral("%1 needs a value").arg(displayName(*entry)));
            }
        } else if (inlineValue) {
            return usage(QStringLiteral("%1 takes no value").arg(displayName(*entry)));
        }
        if (const std::optional<QString> problem = applyOption(arguments, *entry, value)) {
            return usage(*problem);
        }
    }
    if (arguments.inputs.size() != command->inputNames.size()) {
        return usage(QStringLiteral("%1 needs %2 (%3 given)")
                         .arg(arguments.command, command->inputNames.join(QLatin1Char(' ')))
                         .arg(arguments.inputs.size()));
    }
    for (const QString& input : arguments.inputs) {
        if (input.isEmpty()) {
            return usage(QStringLiteral("an input file name is empty"));
        }
    }
    if (arguments.output.isEmpty()) {
        return usage(QStringLiteral("%1 needs -o OUT, the picture to write").arg(arguments.command));
    }
    // The map's own options mean nothing without a map.
    const bool mapCommand = arguments.command == QLatin1StringView("design");
    if (!mapCommand && !arguments.grey && (arguments.invert || arguments.near || arguments.far)) {
        return usage(QStringLiteral("--invert, --near and --far go with --grey"));
    }
    if (arguments.near && arguments.far && *arguments.near == *arguments.far) {
        return usage(QStringLiteral("--near and --far must differ"));
    }
    if (arguments.command == QLatin1StringView("reveal") && arguments.repeat == 0) {
        return usage(QStringLiteral("reveal needs a repeat width of at least 1"));
    }
    // Depth 0 shifts nothing: every level reads back as the same one, a blank picture.
    if (arguments.command == QLatin1StringView("reveal") && arguments.depth == 0) {
        return usage(QStringLiteral("reveal needs a --depth of at least 1"));
    }
    if (arguments.cross && arguments.parallel) {
        return usage(QStringLiteral("--cross and --parallel cannot both be given"));
    }
    return result;
}

namespace {

QString span(const ParameterSpec& parameter) {
    return QStringLiteral("%1..%2").arg(parameter.minimum).arg(parameter.maximum);
}

} // namespace

QString usageText() {
    QString text = QStringLiteral("Usage:\n");
    for (const Subcommand& command : subcommands()) {
        text +=
            QStringLiteral("  quarbel-convert ") + QLatin1StringView(command.synopsis) + QLatin1Char('\n');
    }
    text +=
        QStringLiteral(
            "  quarbel-convert --help\n"
            "  quarbel-convert --version\n"
            "\n"
            "Commands:\n"
            "  random-dot   random-dot stereogram of a Design image\n"
            "  color-field  colour-field stereogram of a Design image and a Field image\n"
            "  document     the stereogram a Quarbel document (.qbd) describes, with its parameters\n"
            "  picture      any picture the converter reads, written as BMP or PNG\n"
            "  design       a Design image in the 16 depth colours from a grey depth map (white near)\n"
            "  reveal       the depth hidden in a stereogram: a Design image with --repeat and --depth,\n"
            "               else a grey map (the repeat width and direction are found and reported)\n"
            "\n"
            "Options:\n"
            "  -o, --output OUT  picture to write: 24-bit BMP, or PNG when OUT ends in .png\n"
            "  --mode mono|color black-and-white dots (the default) or dots in 16 colours\n"
            "  --repeat N        repeat width in pixels, %1 (default %2; with --tile the pattern's width);\n"
            "                    reveal: 1 to half the picture's width (default: found in the picture)\n"
            "  --cross, --parallel  reveal: read the stereogram cross-eyed or parallel (default: found)\n"
            "  --smooth          reveal: depth below a pixel; a grey map written as PNG has 16 bits\n"
            "  --depth N         depth in tenths of a pixel per level, %3 (default %4)\n"
            "  --density N       percentage of lit dots, %5 (default %6)\n"
            "  --seed N          seed of the random dots, 0..18446744073709551615 (default: the clock)\n"
            "  --tile            FIELD is a pattern at most %7 pixels wide, repeated to the Design image's "
            "size\n"
            "  --grey            DESIGN is a grey depth map, read as the design command reads it\n"
            "  --invert          black is near in the map (the defaults of --near and --far swap)\n"
            "  --near N          grey value of the nearest level, 0..65535 (default the map's white)\n"
            "  --far N           grey value of the farthest level, 0..65535 (default 0, black)\n"
            "\n"
            "Pictures are read by their content (BMP, JPEG, GIF, PNG, WMF); Design and Field images may be "
            "up "
            "to\n"
            "16384 pixels wide. Depth maps may have 8 or 16 bits (PNG).\n"
            "Exit status: 0 written, 1 failed (OUT left as it was), 2 wrong command line.\n")
            .arg(span(RepeatWidthParameter), QString::number(RepeatWidthParameter.defaultValue),
                 span(DepthParameter), QString::number(DepthParameter.defaultValue), span(DensityParameter),
                 QString::number(DensityParameter.defaultValue), QString::number(MaxPatternWidth));
    return text;
}

} // namespace quarbel::cli
