#pragma once

// The batch converter's command line: one table of subcommands, each naming its inputs and the
// options it accepts, and one parser for all of them.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>

namespace quarbel::cli {

enum ExitCode : int {
    ExitSuccess = 0,
    ExitFailure = 1, // a file could not be read, converted or written; nothing was written
    ExitUsage = 2,   // the command line is wrong; nothing was read
};

enum class Option {
    Output,
    Mode,
    Repeat,
    Depth,
    Density,
    Seed,
    Tile,
    Grey,
    Invert,
    Near,
    Far,
    Cross,
    Parallel,
    Smooth
};

enum class OutputFormat { Bmp, Png };

// The command line after parsing: the values of the options that were given.
struct Arguments {
    QString command;
    QStringList inputs;
    QString output;
    OutputFormat outputFormat = OutputFormat::Bmp;
    std::optional<QString> mode; // "Mono" or "Color"
    std::optional<int> repeat;
    std::optional<int> depth;
    std::optional<int> density;
    std::optional<std::uint64_t> seed;
    bool tile = false;
    // Grey depth maps: DESIGN is such a map; black is near; the grey values of far and near.
    bool grey = false;
    bool invert = false;
    std::optional<int> near;
    std::optional<int> far;
    // reveal: force the reading's direction; refine separations below a pixel (16-bit PNG map).
    bool cross = false;
    bool parallel = false;
    bool smooth = false;
};

class Session;

struct Subcommand {
    const char* name;
    const char* synopsis; // the usage line after the program name
    QStringList inputNames;
    QList<Option> options;
    int (*run)(const Arguments& arguments, Session& session);
};

// Every subcommand, in the order the usage lists them.
std::span<const Subcommand> subcommands();
const Subcommand* findSubcommand(const QString& name);

struct ParseResult {
    enum class Kind { Run, Help, Version, Usage } kind = Kind::Usage;
    Arguments arguments; // for Run
    QString problem;     // for Usage: what is wrong, in one line
};

// args: the command line without the program name.
ParseResult parseArguments(const QStringList& args);

// The format written for an output name: PNG for ".png", BMP for ".bmp" (any letter case).
std::optional<OutputFormat> outputFormatFor(const QString& path);

QString usageText();

} // namespace quarbel::cli
