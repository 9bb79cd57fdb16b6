// The FFmpeg functions the video sprite calls, each opening its library at
// its first call: start-up does not load FFmpeg and the hundred libraries it
// brings. Without the libraries a movie fails to open ("LOADING ERROR").
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/version.h>
#include <libavformat/avformat.h>
#include <libavformat/version.h>
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libavutil/log.h>
#include <libavutil/version.h>
#include <libswresample/swresample.h>
#include <libswresample/version.h>
#include <libswscale/swscale.h>
#include <libswscale/version.h>
}

#include <cerrno>

#include "platform/LazyLibrary.h"

namespace {


platform::LazyLibrary& avutil() {
  static platform::LazyLibrary library(std::string("libavutil.so.") + std::to_string(LIBAVUTIL_VERSION_MAJOR));
  return library;
}
platform::LazyLibrary& avcodec() {
  static platform::LazyLibrary library(std::string("libavcodec.so.") + std::to_string(LIBAVCODEC_VERSION_MAJOR));
  return library;
}
platform::LazyLibrary& avformat() {
  static platform::LazyLibrary library(std::string("libavformat.so.") + std::to_string(LIBAVFORMAT_VERSION_MAJOR));
  return library;
}
platform::LazyLibrary& swscale() {
  static platform::LazyLibrary library(std::string("libswscale.so.") + std::to_string(LIBSWSCALE_VERSION_MAJOR));
  return library;
}
platform::LazyLibrary& swresample() {
  static platform::LazyLibrary library(std::string("libswresample.so.") +
                                       std::to_string(LIBSWRESAMPLE_VERSION_MAJOR));
  return library;
}

constexpr int kUnavailable = AVERROR(ENOSYS);

}  // namespace

// libavutil
QM_LAZY_FUNCTION(avutil(), 0, void, av_log_set_level, (int level), (level))
QM_LAZY_FUNCTION(avutil(), 0, const char*, av_get_media_type_string, (enum AVMediaType media_type), (media_type))
QM_LAZY_FUNCTION(avutil(), 0, void, av_channel_layout_default, (AVChannelLayout * ch_layout, int nb_channels),
                 (ch_layout, nb_channels))
QM_LAZY_FUNCTION(avutil(), 0, AVFrame*, av_frame_alloc, (void), ())
QM_LAZY_FUNCTION(avutil(), 0, void, av_frame_free, (AVFrame * *frame), (frame))
QM_LAZY_FUNCTION(avutil(), 0, void, av_frame_unref, (AVFrame * frame), (frame))
QM_LAZY_FUNCTION(avutil(), 0, void, av_frame_move_ref, (AVFrame * dst, AVFrame* src), (dst, src))

// libavcodec
QM_LAZY_FUNCTION(avcodec(), 0, AVPacket*, av_packet_alloc, (void), ())
QM_LAZY_FUNCTION(avcodec(), 0, void, av_packet_free, (AVPacket * *pkt), (pkt))
QM_LAZY_FUNCTION(avcodec(), 0, void, av_packet_unref, (AVPacket * pkt), (pkt))
QM_LAZY_FUNCTION(avcodec(), 0, const AVCodec*, avcodec_find_decoder, (enum AVCodecID id), (id))
QM_LAZY_FUNCTION(avcodec(), 0, const char*, avcodec_get_name, (enum AVCodecID id), (id))
QM_LAZY_FUNCTION(avcodec(), 0, AVCodecContext*, avcodec_alloc_context3, (const AVCodec* codec), (codec))
QM_LAZY_FUNCTION(avcodec(), 0, void, avcodec_free_context, (AVCodecContext * *avctx), (avctx))
QM_LAZY_FUNCTION(avcodec(), kUnavailable, int, avcodec_parameters_to_context,
                 (AVCodecContext * codec, const AVCodecParameters* par), (codec, par))
QM_LAZY_FUNCTION(avcodec(), kUnavailable, int, avcodec_open2,
                 (AVCodecContext * avctx, const AVCodec* codec, AVDictionary** options), (avctx, codec, options))
QM_LAZY_FUNCTION(avcodec(), 0, void, avcodec_flush_buffers, (AVCodecContext * avctx), (avctx))
QM_LAZY_FUNCTION(avcodec(), kUnavailable, int, avcodec_send_packet, (AVCodecContext * avctx, const AVPacket* avpkt),
                 (avctx, avpkt))
QM_LAZY_FUNCTION(avcodec(), kUnavailable, int, avcodec_receive_frame, (AVCodecContext * avctx, AVFrame* frame),
                 (avctx, frame))

// libavformat
QM_LAZY_FUNCTION(avformat(), kUnavailable, int, avformat_open_input,
                 (AVFormatContext * *ps, const char* url, const AVInputFormat* fmt, AVDictionary** options),
                 (ps, url, fmt, options))
QM_LAZY_FUNCTION(avformat(), kUnavailable, int, avformat_find_stream_info, (AVFormatContext * ic, AVDictionary** options),
                 (ic, options))
QM_LAZY_FUNCTION(avformat(), kUnavailable, int, av_read_frame, (AVFormatContext * s, AVPacket* pkt), (s, pkt))
QM_LAZY_FUNCTION(avformat(), 0, void, avformat_close_input, (AVFormatContext * *s), (s))

// libswscale
QM_LAZY_FUNCTION(swscale(), 0, struct SwsContext*, sws_getCachedContext,
                 (struct SwsContext * context, int srcW, int srcH, enum AVPixelFormat srcFormat, int dstW, int dstH,
                  enum AVPixelFormat dstFormat, int flags, SwsFilter* srcFilter, SwsFilter* dstFilter,
                  const double* param),
                 (context, srcW, srcH, srcFormat, dstW, dstH, dstFormat, flags, srcFilter, dstFilter, param))
QM_LAZY_FUNCTION(swscale(), kUnavailable, int, sws_scale,
                 (struct SwsContext * c, const uint8_t* const srcSlice[], const int srcStride[], int srcSliceY,
                  int srcSliceH, uint8_t* const dst[], const int dstStride[]),
                 (c, srcSlice, srcStride, srcSliceY, srcSliceH, dst, dstStride))
QM_LAZY_FUNCTION(swscale(), 0, void, sws_freeContext, (struct SwsContext * swsContext), (swsContext))

// libswresample
QM_LAZY_FUNCTION(swresample(), kUnavailable, int, swr_alloc_set_opts2,
                 (struct SwrContext * *ps, AVChannelLayout* out_ch_layout, enum AVSampleFormat out_sample_fmt,
                  int out_sample_rate, AVChannelLayout* in_ch_layout, enum AVSampleFormat in_sample_fmt,
                  int in_sample_rate, int log_offset, void* log_ctx),
                 (ps, out_ch_layout, out_sample_fmt, out_sample_rate, in_ch_layout, in_sample_fmt, in_sample_rate,
                  log_offset, log_ctx))
QM_LAZY_FUNCTION(swresample(), kUnavailable, int, swr_init, (struct SwrContext * s), (s))
QM_LAZY_FUNCTION(swresample(), kUnavailable, int, swr_get_out_samples, (struct SwrContext * s, int in_samples),
                 (s, in_samples))
QM_LAZY_FUNCTION(swresample(), kUnavailable, int, swr_convert,
                 (struct SwrContext * s, uint8_t** out, int out_count, const uint8_t** in, int in_count),
                 (s, out, out_count, in, in_count))
QM_LAZY_FUNCTION(swresample(), 0, void, swr_free, (struct SwrContext * *s), (s))
