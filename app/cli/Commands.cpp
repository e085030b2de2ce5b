#include "app/cli/Commands.h"

#include "app/cli/BmpFileSink.h"
#include "app/cli/Session.h"
#include "codecs/WmfPicture.h"
#include "document/IniFile.h"
#include "document/Parameters.h"
#include "document/Version.h"
#include "engine/Colour.h"
#include "engine/Conversion.h"
#include "engine/DepthReveal.h"
#include "engine/GreyDepth.h"
#include "platform/DepthMapFile.h"
#include "platform/ImageSink.h"
#include "platform/ImageSurface.h"
#include "platform/Picture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <exception>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace quarbel::cli {

namespace {

using document::IniFile;
using document::IniSectionName;
using platform::PictureError;

using document::MaxPatternWidth;

// The parameters the options give, each missing one the document's default.
engine::ConversionParameters parametersFrom(const Arguments& arguments, int defaultRepeat) {
    const engine::ConversionParameters defaults = document::defaultConversionParameters();
    return {arguments.repeat.value_or(defaultRepeat), arguments.depth.value_or(defaults.depth),
            arguments.density.value_or(defaults.density)};
}

QString quoted(const QString& path) {
    return QLatin1Char('\'') + path + QLatin1Char('\'');
}

// Why a picture was refused before decoding, with the figures; empty for other errors.
QString refusalReason(const PictureError& error) {
    const QString size = QStringLiteral("%1 x %2 pixels").arg(error.size.width()).arg(error.size.height());
    switch (error.refusal) {
    case platform::PictureRefusal::None:
        break;
    case platform::PictureRefusal::NotRegularFile:
    case platform::PictureRefusal::NotRegularDocument:
        return QStringLiteral("not a regular file");
    case platform::PictureRefusal::TooManyPixels:
        return QStringLiteral("too large (%1; at most %2 pixels are read)")
            .arg(size)
            .arg(platform::MaxPicturePixels);
    case platform::PictureRefusal::TooWide:
        return QStringLiteral("too wide (%1; at most %2 pixels wide)").arg(size).arg(error.limit);
    case platform::PictureRefusal::Damaged:
        return QStringLiteral("damaged or cut off");
    case platform::PictureRefusal::TooManyScans:
        return QStringLiteral(
                   "a progressive JPEG with too many scans to decode in reasonable time (%1, %2 scans)")
            .arg(size)
            .arg(error.scans);
    }
    return {};
}

QString reason(const PictureError& error) {
    QString text = refusalReason(error);
    switch (text.isEmpty() ? error.number : 0) {
    case 0:
        break;
    case platform::ErrFileNotFound:
        text = QStringLiteral("file not found");
        break;
    case platform::ErrPathNotFound:
        text = QStringLiteral("folder not found");
        break;
    case platform::ErrPathFileAccess:
        text = QStringLiteral("not a file that can be used");
        break;
    case platform::ErrPermissionDenied:
        text = QStringLiteral("permission denied");
        break;
    case platform::ErrDeviceUnavailable:
        text = QStringLiteral("read error");
        break;
    case platform::ErrDiskIo:
        text = QStringLiteral("write error");
        break;
    case platform::ErrInvalidPicture:
        text = QStringLiteral("not a picture that can be read (BMP, JPEG, GIF, PNG or WMF)");
        break;
    default:
        text = error.description;
        break;
    }
    return QStringLiteral("%1 (error %2)").arg(text).arg(error.number);
}

struct PictureRequest {
    QString path;
    QString role;      // "Design image", "Field image", ...
    int maxWidth = 0;  // 0: no limit
    QString limitNote; // what the limit is called in the message
    QString origin;    // where the path came from, for a document's keys
};

// Loads a picture, or says why not and returns nothing.
std::optional<QImage> readPicture(Session& session, const PictureRequest& request) {
    // Only a regular file is opened here: a FIFO would block; the loader says what it is.
    if (QFileInfo(request.path).isFile()) {
        QFile file(request.path);
        if (file.open(QIODevice::ReadOnly) && codecs::looksLikeWmf(file.peek(4))) {
            session.needGui();
        }
    }
    const QString prefix = request.origin.isEmpty() ? QString() : request.origin + QStringLiteral(": ");
    platform::PictureResult result = platform::loadPicture(request.path);
    if (!result.ok()) {
        session.fail(QStringLiteral("%1cannot read the %2 %3: %4")
                         .arg(prefix, request.role, quoted(request.path), reason(*result.error)));
        return std::nullopt;
    }
    if (request.maxWidth > 0 && result.image.width() > request.maxWidth) {
        session.fail(QStringLiteral("%1the %2 %3 is %4 pixels wide; %5 is %6 pixels")
                         .arg(prefix, request.role, quoted(request.path))
                         .arg(result.image.width())
                         .arg(request.limitNote)
                         .arg(request.maxWidth));
        return std::nullopt;
    }
    return std::move(result.image);
}

// The editor's 1024-pixel rule comes from its fixed row buffers; the converter's buffers follow the
// picture, so it goes as wide as the loader reads.
PictureRequest limitedPicture(const QString& path, const QString& role, const QString& origin = {}) {
    return PictureRequest{path, role, engine::MaxConvertWidth, QStringLiteral("the limit"), origin};
}

// A grey depth map made into a Design image; --invert swaps the defaults of --near and --far.
std::optional<QImage> readDepthMap(Session& session, const QString& path, const Arguments& arguments) {
    // Only a regular file is opened here: a FIFO would block; the loader says what it is.
    if (QFileInfo(path).isFile()) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly) && codecs::looksLikeWmf(file.peek(4))) {
            session.needGui();
        }
    }
    const platform::DepthMapResult result = platform::loadDepthMap(path);
    if (!result.ok()) {
        session.fail(
            QStringLiteral("cannot read the depth map %1: %2").arg(quoted(path), reason(*result.error)));
        return std::nullopt;
    }
    const codecs::DepthMap& map = result.map;
    if (map.width > engine::MaxConvertWidth) {
        session.fail(QStringLiteral("the depth map %1 is %2 pixels wide; the limit is %3 pixels")
                         .arg(quoted(path))
                         .arg(map.width)
                         .arg(engine::MaxConvertWidth));
        return std::nullopt;
    }
    const platform::DepthRange defaults = platform::defaultDepthRange(map, arguments.invert);
    const platform::DepthRange range{arguments.far.value_or(defaults.far),
                                     arguments.near.value_or(defaults.near)};
    if (range.far == range.near) {
        session.fail(QStringLiteral("--near and --far are both %1 for the depth map %2; they must differ")
                         .arg(range.far)
                         .arg(quoted(path)));
        return std::nullopt;
    }
    return platform::designFromDepthMap(map, range);
}

// The Design image of a conversion: a picture in the depth colours, or with --grey a depth map.
std::optional<QImage> readDesign(Session& session, const Arguments& arguments) {
    if (arguments.grey)
        return readDepthMap(session, arguments.inputs.at(0), arguments);
    return readPicture(session, limitedPicture(arguments.inputs.at(0), QStringLiteral("Design image")));
}

int writeOutput(Session& session, const QImage& image, const Arguments& arguments) {
    const platform::PictureFormat format = arguments.outputFormat == OutputFormat::Png
                                               ? platform::PictureFormat::Png
                                               : platform::PictureFormat::Bmp;
    if (const std::optional<PictureError> error = platform::savePicture(image, arguments.output, format)) {
        session.fail(QStringLiteral("cannot write %1: %2").arg(quoted(arguments.output), reason(*error)));
        return ExitFailure;
    }
    return ExitSuccess;
}

// Where a run's Stereo image goes: a BMP is written row by row as the rows come, a PNG needs the
// whole picture first.
class StereoOutput {
public:
    explicit StereoOutput(const Arguments& arguments) : m_arguments(arguments) {
        if (arguments.outputFormat == OutputFormat::Bmp) {
            m_bmp.emplace(arguments.output);
        }
    }

    engine::RowSink& sink() { return m_bmp ? static_cast<engine::RowSink&>(*m_bmp) : m_image; }

    int finish(Session& session) {
        if (!m_bmp) {
            return writeOutput(session, m_image.image(), m_arguments);
        }
        if (const std::optional<PictureError> error = m_bmp->commit()) {
            session.fail(
                QStringLiteral("cannot write %1: %2").arg(quoted(m_arguments.output), reason(*error)));
            return ExitFailure;
        }
        return ExitSuccess;
    }

private:
    const Arguments& m_arguments;
    std::optional<BmpFileSink> m_bmp;
    platform::ImageSink m_image;
};

// A fresh run of a fresh window: the state starts at zero, so ResumeState[1] is 0 too.
int convertAndWrite(Session& session, engine::Converter& converter,
                    const engine::ConversionParameters& parameters, StereoOutput& output) {
    engine::RowOutcome outcome = engine::RowOutcome::Converted;
    try {
        outcome = engine::runToEnd(converter, parameters);
    } catch (const std::exception& error) {
        session.fail(QStringLiteral("conversion failed: %1").arg(QString::fromUtf8(error.what())));
        return ExitFailure;
    }
    if (outcome != engine::RowOutcome::Finished) {
        session.fail(QStringLiteral("conversion did not finish"));
        return ExitFailure;
    }
    return output.finish(session);
}

int convertRandomDot(Session& session, const QImage& design, const std::string& monoOrColor,
                     const engine::ConversionParameters& parameters, const Arguments& arguments) {
    engine::ConversionState state;
    state.MaxWidth = engine::MaxConvertWidth;
    engine::RunFlags flags;
    const platform::ImageSurface surface(design);
    StereoOutput output(arguments);
    engine::XoshiroRandom random;
    const auto converter = engine::makeRandomDotConverter(state, flags, surface, output.sink(), random,
                                                          monoOrColor, arguments.seed);
    return convertAndWrite(session, *converter, parameters, output);
}

int convertColorField(Session& session, const QImage& design, const QImage& field,
                      const engine::ConversionParameters& parameters, const Arguments& arguments) {
    engine::ConversionState state;
    state.MaxWidth = engine::MaxConvertWidth;
    engine::RunFlags flags;
    const platform::ImageSurface designSurface(design);
    const platform::ImageSurface fieldSurface(field);
    StereoOutput output(arguments);
    const auto converter =
        engine::makeColorFieldConverter(state, flags, designSurface, fieldSurface, output.sink());
    return convertAndWrite(session, *converter, parameters, output);
}

// A picture path from a document: empty means the document names none; a relative path (only a
// hand-written document has one) is taken from the document's folder.
std::optional<QString> documentPicturePath(Session& session, const QString& documentPath, const QString& key,
                                           const QString& role) {
    const QString value = IniFile::readString(documentPath, IniSectionName, key, QString());
    if (value.isEmpty()) {
        session.fail(QStringLiteral("the document %1 names no %2: the key %3 is missing or empty")
                         .arg(quoted(documentPath), role, key));
        return std::nullopt;
    }
    if (QFileInfo(value).isRelative()) {
        return QFileInfo(documentPath).absoluteDir().filePath(value);
    }
    return value;
}

// Why OUT must not be written, or nothing: a FIFO or device would be replaced by a regular file
// (or block), a looping link cannot be followed, and an input would be lost to the output.
std::optional<QString> outputProblem(const Arguments& arguments) {
    const QByteArray output = QFile::encodeName(arguments.output);
    struct stat target {};
    if (::stat(output.constData(), &target) != 0) {
        if (errno == ELOOP) {
            return QStringLiteral("it is a symbolic link that loops");
        }
        return std::nullopt; // a new file; the write says what goes wrong with it
    }
    if (!S_ISREG(target.st_mode)) {
        return S_ISDIR(target.st_mode) ? std::nullopt // the write names a folder itself
                                       : std::optional(QStringLiteral("it is not a regular file"));
    }
    for (const QString& input : arguments.inputs) {
        struct stat read {};
        if (::stat(QFile::encodeName(input).constData(), &read) == 0 && read.st_dev == target.st_dev &&
            read.st_ino == target.st_ino) {
            return QStringLiteral("it is the input %1; choose another output file").arg(quoted(input));
        }
    }
    return std::nullopt;
}

} // namespace

int runRandomDot(const Arguments& arguments, Session& session) {
    const std::optional<QImage> design = readDesign(session, arguments);
    if (!design) {
        return ExitFailure;
    }
    const std::string monoOrColor = arguments.mode.value_or(QStringLiteral("Mono")).toStdString();
    return convertRandomDot(session, *design, monoOrColor,
                            parametersFrom(arguments, document::RepeatWidthParameter.defaultValue),
                            arguments);
}

int runColorField(const Arguments& arguments, Session& session) {
    const std::optional<QImage> design = readDesign(session, arguments);
    if (!design) {
        return ExitFailure;
    }
    // The pattern repeats at its own width, so that is the repeat width that keeps it unchanged.
    int defaultRepeat = document::RepeatWidthParameter.defaultValue;
    QImage field;
    if (arguments.tile) {
        const std::optional<QImage> pattern = readPicture(
            session, PictureRequest{arguments.inputs.at(1), QStringLiteral("pattern"), MaxPatternWidth,
                                    QStringLiteral("with --tile the limit"), QString()});
        if (!pattern) {
            return ExitFailure;
        }
        field = platform::tileFieldImage(*pattern, design->size());
        defaultRepeat = pattern->width();
    } else {
        const std::optional<QImage> loaded =
            readPicture(session, limitedPicture(arguments.inputs.at(1), QStringLiteral("Field image")));
        if (!loaded) {
            return ExitFailure;
        }
        field = *loaded;
    }
    return convertColorField(session, *design, field, parametersFrom(arguments, defaultRepeat), arguments);
}

int runDocument(const Arguments& arguments, Session& session) {
    const QString path = arguments.inputs.at(0);
    const QFileInfo info(path);
    QFile file(path);
    if (!info.exists()) {
        session.fail(QStringLiteral("cannot read the document %1: file not found").arg(quoted(path)));
        return ExitFailure;
    }
    // A FIFO or device would block the open: only regular files are documents.
    if (info.isDir() || !info.isFile() || !file.open(QIODevice::ReadOnly)) {
        session.fail(QStringLiteral("cannot read the document %1: %2")
                         .arg(quoted(path), info.isDir()     ? QStringLiteral("it is a folder")
                                            : !info.isFile() ? QStringLiteral("not a regular file")
                                                             : QStringLiteral("permission denied")));
        return ExitFailure;
    }
    file.close();
    // A larger file reads as one without keys, which would be blamed on a missing key.
    if (info.size() > document::MaxIniFileSize) {
        session.fail(QStringLiteral("cannot read the document %1: the file is too large (%2 bytes; documents "
                                    "of at most %3 bytes are read)")
                         .arg(quoted(path))
                         .arg(info.size())
                         .arg(document::MaxIniFileSize));
        return ExitFailure;
    }

    const QString kind =
        IniFile::readString(path, IniSectionName, QStringLiteral("StereoName"), QStringLiteral("Field"));
    const QString origin = QStringLiteral("document %1").arg(quoted(path));
    const engine::ConversionParameters parameters = document::readConversionParameters(path);

    if (kind == QLatin1StringView("RandomDot")) {
        const std::optional<QString> designPath = documentPicturePath(
            session, path, QStringLiteral("PicDesignPath"), QStringLiteral("Design image"));
        if (!designPath) {
            return ExitFailure;
        }
        const std::optional<QImage> design =
            readPicture(session, limitedPicture(*designPath, QStringLiteral("Design image"), origin));
        if (!design) {
            return ExitFailure;
        }
        const std::string monoOrColor =
            IniFile::readString(path, IniSectionName, QStringLiteral("MONOorCOLOR"), QStringLiteral("Field"))
                .toStdString();
        return convertRandomDot(session, *design, monoOrColor, parameters, arguments);
    }
    if (kind == QLatin1StringView("Field")) {
        const std::optional<QString> designPath = documentPicturePath(
            session, path, QStringLiteral("PicDesignPath"), QStringLiteral("Design image"));
        if (!designPath) {
            return ExitFailure;
        }
        const std::optional<QString> fieldPath =
            documentPicturePath(session, path, QStringLiteral("PicFieldPath"), QStringLiteral("Field image"));
        if (!fieldPath) {
            return ExitFailure;
        }
        const std::optional<QImage> design =
            readPicture(session, limitedPicture(*designPath, QStringLiteral("Design image"), origin));
        if (!design) {
            return ExitFailure;
        }
        const std::optional<QImage> field =
            readPicture(session, limitedPicture(*fieldPath, QStringLiteral("Field image"), origin));
        if (!field) {
            return ExitFailure;
        }
        return convertColorField(session, *design, *field, parameters, arguments);
    }
    session.fail(QStringLiteral("the document %1 is of kind %2 (key StereoName); only RandomDot and Field "
                                "documents can be converted")
                     .arg(quoted(path), quoted(kind)));
    return ExitFailure;
}

int runPicture(const Arguments& arguments, Session& session) {
    const std::optional<QImage> picture = readPicture(
        session, PictureRequest{arguments.inputs.at(0), QStringLiteral("picture"), 0, QString(), QString()});
    if (!picture) {
        return ExitFailure;
    }
    return writeOutput(session, *picture, arguments);
}

int runDesign(const Arguments& arguments, Session& session) {
    const std::optional<QImage> design = readDepthMap(session, arguments.inputs.at(0), arguments);
    if (!design) {
        return ExitFailure;
    }
    return writeOutput(session, *design, arguments);
}

int runReveal(const Arguments& arguments, Session& session) {
    const QString& input = arguments.inputs.at(0);
    const std::optional<QImage> picture =
        readPicture(session, limitedPicture(input, QStringLiteral("stereogram")));
    if (!picture) {
        return ExitFailure;
    }
    const platform::ImageSurface stereo(*picture);
    if (arguments.repeat && *arguments.repeat > stereo.width() / 2) {
        session.fail(QStringLiteral("--repeat %1 is more than half the width of %2 (%3 pixels)")
                         .arg(*arguments.repeat)
                         .arg(quoted(input))
                         .arg(stereo.width()));
        return ExitFailure;
    }
    engine::RevealOptions options;
    options.repeatWidth = arguments.repeat;
    options.depth = arguments.depth;
    options.direction = arguments.cross      ? engine::RevealDirection::Cross
                        : arguments.parallel ? engine::RevealDirection::Parallel
                                             : engine::RevealDirection::Auto;
    options.smooth = arguments.smooth;
    const engine::RevealResult result = engine::revealStereogram(stereo, options);
    const QString share = QString::number(100.0 * result.matchedShare, 'f', 1);
    switch (result.status) {
    case engine::RevealStatus::NotAStereogram:
        session.fail(
            QStringLiteral("%1 does not repeat like a stereogram; give its repeat width with --repeat")
                .arg(quoted(input)));
        return ExitFailure;
    case engine::RevealStatus::TooFewMatches:
        session.fail(
            QStringLiteral("only %1 % of the pixels of %2 match at a separation up to the repeat width "
                           "%3: too few to read its depth (is it a stereogram, and the repeat width "
                           "right?)")
                .arg(share, quoted(input))
                .arg(result.repeatWidth));
        return ExitFailure;
    case engine::RevealStatus::Ok:
        break;
    }
    QString direction;
    if (result.crossEyed) {
        direction = arguments.cross
                        ? QStringLiteral("cross-eyed, as asked")
                        : QStringLiteral("cross-eyed: the depth order is reversed (--parallel reads "
                                         "it the other way)");
    } else {
        direction = arguments.parallel ? QStringLiteral("parallel, as asked") : QStringLiteral("parallel");
    }
    session.printError(
        QStringLiteral("quarbel-convert: repeat width %1 pixels (%2), %3, %4 % of the pixels "
                       "matched well\n")
            .arg(result.repeatWidth)
            .arg(arguments.repeat ? QStringLiteral("given") : QStringLiteral("found in the picture"))
            .arg(direction, share));
    if (arguments.depth) {
        return writeOutput(session,
                           platform::designFromLevels(result.width, result.height, result.levels.data()),
                           arguments);
    }
    const bool sixteen = arguments.smooth && arguments.outputFormat == OutputFormat::Png;
    QImage image(result.width, result.height,
                 sixteen ? QImage::Format_Grayscale16 : QImage::Format_Grayscale8);
    for (int y = 0; y < result.height; ++y) {
        const std::uint16_t* grey =
            result.grey.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(result.width);
        if (sixteen) {
            std::copy_n(grey, result.width, reinterpret_cast<std::uint16_t*>(image.scanLine(y)));
        } else {
            std::uint8_t* line = image.scanLine(y);
            for (int x = 0; x < result.width; ++x)
                line[x] = static_cast<std::uint8_t>((grey[x] + 128) / 257);
        }
    }
    return writeOutput(session, image, arguments);
}

int runConvertTool(const QStringList& args, QTextStream& out, QTextStream& err) {
    Session session(out, err);
    const ParseResult parsed = parseArguments(args);
    switch (parsed.kind) {
    case ParseResult::Kind::Help:
        session.print(usageText());
        return ExitSuccess;
    case ParseResult::Kind::Version:
        session.print(QStringLiteral("quarbel-convert (Quarbel) ") + document::versionText() +
                      QLatin1Char('\n'));
        return ExitSuccess;
    case ParseResult::Kind::Usage:
        session.fail(parsed.problem);
        session.printError(QStringLiteral("\n") + usageText());
        return ExitUsage;
    case ParseResult::Kind::Run:
        break;
    }
    if (const std::optional<QString> problem = outputProblem(parsed.arguments)) {
        session.fail(QStringLiteral("cannot write %1: %2").arg(quoted(parsed.arguments.output), *problem));
        return ExitFailure;
    }
    const Subcommand* command = findSubcommand(parsed.arguments.command);
    return command->run(parsed.arguments, session);
}

} // namespace quarbel::cli
