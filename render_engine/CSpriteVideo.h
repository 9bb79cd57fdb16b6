#pragma once
// A sprite that plays a movie file from "video/": the whole file is read into
// memory when it is made, the sound track goes to the sound engine (decoded
// whole at once, or a packet per update), and each update decodes the pictures
// that are due so the picture follows the sound. Subtitles come from
// "video/<name>-<language code>.srt" and show in one text node shared by every
// movie, drawn over the picture.
//
// A movie that cannot be opened prints why on the error stream and stays a
// finished sprite that draws nothing; every call on it is safe.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "render_engine/CSprite.h"

struct AVCodecContext;
struct AVFormatContext;
struct AVIOContext;
struct AVFrame;
struct AVPacket;
struct SwrContext;
struct SwsContext;

namespace RenderEngine {

class CNodeText;

struct SubtitleCue {
  int index = 0;
  int start = -1;  // milliseconds
  int end = -1;
  std::string text;
};

class CSpriteVideo : public CSprite {
 public:
  CSpriteVideo(const std::string& movieName, bool withSound, bool decodeSoundFirst, const std::string& subtitleName,
               bool withAlpha);
  ~CSpriteVideo() override;
  CSpriteVideo(const CSpriteVideo&) = delete;
  CSpriteVideo& operator=(const CSpriteVideo&) = delete;

  void play(bool loop);
  void pause();
  void stop();
  void restart();
  bool isFinished();

  bool updateVisit(int dtMs, TraversalMark mark) override;
  void draw(bool pass, bool push) override;

  // Subtitles; public so the reader can be driven on its own.
  void readSrtFile(const std::string& name);
  static int parseCueTimes(const std::string& text);
  void updateSubtitleCue();
  void resetSubtitles();
  void clearSubtitles();
  // Parses SRT text (what readSrtFile does once the file is read); source
  // names the file in the messages about what was left out.
  void parseSrt(const std::string& text, const std::string& source = "subtitles");

  // What a movie and its subtitles may hold. A movie file is read whole into
  // memory, so a larger one is refused before anything is read; a cue is
  // drawn and fitted into its box every frame, so a longer one is cut.
  static constexpr std::int64_t kMaxMovieFileBytes = 128ll << 20;
  static constexpr std::int64_t kMaxSoundTrackBytes = 128ll << 20;
  static constexpr std::size_t kMaxSubtitleFileBytes = 4u << 20;
  static constexpr std::size_t kMaxCueBytes = 1024;
  static constexpr std::size_t kMaxCues = 10000;

  // --- state, for the probe and tests ---------------------------------------
  bool isValid() const { return valid_; }
  bool isPaused() const { return paused_; }
  bool hasMovieTexture() const { return movieTextureCreated_; }
  const std::vector<SubtitleCue>& getCues() const { return cues_; }
  int getCurrentCue() const { return currentCue_; }
  std::uint32_t getSoundId() const { return soundId_; }
  int getVideoStream() const { return videoStream_; }
  int getAudioStream() const { return audioStream_; }
  int getVideoPacketCount() const { return static_cast<int>(videoPackets_.size()); }
  int getAudioPacketCount() const { return static_cast<int>(audioPackets_.size()); }
  int getFrameIndex() const { return frameIndex_; }
  float getFrameDuration() const { return frameDuration_; }
  float getVideoClock() const { return videoClock_; }
  float getPlaybackTime() const { return playbackTime_; }
  int getPicturesDecoded() const { return picturesDecoded_; }  // since construction
  int getPicturesShown() const { return picturesShown_; }      // uploads since construction
  int getTextureWidthPow2() const { return textureWidth_; }
  int getTextureHeightPow2() const { return textureHeight_; }
  int getTextureRowBytes() const { return textureRowBytes_; }
  const std::vector<std::uint8_t>& getTextureImage() const { return textureImage_; }
  // Bytes of decoded sound handed to the sound engine (decoded-first mode),
  // interleaved 16-bit stereo.
  std::int64_t getSoundBytes() const { return soundBytes_; }
  int getSampleRate() const { return sampleRate_; }
  std::string describeStreams() const;

  // Tests: keeps a copy of the next decoded-first sound tracks.
  static void keepSoundTracks(bool keep);
  const std::vector<std::uint8_t>& getKeptSoundTrack() const { return keptSound_; }

  static int aliveCount();
  // The shared subtitle node (null until a subtitle is first shown).
  static CNodeText* subtitleNode();

 private:
  bool open(const std::string& path);
  bool openAudio();
  void readPackets();
  void decodeSoundTrack();
  void decodeNextFrame(int ms);
  // Sends packets until a picture comes out; false once the decoder is drained.
  bool decodePicture();
  void showPicture();
  // Appends the packet's sound as interleaved 16-bit stereo.
  int decodeAudioPacket(AVPacket* packet, std::vector<std::uint8_t>& out);
  void streamAudio();
  void freeAll();

  std::vector<SubtitleCue> cues_;
  int currentCue_ = -1;
  bool cueChanged_ = true;
  std::uint32_t soundId_ = 0;
  bool finished_ = false;
  bool paused_ = false;
  bool notStarted_ = true;
  float frameDuration_ = 0.015f;
  int frameIndex_ = 0;
  int textureHeight_ = 0;
  int textureWidth_ = 0;
  int textureRowBytes_ = 0;
  double soundBytesPerSecond_ = 0.0;
  bool muted_ = false;
  bool loop_ = false;
  bool withAlpha_ = false;
  std::FILE* movieFile_ = nullptr;  // the checked descriptor the demuxer reads
  AVIOContext* movieInput_ = nullptr;
  AVFormatContext* demuxer_ = nullptr;
  AVCodecContext* videoDecoder_ = nullptr;
  AVFrame* decodedFrame_ = nullptr;
  AVFrame* picture_ = nullptr;  // the last picture decoded, until it is shown
  SwsContext* scaler_ = nullptr;
  int videoStream_ = -1;
  std::vector<std::uint8_t> textureImage_;
  std::vector<AVPacket*> videoPackets_;
  std::vector<AVPacket*> audioPackets_;
  float videoClock_ = 0.0f;
  float frameTime_ = 0.0f;
  bool soundStarted_ = false;
  AVCodecContext* audioDecoder_ = nullptr;
  AVFrame* audioFrame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int resamplerRate_ = 0;
  int resamplerFormat_ = -1;
  int resamplerChannels_ = 0;
  int audioStream_ = -1;
  std::vector<std::uint8_t> audioBuffer_;
  int audioChunkBytes_ = 0;
  int audioPacketIndex_ = 0;
  float audioClock_ = 0.0f;
  float playbackTime_ = 0.0f;
  bool decodeSoundFirst_ = false;
  float elapsedMs_ = 0.0f;
  int framesDue_ = 0;
  int gotPicture_ = 0;
  TraversalMark toggle_ = 0;

  bool valid_ = false;
  bool movieTextureCreated_ = false;
  bool decoderDrained_ = false;  // every packet sent and every picture taken
  bool flushSent_ = false;
  bool decoding_ = false;        // inside decodeNextFrame: no restart from here
  double videoTimeBase_ = 0.0;
  double audioTimeBase_ = 0.0;
  int sampleRate_ = 0;
  std::int64_t soundBytes_ = 0;
  int picturesDecoded_ = 0;
  int picturesShown_ = 0;
  std::vector<std::uint8_t> keptSound_;
};

// The shared subtitle node and its use by the movies.
void createSubtitleNode();
void showSubtitle(const std::string& text, std::int64_t soundId);
void hideSubtitle();
void drawSubtitle();

}  // namespace RenderEngine
