// TFSplash, the splash window shown while the program starts: the splash picture cut
// to the skin outline.
#pragma once

#include <QWidget>

namespace hublane::ui {

class TFSplash : public QWidget {
    Q_OBJECT
  public:
    static constexpr int kClientWidth = 407;
    static constexpr int kClientHeight = 187;
    explicit TFSplash(QWidget* parent = nullptr);
};

}  // namespace hublane::ui
