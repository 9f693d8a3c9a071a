// TFAbout, the about window, shown modally from the about hot spot.
#pragma once

#include <QDialog>

namespace hublane::ui {

class TFAbout : public QDialog {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 265;
    static constexpr int kClientHeight = 283;
    explicit TFAbout(QWidget* parent = nullptr);
};

}  // namespace hublane::ui
