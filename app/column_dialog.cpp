#include "app/column_dialog.h"

#include <QCheckBox>
#include <QPushButton>

#include "app/widget_factory.h"

namespace ostrel {

TForm3::TForm3(ColumnChoice& columnChosen, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      columnChosen_(columnChosen) {
    // "OK" writes the page with the boxes ticked; closing the dialog otherwise (its close
    // button, Escape) cancels the export.
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(Q(kColumnDialogCaption));
    setFixedSize(248, 515);
    QFont bold = font();
    bold.setBold(true);
    for (size_t k = 0; k < CheckBoxes.size(); ++k) {
        auto* box = new QCheckBox(Q(ColumnBoxCaptions()[k]), this);
        box->setObjectName(QStringLiteral("CheckBox%1").arg(k + 1));
        box->setFont(bold);
        box->setGeometry(48, 16 + 32 * static_cast<int>(k), 160, 24);
        box->setChecked(columnChosen[k]);  // the choice the page would be written with
        CheckBoxes[k] = box;
    }
    Button1 = new QPushButton(Q(kColumnDialogButton), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(80, 424, 89, 33);
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

void TForm3::Button1Click() {
    for (size_t k = 0; k < CheckBoxes.size(); ++k) columnChosen_[k] = CheckBoxes[k]->isChecked();
    accept();
}

}  // namespace ostrel
