#include "app/DemoMovie.h"

#include "render_engine/CSpriteVideo.h"
#include "sound/AudioEngine.h"

namespace {

enum class State { NotStarted, Playing, Over };
State gState = State::NotStarted;
RenderEngine::CSpriteVideo* gMovie = nullptr;
bool gPlayCalled = false;

void finish() {
  if (gMovie != nullptr) {
    gMovie->stop();
    delete gMovie;
    gMovie = nullptr;
  }
  RenderEngine::hideSubtitle();
  gState = State::Over;
  AudioEngine::resumeMusic();
}

}  // namespace

bool demoMovieUpdate(int ms) {
  if (gState == State::Over) return false;
  if (gState == State::NotStarted) {
    gState = State::Playing;
    AudioEngine::pauseSound(AudioEngine::getCurrentMusic());
    // As the game plays it: sound decoded first, the intro's subtitles.
    gMovie = new RenderEngine::CSpriteVideo("INTRO.m4v", true, true, "movie0", false);
    gMovie->setPosition(240, 160, 0);
    if (gMovie->isFinished()) finish();  // no movie: straight to the screens
    return gState == State::Playing;
  }
  if (!gPlayCalled) {
    gMovie->play(false);
    gPlayCalled = true;
  }
  gMovie->update(ms);
  if (gMovie->isFinished()) finish();
  return true;
}

bool demoMovieDraw() {
  if (gState != State::Playing || gMovie == nullptr) return false;
  gMovie->draw(true, true);
  return true;
}

bool demoMoviePress() { return gState == State::Playing; }

bool demoMovieTouch() {
  if (gState != State::Playing) return false;
  finish();
  return true;
}
