#include "tools/movie_writer.h"

#include <cmath>
#include <cstdio>
#include <filesystem>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace moviewriter {

namespace {

void fail(std::string* error, const std::string& message) {
  if (error != nullptr) *error = message;
}

struct Encoder {
  AVCodecContext* ctx = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  std::int64_t next = 0;  // pts of the next frame, in the encoder's time base
  ~Encoder() {
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
  }
};

// Sends a frame (null: flush) and writes every packet that comes out.
bool encode(AVFormatContext* oc, Encoder& e, AVFrame* frame, AVPacket* packet) {
  if (avcodec_send_frame(e.ctx, frame) < 0) return false;
  for (;;) {
    const int r = avcodec_receive_packet(e.ctx, packet);
    if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
    if (r < 0) return false;
    av_packet_rescale_ts(packet, e.ctx->time_base, e.stream->time_base);
    packet->stream_index = e.stream->index;
    if (av_interleaved_write_frame(oc, packet) < 0) return false;
  }
}

}  // namespace

bool writeMovie(const std::string& path, const VideoSpec& spec, int frameCount, const FrameFn& paint,
                const AudioTrack* audio, std::string* error) {
  av_log_set_level(AV_LOG_ERROR);
  std::error_code ec;
  if (std::filesystem::path(path).has_parent_path())
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  AVFormatContext* oc = nullptr;
  // Always MP4: FFmpeg's own "m4v" is a bare MPEG-4 stream, not the iTunes box.
  if (avformat_alloc_output_context2(&oc, nullptr, "mp4", path.c_str()) < 0 || oc == nullptr) {
    fail(error, "cannot make an MP4 container");
    return false;
  }
  bool ok = false;
  Encoder video;
  Encoder sound;
  AVPacket* packet = av_packet_alloc();
  SwsContext* sws = nullptr;
  std::vector<std::uint8_t> rgb(static_cast<std::size_t>(spec.width) * spec.height * 3);
  do {
    const AVCodec* vc = avcodec_find_encoder_by_name(spec.codec.c_str());
    if (!spec.withVideo) vc = nullptr;
    if (vc == nullptr && spec.withVideo) {
      fail(error, "no encoder " + spec.codec);
      break;
    }
    if (vc != nullptr) {
    video.stream = avformat_new_stream(oc, nullptr);
    video.ctx = avcodec_alloc_context3(vc);
    AVCodecContext* v = video.ctx;
    v->width = spec.width;
    v->height = spec.height;
    v->time_base = AVRational{1, spec.fps};
    v->framerate = AVRational{spec.fps, 1};
    v->pix_fmt = AV_PIX_FMT_YUV420P;
    v->gop_size = spec.gop;
    v->max_b_frames = spec.bFrames;
    v->thread_count = 1;  // the same bytes on every machine
    if (spec.codec == "libx264") {
      av_opt_set(v->priv_data, "preset", "veryfast", 0);
      av_opt_set_int(v->priv_data, "crf", spec.quality, 0);
    } else {
      v->flags |= AV_CODEC_FLAG_QSCALE;
      v->global_quality = FF_QP2LAMBDA * spec.quality;
    }
    if (oc->oformat->flags & AVFMT_GLOBALHEADER) v->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(v, vc, nullptr) < 0 || avcodec_parameters_from_context(video.stream->codecpar, v) < 0) {
      fail(error, "cannot open the picture encoder");
      break;
    }
    video.stream->time_base = v->time_base;
    video.stream->avg_frame_rate = v->framerate;
    video.frame = av_frame_alloc();
    video.frame->format = v->pix_fmt;
    video.frame->width = v->width;
    video.frame->height = v->height;
    if (av_frame_get_buffer(video.frame, 0) < 0) break;
    }

    if (audio != nullptr && audio->channels > 0) {
      const AVCodec* ac = avcodec_find_encoder(AV_CODEC_ID_AAC);
      sound.stream = avformat_new_stream(oc, nullptr);
      sound.ctx = avcodec_alloc_context3(ac);
      AVCodecContext* a = sound.ctx;
      a->sample_fmt = AV_SAMPLE_FMT_FLTP;
      a->sample_rate = audio->rate;
      av_channel_layout_default(&a->ch_layout, audio->channels);
      a->bit_rate = 64000 * audio->channels;
      a->time_base = AVRational{1, audio->rate};
      if (oc->oformat->flags & AVFMT_GLOBALHEADER) a->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
      if (avcodec_open2(a, ac, nullptr) < 0 || avcodec_parameters_from_context(sound.stream->codecpar, a) < 0) {
        fail(error, "cannot open the sound encoder");
        break;
      }
      sound.stream->time_base = a->time_base;
      sound.frame = av_frame_alloc();
      sound.frame->format = a->sample_fmt;
      sound.frame->nb_samples = a->frame_size;
      sound.frame->sample_rate = a->sample_rate;
      av_channel_layout_copy(&sound.frame->ch_layout, &a->ch_layout);
      if (av_frame_get_buffer(sound.frame, 0) < 0) break;
    }

    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
      fail(error, "cannot write " + path);
      break;
    }
    if (avformat_write_header(oc, nullptr) < 0) {
      fail(error, "cannot write the container header");
      break;
    }
    sws = sws_getContext(spec.width, spec.height, AV_PIX_FMT_RGB24, spec.width, spec.height, AV_PIX_FMT_YUV420P,
                         SWS_BICUBIC, nullptr, nullptr, nullptr);
    const std::int64_t soundFrames =
        sound.ctx != nullptr ? static_cast<std::int64_t>(audio->samples.size()) / audio->channels : 0;
    std::int64_t soundAt = 0;
    bool good = true;
    auto encodeSoundUpTo = [&](double seconds) {
      while (good && sound.ctx != nullptr && soundAt < soundFrames &&
             static_cast<double>(soundAt) / audio->rate <= seconds) {
        if (av_frame_make_writable(sound.frame) < 0) {
          good = false;
          return;
        }
        const int n = sound.ctx->frame_size;
        const int channels = audio->channels;
        for (int c = 0; c < channels; ++c) {
          auto* plane = reinterpret_cast<float*>(sound.frame->data[c]);
          for (int i = 0; i < n; ++i) {
            const std::int64_t at = soundAt + i;
            plane[i] = at < soundFrames ? audio->samples[static_cast<std::size_t>(at * channels + c)] : 0.0f;
          }
        }
        sound.frame->pts = soundAt;
        soundAt += n;
        good = encode(oc, sound, sound.frame, packet);
      }
    };
    for (int i = 0; i < frameCount && good && video.ctx != nullptr; ++i) {
      std::fill(rgb.begin(), rgb.end(), 0);
      paint(i, rgb.data(), spec.width * 3);
      if (av_frame_make_writable(video.frame) < 0) {
        good = false;
        break;
      }
      const std::uint8_t* src[1] = {rgb.data()};
      const int srcStride[1] = {spec.width * 3};
      sws_scale(sws, src, srcStride, 0, spec.height, video.frame->data, video.frame->linesize);
      video.frame->pts = i;
      good = encode(oc, video, video.frame, packet);
      encodeSoundUpTo(static_cast<double>(i + 1) / spec.fps);
    }
    encodeSoundUpTo(video.ctx != nullptr ? 1e18 : static_cast<double>(frameCount) / spec.fps);
    if (!good || (video.ctx != nullptr && !encode(oc, video, nullptr, packet)) || (sound.ctx != nullptr && !encode(oc, sound, nullptr, packet))) {
      fail(error, "encoding failed");
      break;
    }
    if (av_write_trailer(oc) < 0) {
      fail(error, "cannot finish the container");
      break;
    }
    ok = true;
  } while (false);
  sws_freeContext(sws);
  av_packet_free(&packet);
  if (oc->pb != nullptr) avio_closep(&oc->pb);
  avformat_free_context(oc);
  if (!ok) std::filesystem::remove(path, ec);
  return ok;
}

namespace {
// Blocks 4 across, 2 down, most significant bit first.
void blockRect(int bit, int width, int height, int& x0, int& y0, int& x1, int& y1) {
  const int col = bit % 4;
  const int row = bit / 4;
  x0 = col * width / 4;
  x1 = (col + 1) * width / 4;
  y0 = row * height / 2;
  y1 = (row + 1) * height / 2;
}
}  // namespace

void drawFrameCode(std::uint8_t* pixels, int width, int height, int stride, int bytesPerPixel, int number) {
  for (int bit = 0; bit < 8; ++bit) {
    int x0, y0, x1, y1;
    blockRect(bit, width, height, x0, y0, x1, y1);
    const std::uint8_t v = (number >> (7 - bit)) & 1 ? 255 : 0;
    for (int y = y0; y < y1; ++y) {
      std::uint8_t* row = pixels + static_cast<std::ptrdiff_t>(y) * stride;
      for (int x = x0; x < x1; ++x) {
        for (int c = 0; c < bytesPerPixel; ++c) row[x * bytesPerPixel + c] = c == 3 ? 255 : v;
      }
    }
  }
}

int readFrameCode(const std::uint8_t* pixels, int width, int height, int stride, int bytesPerPixel) {
  int number = 0;
  for (int bit = 0; bit < 8; ++bit) {
    int x0, y0, x1, y1;
    blockRect(bit, width, height, x0, y0, x1, y1);
    const int cx = (x0 + x1) / 2;
    const int cy = (y0 + y1) / 2;
    const std::uint8_t* p = pixels + static_cast<std::ptrdiff_t>(cy) * stride + cx * bytesPerPixel;
    const int level = (p[0] + p[1] + p[2]) / 3;
    if (level > 96 && level < 160) return -1;  // neither black nor white: not a coded frame
    number = number * 2 + (level >= 160 ? 1 : 0);
  }
  return number;
}

AudioTrack sineTrack(double seconds, int rate, int channels, double hz) {
  AudioTrack t;
  t.rate = rate;
  t.channels = channels;
  const auto n = static_cast<std::size_t>(seconds * rate);
  t.samples.resize(n * static_cast<std::size_t>(channels));
  for (std::size_t i = 0; i < n; ++i) {
    const float v = static_cast<float>(0.4 * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / rate));
    for (int c = 0; c < channels; ++c) t.samples[i * channels + c] = v;
  }
  return t;
}

}  // namespace moviewriter
