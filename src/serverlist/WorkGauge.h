// The working gauge: the progress bar that every long step drives (maximum, position, step).
#pragma once

namespace hublane::serverlist {

/// A progress gauge as the long steps see it. The program hands the main window's bar in;
/// tests and the command-line companion use a plain one.
class WorkGauge {
  public:
    virtual ~WorkGauge() = default;
    virtual void SetMax(int max) = 0;
    virtual void SetPosition(int position) = 0;
    virtual int Max() const = 0;
    virtual int Position() const = 0;
    virtual void SetVisible(bool /*visible*/) {}
    /// Raises the position by one (a gauge does not go past its maximum).
    void Step() { SetPosition(Position() + 1); }
};

/// A gauge that only remembers its values.
class PlainGauge : public WorkGauge {
  public:
    void SetMax(int max) override { m_max = max; }
    void SetPosition(int position) override { m_position = position > m_max ? m_max : position; }
    int Max() const override { return m_max; }
    int Position() const override { return m_position; }

  private:
    int m_max = 100;
    int m_position = 0;
};

}  // namespace hublane::serverlist
