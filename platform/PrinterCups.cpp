// The default printer (or the only one) through CUPS: its state is checked before anything is sent, and the
// job is submitted so that the print system's answer (the job or why not) reaches the user.

#include "platform/Printer.h"

#include <QStringList>
#include <cups/cups.h>

namespace quarbel::platform {

namespace {

// When the printer does not say which paper it uses: A4, the whole sheet printable.
constexpr QSizeF kFallbackPaper(595.28, 841.89);

qreal pointsFromHundredthsMm(int value) {
    return value / 100.0 / 25.4 * 72.0;
}

QString lastCupsError() {
    return QString::fromUtf8(cupsLastErrorString());
}

struct QueueState {
    bool accepting = true;
    bool stopped = false;
    QString reason;
};

// What the scheduler says about the queue now; the destination list's copy can be stale and does
// not carry the message an administrator gave when stopping or rejecting.
std::optional<QueueState> queueState(const cups_dest_t& dest) {
    char uri[HTTP_MAX_URI];
    if (const char* supported = cupsGetOption("printer-uri-supported", dest.num_options, dest.options)) {
        qstrncpy(uri, supported, sizeof uri);
    } else {
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                         "/printers/%s", dest.name);
    }
    ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
    ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
    static const char* const kAttributes[] = {"printer-is-accepting-jobs", "printer-state",
                                              "printer-state-message", "printer-state-reasons"};
    ippAddStrings(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", 4, nullptr,
                  kAttributes);
    ipp_t* response = cupsDoRequest(CUPS_HTTP_DEFAULT, request, "/");
    if (!response || cupsLastError() > IPP_STATUS_OK_CONFLICTING) {
        ippDelete(response);
        return std::nullopt;
    }
    QueueState state;
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-is-accepting-jobs", IPP_TAG_BOOLEAN)) {
        state.accepting = ippGetBoolean(a, 0) != 0;
    }
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state", IPP_TAG_ENUM)) {
        state.stopped = ippGetInteger(a, 0) == IPP_PSTATE_STOPPED;
    }
    if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-message", IPP_TAG_TEXT)) {
        state.reason = QString::fromUtf8(ippGetString(a, 0, nullptr)).trimmed();
    }
    if (state.reason.isEmpty()) {
        if (ipp_attribute_t* a = ippFindAttribute(response, "printer-state-reasons", IPP_TAG_KEYWORD)) {
            QStringList reasons;
            for (int i = 0; i < ippGetCount(a); ++i) {
                const QString reason = QString::fromUtf8(ippGetString(a, i, nullptr));
                if (reason != QLatin1String("none")) {
                    reasons.append(reason);
                }
            }
            state.reason = reasons.join(QStringLiteral(", "));
        }
    }
    ippDelete(response);
    return state;
}

Sheet sheetOf(cups_dest_t& dest, const QString& name) {
    Sheet sheet{name, {}, kFallbackPaper, QRectF(QPointF(), kFallbackPaper)};
    cups_dinfo_t* info = cupsCopyDestInfo(CUPS_HTTP_DEFAULT, &dest);
    cups_size_t size{};
    // The user's own choice (lpoptions) first, then the paper the queue defaults to (its
    // media-default, which the scheduler takes from the PPD's default page size).
    // cupsGetDestMediaDefault is only the last resort: without a media option it answers with the
    // paper of this program's locale, Letter under LANG=C, not the queue's.
    QByteArray media = cupsGetOption("media", dest.num_options, dest.options);
    if (media.isEmpty() && info) {
        if (ipp_attribute_t* queueDefault = cupsFindDestDefault(CUPS_HTTP_DEFAULT, &dest, info, "media")) {
            media = ippGetString(queueDefault, 0, nullptr);
        }
    }
    const bool known =
        info &&
        ((!media.isEmpty() && cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, &dest, info, media.constData(),
                                                     CUPS_MEDIA_FLAGS_DEFAULT, &size)) ||
         cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, &dest, info, CUPS_MEDIA_FLAGS_DEFAULT, &size));
    if (known && size.width > 0 && size.length > 0) {
        QString paperName = QString::fromUtf8(media.isEmpty() ? QByteArray(size.media) : media);
        paperName.remove(QStringLiteral("_borderless"));
        sheet.media = paperName;
        sheet.paper = QSizeF(pointsFromHundredthsMm(size.width), pointsFromHundredthsMm(size.length));
        sheet.printable = QRectF(QPointF(pointsFromHundredthsMm(size.left), pointsFromHundredthsMm(size.top)),
                                 QPointF(sheet.paper.width() - pointsFromHundredthsMm(size.right),
                                         sheet.paper.height() - pointsFromHundredthsMm(size.bottom)));
    }
    cupsFreeDestInfo(info);
    return sheet;
}

// The default destination (LPDEST, PRINTER, lpoptions, the server's default); without one, the
// only queue there is. nullptr with the failure when there is none to use.
cups_dest_t* destinationToUse(PrintFailure& failure) {
    if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr)) {
        return dest;
    }
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    QStringList names;
    for (int i = 0; i < count; ++i) {
        const QString queue = QString::fromUtf8(dests[i].name);
        if (!names.contains(queue)) { // instances of one queue are one printer
            names.append(queue);
        }
    }
    cupsFreeDests(count, dests);
    if (names.size() == 1) {
        if (cups_dest_t* only = cupsGetNamedDest(CUPS_HTTP_DEFAULT, names[0].toUtf8().constData(), nullptr)) {
            return only;
        }
    }
    failure = names.size() > 1 ? PrintFailure{PrintError::NoDefault, {}, names.join(QStringLiteral("、"))}
                               : PrintFailure{PrintError::NoPrinter, {}, {}};
    return nullptr;
}

class CupsPrinter : public Printer {
public:
    std::variant<Sheet, PrintFailure> defaultSheet() override {
        PrintFailure none;
        cups_dest_t* dest = destinationToUse(none);
        if (!dest) {
            return none;
        }
        const QString name = QString::fromUtf8(dest->name);
        std::variant<Sheet, PrintFailure> result;
        if (const std::optional<QueueState> state = queueState(*dest); !state) {
            result = PrintFailure{PrintError::JobFailed, name, lastCupsError()};
        } else if (!state->accepting) {
            result = PrintFailure{PrintError::NotAccepting, name, state->reason};
        } else if (state->stopped) {
            result = PrintFailure{PrintError::Stopped, name, state->reason};
        } else {
            result = sheetOf(*dest, name);
        }
        cupsFreeDests(1, dest);
        return result;
    }

    std::optional<PrintFailure> print(const PrintJob& job) override {
        const QByteArray name = job.sheet.printer.toUtf8();
        const QByteArray title = job.title.toUtf8();
        const QByteArray pdf = pdfOfJob(job);
        const auto failure = [&job](PrintError error) {
            return PrintFailure{error, job.sheet.printer, lastCupsError()};
        };

        cups_option_t* options = nullptr;
        // The page is already laid out at its physical size; no filter may fit it to the paper.
        int optionCount = cupsAddOption("print-scaling", "none", 0, &options);
        optionCount = cupsAddOption("fit-to-page", "false", optionCount, &options);
        // The page was laid out for this paper; printed on another it would move or be cut.
        const QByteArray media = job.sheet.media.toUtf8();
        if (!media.isEmpty()) {
            optionCount = cupsAddOption("media", media.constData(), optionCount, &options);
        }
        const int jobId =
            cupsCreateJob(CUPS_HTTP_DEFAULT, name.constData(), title.constData(), optionCount, options);
        cupsFreeOptions(optionCount, options);
        if (jobId <= 0) {
            // A queue that stopped accepting between the check and now says so here.
            const bool refused = cupsLastError() == IPP_STATUS_ERROR_NOT_ACCEPTING_JOBS;
            return failure(refused ? PrintError::NotAccepting : PrintError::JobFailed);
        }
        const bool started = cupsStartDocument(CUPS_HTTP_DEFAULT, name.constData(), jobId, title.constData(),
                                               CUPS_FORMAT_PDF, 1) == HTTP_STATUS_CONTINUE;
        const bool sent =
            started && cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.constData(),
                                            static_cast<size_t>(pdf.size())) == HTTP_STATUS_CONTINUE;
        // The scheduler's answer comes with the end of the document, also after a failed write.
        const ipp_status_t finished =
            started ? cupsFinishDocument(CUPS_HTTP_DEFAULT, name.constData()) : cupsLastError();
        if (!sent || finished > IPP_STATUS_OK_CONFLICTING) {
            std::optional<PrintFailure> error = failure(PrintError::JobFailed);
            // A job without its document would wait in the queue for ever.
            cupsCancelJob2(CUPS_HTTP_DEFAULT, name.constData(), jobId, 0);
            return error;
        }
        return std::nullopt;
    }
};

} // namespace

std::unique_ptr<Printer> makeSystemPrinter() {
    return std::make_unique<CupsPrinter>();
}

} // namespace quarbel::platform
