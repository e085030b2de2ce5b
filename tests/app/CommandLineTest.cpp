#include "app/cli/CommandLine.h"

#include <functional>
#include <gtest/gtest.h>

using namespace quarbel::cli;

namespace {

TEST(CommandLineTest, AcceptedFormsGiveTheirValues) {
    const struct {
        QStringList args;
        std::function<void(const Arguments&)> check;
    } cases[] = {
        {{"random-dot", "d.bmp", "-o", "o.bmp"},
         [](const Arguments& a) {
             EXPECT_EQ(a.inputs, QStringList{"d.bmp"});
             EXPECT_EQ(a.output, "o.bmp");
             EXPECT_EQ(a.outputFormat, OutputFormat::Bmp);
             EXPECT_FALSE(a.mode || a.repeat || a.depth || a.density || a.seed || a.tile);
         }},
        {{"random-dot", "--output=o.PNG", "--repeat=0", "--depth", "50", "--density=100", "--mode", "COLOR",
          "--seed", "18446744073709551615", "d.bmp"},
         [](const Arguments& a) {
             EXPECT_EQ(a.outputFormat, OutputFormat::Png);
             EXPECT_EQ(a.repeat, 0);
             EXPECT_EQ(a.depth, 50);
             EXPECT_EQ(a.density, 100);
             EXPECT_EQ(a.mode, QString("Color"));
             EXPECT_EQ(a.seed, std::uint64_t(18446744073709551615ull));
             EXPECT_EQ(a.inputs, QStringList{"d.bmp"});
         }},
        {{"color-field", "-o", "o.bmp", "--", "-design.bmp", "--tile"},
         [](const Arguments& a) {
             // After "--" names that look like options are files.
             EXPECT_EQ(a.inputs, (QStringList{"-design.bmp", "--tile"}));
             EXPECT_FALSE(a.tile);
         }},
        {{"color-field", "d.bmp", "f.bmp", "--tile", "--repeat", "200", "-o", "o.bmp"},
         [](const Arguments& a) {
             EXPECT_TRUE(a.tile);
             EXPECT_EQ(a.repeat, 200);
         }},
        {{"document", "x.qbd", "-o", "o.bmp", "--seed", "0"},
         [](const Arguments& a) { EXPECT_EQ(a.seed, std::uint64_t(0)); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const ParseResult result = parseArguments(c.args);
        ASSERT_EQ(result.kind, ParseResult::Kind::Run) << result.problem.toStdString();
        c.check(result.arguments);
    }
}

TEST(CommandLineTest, HelpWinsAndEveryCommandIsListed) {
    EXPECT_EQ(parseArguments({"random-dot", "--repeat", "999", "--help"}).kind, ParseResult::Kind::Help);
    EXPECT_EQ(parseArguments({"-h"}).kind, ParseResult::Kind::Help);
    const QString usage = usageText();
    for (const Subcommand& command : subcommands()) {
        EXPECT_TRUE(usage.contains(QLatin1String(command.synopsis))) << command.name;
        EXPECT_EQ(findSubcommand(QLatin1String(command.name)), &command);
    }
    EXPECT_EQ(findSubcommand("Random-Dot"), nullptr);
}

TEST(CommandLineTest, OutputNamesChooseTheFormat) {
    const struct {
        const char* name;
        std::optional<OutputFormat> format;
    } cases[] = {
        {"a.bmp", OutputFormat::Bmp}, {"a.BMP", OutputFormat::Bmp},
        {"a.png", OutputFormat::Png}, {"dir.png/a.PnG", OutputFormat::Png},
        {"a.jpg", std::nullopt},      {"a", std::nullopt},
        {".png", std::nullopt},       {"a.bmp.txt", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(outputFormatFor(QString::fromUtf8(c.name)), c.format) << c.name;
    }
}

// The ranges and defaults come from the document's parameter table: the parser takes exactly the
// range, and the help says it as it always has.
TEST(CommandLineTest, ParameterOptionsKeepTheirRangesAndHelp) {
    const struct {
        const char* option;
        int low, high;
        const char* help;
    } cases[] = {
        {"--repeat", 0, 200,
         "  --repeat N        repeat width in pixels, 0..200 (default 70; with --tile the pattern's "
         "width);\n"},
        {"--depth", 0, 50, "  --depth N         depth in tenths of a pixel per level, 0..50 (default 20)\n"},
        {"--density", 0, 100, "  --density N       percentage of lit dots, 0..100 (default 30)\n"},
        {"--tile", 0, 0,
         "  --tile            FIELD is a pattern at most 200 pixels wide, repeated to the Design image's "
         "size\n"},
    };
    const QString usage = usageText();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.option);
        EXPECT_TRUE(usage.contains(QString::fromUtf8(c.help))) << usage.toStdString();
        if (c.high == 0)
            continue;
        for (int value : {c.low - 1, c.low, c.high, c.high + 1}) {
            const ParseResult result =
                parseArguments({"random-dot", "d.bmp", "-o", "o.bmp", c.option, QString::number(value)});
            EXPECT_EQ(result.kind == ParseResult::Kind::Run, value >= c.low && value <= c.high) << value;
        }
    }
}

} // namespace
