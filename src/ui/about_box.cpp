#include "about_box.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace voltaris::ui {

AboutBox::AboutBox(const AboutInfo& about, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QString::fromStdString(about.title));
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 20, 24, 16);
  layout->setSpacing(8);

  auto* product = new QLabel(QString::fromStdString(about.product), this);
  product->setObjectName(QStringLiteral("lblAboutProduct"));
  QFont f = product->font();
  f.setPointSizeF(f.pointSizeF() * 1.35);
  f.setBold(true);
  product->setFont(f);
  auto* version = new QLabel(QString::fromStdString(about.version), this);
  version->setObjectName(QStringLiteral("lblAboutVersion"));
  // The description carries a Windows line break; show it as one line break.
  QString description = QString::fromStdString(about.description);
  description.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  auto* text = new QLabel(description, this);
  text->setObjectName(QStringLiteral("lblAboutDescription"));
  text->setWordWrap(false);

  auto* close = new QPushButton(QStringLiteral("Close"), this);
  close->setObjectName(QStringLiteral("btnAboutClose"));
  close->setDefault(true);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);

  layout->addWidget(product);
  layout->addWidget(version);
  layout->addSpacing(6);
  layout->addWidget(text);
  layout->addSpacing(10);
  layout->addWidget(close, 0, Qt::AlignRight);
  setFixedSize(sizeHint());
}

}  // namespace voltaris::ui
