// Seed inputs for the progress save files' fuzz targets: make_progress_seeds
// OUT_DIR writes OUT_DIR/levels_save_fuzz/, OUT_DIR/achievements_save_fuzz/ and
// OUT_DIR/tutorials_save_fuzz/ (whole files of both versions, a phantom level,
// records sharing a value, a cut file).
#include <filesystem>
#include <fstream>
#include <string>

#include "game/progress/ProgressFiles.h"

namespace {

namespace fs = std::filesystem;

void put(const fs::path& dir, const std::string& name, const std::string& bytes) {
  fs::create_directories(dir);
  std::ofstream(dir / name, std::ios::binary) << bytes;
}

void levelEntry(progress::ByteWriter& w, int id, int best, bool completed, int medal, bool unlocked, int fewest,
                int tries) {
  w.i32(id);
  w.i32(best);
  w.boolean(completed);
  w.i32(medal);
  w.boolean(unlocked);
  w.i32(fewest);
  w.i32(tries);
  w.i32(0);
}

std::string levels(char version, bool phantom) {
  progress::ByteWriter w;
  w.u8(static_cast<std::uint8_t>(version));
  w.i32(26);
  w.i32(2);
  w.boolean(true);
  w.boolean(true);
  w.i32(phantom ? 6 : 5);
  levelEntry(w, 0, 0, true, 0, true, 0, 0);
  levelEntry(w, 1, 3100, true, 3, true, 1, 1);
  levelEntry(w, 2, 1500, true, 1, true, 2, 4);
  levelEntry(w, 26, 950, true, 2, true, 1, 3);
  levelEntry(w, 27, 0, false, 0, true, 0, 2);
  if (phantom) levelEntry(w, 60, 800, true, 1, true, 1, 1);
  if (version == '2') {
    w.i32(4);
    for (int i = 0; i < 4; ++i) {
      w.i32(i);
      w.u8(i < 2 ? 1 : 0);
    }
  }
  return w.bytes();
}

std::string achievements(bool allEarned) {
  progress::ByteWriter w;
  w.i32(8);
  const int values[8][3] = {{3, -1, -1}, {-1, -1, -1}, {1, -1, -1}, {-1, -1, -1},
                            {2, -1, -1}, {1, 1, 5},    {-1, -1, -1}, {-1, -1, -1}};
  for (const auto& category : values) {
    int n = 0;
    for (int v : category) n += v >= 0 ? 1 : 0;
    w.i32(n);
    for (int v : category) {
      if (v < 0) continue;
      w.i32(v);
      w.boolean(allEarned || v == 1);
    }
  }
  return w.bytes();
}

std::string tutorials() {
  progress::ByteWriter w;
  w.u8('2');
  w.u32(0x00000C50u);
  w.u32(0x80000001u);
  return w.bytes();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  const fs::path out = argv[1];
  put(out / "levels_save_fuzz", "v2.sav", levels('2', false));
  put(out / "levels_save_fuzz", "v1.sav", levels('1', false));
  put(out / "levels_save_fuzz", "phantom.sav", levels('2', true));
  put(out / "levels_save_fuzz", "cut.sav", levels('2', false).substr(0, 50));
  put(out / "achievements_save_fuzz", "some.sav", achievements(false));
  put(out / "achievements_save_fuzz", "all.sav", achievements(true));
  put(out / "achievements_save_fuzz", "cut.sav", achievements(true).substr(0, 30));
  put(out / "tutorials_save_fuzz", "seen.sav", tutorials());
  put(out / "tutorials_save_fuzz", "cut.sav", tutorials().substr(0, 6));
  return 0;
}
