#include "app/autoplay.h"

#include <QInputDialog>
#include <algorithm>

#include "app/settings.h"
#include "platform/guarded.h"

namespace {
constexpr char kIntervalKey[] = "Autoplay/IntervalMs";
}

TAutoplay::TAutoplay(std::function<bool()> step, QObject* parent) : QObject(parent), step_(std::move(step)) {
    timer_.setInterval(std::clamp(QuarzelSettings()->value(kIntervalKey, kDefaultIntervalMs).toInt(), kMinIntervalMs,
                                  kMaxIntervalMs));
    connect(&timer_, &QTimer::timeout, this, &TAutoplay::Tick);
}

void TAutoplay::Toggle() {
    if (Running()) {
        Stop();
        return;
    }
    timer_.start();
    emit RunningChanged(true);
}

void TAutoplay::Stop() {
    if (!Running()) return;
    timer_.stop();
    emit RunningChanged(false);
}

void TAutoplay::SetIntervalMs(int ms) {
    timer_.setInterval(std::clamp(ms, kMinIntervalMs, kMaxIntervalMs));
    QuarzelSettings()->setValue(kIntervalKey, timer_.interval());
}

void TAutoplay::AskInterval(QWidget* parent) {
    bool ok = false;
    const double seconds = QInputDialog::getDouble(parent, QStringLiteral("Autoplay"),
                                                   QStringLiteral("Seconds between moves:"), IntervalMs() / 1000.0,
                                                   kMinIntervalMs / 1000.0, kMaxIntervalMs / 1000.0, 1, &ok);
    if (ok) SetIntervalMs(static_cast<int>(seconds * 1000 + 0.5));
}

void TAutoplay::Tick() {
    bool moved = false;
    Guarded(qobject_cast<QWidget*>(parent()), [&] { moved = step_(); });
    if (!moved) Stop();  // the end of the game
}
