#include "tools/sound_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <vorbis/vorbisenc.h>

#include "app/DataFiles.h"

namespace soundwriter {

namespace {
void put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}
void put16(std::vector<std::uint8_t>& out, std::uint16_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void putChunk(std::vector<std::uint8_t>& out, const WavChunk& c) {
  out.insert(out.end(), c.id.begin(), c.id.begin() + 4);
  put32(out, static_cast<std::uint32_t>(c.body.size()));
  out.insert(out.end(), c.body.begin(), c.body.end());
  if (c.body.size() % 2 != 0) out.push_back(0);  // pad byte of an odd chunk
}
}  // namespace

std::vector<std::uint8_t> toPcm(const std::vector<float>& samples, int bits) {
  std::vector<std::uint8_t> out;
  out.reserve(samples.size() * static_cast<std::size_t>(bits / 8));
  for (float s : samples) {
    const float c = std::clamp(s, -1.0f, 1.0f);
    if (bits == 8) {
      out.push_back(static_cast<std::uint8_t>(std::lround(c * 127.0f) + 128));
    } else {
      put16(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(c * 32767.0f))));
    }
  }
  return out;
}

std::vector<std::uint8_t> makeWavBytes(const std::vector<std::uint8_t>& data, const WavLayout& l) {
  std::vector<std::uint8_t> body;
  body.insert(body.end(), {'W', 'A', 'V', 'E'});
  for (const WavChunk& c : l.beforeFormat) putChunk(body, c);
  WavChunk fmt{"fmt ", {}};
  put16(fmt.body, 1);
  put16(fmt.body, static_cast<std::uint16_t>(l.channels));
  put32(fmt.body, static_cast<std::uint32_t>(l.rate));
  put32(fmt.body, static_cast<std::uint32_t>(l.rate * l.channels * (l.bits / 8)));
  put16(fmt.body, static_cast<std::uint16_t>(l.channels * (l.bits / 8)));
  put16(fmt.body, static_cast<std::uint16_t>(l.bits));
  if (l.formatExtraBytes >= 2) {
    put16(fmt.body, static_cast<std::uint16_t>(l.formatExtraBytes - 2));
    fmt.body.resize(fmt.body.size() + static_cast<std::size_t>(l.formatExtraBytes - 2), 0);
  }
  putChunk(body, fmt);
  for (const WavChunk& c : l.beforeData) putChunk(body, c);
  putChunk(body, WavChunk{"data", data});
  for (const WavChunk& c : l.afterData) putChunk(body, c);
  std::vector<std::uint8_t> out{'R', 'I', 'F', 'F'};
  put32(out, static_cast<std::uint32_t>(body.size()));
  out.insert(out.end(), body.begin(), body.end());
  return out;
}

std::vector<std::uint8_t> makeWav(const std::vector<float>& samples, const WavLayout& layout) {
  return makeWavBytes(toPcm(samples, layout.bits), layout);
}

std::vector<std::uint8_t> makeOgg(const std::vector<float>& samples, int channels, int rate, float quality) {
  std::vector<std::uint8_t> out;
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
    vorbis_info_clear(&vi);
    return out;
  }
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_comment_add_tag(&vc, "ENCODER", "quillmoor make_sounds");
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 0x51554d4c);  // fixed serial: the same input gives the same bytes
  auto writePage = [&out](const ogg_page& og) {
    out.insert(out.end(), og.header, og.header + og.header_len);
    out.insert(out.end(), og.body, og.body + og.body_len);
  };
  ogg_packet header, headerComment, headerCode;
  vorbis_analysis_headerout(&vd, &vc, &header, &headerComment, &headerCode);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &headerComment);
  ogg_stream_packetin(&os, &headerCode);
  ogg_page og;
  while (ogg_stream_flush(&os, &og) != 0) writePage(og);

  const std::size_t frames = samples.size() / static_cast<std::size_t>(channels);
  constexpr std::size_t kBlock = 1024;
  std::size_t done = 0;
  bool eos = false;
  while (!eos) {
    const std::size_t n = std::min(kBlock, frames - done);
    if (n == 0) {
      vorbis_analysis_wrote(&vd, 0);
    } else {
      float** buffer = vorbis_analysis_buffer(&vd, static_cast<int>(n));
      for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) buffer[c][i] = samples[(done + i) * static_cast<std::size_t>(channels) + c];
      vorbis_analysis_wrote(&vd, static_cast<int>(n));
      done += n;
    }
    while (vorbis_analysis_blockout(&vd, &vb) == 1) {
      vorbis_analysis(&vb, nullptr);
      vorbis_bitrate_addblock(&vb);
      ogg_packet op;
      while (vorbis_bitrate_flushpacket(&vd, &op) != 0) {
        ogg_stream_packetin(&os, &op);
        while (ogg_stream_pageout(&os, &og) != 0) {
          writePage(og);
          if (ogg_page_eos(&og) != 0) eos = true;
        }
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return out;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
  // The checks of every data file: a FIFO, a device or a folder reads as nothing.
  constexpr std::size_t kMaxInputBytes = 64u << 20;
  std::string bytes;
  if (readRegularFile(path, kMaxInputBytes, bytes) != FileStatus::Ok) return {};
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

}  // namespace soundwriter
