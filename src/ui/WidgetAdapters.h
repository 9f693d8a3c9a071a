// The main window's progress bar and status label, as the update cycle drives them.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <algorithm>

#include "serverlist/StatusCaption.h"
#include "serverlist/WorkGauge.h"

namespace hublane::ui {

/// A progress bar seen as the working gauge. The bar's own range never becomes 0..0 (which Qt
/// draws as a busy indicator); the gauge keeps its values itself.
class ProgressBarGauge : public serverlist::WorkGauge {
  public:
    explicit ProgressBarGauge(QProgressBar* bar) : m_bar(bar) {}
    void SetMax(int max) override {
        m_max = max < 0 ? 0 : max;
        if (m_position > m_max) {
            m_position = m_max;
        }
        Sync();
    }
    void SetPosition(int position) override {
        m_position = std::clamp(position, 0, m_max);
        Sync();
    }
    int Max() const override { return m_max; }
    int Position() const override { return m_position; }
    void SetVisible(bool visible) override {
        if (m_bar) {
            m_bar->setVisible(visible);
        }
    }

  private:
    void Sync() {
        if (m_bar) {
            m_bar->setRange(0, m_max > 0 ? m_max : 1);
            m_bar->setValue(m_position);
        }
    }
    QPointer<QProgressBar> m_bar;
    int m_max = 100;
    int m_position = 0;
};

/// A label that shows each step's caption at once.
class LabelStatus : public serverlist::StatusCaption {
  public:
    explicit LabelStatus(QLabel* label) : m_label(label) {}
    void SetCaption(const QString& text) override {
        if (m_label) {
            m_label->setText(text);
            m_label->repaint();
        }
    }

  private:
    QPointer<QLabel> m_label;
};

}  // namespace hublane::ui
