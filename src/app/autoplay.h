// Autoplay: the loaded game steps forward by itself, one move per interval,
// until its end or until another browsing command is given. The interval is
// asked for in the Game menu and kept in the settings.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

class TAutoplay : public QObject {
    Q_OBJECT
public:
    static constexpr int kMinIntervalMs = 200;
    static constexpr int kMaxIntervalMs = 60000;
    static constexpr int kDefaultIntervalMs = 1500;

    // step makes the next move and says whether there was one.
    TAutoplay(std::function<bool()> step, QObject* parent);

    bool Running() const { return timer_.isActive(); }
    void Toggle();
    void Stop();
    int IntervalMs() const { return timer_.interval(); }
    // Clamped to kMinIntervalMs..kMaxIntervalMs and remembered.
    void SetIntervalMs(int ms);
    // Asks for the interval in seconds.
    void AskInterval(QWidget* parent);

signals:
    void RunningChanged(bool running);

private:
    void Tick();

    QTimer timer_;
    std::function<bool()> step_;
};
