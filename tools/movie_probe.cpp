// Plays a movie headless and says what it shows:
//   movie_probe FILE [UPDATES] [--updates N] [--ms MS] [--sound] [--subtitles NAME] [--lang CODE]
// prints the file's streams, then for each update (MS milliseconds each,
// 33 by default) the pictures decoded and shown, the frame number coded in
// the picture (test movies carry one), the playback time and the cue chosen.
// Without --sound the movie plays muted on simulated time; with it the sound
// plays on the default OpenAL device and the updates keep real time.
// Subtitles are read from FILE's folder in the language given (the data tree's
// language list, when FILE lies in a data tree's video folder, names them).
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "app/LocalizedText.h"
#include "render_engine/CSpriteVideo.h"
#include "render_engine/Texture.h"
#include "sound/AudioEngine.h"
#include "tools/movie_writer.h"
#include "tools/textbank_writer.h"
#include "tools/scratch_folder.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  std::string file;
  int updates = 90;
  int ms = 33;
  bool sound = false;
  std::string subtitles;
  std::string lang = "en";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--updates" && i + 1 < argc) updates = std::atoi(argv[++i]);
    else if (a == "--ms" && i + 1 < argc) ms = std::atoi(argv[++i]);
    else if (a == "--sound") sound = true;
    else if (a == "--subtitles" && i + 1 < argc) subtitles = argv[++i];
    else if (a == "--lang" && i + 1 < argc) lang = argv[++i];
    else if (file.empty()) file = a;
    else updates = std::atoi(a.c_str());
  }
  if (file.empty()) {
    std::fprintf(stderr, "usage: %s FILE [UPDATES] [--ms MS] [--sound] [--subtitles NAME] [--lang CODE]\n", argv[0]);
    return 2;
  }
  std::error_code ec;
  const fs::path movie = fs::absolute(file, ec);
  // The sprite finds its files below "video/": a scratch folder whose video/
  // is the movie's folder, and whose text/ is the data tree's when there is one.
  const std::string scratch = scratch::makeFolder("movie_probe");
  if (scratch.empty()) {
    std::fprintf(stderr, "movie_probe: cannot make a working folder\n");
    return 1;
  }
  const fs::path root = scratch;
  fs::create_directory_symlink(movie.parent_path(), root / "video", ec);
  if (fs::exists(movie.parent_path().parent_path() / "text" / "I")) {
    fs::create_directory_symlink(movie.parent_path().parent_path() / "text", root / "text", ec);
  } else {
    // No data tree around the movie: a language list of the one language
    // asked for, so its subtitle files are the ones read.
    fs::create_directory(root / "text", ec);
    std::ofstream(root / "text" / "I", std::ios::binary) << textbank::encodeLanguageList({{lang, lang}});
    std::ofstream(root / "text" / "0", std::ios::binary) << textbank::encodeBankFile({});
  }
  const fs::path old = fs::current_path();
  fs::current_path(root);
  loadLanguageList();
  setLanguage(lang.c_str());

  RenderEngine::TextureGlBackend::set(RenderEngine::TextureGlBackend::headless());
  int status = 0;
  {
    auto* video = new RenderEngine::CSpriteVideo(movie.filename().string(), sound, true, subtitles, false);
    std::printf("%s", video->describeStreams().c_str());
    std::printf("picture %dx%d in a %dx%d texture, %d video packets, %d audio packets, frame %.4f s\n",
                video->getWidth(), video->getHeight(), video->getTextureWidthPow2(), video->getTextureHeightPow2(),
                video->getVideoPacketCount(), video->getAudioPacketCount(), video->getFrameDuration());
    if (sound) std::printf("sound: %lld bytes at %d Hz\n", static_cast<long long>(video->getSoundBytes()), video->getSampleRate());
    std::printf("cues: %zu\n", video->getCues().size());
    if (!video->isValid()) status = 1;
    video->play(false);
    auto next = std::chrono::steady_clock::now();
    for (int u = 1; u <= updates && !video->isFinished(); ++u) {
      if (sound) {
        next += std::chrono::milliseconds(ms);
        std::this_thread::sleep_until(next);
        AudioEngine::update(ms);
      }
      const int shownBefore = video->getPicturesShown();
      const int decodedBefore = video->getPicturesDecoded();
      video->update(ms);
      const int code = moviewriter::readFrameCode(video->getTextureImage().data(), video->getWidth(),
                                                  video->getHeight(), video->getTextureRowBytes(), 3);
      // The current cue is 0 even when there are no cues at all.
      const int cue = video->getCurrentCue();
      const bool hasCue = cue >= 0 && static_cast<std::size_t>(cue) < video->getCues().size();
      std::string cueText = hasCue ? video->getCues()[static_cast<std::size_t>(cue)].text : "";
      for (char& c : cueText)
        if (c == '\n') c = '|';
      std::printf("update %d: t=%.3f decoded %d shown %d picture %ld", u, video->getPlaybackTime(),
                  video->getPicturesDecoded() - decodedBefore, video->getPicturesShown() - shownBefore,
                  std::lround(video->getVideoClock() / video->getFrameDuration()));
      if (code >= 0) std::printf(" code %d", code);
      if (hasCue) std::printf(" cue %d \"%s\"", cue, cueText.c_str());
      std::printf("\n");
    }
    std::printf("finished: %s\n", video->isFinished() ? "yes" : "no");
    delete video;
  }
  AudioEngine::shutdown();
  fs::current_path(old, ec);
  return status;
}
