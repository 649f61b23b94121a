#include "app/about_box.h"

#include <QLabel>
#include <QPushButton>

namespace ostrel {

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("О программе..."));
    setFixedSize(478, 346);
    auto* name = new QLabel(QStringLiteral("Ostrel"), this);
    name->setObjectName(QStringLiteral("Label1"));
    name->setStyleSheet(QStringLiteral("color: red; font-size: 21px;"));
    name->move(248, 32);
    auto* version = new QLabel(QStringLiteral("Версия: Vordel 11"), this);
    version->setObjectName(QStringLiteral("Label8"));
    version->move(248, 56);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OKButton"));
    ok->setGeometry(287, 290, 77, 27);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace ostrel
