#include "platform/RunTimeError.h"

#include "platform/Picture.h"

namespace quarbel::platform {

namespace {

const QString ErrorSource = QStringLiteral("Quarbel");

} // namespace

RunTimeError runTimeError(int number) {
    QString description;
    switch (number) {
    case ErrOutOfMemory:
        description = QStringLiteral("メモリが不足しています。");
        break;
    case ErrFileNotFound:
        description = QStringLiteral("ファイルが見つかりません。");
        break;
    case ErrDiskIo:
        description = QStringLiteral("デバイス I/O エラーです。");
        break;
    case ErrDeviceUnavailable:
        description = QStringLiteral("デバイスが準備されていません。");
        break;
    case ErrPermissionDenied:
        description = QStringLiteral("アクセスが拒否されました。");
        break;
    case ErrPathFileAccess:
        description = QStringLiteral("パス名が無効です。");
        break;
    case ErrPathNotFound:
        description = QStringLiteral("パスが見つかりません。");
        break;
    case ErrInvalidPicture:
        description = QStringLiteral("ピクチャが無効です。");
        break;
    default:
        description = QStringLiteral("アプリケーション定義のエラーです。");
        break;
    }
    RunTimeError error;
    error.number = number;
    error.source = ErrorSource;
    error.description = description;
    return error;
}

QString refusalText(const RunTimeError& error) {
    const QString size = QString::number(error.size.width()) + QStringLiteral("×") +
                         QString::number(error.size.height()) + QStringLiteral("ピクセル");
    switch (error.refusal) {
    case PictureRefusal::None:
        break;
    case PictureRefusal::NotRegularFile:
        return QStringLiteral("通常のファイルではないため、画像として開けません。");
    case PictureRefusal::NotRegularDocument:
        return QStringLiteral("通常のファイルではないため、文書として開けません。");
    case PictureRefusal::TooManyPixels:
        return QStringLiteral("画像が大きすぎます（") + size + QStringLiteral("）。読み込める画像は") +
               QString::number(MaxPicturePixels) + QStringLiteral("ピクセルまでです。");
    case PictureRefusal::TooWide:
        return QStringLiteral("画像の幅が大きすぎます（") + size + QStringLiteral("）。幅を") +
               QString::number(error.limit) + QStringLiteral("ピクセル以下にしてください。");
    case PictureRefusal::TooManyScans:
        return QStringLiteral("プログレッシブJPEGのスキャンが多すぎます（") + size + QStringLiteral("、") +
               QString::number(error.scans) + QStringLiteral("スキャン）。読み込みに時間がかかりすぎます。");
    case PictureRefusal::Damaged:
        return QStringLiteral("画像のデータが壊れているか、途中で切れています。");
    }
    return {};
}

QString runTimeErrorMessage(const RunTimeError& error) {
    const QString lineEnd = QStringLiteral("\r\n");
    // The number is shown with the blank that a non-negative number carries in its sign position.
    QString text = QStringLiteral("ｴﾗｰ番号 ") + QLatin1Char(' ') + QString::number(error.number) +
                   error.source + QStringLiteral(" でｴﾗｰが発生しました。") + lineEnd + error.description;
    if (const QString why = refusalText(error); !why.isEmpty()) {
        text += lineEnd + why;
    }
    if (!error.path.isEmpty()) {
        text += lineEnd + QStringLiteral("ファイル: ") + error.path;
    }
    return text;
}

} // namespace quarbel::platform
