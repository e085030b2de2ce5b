#include "ui/AboutBox.h"

#include "document/Version.h"

#include <QFont>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QVBoxLayout>

namespace quarbel::ui {

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("バージョン情報"));

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imgIcon"));
    icon->setPixmap(QIcon(QStringLiteral(":/ui/icons/Quarbel.svg")).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop);

    auto* product = new QLabel(QStringLiteral("Quarbel"), this);
    product->setObjectName(QStringLiteral("lblProduct"));
    QFont productFont = product->font();
    productFont.setPointSizeF(productFont.pointSizeF() * 1.8);
    productFont.setBold(true);
    product->setFont(productFont);

    auto* version = new QLabel(document::versionText(), this);
    version->setObjectName(QStringLiteral("lblVersion"));

    auto* texts = new QVBoxLayout;
    texts->addWidget(product);
    texts->addWidget(version);
    texts->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(24, 20, 32, 20);
    layout->setSpacing(16);
    layout->addWidget(icon);
    layout->addLayout(texts);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

} // namespace quarbel::ui
