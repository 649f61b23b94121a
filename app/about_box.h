// TAboutBox: the program's name and version.
#pragma once

#include <QDialog>

namespace ostrel {

class TAboutBox : public QDialog {
  public:
    explicit TAboutBox(QWidget* parent = nullptr);
};

}  // namespace ostrel
