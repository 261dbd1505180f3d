#include "ui/info/black_cover.h"

#include "platform/foundation/run_loop.h"

namespace {
constexpr double kFadeSeconds = 0.5;
}  // namespace

struct BlackCover::State {
  std::shared_ptr<ui::View> view;
  bool fading = false;
};

BlackCover::BlackCover() : state_(std::make_shared<State>()) {}

BlackCover::~BlackCover() { ns::RunLoop::main().cancelPreviousPerformRequests(state_.get()); }

void BlackCover::cover(ui::View& parent, const ui::Rect& frame) {
  if (state_->view) state_->view->removeFromSuperview();
  state_->view = std::make_shared<ui::View>(frame);
  state_->view->setBackgroundColor(ui::Color::black());
  state_->fading = false;
  parent.addSubview(state_->view);
}

ui::View* BlackCover::view() const { return state_->view.get(); }
bool BlackCover::fading() const { return state_->fading; }

void BlackCover::remove() {
  if (!state_->view || state_->fading) return;
  state_->fading = true;
  std::weak_ptr<State> weak = state_;
  std::shared_ptr<ui::View> view = state_->view;
  ui::View::animate(
      kFadeSeconds, [view] { view->setAlpha(0); },
      [weak](bool) {
        std::shared_ptr<State> state = weak.lock();
        if (!state || !state->view) return;
        state->view->removeFromSuperview();
        state->view.reset();
        state->fading = false;
      });
}

void BlackCover::removeAfter(double seconds) {
  std::weak_ptr<State> weak = state_;
  BlackCover* self = this;
  ns::RunLoop::main().performAfterDelay(state_.get(), "removeBlack", seconds, [weak, self] {
    if (weak.lock()) self->remove();
  });
}
