#pragma once
// The session's events as Qt signals. The session tells them from any thread; the window
// connects them queued, so its slots run on the window thread.
#include <QObject>

#include "app/session.h"

namespace vexa::ui {

class SessionBridge final : public QObject, public SessionEvents {
  Q_OBJECT
 public:
  using QObject::QObject;

  void rebuild_requested() override { emit rebuild_wanted(); }
  void link_changed(bool open) override { emit link_state(open); }
  void speed_changed(long value) override { emit speed(value); }
  void target_changed() override { emit target(); }
  void title_changed() override { emit title(); }
  void flush_requested() override { emit flush(); }
  void commands_posted() override { emit posted(); }
  void checks_changed() override { emit checks(); }

 signals:
  void rebuild_wanted();
  void link_state(bool open);
  void speed(long speed);
  void target();
  void title();
  void flush();
  void posted();
  void checks();
};

}  // namespace vexa::ui
