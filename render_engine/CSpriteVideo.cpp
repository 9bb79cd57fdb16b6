#include "render_engine/CSpriteVideo.h"

#include <AL/al.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <sys/stat.h>

#include "app/DataFiles.h"
#include "app/LocalizedText.h"
#include "app/Options.h"
#include "app/ResourcePaths.h"
#include "render_engine/CNodeText.h"
#include "render_engine/Texture.h"
#include "sound/AudioEngine.h"

namespace RenderEngine {

namespace {

// Limits that keep a hostile file from sizing our allocations.
constexpr int kMaxPictureSide = 4096;
// The packets kept can exceed the file only by the library's padding.
constexpr std::int64_t kMaxPacketBytes = CSpriteVideo::kMaxMovieFileBytes + (16ll << 20);
constexpr std::size_t kMaxPackets = 2000000;
constexpr std::int64_t kMaxSoundBytes = CSpriteVideo::kMaxSoundTrackBytes;
constexpr int kMaxSampleRate = 384000;
constexpr int kMovieReadBlock = 64 * 1024;
// The output capacity of one audio decode, as the streamed buffer is sized.
constexpr int kAudioChunkCapacity = 192000;
constexpr int kAudioBufferBytes = 768000;

CNodeText* gSubtitleNode = nullptr;
std::int64_t gSubtitleSound = -1;
bool gRestartFlag = true;
int gAliveCount = 0;
// Only ever counts up: a key is never handed to two movies, even when one
// outlives another.
int gTextureSlot = 0;
const bool kSubtitlesShown = true;
const bool kVibrationOnCue = true;
bool gKeepSoundTracks = false;

void report(const char* message) {
  std::fputs(message, stderr);
  std::fputc('\n', stderr);
}

void report(const std::string& message) { report(message.c_str()); }

// The demuxer reads the movie through the descriptor that was checked to be
// a regular file of a sane size, never by opening the path again.
int readMovieBytes(void* opaque, std::uint8_t* buffer, int size) {
  auto* file = static_cast<std::FILE*>(opaque);
  const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(size), file);
  if (got == 0) return std::ferror(file) != 0 ? AVERROR(EIO) : AVERROR_EOF;
  return static_cast<int>(got);
}

std::int64_t seekMovieBytes(void* opaque, std::int64_t offset, int whence) {
  auto* file = static_cast<std::FILE*>(opaque);
  if ((whence & AVSEEK_SIZE) != 0) {
    struct stat st {};
    return fstat(fileno(file), &st) == 0 ? static_cast<std::int64_t>(st.st_size) : AVERROR(EIO);
  }
  whence &= ~AVSEEK_FORCE;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
  if (fseeko(file, static_cast<off_t>(offset), whence) != 0) return AVERROR(EIO);
  return static_cast<std::int64_t>(ftello(file));
}

// A movie names no other file: playlists, references and image sequences
// would open paths the checks above never saw.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) { return AVERROR(EPERM); }

// The first maxBytes of text, not cutting a UTF-8 character in two.
void cutUtf8(std::string& text, std::size_t maxBytes) {
  if (text.size() <= maxBytes) return;
  std::size_t end = maxBytes;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  text.resize(end);
}

int nextPow2(int v) {
  int p = 1;
  while (p < v) p <<= 1;
  return p;
}

// atoi that neither overflows nor reads past the text: leading blanks, a
// sign, then digits (clamped).
std::int64_t leadingNumber(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\v' || s[i] == '\f')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  std::int64_t v = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') {
    v = std::min<std::int64_t>(v * 10 + (s[i] - '0'), 1ll << 40);
    ++i;
  }
  return negative ? -v : v;
}

bool isBlankLine(const std::string& line) { return line.empty() || line == " "; }

void initLibraryLog() {
  static bool done = false;
  if (!done) {
    av_log_set_level(AV_LOG_ERROR);
    done = true;
  }
}

// A decoder for the stream, opened on one thread; null when it cannot open.
AVCodecContext* openDecoder(const AVCodec* codec, const AVStream* stream) {
  AVCodecContext* ctx = avcodec_alloc_context3(codec);
  if (ctx == nullptr) return nullptr;
  if (avcodec_parameters_to_context(ctx, stream->codecpar) < 0) {
    avcodec_free_context(&ctx);
    return nullptr;
  }
  ctx->thread_count = 1;
  ctx->pkt_timebase = stream->time_base;
  if (avcodec_open2(ctx, codec, nullptr) < 0) avcodec_free_context(&ctx);
  return ctx;
}

}  // namespace

int CSpriteVideo::aliveCount() { return gAliveCount; }
void CSpriteVideo::keepSoundTracks(bool keep) { gKeepSoundTracks = keep; }
CNodeText* CSpriteVideo::subtitleNode() { return gSubtitleNode; }

CSpriteVideo::CSpriteVideo(const std::string& movieName, bool withSound, bool decodeSoundFirst,
                           const std::string& subtitleName, bool withAlpha)
    : muted_(!withSound), withAlpha_(withAlpha), decodeSoundFirst_(decodeSoundFirst) {
  initLibraryLog();
  const std::string path = resolveResourcePath("video/" + movieName);
  char key[64];
  std::snprintf(key, sizeof key, "%s%i", "videotextureslot", gTextureSlot);
  textureName_ = key;
  textureNumber_ = -1;
  if (!subtitleName.empty()) {
    readSrtFile(subtitleName);
  } else {
    currentCue_ = -1;
    cueChanged_ = true;
  }
  valid_ = open(path);
  if (valid_) {
    readPackets();
    if (audioStream_ >= 0) {
      AudioEngine::init();
      soundId_ = AudioEngine::addSlot();
      if (decodeSoundFirst_) {
        decodeSoundTrack();
      } else {
        audioBuffer_.resize(kAudioBufferBytes);
        soundBytesPerSecond_ = 2.0 * 2.0 * sampleRate_;
      }
    }
    decodeNextFrame(0);
    if (texture_ == nullptr) report("texture null");
  } else {
    finished_ = true;
    audioStream_ = -1;
  }
  buildQuad();
  ++gAliveCount;
  ++gTextureSlot;
  pause();
}

bool CSpriteVideo::open(const std::string& path) {
  FileStatus status = FileStatus::Ok;
  movieFile_ = openRegularFile(path, status);
  struct stat st {};
  if (movieFile_ != nullptr && fstat(fileno(movieFile_), &st) == 0 && st.st_size > kMaxMovieFileBytes) {
    std::fclose(movieFile_);
    movieFile_ = nullptr;
    report("LOADING ERROR");
    report("movie " + path + ": larger than " + std::to_string(kMaxMovieFileBytes >> 20) + " MB, not played");
    return false;
  }
  if (movieFile_ == nullptr) {
    report("LOADING ERROR");
    report("movie " + path + ": " + describeFileStatus(status) + ", not played");
    return false;
  }
  auto* block = static_cast<std::uint8_t*>(av_malloc(kMovieReadBlock));
  if (block != nullptr) {
    movieInput_ = avio_alloc_context(block, kMovieReadBlock, 0, movieFile_, &readMovieBytes, nullptr, &seekMovieBytes);
    if (movieInput_ == nullptr) av_free(block);
  }
  demuxer_ = movieInput_ != nullptr ? avformat_alloc_context() : nullptr;
  if (demuxer_ == nullptr) {
    report("LOADING ERROR");
    return false;
  }
  demuxer_->pb = movieInput_;
  demuxer_->io_open = &refuseNestedOpen;
  // The path still names the file for the demuxers that look at its extension.
  if (avformat_open_input(&demuxer_, path.c_str(), nullptr, nullptr) != 0) {
    demuxer_ = nullptr;  // freed by the failed open
    report("LOADING ERROR");
    report("movie " + path + ": not a movie the libraries can read");
    return false;
  }
  if (avformat_find_stream_info(demuxer_, nullptr) < 0) {
    report("STREAM INFORMATION READING ERROR");
    return false;
  }
  for (unsigned i = 0; i < demuxer_->nb_streams; ++i) {
    const AVCodecParameters* par = demuxer_->streams[i]->codecpar;
    if (videoStream_ < 0 && par->codec_type == AVMEDIA_TYPE_VIDEO) videoStream_ = static_cast<int>(i);
    if (audioStream_ < 0 && par->codec_type == AVMEDIA_TYPE_AUDIO) audioStream_ = static_cast<int>(i);
  }
  if (muted_) audioStream_ = -1;
  if (videoStream_ < 0) {
    report("VIDEO STREAM ERROR");
    audioStream_ = -1;
    return false;
  }
  if (audioStream_ < 0) report("NO AUDIO STREAM");
  if (audioStream_ >= 0 && !openAudio()) audioStream_ = -1;

  AVStream* vs = demuxer_->streams[videoStream_];
  const AVCodecParameters* vpar = vs->codecpar;
  const AVCodec* codec = avcodec_find_decoder(vpar->codec_id);
  if (codec == nullptr) {
    report("NO VIDEO CODEC FOUND");
    return false;
  }
  if (vpar->width <= 0 || vpar->height <= 0 || vpar->width > kMaxPictureSide || vpar->height > kMaxPictureSide) {
    report("VIDEO STREAM ERROR");
    return false;
  }
  // The picture is uploaded into a texture raised to powers of two.
  if (const int driver = largestTextureSide();
      driver > 0 && (nextPow2(vpar->width) > driver || nextPow2(vpar->height) > driver)) {
    report("VIDEO STREAM ERROR");
    report("movie " + std::string(demuxer_->url != nullptr ? demuxer_->url : "") + ": a picture of " +
           std::to_string(vpar->width) + "x" + std::to_string(vpar->height) + " is larger than the largest texture, " +
           std::to_string(driver));
    return false;
  }
  videoDecoder_ = openDecoder(codec, vs);
  if (videoDecoder_ == nullptr) {
    report("CANNOT OPEN CODEC");
    return false;
  }
  decodedFrame_ = av_frame_alloc();
  picture_ = av_frame_alloc();
  if (decodedFrame_ == nullptr || picture_ == nullptr) {
    report("CANNOT ALLOCATE AVFRAME");
    return false;
  }
  videoTimeBase_ = av_q2d(vs->time_base);
  width_ = vpar->width;
  height_ = vpar->height;
  textureHeight_ = nextPow2(height_);
  textureWidth_ = nextPow2(width_);
  textureRowBytes_ = (withAlpha_ ? 4 : 3) * textureWidth_;
  textureImage_.assign(static_cast<std::size_t>(textureRowBytes_) * textureHeight_, 0);
  const AVRational rate = vs->avg_frame_rate;
  frameDuration_ = (rate.den == 0 || rate.num <= 0) ? 0.015f : static_cast<float>(1.0 / av_q2d(rate));
  if (!(frameDuration_ > 0.0001f && frameDuration_ < 10.0f)) frameDuration_ = 0.015f;
  return true;
}

bool CSpriteVideo::openAudio() {
  AVStream* as = demuxer_->streams[audioStream_];
  const AVCodecParameters* par = as->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (codec == nullptr || par->sample_rate <= 0 || par->sample_rate > kMaxSampleRate) {
    report("NO AUDIO CODEC FOUND");
    return false;
  }
  audioDecoder_ = openDecoder(codec, as);
  if (audioDecoder_ == nullptr || (audioFrame_ = av_frame_alloc()) == nullptr) {
    report("NO AUDIO CODEC FOUND");
    return false;
  }
  sampleRate_ = par->sample_rate;
  audioTimeBase_ = av_q2d(as->time_base);
  return true;
}

void CSpriteVideo::readPackets() {
  std::int64_t total = 0;
  AVPacket* packet = av_packet_alloc();
  while (packet != nullptr && av_read_frame(demuxer_, packet) >= 0) {
    const bool video = packet->stream_index == videoStream_;
    const bool audio = audioStream_ >= 0 && packet->stream_index == audioStream_;
    if (!video && !audio) {
      av_packet_unref(packet);
      continue;
    }
    total += packet->size;
    if (total > kMaxPacketBytes || videoPackets_.size() + audioPackets_.size() >= kMaxPackets) {
      av_packet_unref(packet);
      report("movie too large: the rest is not read");
      break;
    }
    (video ? videoPackets_ : audioPackets_).push_back(packet);
    packet = av_packet_alloc();
  }
  av_packet_free(&packet);
}

int CSpriteVideo::decodeAudioPacket(AVPacket* packet, std::vector<std::uint8_t>& out) {
  int produced = 0;
  if (avcodec_send_packet(audioDecoder_, packet) < 0) return 0;
  while (avcodec_receive_frame(audioDecoder_, audioFrame_) >= 0) {
    const AVFrame* f = audioFrame_;
    if (f->nb_samples <= 0 || f->sample_rate <= 0 || f->ch_layout.nb_channels <= 0) {
      av_frame_unref(audioFrame_);
      continue;
    }
    if (resampler_ == nullptr || resamplerRate_ != f->sample_rate || resamplerFormat_ != f->format ||
        resamplerChannels_ != f->ch_layout.nb_channels) {
      swr_free(&resampler_);
      AVChannelLayout stereo;
      av_channel_layout_default(&stereo, 2);
      if (swr_alloc_set_opts2(&resampler_, &stereo, AV_SAMPLE_FMT_S16, sampleRate_, &audioFrame_->ch_layout,
                              static_cast<AVSampleFormat>(f->format), f->sample_rate, 0, nullptr) < 0 ||
          swr_init(resampler_) < 0) {
        swr_free(&resampler_);
        av_frame_unref(audioFrame_);
        continue;
      }
      resamplerRate_ = f->sample_rate;
      resamplerFormat_ = f->format;
      resamplerChannels_ = f->ch_layout.nb_channels;
    }
    const int capacity = swr_get_out_samples(resampler_, f->nb_samples);
    if (capacity > 0) {
      const std::size_t at = out.size();
      out.resize(at + static_cast<std::size_t>(capacity) * 4);
      std::uint8_t* dst = out.data() + at;
      const int got = swr_convert(resampler_, &dst, capacity, const_cast<const std::uint8_t**>(f->extended_data),
                                  f->nb_samples);
      const int bytes = got > 0 ? got * 4 : 0;
      out.resize(at + static_cast<std::size_t>(bytes));
      produced += bytes;
    }
    av_frame_unref(audioFrame_);
  }
  return produced;
}

void CSpriteVideo::decodeSoundTrack() {
  std::vector<std::uint8_t> pcm;
  for (AVPacket* packet : audioPackets_) {
    audioChunkBytes_ = decodeAudioPacket(packet, pcm);
    if (static_cast<std::int64_t>(pcm.size()) > kMaxSoundBytes) {
      pcm.resize(static_cast<std::size_t>(kMaxSoundBytes));
      report("sound track too long: the rest is not played");
      break;
    }
  }
  if (static_cast<std::int64_t>(pcm.size()) < kMaxSoundBytes) {
    decodeAudioPacket(nullptr, pcm);  // what the decoder still holds
  }
  pcm.resize(pcm.size() - pcm.size() % 4);
  soundBytes_ = static_cast<std::int64_t>(pcm.size());
  if (gKeepSoundTracks) keptSound_ = pcm;
  if (!pcm.empty()) {
    AudioEngine::queueSingleBuffer(soundId_, pcm.data(), static_cast<int>(pcm.size()), AL_FORMAT_STEREO16,
                                   sampleRate_, 1);
  }
  avcodec_flush_buffers(audioDecoder_);
}

bool CSpriteVideo::decodePicture() {
  for (;;) {
    const int r = avcodec_receive_frame(videoDecoder_, decodedFrame_);
    if (r >= 0) {
      // A failed receive clears its frame: the picture to show is kept apart.
      av_frame_unref(picture_);
      av_frame_move_ref(picture_, decodedFrame_);
      return true;
    }
    if (r == AVERROR_EOF) {
      decoderDrained_ = true;
      return false;
    }
    if (r != AVERROR(EAGAIN)) {
      // A broken stream: nothing more will come out.
      decoderDrained_ = true;
      return false;
    }
    if (frameIndex_ < static_cast<int>(videoPackets_.size())) {
      AVPacket* packet = videoPackets_[frameIndex_++];
      const int s = avcodec_send_packet(videoDecoder_, packet);
      if (s < 0 && s != AVERROR(EAGAIN) && s != AVERROR_INVALIDDATA) {
        decoderDrained_ = true;
        return false;
      }
    } else if (!flushSent_) {
      flushSent_ = true;
      avcodec_send_packet(videoDecoder_, nullptr);
    } else {
      decoderDrained_ = true;
      return false;
    }
  }
}

void CSpriteVideo::decodeNextFrame(int ms) {
  decoding_ = true;
  gotPicture_ = 0;
  elapsedMs_ += static_cast<float>(ms);
  if (audioStream_ < 0) {
    playbackTime_ = elapsedMs_ / 1000.0f;
  } else if (!decodeSoundFirst_) {
    playbackTime_ = audioClock_;
  } else {
    const int position = AudioEngine::getPlaybackPosition(soundId_);
    playbackTime_ = position < 0 ? elapsedMs_ / 1000.0f : static_cast<float>(position) / 1000.0f;
  }

  if (videoClock_ < playbackTime_ || elapsedMs_ == 0.0f) {
    if (elapsedMs_ == 0.0f) {
      framesDue_ = 1;
    } else {
      framesDue_ = 0;
      for (float lag = playbackTime_ - videoClock_ - frameDuration_; lag > 0.0f; lag -= frameDuration_) ++framesDue_;
    }
    if (!isFinished()) {
      while (framesDue_-- > 0 && !isFinished()) {
        if (!decodePicture()) break;
        gotPicture_ = 1;
        ++picturesDecoded_;
        const std::int64_t stamp = picture_->best_effort_timestamp;
        if (stamp == AV_NOPTS_VALUE) {
          // No time on the picture: one frame after the one before.
          frameTime_ = picturesDecoded_ == 1 ? 0.0f : videoClock_ + frameDuration_;
        } else {
          frameTime_ = static_cast<float>(static_cast<double>(stamp) * videoTimeBase_);
        }
        videoClock_ = frameTime_;
      }
      // Of the pictures decoded here only the last is converted and shown.
      if (gotPicture_ != 0) {
        showPicture();
        av_frame_unref(picture_);
      }
    }
  }

  if (audioStream_ >= 0 && decodeSoundFirst_) soundStarted_ = true;
  if (audioStream_ >= 0 && !decodeSoundFirst_) streamAudio();
  decoding_ = false;
}

void CSpriteVideo::showPicture() {
  const AVFrame* f = picture_;
  if (f->width <= 0 || f->height <= 0 || f->data[0] == nullptr) return;
  const AVPixelFormat out = withAlpha_ ? AV_PIX_FMT_RGBA : AV_PIX_FMT_RGB24;
  scaler_ = sws_getCachedContext(scaler_, f->width, f->height, static_cast<AVPixelFormat>(f->format), width_,
                                 height_, out, SWS_POINT, nullptr, nullptr, nullptr);
  if (scaler_ == nullptr) return;
  std::uint8_t* dst[4] = {textureImage_.data(), nullptr, nullptr, nullptr};
  int dstStride[4] = {textureRowBytes_, 0, 0, 0};
  sws_scale(scaler_, f->data, f->linesize, 0, f->height, dst, dstStride);
  TextureManager& manager = TextureManager::instance();
  // Also after the sprite gave its texture back: the next picture takes it again.
  if (!movieTextureCreated_ || texture_ == nullptr) {
    texture_ = manager.createMovieTexture(textureName_, textureImage_.data(), width_, height_, textureWidth_,
                                          textureHeight_, withAlpha_);
    movieTextureCreated_ = true;
    buildQuad();
  } else {
    ITexture* t = manager.updateMovieTexture(textureName_, textureImage_.data(), width_, height_, textureWidth_,
                                             textureHeight_, withAlpha_);
    if (t != nullptr) t->release(false);
  }
  ++picturesShown_;
}

void CSpriteVideo::streamAudio() {
  if (audioPacketIndex_ >= static_cast<int>(audioPackets_.size())) return;
  AVPacket* packet = audioPackets_[audioPacketIndex_];
  if (packet->pts != AV_NOPTS_VALUE) audioClock_ = static_cast<float>(static_cast<double>(packet->pts) * audioTimeBase_);
  std::vector<std::uint8_t> pcm;
  pcm.reserve(kAudioChunkCapacity);
  const int bytes = decodeAudioPacket(packet, pcm);
  audioChunkBytes_ = std::min(bytes, kAudioBufferBytes);
  std::memcpy(audioBuffer_.data(), pcm.data(), static_cast<std::size_t>(audioChunkBytes_));
  audioClock_ += static_cast<float>(audioChunkBytes_ / soundBytesPerSecond_);
  if (audioChunkBytes_ > 0) {
    AudioEngine::queueStreamData(soundId_, audioBuffer_.data(), audioChunkBytes_, AL_FORMAT_STEREO16, sampleRate_,
                                 50, false);
  }
  ++audioPacketIndex_;
}

bool CSpriteVideo::isFinished() {
  if (!valid_) return finished_ = true;
  if (decoderDrained_ || videoPackets_.empty()) {
    finished_ = true;
    if (loop_ && !decoding_) restart();
  }
  return finished_;
}

bool CSpriteVideo::updateVisit(int dtMs, TraversalMark mark) {
  if (gRestartFlag) {
    dtMs = 0;
    gRestartFlag = false;
  }
  if (!visible_) {
    updateMark_ = mark;
    return boundsDirty_;
  }
  if (isTransparent()) return false;
  if (updateMark_ == mark) return boundsDirty_;
  updateMark_ = mark;
  toggle_ = mark;
  if (valid_ && !finished_ && !paused_) {
    if (!cues_.empty()) updateSubtitleCue();
    decodeNextFrame(dtMs);
    if (loop_ && (decoderDrained_ || videoPackets_.empty())) restart();
  }
  finishUpdateVisit(children_, dtMs, mark);
  return false;
}

void CSpriteVideo::draw(bool pass, bool push) {
  // Until a picture exists there is nothing to draw (and no file to load).
  if (valid_ && movieTextureCreated_ && texture_ != nullptr) CSprite::draw(pass, push);
  if (!cues_.empty()) {
    if (cueChanged_) {
      if (currentCue_ >= 0 && currentCue_ < static_cast<int>(cues_.size())) {
        showSubtitle(cues_[currentCue_].text, -1);
      } else {
        hideSubtitle();
      }
      cueChanged_ = false;
    }
    drawSubtitle();
  }
}

void CSpriteVideo::play(bool loop) {
  loop_ = loop;
  if (audioStream_ >= 0) {
    if (!notStarted_ && AudioEngine::isPlaying(soundId_)) {
      finished_ = paused_ = false;
    } else {
      AudioEngine::playSound(soundId_, false, AudioEngine::musicVolume);
      notStarted_ = false;
    }
  }
  if (!valid_) return;  // a movie that failed stays finished
  finished_ = paused_ = false;
}

void CSpriteVideo::pause() {
  paused_ = true;
  if (audioStream_ >= 0) AudioEngine::pauseSound(soundId_);
}

void CSpriteVideo::stop() {
  finished_ = true;
  if (audioStream_ >= 0) {
    AudioEngine::stopSound(soundId_);
    AudioEngine::releaseStream(soundId_);
  }
  frameIndex_ = 0;
  clearSubtitles();
}

void CSpriteVideo::restart() {
  if (!valid_) return;
  frameIndex_ = 0;
  videoClock_ = 0.0f;
  elapsedMs_ = 0.0f;
  audioPacketIndex_ = 0;
  audioClock_ = 0.0f;
  soundStarted_ = finished_ = paused_ = false;
  decoderDrained_ = flushSent_ = false;
  avcodec_flush_buffers(videoDecoder_);
  if (audioDecoder_ != nullptr && !decodeSoundFirst_) avcodec_flush_buffers(audioDecoder_);
  gRestartFlag = true;
  if (audioStream_ >= 0 && decodeSoundFirst_) {
    AudioEngine::playSound(soundId_, false);
    soundStarted_ = true;
  }
  decodeNextFrame(0);
}

void CSpriteVideo::freeAll() {
  for (AVPacket*& p : videoPackets_) av_packet_free(&p);
  for (AVPacket*& p : audioPackets_) av_packet_free(&p);
  videoPackets_.clear();
  audioPackets_.clear();
  sws_freeContext(scaler_);
  scaler_ = nullptr;
  swr_free(&resampler_);
  av_frame_free(&decodedFrame_);
  av_frame_free(&picture_);
  av_frame_free(&audioFrame_);
  avcodec_free_context(&videoDecoder_);
  avcodec_free_context(&audioDecoder_);
  if (demuxer_ != nullptr) avformat_close_input(&demuxer_);
  // The input is ours: the demuxer neither frees nor closes it.
  if (movieInput_ != nullptr) {
    av_freep(&movieInput_->buffer);
    avio_context_free(&movieInput_);
  }
  if (movieFile_ != nullptr) {
    std::fclose(movieFile_);
    movieFile_ = nullptr;
  }
}

CSpriteVideo::~CSpriteVideo() {
  if (soundId_ != 0) AudioEngine::releaseStream(soundId_);
  freeAll();
  if (texture_ != nullptr) {
    texture_->release(true);
    texture_ = nullptr;
  }
  --gAliveCount;
}

std::string CSpriteVideo::describeStreams() const {
  std::string out;
  if (demuxer_ == nullptr) return "no file";
  char line[256];
  for (unsigned i = 0; i < demuxer_->nb_streams; ++i) {
    const AVStream* s = demuxer_->streams[i];
    const AVCodecParameters* par = s->codecpar;
    const char* codec = avcodec_get_name(par->codec_id);
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      std::snprintf(line, sizeof line, "stream %u: video %s %dx%d %.3f fps%s\n", i, codec, par->width, par->height,
                    s->avg_frame_rate.den != 0 ? av_q2d(s->avg_frame_rate) : 0.0,
                    static_cast<int>(i) == videoStream_ ? " (shown)" : "");
    } else if (par->codec_type == AVMEDIA_TYPE_AUDIO) {
      std::snprintf(line, sizeof line, "stream %u: audio %s %d Hz %d channels%s\n", i, codec, par->sample_rate,
                    par->ch_layout.nb_channels, static_cast<int>(i) == audioStream_ ? " (played)" : "");
    } else {
      std::snprintf(line, sizeof line, "stream %u: %s\n", i, av_get_media_type_string(par->codec_type));
    }
    out += line;
  }
  return out;
}

// --- subtitles ----------------------------------------------------------------

void CSpriteVideo::readSrtFile(const std::string& name) {
  cues_.clear();
  const std::string code = getLanguageCode(getCurrentLanguageIndex());
  const std::string path = resolveResourcePath("video/" + name + "-" + code + ".srt");
  std::string text;
  const FileStatus status = readRegularFile(path, kMaxSubtitleFileBytes, text);
  // A missing file simply means no subtitles; anything else is said.
  if (status == FileStatus::TooLarge) {
    report("subtitles " + path + ": larger than " + std::to_string(kMaxSubtitleFileBytes >> 20) +
           " MB, not shown");
  } else if (status != FileStatus::Ok && status != FileStatus::Missing) {
    report("subtitles " + path + ": " + describeFileStatus(status) + ", not shown");
  }
  parseSrt(status == FileStatus::Ok ? text : std::string(), path);
}

namespace {

// The lines of a text one at a time, with every carriage return taken out;
// a last line without its line feed counts when it holds anything.
class LineReader {
 public:
  explicit LineReader(const std::string& text) : text_(text) {}
  bool next(std::string& line) {
    line.clear();
    while (at_ < text_.size()) {
      const char c = text_[at_++];
      if (c == '\n') return true;
      if (c != '\r') line += c;
    }
    return !line.empty();
  }

 private:
  const std::string& text_;
  std::size_t at_ = 0;
};

}  // namespace

void CSpriteVideo::parseSrt(const std::string& text, const std::string& source) {
  cues_.clear();
  LineReader lines(text);
  std::string line;
  std::size_t cutCues = 0;
  bool more = lines.next(line);
  while (more) {
    if (isBlankLine(line)) {
      more = lines.next(line);
      continue;
    }
    if (cues_.size() >= kMaxCues) {
      report(source + ": only the first " + std::to_string(kMaxCues) + " cues are shown");
      break;
    }
    SubtitleCue cue;
    cue.index = static_cast<int>(std::clamp<std::int64_t>(leadingNumber(line), -2147483647, 2147483647));
    if (!lines.next(line)) break;  // a block cut after its number
    const std::size_t dash = line.find('-');
    const std::size_t arrow = line.find('>');
    cue.start = parseCueTimes(dash == std::string::npos ? line : line.substr(0, dash));
    cue.end = parseCueTimes(arrow == std::string::npos ? std::string() : line.substr(arrow + 1));
    bool first = true;
    bool cut = false;
    while ((more = lines.next(line)) && !isBlankLine(line)) {
      if (cut) continue;
      if (!first) cue.text += "\n";
      cue.text += line;
      first = false;
      if (cue.text.size() > kMaxCueBytes) {
        cutUtf8(cue.text, kMaxCueBytes);
        cut = true;
      }
    }
    if (cut) ++cutCues;
    cues_.push_back(std::move(cue));
  }
  if (cutCues > 0) {
    report(source + ": " + std::to_string(cutCues) + " cue(s) longer than " + std::to_string(kMaxCueBytes) +
           " bytes cut to that length");
  }
  resetSubtitles();
}

int CSpriteVideo::parseCueTimes(const std::string& text) {
  std::string rest = text;
  std::int64_t ms = 0;
  auto field = [&](char separator, std::int64_t unit) {
    const std::size_t at = rest.find(separator);
    if (at != std::string::npos && at >= 1 && at + 1 < rest.size()) {
      ms += leadingNumber(rest.substr(0, at)) * unit;
      rest = rest.substr(at + 1);
    }
  };
  field(':', 3600000);
  field(':', 60000);
  field(',', 1000);
  ms += leadingNumber(rest);
  return static_cast<int>(std::clamp<std::int64_t>(ms, -2147483647, 2147483647));
}

void CSpriteVideo::updateSubtitleCue() {
  int chosen = -1;
  for (std::size_t i = 0; i < cues_.size(); ++i) {
    // Whole seconds on both ends, as the cue files are timed for.
    const float start = static_cast<float>(cues_[i].start / 1000);
    const float end = static_cast<float>(cues_[i].end / 1000);
    if (start <= playbackTime_ && playbackTime_ <= end) {
      chosen = static_cast<int>(i);
      break;
    }
  }
  if (chosen != currentCue_) cueChanged_ = true;
  currentCue_ = chosen;
}

void CSpriteVideo::resetSubtitles() {
  currentCue_ = 0;
  cueChanged_ = true;
  if (!cues_.empty()) updateSubtitleCue();
}

void CSpriteVideo::clearSubtitles() { cues_.clear(); }

// --- the shared subtitle node -------------------------------------------------

void createSubtitleNode() {
  if (gSubtitleNode != nullptr) return;
  gSubtitleNode = new CNodeText("Arial Black.ttf", 28, 2, 0);
  gSubtitleNode->setFitToRect(true);
  fontParameters_ style;
  style.spacing = 2.0f;
  style.scale = 1.0f;
  style.lineSpacing = 36.0f;
  const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  std::copy(white, white + 4, style.fillColor);
  std::copy(black, black + 4, style.outlineColor);
  gSubtitleNode->setFontParameters(style);
  gSubtitleNode->setColor(255, 255, 255, 255);
  gSubtitleNode->setVisible(true);
  gSubtitleNode->setLayoutFlags(5);
  gSubtitleNode->setTextRect(24, 213, 432, 86);
}

void showSubtitle(const std::string& text, std::int64_t soundId) {
  if (text == "[VIBRATE]") {
    if (kVibrationOnCue) vibrate();
    return;
  }
  if (!kSubtitlesShown) return;
  createSubtitleNode();
  gSubtitleNode->setVisible(true);
  gSubtitleNode->setText(text.c_str());
  gSubtitleSound = soundId;
}

void hideSubtitle() {
  if (gSubtitleNode != nullptr) gSubtitleNode->setVisible(false);
  gSubtitleSound = -1;
}

void drawSubtitle() {
  if (gSubtitleNode != nullptr) gSubtitleNode->draw(false, true);
  if (gSubtitleSound >= 0 && !AudioEngine::isPlaying(static_cast<std::uint32_t>(gSubtitleSound))) hideSubtitle();
}

}  // namespace RenderEngine
