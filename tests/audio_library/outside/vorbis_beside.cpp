// A second program of someone else's, which uses vorbisfile itself beside the
// library (its own callbacks, the stdio ones of vorbisfile's header): it
// makes an Ogg Vorbis file with libvorbisenc, decodes it with vorbisfile, and
// plays both the file and its own PCM through a manager of the library.
// Built as C++14, the standard the headers state.
#include <caural/Aural.h>

#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

int fail(const char* what) {
  std::fprintf(stderr, "vorbis beside: %s\n", what);
  return 1;
}

// Half a second of 440 Hz, mono 22050 Hz, written with libvorbisenc.
bool writeTone(const char* path) {
  vorbis_info vi;
  vorbis_info_init(&vi);
  if (vorbis_encode_init_vbr(&vi, 1, 22050, 0.3f) != 0) return false;
  vorbis_comment vc;
  vorbis_comment_init(&vc);
  vorbis_dsp_state vd;
  vorbis_block vb;
  vorbis_analysis_init(&vd, &vi);
  vorbis_block_init(&vd, &vb);
  ogg_stream_state os;
  ogg_stream_init(&os, 1);
  ogg_packet header, comments, codebooks;
  vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
  ogg_stream_packetin(&os, &header);
  ogg_stream_packetin(&os, &comments);
  ogg_stream_packetin(&os, &codebooks);
  std::FILE* f = std::fopen(path, "wb");
  if (f == nullptr) return false;
  ogg_page og;
  while (ogg_stream_flush(&os, &og) != 0) {
    std::fwrite(og.header, 1, static_cast<std::size_t>(og.header_len), f);
    std::fwrite(og.body, 1, static_cast<std::size_t>(og.body_len), f);
  }
  const int frames = 11025;
  float** buffer = vorbis_analysis_buffer(&vd, frames);
  for (int i = 0; i < frames; ++i) buffer[0][i] = 0.5f * static_cast<float>(std::sin(2 * M_PI * 440.0 * i / 22050));
  vorbis_analysis_wrote(&vd, frames);
  vorbis_analysis_wrote(&vd, 0);
  bool end = false;
  while (!end && vorbis_analysis_blockout(&vd, &vb) == 1) {
    vorbis_analysis(&vb, nullptr);
    vorbis_bitrate_addblock(&vb);
    ogg_packet op;
    while (vorbis_bitrate_flushpacket(&vd, &op) != 0) {
      ogg_stream_packetin(&os, &op);
      while (!end && ogg_stream_pageout(&os, &og) != 0) {
        std::fwrite(og.header, 1, static_cast<std::size_t>(og.header_len), f);
        std::fwrite(og.body, 1, static_cast<std::size_t>(og.body_len), f);
        end = ogg_page_eos(&og) != 0;
      }
    }
  }
  ogg_stream_clear(&os);
  vorbis_block_clear(&vb);
  vorbis_dsp_clear(&vd);
  vorbis_comment_clear(&vc);
  vorbis_info_clear(&vi);
  return std::fclose(f) == 0;
}

struct Ended : cAural::ISourceEventHandler {
  std::atomic<int> stops{0};
  void onUpdate() override {}
  void onRelease() override {}
  void onPlay() override {}
  void onStop() override { ++stops; }
  void onPause() override {}
};

// Plays the source to its end, fed by the library's update thread alone.
bool playsToItsEnd(cAural::IAudioSource* s) {
  Ended ended;
  s->registerEventHandler(&ended);
  s->play();
  for (int i = 0; i < 5000 && ended.stops == 0; ++i) cAural::cAuralSleep(1);
  s->unregisterEventHandler(&ended);
  return ended.stops == 1;
}

}  // namespace

int main() {
  static_assert(CAURAL_VERSION_MAJOR == 2, "the library's major version");
  const char* path = "tone.ogg";
  if (!writeTone(path)) return fail("cannot write the Ogg file");

  // vorbisfile on its own, through its header's stdio callbacks.
  std::FILE* f = std::fopen(path, "rb");
  OggVorbis_File vf;
  if (f == nullptr || ov_open_callbacks(f, &vf, nullptr, 0, OV_CALLBACKS_DEFAULT) != 0) return fail("ov_open");
  std::vector<char> pcm;
  char buf[4096];
  int section = 0;
  long n = 0;
  while ((n = ov_read(&vf, buf, sizeof buf, 0, 2, 1, &section)) > 0) pcm.insert(pcm.end(), buf, buf + n);
  const long channels = ov_info(&vf, -1)->channels;
  const ogg_int64_t frames = ov_pcm_total(&vf, -1);
  ov_clear(&vf);
  if (frames != 11025 || pcm.size() != static_cast<std::size_t>(frames * channels * 2)) return fail("decoded length");

  cAural::getLogger()->setLogLevel(cAural::LOG_ERROR);
  cAural::IAudioManager* manager = cAural::createAudioManager(true);
  if (manager == nullptr) return fail("no manager");
  int status = 0;
  cAural::IAudioSource* file = manager->createSourceFromFile("file", path, true);
  cAural::IAudioSource* own = manager->createSourceFromRaw("own", pcm.data(), static_cast<std::int32_t>(pcm.size()),
                                                           22050, cAural::FORMAT_MONO16);
  if (file == nullptr || own == nullptr) {
    status = fail("no source");
  } else if (file->getTotalSize() != frames * channels || own->getTotalSize() != static_cast<std::int32_t>(pcm.size())) {
    status = fail("the library reads another length");
  } else if (!playsToItsEnd(file) || !playsToItsEnd(own)) {
    status = fail("a source did not play to its end");
  }
  cAural::destroyAudioManager(manager);
  if (status == 0) std::printf("vorbis beside: ok\n");
  return status;
}
