// The page sent to the print system: a PDF that carries the picture's pixels unchanged.

#include "platform/Printer.h"

#include <QList>

namespace quarbel::platform {

namespace {

QByteArray number(qreal value) {
    QByteArray text = QByteArray::number(value, 'f', 4);
    // Trailing zeros only lengthen the file.
    while (text.contains('.') && (text.endsWith('0') || text.endsWith('.'))) {
        text.chop(1);
    }
    return text.isEmpty() || text == "-" ? QByteArray("0") : text;
}

// The pixels as 8-bit RGB rows without padding.
QByteArray rgbSamples(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const qsizetype rowBytes = static_cast<qsizetype>(rgb.width()) * 3;
    QByteArray samples;
    samples.reserve(rowBytes * rgb.height());
    for (int y = 0; y < rgb.height(); ++y) {
        samples.append(reinterpret_cast<const char*>(rgb.constScanLine(y)), rowBytes);
    }
    return samples;
}

// Deflate data as FlateDecode reads it: qCompress's zlib stream without its length prefix.
QByteArray flate(const QByteArray& data) {
    return qCompress(data, 9).mid(4);
}

QByteArray stream(const QByteArray& dictionary, const QByteArray& data) {
    return "<< " + dictionary + " /Length " + QByteArray::number(data.size()) + " >>\nstream\n" + data +
           "\nendstream";
}

// A PDF text string that holds any title: UTF-16BE with its byte order mark, in hex.
QByteArray textString(const QString& text) {
    QByteArray hex = "<FEFF";
    for (const QChar c : text) {
        hex += QByteArray::number(c.unicode(), 16).rightJustified(4, '0').toUpper();
    }
    return hex + '>';
}

} // namespace

QByteArray pdfOfJob(const PrintJob& job) {
    const QSizeF paper = job.sheet.paper;
    // Image space is the unit square with the first row at the top; the sheet's y grows
    // downwards, PDF's upwards.
    const QTransform unitToPicture(job.size.width(), 0, 0, -job.size.height(), 0, job.size.height());
    const QTransform sheetToPdf(1, 0, 0, -1, 0, paper.height());
    const QTransform m = unitToPicture * pictureOnSheet(job.sheet, job.orientation) * sheetToPdf;
    const QByteArray content = "q " + number(m.m11()) + ' ' + number(m.m12()) + ' ' + number(m.m21()) + ' ' +
                               number(m.m22()) + ' ' + number(m.dx()) + ' ' + number(m.dy()) +
                               " cm /Im0 Do Q\n";

    const QList<QByteArray> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>",
        "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + number(paper.width()) + ' ' +
            number(paper.height()) + "] /Resources << /XObject << /Im0 5 0 R >> >> /Contents 4 0 R >>",
        stream({}, content),
        // Interpolate false: each dot stays a sharp square whatever the printer's resolution.
        stream("/Type /XObject /Subtype /Image /Width " + QByteArray::number(job.image.width()) +
                   " /Height " + QByteArray::number(job.image.height()) +
                   " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Interpolate false /Filter /FlateDecode",
               flate(rgbSamples(job.image))),
        "<< /Title " + textString(job.title) + " /Producer (Quarbel) >>",
    };

    QByteArray pdf = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    QList<qsizetype> offsets;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        offsets.append(pdf.size());
        pdf += QByteArray::number(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
    }
    const qsizetype xref = pdf.size();
    pdf += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets) {
        pdf += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    }
    pdf += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R /Info " +
           QByteArray::number(objects.size()) + " 0 R >>\nstartxref\n" + QByteArray::number(xref) +
           "\n%%EOF\n";
    return pdf;
}

} // namespace quarbel::platform
